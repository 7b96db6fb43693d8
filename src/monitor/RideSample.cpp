#include "monitor/RideSample.h"

#include <algorithm>

#include "monitor/CEgoSensorTable.h"
#include "protocol/MonitorBlock.h"

namespace corvane {

namespace {

constexpr int kEngineSpeed = 4;
constexpr int kTransientFuel = 15;
constexpr int kStandardThrottle = 19;
constexpr int kHeadTemperature = 21;

int Raw(std::span<const std::uint8_t> block, int channel) {
  const auto& spec = protocol::kMonitorChannels[static_cast<std::size_t>(channel)];
  const auto at = static_cast<std::size_t>(spec.offset);
  return spec.width == 2 ? block[at] << 8 | block[at + 1] : block[at];
}

double Display(std::span<const std::uint8_t> block, int channel) {
  const auto& spec = protocol::kMonitorChannels[static_cast<std::size_t>(channel)];
  const double d = spec.displayMinimum + Raw(block, channel) * ((spec.displayMaximum - spec.displayMinimum) / spec.rawMaximum);
  if (d > spec.displayMaximum) return channel == kStandardThrottle ? spec.displayMaximum : 0.0;
  return d;
}

}  // namespace

RideSample RideSample::FromBlock(double seconds, std::span<const std::uint8_t> block, const CEgoSensorTable& egoTable) {
  RideSample s;
  s.seconds = seconds;
  if (block.size() < static_cast<std::size_t>(protocol::kMonitorBlockBytes)) return s;
  s.rpm = Display(block, kEngineSpeed);
  s.throttleDeg = Display(block, kStandardThrottle);
  s.headTempF = Display(block, kHeadTemperature);
  s.transientMs = Display(block, kTransientFuel);
  s.frontAfr = egoTable.LookupEgoAfr(Raw(block, protocol::kFrontEgoChannel));
  s.rearAfr = egoTable.LookupEgoAfr(Raw(block, protocol::kRearEgoChannel));
  // A table may run either way with the voltage; its ends are where a sensor pegs.
  const double low = std::min(egoTable.FirstAfr(), egoTable.LastAfr());
  const double high = std::max(egoTable.FirstAfr(), egoTable.LastAfr());
  s.sensorsInRange = !egoTable.IsEmpty() && s.frontAfr > low && s.frontAfr < high && s.rearAfr > low && s.rearAfr < high;
  return s;
}

}  // namespace corvane
