#pragma once

#include <string>

namespace corvane {

class SettingsStore;

// What Ride AutoTune takes from a packet and how far it may move a cell. Kept in the settings
// store, section "Ride AutoTune", one text value per name (numbers as decimal text, switches
// as "1" or "0"), so that the window program, the command line and the figures use the same
// numbers.
struct RideAutoTuneSettings {
  static constexpr const char* kSection = "Ride AutoTune";

  double minHeadTempF = 280.0;        // the engine counts as warm above this head temperature
  double maxThrottleRate = 5.0;       // deg/s the throttle may move over the steady window
  double maxRpmRate = 300.0;          // rpm/s the engine speed may change over it
  double minThrottleDeg = 1.0;        // a closed throttle (idle, overrun) tells nothing
  double sensorDelaySeconds = 0.18;   // exhaust transport delay plus the sensor's response
  bool delayCompensation = true;      // pair each reading with the state one delay earlier
  bool transientFilter = true;        // skip packets while the module adds transient fuel
  double minWeight = 8.0;             // a cell is ready when its weight sum passes this
  double authorityPercent = 15.0;     // the most a cell moves in one pass, either way

  // Puts every number back inside the limits it must keep (a value that is no number takes
  // its default).
  void Clamp();

  // Missing or unreadable values keep their defaults.
  [[nodiscard]] static RideAutoTuneSettings Load(const SettingsStore& store);
  void Save(SettingsStore& store) const;

  bool operator==(const RideAutoTuneSettings&) const = default;
};

}  // namespace corvane
