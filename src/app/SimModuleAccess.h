#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "comms/ModuleComms.h"
#include "comms/TransportFactory.h"
#include "sim/SimTransport.h"

namespace corvane {

// The transport of the "sim" port, which holds the emulated module. Where that class lives is
// known here and nowhere else in the window program.
using SimModuleTransport = sim::SimTransport;

// The simulated module behind the "sim" port of one comms library: what a person does to a
// module on the bench (its power switch, a power failure) and what tests look at (its memory,
// flash and upgrade state). The comms library owns the transport and makes a new one whenever
// the port changes; this object follows the one in use and never outlives it in a call.
class SimModuleAccess {
public:
    // The program's ports by name: "sim" the simulated module of that product code, any other
    // name a serial port. `onSimOpened` as sim::MakePortTransportMaker takes it.
    [[nodiscard]] static comms::ModuleComms::TransportMaker PortMaker(
        std::uint32_t productCode, std::function<void(sim::SimTransport&)> onSimOpened = {},
        const comms::TransportOptions& options = {}, const sim::EmulatorOptions& engine = {});
    // `makePort` as it is, except that each simulated module it makes becomes `sim`'s current one.
    [[nodiscard]] static comms::ModuleComms::TransportMaker Track(std::shared_ptr<SimModuleAccess> sim,
                                                                  comms::ModuleComms::TransportMaker makePort);

    // Runs f on the current simulated module's peer (which serialises it with the module's own
    // thread); false when there is none (another port, or none made yet).
    bool WithPeer(const std::function<void(sim::ModulePeer&)>& f) const;
    [[nodiscard]] bool Present() const;

    // The module's power switch.
    bool PowerOff();
    bool PowerOn();

private:
    void Follow(std::shared_ptr<SimModuleTransport> transport);

    mutable std::mutex m_mutex;
    std::weak_ptr<SimModuleTransport> m_current;
};

}  // namespace corvane
