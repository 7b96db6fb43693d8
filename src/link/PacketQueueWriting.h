#pragma once

#include "comms/api/Comms.h"

namespace corvane {

// Holds the packet queue's write mark for a scope, so that monitor traffic stays out of the
// block writes made inside it; the mark is cleared on every way out.
class PacketQueueWriting {
public:
    explicit PacketQueueWriting(Comms& comms) : m_comms(comms) { m_comms.SetPacketQueueWriting(true); }
    ~PacketQueueWriting() { m_comms.SetPacketQueueWriting(false); }
    PacketQueueWriting(const PacketQueueWriting&) = delete;
    PacketQueueWriting& operator=(const PacketQueueWriting&) = delete;

private:
    Comms& m_comms;
};

}  // namespace corvane
