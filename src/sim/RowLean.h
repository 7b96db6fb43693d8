#pragma once

#include <cstdint>

namespace corvane::sim {

class ModuleEmulator;

// Makes a fuel row of the simulated module `percent` % lean: every word of the row's points
// (high byte first, `points` of them from `startAddress`) shrinks by that share, so the
// simulated engine runs lean there and AutoTune has something to correct.
void MakeRowLean(ModuleEmulator& module, std::uint16_t startAddress, int points, double percent);

}  // namespace corvane::sim
