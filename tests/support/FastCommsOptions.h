#pragma once

#include <chrono>

#include "comms/ModuleComms.h"

namespace corvane::test {

// Short timings for tests against the emulator, so the suite stays fast; the rules are the
// same as with the defaults.
inline comms::CommsOptions FastCommsOptions() {
    comms::CommsOptions o;
    o.answerTimeout = std::chrono::milliseconds(25);
    o.longAnswerTimeout = std::chrono::milliseconds(40);
    o.flashTimeout = std::chrono::milliseconds(60);
    o.busyBackoff = std::chrono::milliseconds(2);
    o.streamTimeout = std::chrono::milliseconds(300);
    o.heartbeatInterval = std::chrono::milliseconds(150);
    o.reconnectInterval = std::chrono::milliseconds(50);
    o.reconnectAttempts = 10;
    o.closeTimeout = std::chrono::milliseconds(500);
    return o;
}

}  // namespace corvane::test
