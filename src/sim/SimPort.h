#pragma once

#include <cstdint>
#include <functional>

#include "comms/ModuleComms.h"
#include "comms/TransportFactory.h"
#include "sim/ModuleEmulator.h"
#include "sim/SimTransport.h"
#include "sim/peer/ModulePeer.h"

namespace corvane::sim {

// How the program opens a port by name, the simulated module included.
struct PortOptions {
    comms::TransportOptions transport;  // serial ports: baud, device pattern for "Com n"
    EmulatorOptions module;             // the simulated module behind "sim" (product code ...)
    PeerFaults faults;                  // what the simulated line and module do wrong
    std::uint64_t seed = 1;             // the simulated peer's fault generator
};

// A ModuleComms::TransportMaker for the programs (corvane-cli, the window program): "sim"
// makes the in-process simulated module's transport (handed to onSimOpened, if given, each
// time one is made, on the comms I/O thread before the port is opened), every other name
// comms::MakeTransport. The comms library owns what is made; the reference handed out stays
// valid while that ModuleComms lives and keeps the port.
[[nodiscard]] comms::ModuleComms::TransportMaker MakePortTransportMaker(
    PortOptions options, std::function<void(SimTransport&)> onSimOpened = {});

}  // namespace corvane::sim
