#include "app/CommsBridge.h"

#include <QMetaObject>

#include <chrono>

namespace corvane {

CommsBridge::CommsBridge(QObject* parent) : QObject(parent) {}

// Qt::QueuedConnection with a functor posts one event to this object's (the UI) thread; the
// event queue keeps the library's order.

void CommsBridge::OnLinkStatus(int status) {
    QMetaObject::invokeMethod(this, [this, status] { emit linkStatus(status); }, Qt::QueuedConnection);
}

void CommsBridge::OnModuleConnectionFailure() {
    QMetaObject::invokeMethod(this, [this] { emit moduleConnectionFailure(); }, Qt::QueuedConnection);
}

void CommsBridge::OnMonitorPacket(const std::vector<std::uint8_t>& packet) {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    QMetaObject::invokeMethod(
        this,
        [this, packet, seconds] {
            emit monitorPacket(packet);
            emit monitorPacketTimed(packet, seconds);
        },
        Qt::QueuedConnection);
}

void CommsBridge::OnReplayTerminated() {
    QMetaObject::invokeMethod(this, [this] { emit replayTerminated(); }, Qt::QueuedConnection);
}

}  // namespace corvane
