#pragma once

#include <QObject>

#include <functional>

#include "monitor/MonitorEventSink.h"

namespace corvane {

class CMapsView;

// Carries the monitor's AutoTune messages to the maps view the user works in: each becomes a
// queued call, handled after the packet handler that made it, in the order they were posted.
class MonitorMessageRouter : public QObject, public MonitorEventSink {
    Q_OBJECT
public:
    // `target` names the receiving view at delivery time (null: the message is dropped).
    explicit MonitorMessageRouter(std::function<CMapsView*()> target, QObject* parent = nullptr);
    void Post(MonitorMessage message, int wParam, int lParam) override;

private:
    std::function<CMapsView*()> m_target;
};

}  // namespace corvane
