#include "app/SimModuleAccess.h"

#include <utility>

#include "sim/SimPort.h"

namespace corvane {

namespace {

// Hands the comms library a transport it shares with the SimModuleAccess: whichever lets go
// last ends it, so a power switch pressed on the UI thread never meets a destroyed module.
class SharedTransport : public comms::Transport {
public:
    explicit SharedTransport(std::shared_ptr<comms::Transport> inner) : m_inner(std::move(inner)) {}
    bool Open() override { return m_inner->Open(); }
    void Close() override { m_inner->Close(); }
    [[nodiscard]] bool IsOpen() const override { return m_inner->IsOpen(); }
    bool Write(std::span<const std::uint8_t> bytes) override { return m_inner->Write(bytes); }
    int Read(std::vector<std::uint8_t>& out, std::chrono::microseconds timeout) override {
        return m_inner->Read(out, timeout);
    }
    void Wake() override { m_inner->Wake(); }
    [[nodiscard]] bool Wakeable() const override { return m_inner->Wakeable(); }
    [[nodiscard]] int Baud() const override { return m_inner->Baud(); }
    [[nodiscard]] double Latency() const override { return m_inner->Latency(); }
    [[nodiscard]] std::string Name() const override { return m_inner->Name(); }

private:
    std::shared_ptr<comms::Transport> m_inner;
};

}  // namespace

comms::ModuleComms::TransportMaker SimModuleAccess::PortMaker(std::uint32_t productCode,
                                                             std::function<void(sim::SimTransport&)> onSimOpened,
                                                             const comms::TransportOptions& options,
                                                             const sim::EmulatorOptions& engine) {
    sim::PortOptions ports;
    ports.transport = options;
    ports.module = engine;
    ports.module.productCode = productCode;
    return sim::MakePortTransportMaker(ports, std::move(onSimOpened));
}

comms::ModuleComms::TransportMaker SimModuleAccess::Track(std::shared_ptr<SimModuleAccess> sim,
                                                          comms::ModuleComms::TransportMaker makePort) {
    return [sim = std::move(sim), makePort = std::move(makePort)](const std::string& port)
               -> std::unique_ptr<comms::Transport> {
        std::unique_ptr<comms::Transport> made = makePort(port);
        auto* module = dynamic_cast<SimModuleTransport*>(made.get());
        if (module == nullptr) return made;
        (void)made.release();
        auto shared = std::shared_ptr<SimModuleTransport>(module);
        sim->Follow(shared);
        return std::make_unique<SharedTransport>(std::move(shared));
    };
}

void SimModuleAccess::Follow(std::shared_ptr<SimModuleTransport> transport) {
    std::lock_guard lock(m_mutex);
    m_current = transport;
}

bool SimModuleAccess::WithPeer(const std::function<void(sim::ModulePeer&)>& f) const {
    std::shared_ptr<SimModuleTransport> module;
    {
        std::lock_guard lock(m_mutex);
        module = m_current.lock();
    }
    if (!module) return false;
    f(module->Peer());
    return true;
}

bool SimModuleAccess::Present() const {
    std::lock_guard lock(m_mutex);
    return !m_current.expired();
}

bool SimModuleAccess::PowerOff() {
    return WithPeer([](sim::ModulePeer& peer) { peer.PowerOff(); });
}

bool SimModuleAccess::PowerOn() {
    return WithPeer([](sim::ModulePeer& peer) { peer.PowerOn(); });
}

}  // namespace corvane
