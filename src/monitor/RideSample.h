#pragma once

#include <cstdint>
#include <span>

namespace corvane {

class CEgoSensorTable;

// What Ride AutoTune reads from one monitor packet, in display units.
struct RideSample {
  double seconds = 0.0;        // time of the packet (the monitor log's time column)
  double rpm = 0.0;
  double throttleDeg = 0.0;    // standard throttle position, the fuel table's x axis
  double headTempF = 0.0;
  double transientMs = 0.0;    // transient fuel the module adds now
  double frontAfr = 0.0;       // the sensors through the EGO sensor table
  double rearAfr = 0.0;
  bool sensorsInRange = false; // both readings strictly inside the table's AFR range

  // The sample of a monitor block, decoded as the monitor document decodes it (a value above
  // its display maximum reads 0, the standard throttle position its maximum) and the sensors
  // looked up in `egoTable`. A block shorter than the monitor block gives a sample whose
  // sensors are out of range, so that it is never used.
  [[nodiscard]] static RideSample FromBlock(double seconds, std::span<const std::uint8_t> block,
                                            const CEgoSensorTable& egoTable);
};

}  // namespace corvane
