#pragma once

#include <QObject>

#include <functional>

#include "monitor/MonitorEventSink.h"

namespace corvane {

// Carries the monitor's AutoTune messages to the view the user works in: each becomes a queued
// call, handled after the packet handler that made it, in the order they were posted.
class MonitorMessageRouter : public QObject, public MonitorEventSink {
    Q_OBJECT
public:
    // `deliver` hands a message to the view in front at delivery time (or drops it).
    using Deliver = std::function<void(MonitorMessage message, int wParam, int lParam)>;
    explicit MonitorMessageRouter(Deliver deliver, QObject* parent = nullptr);
    void Post(MonitorMessage message, int wParam, int lParam) override;

private:
    Deliver m_deliver;
};

}  // namespace corvane
