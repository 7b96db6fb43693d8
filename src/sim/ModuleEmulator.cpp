#include "sim/ModuleEmulator.h"

#include <algorithm>
#include <cmath>

#include "sim/EngineModel.h"
#include "sim/FuelTruth.h"
#include "sim/MonitorLayout.h"
#include "sim/Scenario.h"
#include "sim/StockTune.h"

namespace corvane::sim {

namespace {

constexpr std::uint16_t kIdentityPage = 0x0F00;
constexpr std::uint16_t kIdentityPageEnd = 0x0F20;
constexpr std::uint16_t kModuleIdEnd = kModuleIdAddress + 4;
constexpr double kFineStep = 0.01;     // engine steps, seconds
constexpr double kCoarseStep = 0.1;    // for long advances (warranty runs)

bool Overlaps(std::uint32_t start, std::uint32_t end, std::uint32_t otherStart, std::uint32_t otherEnd) {
  return start < otherEnd && otherStart < end;
}

}  // namespace

Family FamilyOfProductCode(std::uint32_t productCode) {
  switch (productCode) {
    case 2: case 8: case 64: return Family::B;
    case 4: case 256: return Family::C;
    default: return Family::A;
  }
}

TruthFunction TruthBump(double rpmCentre, double rpmWidth, double throttleCentreDeg, double throttleWidthDeg,
                        double amount) {
  const double rw = std::max(rpmWidth, 1.0);
  const double tw = std::max(throttleWidthDeg, 0.01);
  return [=](double rpm, double throttleDeg) {
    const double dr = (rpm - rpmCentre) / rw;
    const double dt = (throttleDeg - throttleCentreDeg) / tw;
    return 1.0 + amount * std::exp(-0.5 * (dr * dr + dt * dt));
  };
}

ModuleEmulator::ModuleEmulator(std::uint32_t productCode, std::uint64_t seed)
    : ModuleEmulator(EmulatorOptions{.productCode = productCode, .seed = seed}) {}

ModuleEmulator::ModuleEmulator(const EmulatorOptions& options)
    : m_options(options),
      m_family(FamilyOfProductCode(options.productCode)),
      m_memory(kMemoryEnd, 0),
      m_engine(std::make_unique<EngineModel>(m_family, options.targetAfr, options.seed, options.realism)),
      m_scenario(std::make_unique<IdleScenario>()) {
  if (!(m_options.monitorRateHz > 0.0 && m_options.monitorRateHz <= 1000.0)) m_options.monitorRateHz = 20.0;
  m_options.firmwareVersion = std::clamp(m_options.firmwareVersion, 0, 255);
  StockTune::Write(m_family, m_options, m_memory);
  m_engine->SetEgoNoise(options.egoNoiseAfr);
  if (options.fuelTruth) SetFuelTruth(*options.fuelTruth);
  m_engine->SetSpeedNoise(options.speedNoiseRpm);
  Boot();
}

ModuleEmulator::~ModuleEmulator() = default;

// ---- identity -------------------------------------------------------------------------------

int ModuleEmulator::ModuleId() const {
  return m_upgradeMode ? kUpgradeLoaderModuleId : m_memory[kModuleIdAddress];
}
int ModuleEmulator::FirmwareVersion() const { return m_memory[kFirmwareVersionAddress]; }
bool ModuleEmulator::Powered() const { return m_powered; }
bool ModuleEmulator::InUpgradeMode() const { return m_upgradeMode; }
bool ModuleEmulator::UpgradeMarkerOn() const {
  return std::equal(kUpgradeMarkerOn.begin(), kUpgradeMarkerOn.end(), m_memory.begin() + kUpgradeMarkerAddress);
}
bool ModuleEmulator::FirmwareIntact() const { return m_firmwareIntact; }
std::uint32_t ModuleEmulator::ProductCode() const { return m_options.productCode; }
Family ModuleEmulator::ProductFamily() const { return m_family; }

// ---- memory ---------------------------------------------------------------------------------

bool ModuleEmulator::TakeBusy() {
  if (m_busyCalls <= 0) return false;
  --m_busyCalls;
  return true;
}

ModuleEmulator::Result ModuleEmulator::Read(std::uint16_t address, std::uint16_t length,
                                            std::vector<std::uint8_t>& out) {
  if (!m_powered) return Result::Refused;
  if (TakeBusy()) return Result::Busy;
  const std::uint32_t end = std::uint32_t{address} + length;
  if (end > kMemoryEnd) return Result::OutOfRange;
  out.assign(m_memory.begin() + address, m_memory.begin() + end);
  ++m_reads;
  return Result::Ok;
}

ModuleEmulator::Result ModuleEmulator::Write(std::uint16_t address, std::span<const std::uint8_t> bytes) {
  if (!m_powered) return Result::Refused;
  if (TakeBusy()) return Result::Busy;
  const std::uint32_t end = std::uint32_t{address} + static_cast<std::uint32_t>(bytes.size());
  if (bytes.size() > kMemoryEnd || end > kMemoryEnd) return Result::OutOfRange;
  if (bytes.empty()) return Result::Ok;
  if (Overlaps(address, end, kModuleIdAddress, kModuleIdEnd)) return Result::Refused;
  if (m_upgradeMode && (address < kIdentityPage || end > kIdentityPageEnd)) return Result::Refused;
  std::copy(bytes.begin(), bytes.end(), m_memory.begin() + address);
  if (m_flakyTimes != 0 && m_flakyAddress >= address && m_flakyAddress < end) {
    m_memory[m_flakyAddress] = static_cast<std::uint8_t>(~m_memory[m_flakyAddress]);
    ++m_flakyDamaged;
    if (m_flakyTimes > 0) --m_flakyTimes;
  }
  // The loader counts the firmware as whole again once the upgrade tool has restored the
  // initialization bytes after its last flash block.
  if (m_upgradeMode && m_flashTouchedThisBoot && address <= kFirmwareVersionAddress && end > kFirmwareVersionAddress)
    m_firmwareIntact = true;
  ++m_writes;
  return Result::Ok;
}

ModuleEmulator::Result ModuleEmulator::FlashWrite(std::uint32_t address, std::span<const std::uint8_t> bytes) {
  if (!m_powered) return Result::Refused;
  if (TakeBusy()) return Result::Busy;
  if (!m_upgradeMode) return Result::Refused;
  if (address >= kFlashEnd || bytes.size() > kFlashEnd - address) return Result::OutOfRange;
  if (bytes.empty()) return Result::Ok;
  m_flashTouchedThisBoot = true;
  m_firmwareIntact = false;
  std::size_t count = bytes.size();
  const bool losePower = m_powerLossArmed;
  if (losePower) {
    count = std::min(count, m_powerLossAfterBytes);
    m_powerLossArmed = false;
  }
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t at = address + static_cast<std::uint32_t>(i);
    if (at >= kIdentityPage && at < kIdentityPageEnd) continue;   // the loader's own page
    m_memory[at] = bytes[i];
  }
  if (losePower) {
    PowerOff();
    return Result::Refused;
  }
  ++m_flashWrites;
  return Result::Ok;
}

std::uint8_t ModuleEmulator::Peek(std::uint16_t address) const {
  return address < kMemoryEnd ? m_memory[address] : 0;
}

std::uint16_t ModuleEmulator::PeekWord(std::uint16_t address) const {
  return static_cast<std::uint16_t>(Peek(address) << 8 | Peek(static_cast<std::uint16_t>(address + 1)));
}

std::uint32_t ModuleEmulator::PeekLong(std::uint16_t address) const {
  return std::uint32_t{PeekWord(address)} << 16 | PeekWord(static_cast<std::uint16_t>(address + 2));
}

void ModuleEmulator::Poke(std::uint16_t address, std::span<const std::uint8_t> bytes) {
  for (std::size_t i = 0; i < bytes.size() && address + i < kMemoryEnd; ++i) m_memory[address + i] = bytes[i];
}

void ModuleEmulator::PokeWord(std::uint16_t address, std::uint16_t value) {
  const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value & 0xFF)};
  Poke(address, bytes);
}

std::span<const std::uint8_t> ModuleEmulator::Memory() const { return m_memory; }

// ---- power ----------------------------------------------------------------------------------

void ModuleEmulator::Boot() {
  m_upgradeMode = UpgradeMarkerOn() || !m_firmwareIntact;
  m_flashTouchedThisBoot = false;
  m_monitoring = false;
  m_atRevLimit = false;
  m_engine->Stop();
  RefreshMonitorBlock();
}

void ModuleEmulator::PowerOff() {
  if (!m_powered) return;
  m_powered = false;
  m_monitoring = false;
  m_engine->Stop();
  // The monitor block is RAM: it forgets.
  std::fill_n(m_memory.begin() + kMonitorBlockAddress, kMonitorBlockLength, std::uint8_t{0});
}

void ModuleEmulator::PowerOn() {
  if (m_powered) return;
  m_powered = true;
  Boot();
}

void ModuleEmulator::PowerCycle() {
  PowerOff();
  PowerOn();
}

// ---- monitor stream -------------------------------------------------------------------------

void ModuleEmulator::StartMonitor(std::uint16_t address, std::uint16_t length) {
  if (!m_powered || m_upgradeMode || length == 0 || std::uint32_t{address} + length > kMemoryEnd) return;
  m_monitorAddress = address;
  m_monitorLength = length;
  m_monitoring = true;
}

void ModuleEmulator::StopMonitor() { m_monitoring = false; }
bool ModuleEmulator::Monitoring() const { return m_monitoring; }

std::vector<std::uint8_t> ModuleEmulator::MonitorBlock() const {
  if (!m_powered) return {};
  return {m_memory.begin() + m_monitorAddress, m_memory.begin() + m_monitorAddress + m_monitorLength};
}

double ModuleEmulator::MonitorRateHz() const { return m_options.monitorRateHz; }

void ModuleEmulator::SetMonitorRateHz(double hz) {
  if (hz > 0.0 && hz <= 1000.0) m_options.monitorRateHz = hz;
}

void ModuleEmulator::Advance(double seconds) {
  // The loader does not run the engine; a dead module runs nothing.
  if (!m_powered || m_upgradeMode || !(seconds > 0.0) || !std::isfinite(seconds)) return;
  const double step = seconds > 600.0 ? kCoarseStep : kFineStep;
  const auto steps = static_cast<std::uint64_t>(std::ceil(seconds / step));
  const double dt = seconds / static_cast<double>(steps);
  for (std::uint64_t i = 0; i < steps; ++i) {
    const EngineTarget target =
        m_scenarioTime < m_scenario->Duration() ? m_scenario->TargetAt(m_scenarioTime) : EngineTarget{};
    m_scenarioTime += dt;
    m_engine->Step(dt, target, m_memory);
    StepWarranty(dt);
  }
  RefreshMonitorBlock();
}

void ModuleEmulator::RefreshMonitorBlock() {
  std::span<std::uint8_t> block(m_memory.data() + kMonitorBlockAddress, kMonitorBlockLength);
  m_engine->FillMonitorBlock(m_memory, block);
}

// ---- warranty record ------------------------------------------------------------------------

void ModuleEmulator::StepWarranty(double seconds) {
  if (m_engine->Running()) {
    // Band i holds 500 + 100 i .. 599 + 100 i rpm; slower running counts in the first band,
    // faster in the last.
    const double rpm = m_engine->Rpm();
    const int band = std::clamp(static_cast<int>(std::floor((rpm - 500.0) / 100.0)), 0, kWarrantyLogCount - 1);
    double& fraction = m_bandFraction[static_cast<std::size_t>(band)];
    fraction += seconds;
    if (fraction >= 1.0) {
      const double whole = std::floor(fraction);
      fraction -= whole;
      const auto address = static_cast<std::uint16_t>(kWarrantyAddress + 4 * band);
      const std::uint64_t total = std::uint64_t{PeekLong(address)} + static_cast<std::uint64_t>(whole);
      const auto saturated = static_cast<std::uint32_t>(std::min<std::uint64_t>(total, 0xFFFFFFFFu));
      const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(saturated >> 24), static_cast<std::uint8_t>(saturated >> 16),
                                     static_cast<std::uint8_t>(saturated >> 8), static_cast<std::uint8_t>(saturated)};
      Poke(address, bytes);
    }
  }
  // The hit counter is 16 bits at 0x05F0 (0x05F2..0x05F3 stay as written); it counts each
  // arrival at the limiter and stops at its maximum.
  const bool atLimit = m_engine->AtRevLimit();
  if (atLimit && !m_atRevLimit) {
    const std::uint16_t hits = PeekWord(kRevLimitHitsAddress);
    if (hits < 0xFFFF) PokeWord(kRevLimitHitsAddress, static_cast<std::uint16_t>(hits + 1));
  }
  m_atRevLimit = atLimit;
}

// ---- engine and scenarios -------------------------------------------------------------------

bool ModuleEmulator::StartScenario(std::string_view text, std::string* error) {
  std::unique_ptr<Scenario> scenario = Scenario::Parse(text, m_options.seed, error);
  if (!scenario) return false;
  SetScenario(std::move(scenario));
  return true;
}

void ModuleEmulator::SetScenario(std::unique_ptr<Scenario> scenario) {
  m_scenario = scenario ? std::move(scenario) : std::make_unique<IdleScenario>();
  m_scenarioTime = 0.0;
}

bool ModuleEmulator::ScenarioFinished() const { return m_scenarioTime >= m_scenario->Duration(); }
double ModuleEmulator::ScenarioSecondsLeft() const { return std::max(0.0, m_scenario->Duration() - m_scenarioTime); }
const EngineModel& ModuleEmulator::Engine() const { return *m_engine; }
void ModuleEmulator::SetTruth(TruthFunction truth) { m_engine->SetTruth(std::move(truth)); }
void ModuleEmulator::SetRearTruth(TruthFunction truth) { m_engine->SetRearTruth(std::move(truth)); }

void ModuleEmulator::SetFuelTruth(const FuelTruth& truth) {
  // The table is copied into the functions: the engine never refers to the caller's object.
  const auto shared = std::make_shared<const FuelTruth>(truth);
  SetTruth([shared](double rpm, double throttleDeg) {
    return shared->At(rpm, EngineModel::ThrottleRaw(throttleDeg), false);
  });
  SetRearTruth([shared](double rpm, double throttleDeg) {
    return shared->At(rpm, EngineModel::ThrottleRaw(throttleDeg), true);
  });
}
void ModuleEmulator::SetEgoNoise(double sigmaAfr) { m_engine->SetEgoNoise(sigmaAfr); }
double ModuleEmulator::TargetAfr() const { return m_options.targetAfr; }

// ---- faults ---------------------------------------------------------------------------------

void ModuleEmulator::SetBusyForCalls(int calls) { m_busyCalls = std::max(0, calls); }

void ModuleEmulator::ArmPowerLossDuringFlash(std::size_t bytesBeforeLoss) {
  m_powerLossArmed = true;
  m_powerLossAfterBytes = bytesBeforeLoss;
}

void ModuleEmulator::ArmFlakyWrite(std::uint16_t address, int times) {
  m_flakyAddress = address;
  m_flakyTimes = times;
}

std::uint64_t ModuleEmulator::ReadCount() const { return m_reads; }
std::uint64_t ModuleEmulator::WriteCount() const { return m_writes; }
std::uint64_t ModuleEmulator::FlashWriteCount() const { return m_flashWrites; }

}  // namespace corvane::sim
