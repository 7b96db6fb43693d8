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
    void replayTerminated();
};

}  // namespace corvane
