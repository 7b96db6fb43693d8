#pragma once
// Before changing anything in this tree, read DEVELOPERS.md at the top of the repository
// (house rules: what may be committed, how to build in your own folder, how to commit).

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace corvane {

// Module identity reported while the module boots into its firmware upgrade loader.
inline constexpr int kUpgradeModeModuleId = 175;

// Monitor block: the live values the module streams.
inline constexpr std::uint16_t kMonitorBlockAddress = 0x1400;
inline constexpr std::uint16_t kMonitorBlockLength = 72;

// Link status codes delivered through CommsEvents::OnLinkStatus.
enum LinkStatus : int {
    kMonitorStreamLost = 0,
    kMonitorStreamRestored = 1,
    kDataLinkLost = 2,
    kDataLinkRestored = 3,
};

// What the comms library tells the application. Implementations call these from their own
// thread; the application re-posts them onto its UI thread, in order.
class CommsEvents {
public:
    virtual ~CommsEvents() = default;
    virtual void OnLinkStatus(int status) {}
    virtual void OnModuleConnectionFailure() {}
    // One decoded monitor block (live stream or replay).
    virtual void OnMonitorPacket(const std::vector<std::uint8_t>& packet) {}
    virtual void OnReplayTerminated() {}
};

// The comms library as the core sees it. Every call is made from the UI thread; the
// synchronous calls block until the module answered, or until a bounded timeout and a bounded
// number of retries ran out, in which case they return failure and signal the failure event
// (ReadWriteCommandFailed) until the next successful command.
class Comms {
public:
    virtual ~Comms() = default;

    // Link.
    virtual void SetComPort(int n) = 0;  // 1..12
    [[nodiscard]] virtual bool DetectModule() = 0;
    [[nodiscard]] virtual int ConnectedModuleId() const = 0;
    // Unlink: suspends the command thread (bounded wait), closes the port, releases it.
    virtual void CloseLink() = 0;

    // Memory. After a successful read GetReceivedData holds exactly `length` bytes.
    [[nodiscard]] virtual bool ReadModuleMemoryBlock(std::uint16_t address, std::uint16_t length) = 0;
    [[nodiscard]] virtual std::span<const std::uint8_t> GetReceivedData() const = 0;
    [[nodiscard]] virtual bool WriteModuleMemoryBlock(std::uint16_t address, const std::uint8_t* data,
                                                      std::uint16_t length) = 0;
    [[nodiscard]] virtual bool WriteFlashBlock(std::uint32_t address, const std::uint8_t* data,
                                               std::uint16_t length) = 0;
    // The failure event, polled without waiting before single value writes.
    [[nodiscard]] virtual bool ReadWriteCommandFailed() const = 0;

    // Monitor stream.
    virtual void StartMonitoring(std::uint16_t address, std::uint16_t length) = 0;
    virtual void StopMonitoring() = 0;
    [[nodiscard]] virtual bool IsMonitoring() const = 0;

    // Packet queue write flag: while set, monitor traffic is held back so that block writes
    // go out undisturbed.
    virtual void SetPacketQueueWriting(bool writing) = 0;
    [[nodiscard]] virtual bool IsPacketQueueWriting() const = 0;

    // 1 during READ, WRITE and the firmware upgrade (longer timeouts), else 0.
    virtual void SetCommunicationTimeoutMode(int mode) = 0;

    // Where notifications go (nullptr: nowhere).
    virtual void SetEventSink(CommsEvents* sink) = 0;
};

}  // namespace corvane
