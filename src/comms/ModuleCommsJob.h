// ModuleComms' private job records, shared by the files of its implementation. Not part of the
// comms library's interface.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "comms/ModuleComms.h"

namespace corvane::comms {

struct ModuleComms::Job {
    Op op;
    std::vector<protocol::Frame> frames;
    std::vector<std::uint16_t> expectLength;  // payload length of each positive answer
    std::vector<std::vector<std::uint8_t>> results;
    // The caller's requests are the first `requests` frames; after them come the short reads
    // that confirm repaired answers, each with the index of the request it confirms.
    std::size_t requests = 0;
    std::size_t longestAnswer = 0;  // of the caller's requests
    std::vector<std::size_t> checkOf;
    std::size_t window = 1;
    int attempts = 1;
    Clock::duration fixedTimeout{0};  // when nonzero, replaces the computed attempt timeout
    // Progress, I/O thread only.
    std::size_t nextToSend = 0;
    std::size_t completed = 0;
    Clock::time_point started{};
    // Outcome, handed over under m_mutex.
    bool done = false;
    bool ok = false;
    protocol::Command error = protocol::Command::Identify;  // an error command when the module refused
    bool noAnswer = false;              // failed for want of an answer (link trouble)
};

struct ModuleComms::InFlight {
    std::shared_ptr<Job> job;
    std::size_t index = 0;
    int attempts = 0;   // copies sent
    int timeouts = 0;   // of which were sent after a timeout: each doubles the next wait
    int busy = 0;
    bool resendPending = false;
    Clock::time_point resendAt{};
    Clock::time_point budgetStart{};  // first copy sent (or the module last said "busy")
    Clock::time_point sentEnd{};      // when the last copy will have left the host
    // The earliest copy whose answer may still come, and the last copy, by transmission
    // number. The module answers in order: an answer to a copy sent later than `lastSent` means
    // this request's own answer is lost.
    std::uint64_t firstLive = 0;
    std::uint64_t lastSent = 0;
    std::vector<std::uint64_t> copies;  // transmission numbers of all copies, in order
    // Sent again because its answer was cut short: the rest of that answer still comes, with
    // the next bytes, as a damaged frame, which then says nothing new.
    bool cutShort = false;
    // A damaged answer was repaired; the repair waits for the short read that confirms it, and
    // meanwhile this request neither times out nor counts as overtaken.
    bool awaitingCheck = false;
    std::vector<std::uint8_t> repaired;
    std::size_t checkFrom = 0;  // the confirming read covers repaired[checkFrom, +checkLength)
    std::size_t checkLength = 0;
    std::vector<std::uint8_t> encoded;
};

}  // namespace corvane::comms
