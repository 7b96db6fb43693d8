#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corvane::sim {

class EngineModel;
class FuelTruth;
class Scenario;

// Product families as the module knows them. A: 1, 128 (fuel injection); B: 2, 8, 64;
// C: 4, 256 (ignition only).
enum class Family { A, B, C };
[[nodiscard]] Family FamilyOfProductCode(std::uint32_t productCode);

// Module memory map the emulator serves.
inline constexpr std::uint32_t kMemoryEnd = 0xE000;          // first address past module memory
inline constexpr std::uint16_t kBasicSettingsAddress = 0x0400;
inline constexpr std::uint16_t kWarrantyAddress = 0x0500;
inline constexpr std::uint16_t kWarrantyLogCount = 60;
inline constexpr std::uint16_t kRevLimitHitsAddress = 0x05F0;
inline constexpr std::uint16_t kVinAddress = 0x05F4;
inline constexpr std::uint16_t kVinLength = 32;
inline constexpr std::uint16_t kBaseMapNameAddress = 0x0F00;
inline constexpr std::uint16_t kBaseMapNameLength = 16;
inline constexpr std::uint16_t kModuleIdAddress = 0x0F10;
inline constexpr std::uint16_t kAuthorizationAddress = 0x0F14;
inline constexpr std::uint16_t kFirmwareVersionAddress = 0x0F18;
inline constexpr std::uint16_t kUpgradeMarkerAddress = 0x0F1C;
inline constexpr std::uint16_t kMonitorBlockAddress = 0x1400;
inline constexpr std::uint16_t kMonitorBlockLength = 72;
inline constexpr std::uint32_t kFlashEnd = 0xC000;           // flash writes only below this
inline constexpr int kUpgradeLoaderModuleId = 175;
inline constexpr std::array<std::uint8_t, 4> kUpgradeMarkerOn{0xAA, 0xCC, 0xBB, 0xDD};

// How closely the simulated engine behaves like a real one. Off, it is the ideal engine of the
// dyno tests: its sensors read at once what the cylinders burn, it starts warm, and throttle
// changes do not disturb the mixture. On, its exhaust-oxygen sensors lag (transport delay and a
// first-order response), start cold (slow and lean until the exhaust warms them) and read air
// on closed-throttle overrun, when the module cuts the fuel; a cold engine runs rich as the
// module's engine-temperature correction makes it; while the throttle moves the fuel film on
// the port walls and the module's acceleration enrichment disturb the mixture; and the module
// blends its fuel and trim rows between speeds as it blends throttle sites.
struct EngineRealism {
  bool on = false;
  double egoDelaySeconds = 0.10;
  double egoResponseSeconds = 0.08;
  bool transients = true;   // wall film and the module's transient fuel
  bool warmUp = true;       // starts cold: engine-temperature enrichment, cold sensors
};

struct EmulatorOptions {
  std::uint32_t productCode = 1;
  std::uint64_t seed = 1;
  int firmwareVersion = 0x52;        // 82: every firmware-dependent setting is supported
  int moduleId = -1;                 // -1: the family's own module ID (A 12, B 22, C 32)
  double monitorRateHz = 20.0;
  double targetAfr = 13.1;           // the AFR the stock tune gives when the truth factor is 1
  double egoNoiseAfr = 0.0;          // standard deviation of the EGO sensor noise, in AFR
  double speedNoiseRpm = 0.0;        // standard deviation of the engine speed jitter
  EngineRealism realism;
  std::shared_ptr<const FuelTruth> fuelTruth;   // the engine's true fuel need; null: the stock tune's
};

// Factor by which the engine's true fuel need differs from the stock tune at (rpm, throttle
// position in degrees). 1.0 everywhere by default.
using TruthFunction = std::function<double(double rpm, double throttleDeg)>;

// A smooth bump of the truth factor: 1 + amount at the centre, fading out (Gaussian) with the
// given widths. Handy for "this region needs 10 % more fuel".
[[nodiscard]] TruthFunction TruthBump(double rpmCentre, double rpmWidth, double throttleCentreDeg,
                                      double throttleWidthDeg, double amount);

// The engine control module as the PC sees it: memory, identity, flash, firmware-upgrade
// state, the warranty record and the monitor block fed by a simulated engine.
//
// Not thread-safe: the peer serialises all calls.
class ModuleEmulator {
public:
  explicit ModuleEmulator(std::uint32_t productCode = 1, std::uint64_t seed = 1);
  explicit ModuleEmulator(const EmulatorOptions& options);
  ~ModuleEmulator();
  ModuleEmulator(const ModuleEmulator&) = delete;
  ModuleEmulator& operator=(const ModuleEmulator&) = delete;

  enum class Result { Ok, OutOfRange, Busy, Refused };

  // --- identity -------------------------------------------------------------------------
  // 175 while booted in firmware upgrade mode; otherwise the byte at 0xF10.
  [[nodiscard]] int ModuleId() const;
  [[nodiscard]] int FirmwareVersion() const;        // byte at 0xF18
  [[nodiscard]] bool Powered() const;
  [[nodiscard]] bool InUpgradeMode() const;         // booted into the upgrade loader
  [[nodiscard]] bool UpgradeMarkerOn() const;       // AA CC BB DD at 0xF1C
  [[nodiscard]] bool FirmwareIntact() const;        // false after an unfinished flash
  [[nodiscard]] std::uint32_t ProductCode() const;
  [[nodiscard]] Family ProductFamily() const;

  // --- memory ---------------------------------------------------------------------------
  // Reads and writes must lie within 0x0000..0xDFFF (else OutOfRange). Powered off: Refused.
  // In upgrade mode only the identity page 0x0F00..0x0F1F may be written (marker and
  // initialization bytes); reads are served everywhere. The module ID bytes 0x0F10..0x0F13
  // are factory-set: a write that touches them is Refused and changes nothing.
  Result Read(std::uint16_t address, std::uint16_t length, std::vector<std::uint8_t>& out);
  Result Write(std::uint16_t address, std::span<const std::uint8_t> bytes);
  // Only in upgrade mode and only wholly below 0xC000 (else Refused / OutOfRange). The first
  // flash write after booting the loader marks the firmware as not intact until the
  // initialization bytes (0xF18) are written again; a module whose firmware is not intact
  // boots the loader whatever the marker says, so an interrupted upgrade can be run again.
  // The loader keeps its identity page 0x0F00..0x0F1F: flash data for it is not stored.
  Result FlashWrite(std::uint32_t address, std::span<const std::uint8_t> bytes);

  // Direct access for tests and tools; no checks, no faults.
  [[nodiscard]] std::uint8_t Peek(std::uint16_t address) const;
  [[nodiscard]] std::uint16_t PeekWord(std::uint16_t address) const;   // high byte first
  [[nodiscard]] std::uint32_t PeekLong(std::uint16_t address) const;   // big-endian
  void Poke(std::uint16_t address, std::span<const std::uint8_t> bytes);
  void PokeWord(std::uint16_t address, std::uint16_t value);
  [[nodiscard]] std::span<const std::uint8_t> Memory() const;

  // --- power ----------------------------------------------------------------------------
  void PowerOff();
  void PowerOn();      // boots the loader when the marker is on or the firmware not intact
  void PowerCycle();

  // --- monitor stream -------------------------------------------------------------------
  void StartMonitor(std::uint16_t address, std::uint16_t length);
  void StopMonitor();
  [[nodiscard]] bool Monitoring() const;
  // Runs the engine model, the warranty counters and the scenario clock.
  void Advance(double seconds);
  [[nodiscard]] std::vector<std::uint8_t> MonitorBlock() const;   // the streamed block
  [[nodiscard]] double MonitorRateHz() const;
  void SetMonitorRateHz(double hz);

  // --- engine and scenarios -------------------------------------------------------------
  // Scenario by name and parameters, e.g. "idle", "hold rpm=2048 sites=8,16,24 dwell=1",
  // "sweep rpm=1024..6144 tps=0..88 duration=30", "ride duration=120". Returns false and
  // leaves the running scenario when the text is not understood (error in *error).
  bool StartScenario(std::string_view text, std::string* error = nullptr);
  void SetScenario(std::unique_ptr<Scenario> scenario);
  [[nodiscard]] bool ScenarioFinished() const;
  // Seconds until the running scenario ends (infinite for one that never does).
  [[nodiscard]] double ScenarioSecondsLeft() const;
  [[nodiscard]] const EngineModel& Engine() const;
  void SetTruth(TruthFunction truth);                 // nullptr restores 1.0 everywhere
  // The rear cylinder's own need; nullptr: the same as the front's.
  void SetRearTruth(TruthFunction truth);
  // Both from a fuel truth table.
  void SetFuelTruth(const FuelTruth& truth);
  void SetEgoNoise(double sigmaAfr);
  [[nodiscard]] double TargetAfr() const;

  // --- faults the peer switches on ------------------------------------------------------
  void SetBusyForCalls(int calls);                    // next N memory/flash calls answer Busy
  // The next flash write stores only its first `bytesBeforeLoss` bytes, then power is lost.
  void ArmPowerLossDuringFlash(std::size_t bytesBeforeLoss);
  // A flaky memory cell: the next `times` writes that cover `address` store that byte with
  // its bits inverted, although the write arrived intact (its CRC checked) and is answered as
  // done. A negative count keeps the cell bad for good. Only a read-back shows the damage.
  void ArmFlakyWrite(std::uint16_t address, int times = 1);
  // Writes the flaky cell has damaged so far.
  [[nodiscard]] int FlakyWritesDamaged() const { return m_flakyDamaged; }

  // Counters of the served calls (for tests and the tool's status line).
  [[nodiscard]] std::uint64_t ReadCount() const;
  [[nodiscard]] std::uint64_t WriteCount() const;
  [[nodiscard]] std::uint64_t FlashWriteCount() const;

private:
  [[nodiscard]] bool TakeBusy();
  void Boot();
  void StepWarranty(double seconds);
  void RefreshMonitorBlock();

  EmulatorOptions m_options;
  Family m_family;
  std::vector<std::uint8_t> m_memory;      // kMemoryEnd bytes
  std::unique_ptr<EngineModel> m_engine;
  std::unique_ptr<Scenario> m_scenario;
  double m_scenarioTime = 0.0;
  bool m_powered = true;
  bool m_upgradeMode = false;
  bool m_firmwareIntact = true;
  bool m_flashTouchedThisBoot = false;
  bool m_monitoring = false;
  std::uint16_t m_monitorAddress = kMonitorBlockAddress;
  std::uint16_t m_monitorLength = kMonitorBlockLength;
  int m_busyCalls = 0;
  std::size_t m_powerLossAfterBytes = 0;
  bool m_powerLossArmed = false;
  std::uint16_t m_flakyAddress = 0;
  int m_flakyTimes = 0;
  int m_flakyDamaged = 0;
  std::array<double, kWarrantyLogCount> m_bandFraction{};
  bool m_atRevLimit = false;
  std::uint64_t m_reads = 0;
  std::uint64_t m_writes = 0;
  std::uint64_t m_flashWrites = 0;
};

}  // namespace corvane::sim
