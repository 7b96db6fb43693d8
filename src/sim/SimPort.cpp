#include "sim/SimPort.h"

#include <memory>
#include <string>
#include <utility>

namespace corvane::sim {

comms::ModuleComms::TransportMaker MakePortTransportMaker(PortOptions options,
                                                          std::function<void(SimTransport&)> onSimOpened) {
    return [options = std::move(options),
            onSimOpened = std::move(onSimOpened)](const std::string& port) -> std::unique_ptr<comms::Transport> {
        if (port == comms::kSimulatedPortName) {
            auto sim = std::make_unique<SimTransport>(options.module, options.faults, options.seed);
            if (onSimOpened) onSimOpened(*sim);
            return sim;
        }
        return comms::MakeTransport(port, options.transport);
    };
}

}  // namespace corvane::sim
