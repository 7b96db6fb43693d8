#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "comms/api/Comms.h"

namespace corvane::sim {

class ModuleEmulator;

// Packets a second the module streams its monitor block at when it sends them back to back on
// a line of `baud` (10 bits a byte): about 138.8 at 115200 baud.
[[nodiscard]] double LinePacketRate(int baud = 115200);

// A ride computed as fast as the engine model runs, packet by packet: the emulator's scenario
// from its start to its end, one monitor block every 1 / `packetRate` seconds, each handed to
// `packet` with its time since the first. The same engine model, sensors and block encoding as
// the live stream. Returns the number of packets; 0 when the scenario never ends or lasts more
// than a day, or the rate is not a rate (nothing is handed out then).
std::uint64_t RunRide(ModuleEmulator& module, double packetRate,
                      const std::function<void(double seconds, std::span<const std::uint8_t> block)>& packet);

// Writes the monitor log of that ride to `path`, in the columns the live monitor log has (the
// exhaust-oxygen channels as AFR too when `egoAfr` is given). The file appears whole or not at
// all: it is written beside `path` and renamed over it at the end. False, with the reason in
// *error, when it cannot be written or the ride does not end.
bool WriteRideLog(ModuleEmulator& module, const std::string& path, double packetRate, EgoAfrLookup egoAfr,
                  std::string* error = nullptr, std::uint64_t* packets = nullptr);

}  // namespace corvane::sim
