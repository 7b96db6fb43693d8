#include "app/MonitorMessageRouter.h"

#include <QMetaObject>

#include "views/CMapsView.h"

namespace corvane {

MonitorMessageRouter::MonitorMessageRouter(std::function<CMapsView*()> target, QObject* parent)
    : QObject(parent), m_target(std::move(target)) {}

void MonitorMessageRouter::Post(MonitorMessage message, int wParam, int lParam) {
    QMetaObject::invokeMethod(
        this,
        [this, message, wParam, lParam] {
            if (CMapsView* view = m_target ? m_target() : nullptr) view->OnMonitorMessage(message, wParam, lParam);
        },
        Qt::QueuedConnection);
}

}  // namespace corvane
