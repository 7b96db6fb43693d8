#include "sim/ModuleEmulator.h"

#include "sim/EngineModel.h"
#include "sim/Scenario.h"

namespace corvane::sim {

// Interim stub: the API compiles and answers plausibly; the full module follows.
Family FamilyOfProductCode(std::uint32_t productCode) {
  switch (productCode) {
    case 2: case 8: case 64: return Family::B;
    case 4: case 256: return Family::C;
    default: return Family::A;
  }
}

TruthFunction TruthBump(double, double, double, double, double) {
  return [](double, double) { return 1.0; };
}

ModuleEmulator::ModuleEmulator(std::uint32_t productCode, std::uint64_t seed)
    : ModuleEmulator(EmulatorOptions{.productCode = productCode, .seed = seed}) {}
ModuleEmulator::ModuleEmulator(const EmulatorOptions& options)
    : m_options(options), m_family(FamilyOfProductCode(options.productCode)),
      m_memory(kMemoryEnd, 0), m_engine(std::make_unique<EngineModel>()) {}
ModuleEmulator::~ModuleEmulator() = default;

int ModuleEmulator::ModuleId() const { return m_upgradeMode ? kUpgradeLoaderModuleId : m_memory[kModuleIdAddress]; }
int ModuleEmulator::FirmwareVersion() const { return m_memory[kFirmwareVersionAddress]; }
bool ModuleEmulator::Powered() const { return m_powered; }
bool ModuleEmulator::InUpgradeMode() const { return m_upgradeMode; }
bool ModuleEmulator::UpgradeMarkerOn() const { return false; }
bool ModuleEmulator::FirmwareIntact() const { return m_firmwareIntact; }
std::uint32_t ModuleEmulator::ProductCode() const { return m_options.productCode; }
Family ModuleEmulator::ProductFamily() const { return m_family; }
ModuleEmulator::Result ModuleEmulator::Read(std::uint16_t address, std::uint16_t length, std::vector<std::uint8_t>& out) {
  if (std::uint32_t{address} + length > kMemoryEnd) return Result::OutOfRange;
  out.assign(m_memory.begin() + address, m_memory.begin() + address + length);
  return Result::Ok;
}
ModuleEmulator::Result ModuleEmulator::Write(std::uint16_t address, std::span<const std::uint8_t> bytes) {
  if (address + bytes.size() > kMemoryEnd) return Result::OutOfRange;
  std::copy(bytes.begin(), bytes.end(), m_memory.begin() + address);
  return Result::Ok;
}
ModuleEmulator::Result ModuleEmulator::FlashWrite(std::uint32_t, std::span<const std::uint8_t>) { return Result::Refused; }
std::uint8_t ModuleEmulator::Peek(std::uint16_t address) const { return m_memory[address]; }
std::uint16_t ModuleEmulator::PeekWord(std::uint16_t a) const { return static_cast<std::uint16_t>(m_memory[a] << 8 | m_memory[a + 1]); }
std::uint32_t ModuleEmulator::PeekLong(std::uint16_t a) const { return std::uint32_t{PeekWord(a)} << 16 | PeekWord(a + 2); }
void ModuleEmulator::Poke(std::uint16_t address, std::span<const std::uint8_t> bytes) { std::copy(bytes.begin(), bytes.end(), m_memory.begin() + address); }
void ModuleEmulator::PokeWord(std::uint16_t a, std::uint16_t v) { m_memory[a] = v >> 8; m_memory[a + 1] = v & 0xFF; }
std::span<const std::uint8_t> ModuleEmulator::Memory() const { return m_memory; }
void ModuleEmulator::PowerOff() { m_powered = false; }
void ModuleEmulator::PowerOn() { m_powered = true; }
void ModuleEmulator::PowerCycle() { PowerOff(); PowerOn(); }
void ModuleEmulator::StartMonitor(std::uint16_t address, std::uint16_t length) { m_monitoring = true; m_monitorAddress = address; m_monitorLength = length; }
void ModuleEmulator::StopMonitor() { m_monitoring = false; }
bool ModuleEmulator::Monitoring() const { return m_monitoring; }
void ModuleEmulator::Advance(double) {}
std::vector<std::uint8_t> ModuleEmulator::MonitorBlock() const { return std::vector<std::uint8_t>(m_monitorLength, 0); }
double ModuleEmulator::MonitorRateHz() const { return m_options.monitorRateHz; }
void ModuleEmulator::SetMonitorRateHz(double hz) { m_options.monitorRateHz = hz; }
bool ModuleEmulator::StartScenario(std::string_view, std::string*) { return true; }
void ModuleEmulator::SetScenario(std::unique_ptr<Scenario>) {}
bool ModuleEmulator::ScenarioFinished() const { return false; }
const EngineModel& ModuleEmulator::Engine() const { return *m_engine; }
void ModuleEmulator::SetTruth(TruthFunction) {}
void ModuleEmulator::SetEgoNoise(double) {}
double ModuleEmulator::TargetAfr() const { return m_options.targetAfr; }
void ModuleEmulator::SetBusyForCalls(int calls) { m_busyCalls = calls; }
void ModuleEmulator::ArmPowerLossDuringFlash(std::size_t) {}
std::uint64_t ModuleEmulator::ReadCount() const { return m_reads; }
std::uint64_t ModuleEmulator::WriteCount() const { return m_writes; }
std::uint64_t ModuleEmulator::FlashWriteCount() const { return m_flashWrites; }

}  // namespace corvane::sim
