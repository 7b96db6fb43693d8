#include "app/MonitorMessageRouter.h"

#include <QMetaObject>

namespace corvane {

MonitorMessageRouter::MonitorMessageRouter(Deliver deliver, QObject* parent)
    : QObject(parent), m_deliver(std::move(deliver)) {}

void MonitorMessageRouter::Post(MonitorMessage message, int wParam, int lParam) {
    QMetaObject::invokeMethod(
        this,
        [this, message, wParam, lParam] {
            if (m_deliver) m_deliver(message, wParam, lParam);
        },
        Qt::QueuedConnection);
}

}  // namespace corvane
