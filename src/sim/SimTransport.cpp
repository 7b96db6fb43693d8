#include "sim/SimTransport.h"

namespace corvane::sim {

SimTransport::SimTransport(const EmulatorOptions& module, const PeerFaults& faults, std::uint64_t seed)
    : m_emulator(std::make_unique<ModuleEmulator>(module)),
      m_peer(std::make_unique<ModulePeer>(*m_emulator, seed)),
      m_host(m_pipe, comms::kSimulatedPortName) {
    m_peer->SetFaults(faults);
    m_runner = std::make_unique<PeerRunner>(*m_peer, m_pipe.ModuleEnd());
    m_runner->Start();
}

SimTransport::~SimTransport() { m_runner->Stop(); }

}  // namespace corvane::sim
