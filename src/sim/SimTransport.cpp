#include "comms/SimTransport.h"

namespace corvane::comms {

SimTransport::SimTransport(const sim::EmulatorOptions& module, const sim::PeerFaults& faults, std::uint64_t seed)
    : m_emulator(std::make_unique<sim::ModuleEmulator>(module)),
      m_peer(std::make_unique<sim::ModulePeer>(*m_emulator, seed)),
      m_host(m_pipe, "sim") {
    m_peer->SetFaults(faults);
    m_runner = std::make_unique<sim::PeerRunner>(*m_peer, m_pipe.ModuleEnd());
    m_runner->Start();
}

SimTransport::~SimTransport() { m_runner->Stop(); }

}  // namespace corvane::comms
