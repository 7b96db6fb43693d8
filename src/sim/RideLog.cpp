#include "sim/RideLog.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "comms/MonitorLog.h"
#include "platform/Utf8Path.h"
#include "protocol/Frame.h"
#include "sim/ModuleEmulator.h"
#include "sim/Scenario.h"

namespace corvane::sim {

namespace {

constexpr double kLongestRideSeconds = 86400.0;

struct FileCloser {
  void operator()(std::FILE* file) const {
    if (file) std::fclose(file);
  }
};

}  // namespace

double LinePacketRate(int baud) {
  const auto frameBytes = static_cast<double>(protocol::EncodedSize(kMonitorBlockLength));
  return baud > 0 ? baud / 10.0 / frameBytes : 0.0;
}

std::uint64_t RunRide(ModuleEmulator& module, double packetRate,
                      const std::function<void(double seconds, std::span<const std::uint8_t> block)>& packet) {
  const double duration = module.ScenarioSecondsLeft();
  if (!(packetRate > 0.0) || !std::isfinite(packetRate) || !(duration > 0.0) || duration > kLongestRideSeconds) return 0;
  const auto count = static_cast<std::uint64_t>(std::floor(duration * packetRate));
  const double period = 1.0 / packetRate;
  for (std::uint64_t i = 0; i < count; ++i) {
    module.Advance(period);
    const std::vector<std::uint8_t> block = module.MonitorBlock();
    packet(static_cast<double>(i) * period, block);
  }
  return count;
}

bool WriteRideLog(ModuleEmulator& module, const std::string& path, double packetRate, EgoAfrLookup egoAfr,
                  std::string* error, std::uint64_t* packets) {
  auto fail = [error](std::string why) {
    if (error) *error = std::move(why);
    return false;
  };
  const double duration = module.ScenarioSecondsLeft();
  if (!(duration > 0.0) || duration > kLongestRideSeconds) return fail("the scenario must end within a day (give it a duration)");
  if (!(packetRate > 0.0) || !std::isfinite(packetRate)) return fail("the packet rate must be positive");

  const std::string partial = path + ".partial";
  std::unique_ptr<std::FILE, FileCloser> file(OpenFile(partial, "wb"));
  if (!file) return fail("cannot write " + partial);
  const comms::MonitorColumns columns(std::move(egoAfr));
  bool written = std::fputs((comms::MonitorLog::HeadingRow(columns) + "\r\n").c_str(), file.get()) >= 0;
  std::string row;
  const std::uint64_t count = RunRide(module, packetRate, [&](double seconds, std::span<const std::uint8_t> block) {
    if (!written) return;
    row = comms::MonitorLog::Row(columns, seconds, block);
    row += "\r\n";
    written = std::fwrite(row.data(), 1, row.size(), file.get()) == row.size();
  });
  written = written && std::fflush(file.get()) == 0;
  file.reset();
  std::error_code ec;
  if (!written) {
    std::filesystem::remove(PathFromUtf8(partial), ec);
    return fail("cannot write " + partial + " (disk full?)");
  }
  std::filesystem::rename(PathFromUtf8(partial), PathFromUtf8(path), ec);
  if (ec) {
    std::filesystem::remove(PathFromUtf8(partial), ec);
    return fail("cannot rename the log to " + path);
  }
  if (packets) *packets = count;
  return true;
}

}  // namespace corvane::sim
