#pragma once

// What the monitor and autotune commands share: a packet queue filled from the comms
// library's I/O thread, and where the EGO sensor table is found.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "cli/ModuleSession.h"
#include "comms/ModuleComms.h"
#include "model/ProgramDataFolder.h"
#include "monitor/CEgoSensorTable.h"
#include "platform/SystemFolders.h"
#include "platform/Utf8Path.h"

namespace corvane::cli {

// The folder of the EGO sensor table and the monitored-items files: --data-dir, else the
// program's own folder when the table lies there (as the build puts it), else the
// installation's share folder when it is there, else ./data.
inline std::filesystem::path DataFolder(const Args& args) {
    if (auto dir = args.Get("data-dir")) return PathFromUtf8(*dir);
    std::error_code error;
    if (const auto program = ProgramFolder(); !program.empty()) {
        const auto found = FindProgramDataFolder(program, CEgoSensorTable::kFileName);
        if (std::filesystem::exists(found / CEgoSensorTable::kFileName, error)) return found;
    }
    return std::filesystem::current_path(error) / "data";
}

// Monitor packets as the comms library's I/O thread delivers them, handed to the command's
// thread in order.
class PacketQueue : public CommsEvents {
public:
    void OnMonitorPacket(const std::vector<std::uint8_t>& packet) override {
        {
            std::lock_guard lock(m_mutex);
            m_packets.push_back(packet);
        }
        m_ready.notify_one();
    }
    void OnModuleConnectionFailure() override {
        {
            std::lock_guard lock(m_mutex);
            m_failed = true;
        }
        m_ready.notify_one();
    }
    // The next packet, or nullopt after `timeout` or a connection failure.
    std::optional<std::vector<std::uint8_t>> Next(std::chrono::milliseconds timeout) {
        std::unique_lock lock(m_mutex);
        if (!m_ready.wait_for(lock, timeout, [this] { return !m_packets.empty() || m_failed; })) return std::nullopt;
        if (m_packets.empty()) return std::nullopt;
        auto packet = std::move(m_packets.front());
        m_packets.pop_front();
        return packet;
    }
    void Clear() {
        std::lock_guard lock(m_mutex);
        m_packets.clear();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<std::vector<std::uint8_t>> m_packets;
    bool m_failed = false;
};

}  // namespace corvane::cli
