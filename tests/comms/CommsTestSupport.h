#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "comms/ModuleComms.h"
#include "sim/SimTransport.h"
#include "support/FastCommsOptions.h"

namespace corvane::comms::test {

// Records every event the comms library sends, from whichever thread.
class RecordingEvents : public CommsEvents {
public:
    void OnLinkStatus(int status) override {
        std::lock_guard lock(m_mutex);
        statuses.push_back(status);
        statusTimes.push_back(std::chrono::steady_clock::now());
        m_cv.notify_all();
    }
    void OnModuleConnectionFailure() override {
        std::lock_guard lock(m_mutex);
        ++failures;
        m_cv.notify_all();
    }
    void OnMonitorPacket(const std::vector<std::uint8_t>& packet) override {
        std::lock_guard lock(m_mutex);
        packets.push_back(packet);
        m_cv.notify_all();
    }
    void OnReplayTerminated() override {
        std::lock_guard lock(m_mutex);
        ++replayEnds;
        m_cv.notify_all();
    }

    // Waits until pred() holds (checked under the lock), at most `timeout`.
    bool WaitFor(const std::function<bool()>& pred, std::chrono::milliseconds timeout) {
        std::unique_lock lock(m_mutex);
        return m_cv.wait_for(lock, timeout, pred);
    }
    template <class F>
    auto Locked(F&& f) {
        std::lock_guard lock(m_mutex);
        return f();
    }

    std::vector<int> statuses;
    std::vector<std::chrono::steady_clock::time_point> statusTimes;
    int failures = 0;
    std::vector<std::vector<std::uint8_t>> packets;
    int replayEnds = 0;

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
};

inline CommsOptions FastOptions() { return corvane::test::FastCommsOptions(); }

// A comms library talking to an emulated module in this process.
struct SimRig {
    explicit SimRig(const sim::PeerFaults& faults = {}, CommsOptions options = FastOptions(),
                    sim::EmulatorOptions module = {}, std::uint64_t seed = 1) {
        auto transport = std::make_unique<sim::SimTransport>(module, faults, seed);
        sim = transport.get();
        comms = std::make_unique<ModuleComms>(std::move(transport), options);
        comms->SetEventSink(&events);
    }
    ~SimRig() { comms.reset(); }

    sim::ModulePeer& Peer() { return sim->Peer(); }

    RecordingEvents events;
    sim::SimTransport* sim = nullptr;  // owned by comms
    std::unique_ptr<ModuleComms> comms;
};

}  // namespace corvane::comms::test
