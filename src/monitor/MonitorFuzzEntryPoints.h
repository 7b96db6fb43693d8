#pragma once

#include <cstddef>
#include <cstdint>

namespace corvane {

// Entry points of the monitor's file readers for fuzzing and for replaying the fuzz corpus in
// tests. Each takes any bytes, must neither crash nor hang, and returns 0.

// The monitored-items user file (binary), and the same bytes as the definitions text.
int FuzzMonitoredItemsFile(const std::uint8_t* data, std::size_t size);
// The EGO sensor table text, followed by lookups across the whole raw range.
int FuzzEgoSensorTable(const std::uint8_t* data, std::size_t size);

}  // namespace corvane
