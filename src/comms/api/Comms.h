#pragma once

#include <cstddef>
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

// The air/fuel ratio the monitor shows for a raw exhaust-oxygen reading (through the EGO
// sensor table). Called from the comms library's own thread: it must hold what it needs.
using EgoAfrLookup = std::function<double(std::int64_t raw)>;

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

    // --- Additions with defaults, so that fakes need not implement them. ---------------------

    // Port by name: "sim" (the simulated module), "Com n", or a serial device path. Takes effect
    // at the next DetectModule; SetComPort(n) is SetPort("Com n").
    virtual void SetPort(const std::string& port) {}
    [[nodiscard]] virtual std::string Port() const { return {}; }
    // Firmware version the module reported when it was detected (0 when unknown).
    [[nodiscard]] virtual int ConnectedFirmwareVersion() const { return 0; }

    // Several blocks in one go, with the requests pipelined on the line: much faster than one
    // ReadModuleMemoryBlock after the other. On success `out` holds one vector per block, with
    // exactly that block's length; on failure it is left empty and the failure event is set.
    struct MemoryBlock {
        std::uint16_t address = 0;
        std::uint16_t length = 0;
    };
    [[nodiscard]] virtual bool ReadModuleMemoryBlocks(std::span<const MemoryBlock> blocks,
                                                      std::vector<std::vector<std::uint8_t>>& out) {
        out.clear();
        for (const MemoryBlock& b : blocks) {
            if (!ReadModuleMemoryBlock(b.address, b.length)) {
                out.clear();
                return false;
            }
            auto data = GetReceivedData();
            out.emplace_back(data.begin(), data.end());
        }
        return true;
    }

    // Monitor logging: while on, every monitor packet is appended to a CSV log file in the
    // logging folder (a new file each time the stream starts).
    virtual void SetMonitorLogging(bool on) {}
    [[nodiscard]] virtual bool MonitorLogging() const { return false; }
    virtual void SetMonitorLoggingFolder(const std::string& folder) {}
    // The log file being written, or the last one written (empty when none).
    [[nodiscard]] virtual std::string MonitorLogFile() const { return {}; }
    // With the EGO sensor table loaded, the log writes the two exhaust-oxygen channels as the
    // AFR the monitor shows and as sensor volts; without (an empty lookup) as volts only.
    // Applies from the next log file on, so that a file's headings fit all its rows.
    virtual void SetMonitorLogEgoAfr(EgoAfrLookup lookup) {}

    // Replay of a monitor log: its packets come back through OnMonitorPacket at the recorded
    // pace scaled by the data speed (percent: 100 as recorded, 200 twice as fast); the end of
    // the replay, played out or stopped, is announced with OnReplayTerminated.
    [[nodiscard]] virtual bool StartReplay(const std::string& logFile) { return false; }
    virtual void StopReplay() {}
    [[nodiscard]] virtual bool IsReplaying() const { return false; }
    virtual void SetMonitorDataSpeed(int percent) {}
    [[nodiscard]] virtual int MonitorDataSpeed() const { return 100; }
    // Why the last StartReplay refused its file (empty after a start that worked).
    [[nodiscard]] virtual std::string ReplayError() const { return {}; }
    // Moves the running replay to `seconds` of its log (the log's own time column): the row in
    // force then plays at once and the replay goes on from there. False when none is running.
    virtual bool SeekReplay(double seconds) { return false; }
    // Packets of the running (or last) replay played so far, and in all; where its clock stands
    // in the log's seconds.
    struct ReplayProgressInfo {
        std::size_t played = 0;
        std::size_t total = 0;
        double seconds = 0.0;
    };
    [[nodiscard]] virtual ReplayProgressInfo ReplayProgress() const { return {}; }

    // Monitor packets received from the module since the library started, and those the
    // module sent that never arrived (gaps in its packet numbering): the figures a tuner
    // judges a link by. Replayed packets are not counted.
    struct MonitorStreamCounts {
        std::uint64_t received = 0;
        std::uint64_t lost = 0;
    };
    [[nodiscard]] virtual MonitorStreamCounts MonitorCounts() const { return {}; }
};

}  // namespace corvane
