#include "sim/peer/PtyPeerHost.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <vector>

#include "sim/peer/PeerRunner.h"

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>
#define CORVANE_HAVE_PTY 1
#endif

namespace corvane::sim {

PtyPeerHost::PtyPeerHost(ModulePeer& peer) : m_peer(peer) {}

PtyPeerHost::~PtyPeerHost() {
    Stop();
#ifdef CORVANE_HAVE_PTY
    if (m_slaveKeeper >= 0) ::close(m_slaveKeeper);
    if (m_master >= 0) ::close(m_master);
#endif
}

bool PtyPeerHost::Open(std::string* error) {
#ifdef CORVANE_HAVE_PTY
    auto fail = [&](const char* what) {
        if (error) *error = std::string(what) + ": " + std::strerror(errno);
        return false;
    };
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0) return fail("posix_openpt");
    if (::grantpt(m_master) != 0) return fail("grantpt");
    if (::unlockpt(m_master) != 0) return fail("unlockpt");
    const char* name = ::ptsname(m_master);
    if (!name) return fail("ptsname");
    m_devicePath = name;
    m_slaveKeeper = ::open(name, O_RDWR | O_NOCTTY);
    if (m_slaveKeeper < 0) return fail("open terminal");
    // Raw line: no echo, no line editing, no character translation, in either direction.
    termios tio{};
    if (::tcgetattr(m_slaveKeeper, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(m_slaveKeeper, TCSANOW, &tio);
    }
    if (::tcgetattr(m_master, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(m_master, TCSANOW, &tio);
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    return true;
#else
    if (error) *error = "pseudo-terminals are not available on this system";
    return false;
#endif
}

void PtyPeerHost::Start() {
    if (m_master < 0 || m_running.exchange(true)) return;
    m_thread = std::thread([this] { Run(); });
}

void PtyPeerHost::Stop() {
    m_running = false;
    if (m_thread.joinable()) m_thread.join();
}

void PtyPeerHost::Run() {
#ifdef CORVANE_HAVE_PTY
    std::vector<std::uint8_t> pending;  // bytes for the host the terminal did not take yet
    std::vector<std::uint8_t> buffer(4096);
    while (m_running) {
        const double now = PeerRunner::Now();
        for (;;) {
            const ssize_t n = ::read(m_master, buffer.data(), buffer.size());
            if (n <= 0) break;
            m_peer.Receive(std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(n)), now);
        }
        m_peer.Service(now);
        m_peer.TakeOutput(pending, now);
        while (!pending.empty()) {
            const ssize_t n = ::write(m_master, pending.data(), pending.size());
            if (n <= 0) break;
            pending.erase(pending.begin(), pending.begin() + n);
        }
        const double next = m_peer.NextEventTime(now);
        double wait = std::isfinite(next) ? next - PeerRunner::Now() : 0.02;
        wait = std::clamp(wait, 0.0005, 0.02);
        pollfd p{m_master, static_cast<short>(POLLIN | (pending.empty() ? 0 : POLLOUT)), 0};
        const int ms = std::max(1, static_cast<int>(wait * 1000.0));
        ::poll(&p, 1, ms);
    }
#endif
}

}  // namespace corvane::sim
