#pragma once

#include <QObject>

#include <cstdint>
#include <vector>

#include "comms/api/Comms.h"

namespace corvane {

// Moves what the comms library reports from its I/O and replay threads onto the UI thread:
// each notification becomes a queued call, delivered after the handler that is running, in
// the order the library made them. The signals are emitted on the UI thread only.
class CommsBridge : public QObject, public CommsEvents {
    Q_OBJECT
public:
    explicit CommsBridge(QObject* parent = nullptr);

    // CommsEvents (any thread).
    void OnLinkStatus(int status) override;
    void OnModuleConnectionFailure() override;
    void OnMonitorPacket(const std::vector<std::uint8_t>& packet) override;
    void OnReplayTerminated() override;

signals:
    void linkStatus(int status);
    void moduleConnectionFailure();
    void monitorPacket(const std::vector<std::uint8_t>& packet);
    // The same packet with the time it came from the line (seconds on a steady clock, taken on
    // the comms library's thread, as the monitor log stamps it): what pairs a sensor reading
    // with the engine's state of one delay earlier needs the line's time, not the window's.
    void monitorPacketTimed(const std::vector<std::uint8_t>& packet, double seconds);
    void replayTerminated();
};

}  // namespace corvane
