#pragma once

namespace corvane {

// The messages the monitor posts to the map view that was activated last. The application
// posts them queued (handled after the packet handler returns, in posting order); tests
// record them.
enum class MonitorMessage {
    AutoTuneUpdate,             // wParam site index, lParam front correction in 1/10000
    AutoTuneReverseTrimUpdate,  // wParam site index, lParam rear - front correction in 1/10000
    MonitorBarCurrentTps,       // wParam current site index, lParam 0
};

// The registered name of each message.
[[nodiscard]] constexpr const char* MessageName(MonitorMessage message) {
    switch (message) {
        case MonitorMessage::AutoTuneUpdate: return "AutoTuneUpdate";
        case MonitorMessage::AutoTuneReverseTrimUpdate: return "AutoTuneReverseTrimUpdate";
        case MonitorMessage::MonitorBarCurrentTps: return "MonitorBar Current TPS";
    }
    return "";
}

class MonitorEventSink {
public:
    virtual ~MonitorEventSink() = default;
    virtual void Post(MonitorMessage message, int wParam, int lParam) = 0;
};

}  // namespace corvane
