#pragma once

#include <map>
#include <string>

#include "sim/SimEngineOptions.h"

namespace corvane {

// corvane-sim --log-ride: builds the module (--product-code, --seed, --tune, the engine
// options), rides --scenario as fast as it computes and writes the monitor log. Returns the
// program's exit code (0; 64 for options that do not fit; 2 for a tune file that cannot be
// used; 1 when the log cannot be written).
int RunRideLog(const std::map<std::string, std::string>& options, const sim::SimEngineOptionText& engine,
               const char* programPath);

}  // namespace corvane
