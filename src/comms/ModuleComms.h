#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "comms/LineEstimator.h"
#include "comms/Transport.h"
#include "comms/TransportFactory.h"
#include "comms/api/Comms.h"
#include "protocol/Frame.h"
#include "protocol/FrameDecoder.h"

namespace corvane::comms {

class MonitorLog;
class MonitorReplay;

// Timing rules of the link. The defaults suit a real module on a serial line; tests shorten
// them. Every wait the library does is bounded by one of these.
struct CommsOptions {
    using ms = std::chrono::milliseconds;
    // The longest wait for one answer, on top of the line time of request and answers. Once
    // the module's turnaround has been measured the wait is that turnaround with its spread
    // (see turnaroundMargin), doubled after each timeout of the same request up to this.
    ms answerTimeout{150};
    ms longAnswerTimeout{500};   // the same in communication timeout mode 1 (READ, WRITE, upgrade)
    ms flashTimeout{1000};       // the same for a flash block write
    // Time budget of one request: this many of the longest waits above. Within it a request is
    // sent again as often as it is seen lost; when it runs out the request fails.
    int attempts = 4;
    ms turnaroundMargin{10};     // added to the measured turnaround (plus the adapter latency)
    bool adaptFrameSize = true;  // smaller frames when the measured error rate makes them faster
    // A read answer with one damaged byte is put right from its CRC, and the repair confirmed by
    // reading the few bytes around it again, instead of reading the whole block again.
    bool repairAnswers = true;
    int busyRetries = 100;       // "busy" answers tolerated for one request
    ms busyBackoff{10};          // wait before repeating a request the module was busy for
    ms streamTimeout{1000};      // no monitor packet for this long: monitor stream lost
    ms heartbeatInterval{1000};  // idle link check while linked and not streaming; 0: none
    ms reconnectInterval{250};   // between attempts to reach a lost module again
    int reconnectAttempts = 40;  // then the connection has failed (about 10 s by default)
    ms closeTimeout{2000};       // longest CloseLink waits for the I/O thread
    // The line went quiet in the middle of a frame for this long (plus twice the adapter
    // latency and 20 byte times): a byte of the answer was lost, ask again without waiting
    // for the whole timeout.
    ms gapTimeout{20};
    int pipelineWindow = 8;      // requests on the line at once in a multi-block read
};

// The comms library: one I/O thread owns the transport and does all the talking; the calls of
// the Comms interface come from the UI thread and wait for the I/O thread's answer. Events go
// to the sink from the I/O thread (and from the replay thread).
class ModuleComms : public Comms {
public:
    using TransportMaker = std::function<std::unique_ptr<Transport>(const std::string& port)>;

    // Ports by name, made with MakeTransport (default port "sim").
    explicit ModuleComms(CommsOptions options = {}, TransportOptions transportOptions = {});
    // Ports by name, made by `maker` (tests: a transport to a peer they hold).
    ModuleComms(TransportMaker maker, CommsOptions options = {});
    // One fixed transport (tests, benchmarks); SetPort/SetComPort then only record the name.
    explicit ModuleComms(std::unique_ptr<Transport> transport, CommsOptions options = {});
    ~ModuleComms() override;
    ModuleComms(const ModuleComms&) = delete;
    ModuleComms& operator=(const ModuleComms&) = delete;

    // Comms
    void SetComPort(int n) override;
    [[nodiscard]] bool DetectModule() override;
    [[nodiscard]] int ConnectedModuleId() const override { return m_moduleId.load(); }
    void CloseLink() override;
    [[nodiscard]] bool ReadModuleMemoryBlock(std::uint16_t address, std::uint16_t length) override;
    [[nodiscard]] std::span<const std::uint8_t> GetReceivedData() const override { return m_received; }
    [[nodiscard]] bool WriteModuleMemoryBlock(std::uint16_t address, const std::uint8_t* data,
                                              std::uint16_t length) override;
    [[nodiscard]] bool WriteFlashBlock(std::uint32_t address, const std::uint8_t* data,
                                       std::uint16_t length) override;
    [[nodiscard]] bool ReadWriteCommandFailed() const override { return m_failed.load(); }
    void StartMonitoring(std::uint16_t address, std::uint16_t length) override;
    void StopMonitoring() override;
    [[nodiscard]] bool IsMonitoring() const override { return m_monitorWanted.load(); }
    void SetPacketQueueWriting(bool writing) override;
    [[nodiscard]] bool IsPacketQueueWriting() const override { return m_writing.load(); }
    void SetCommunicationTimeoutMode(int mode) override { m_timeoutMode = mode; }
    // Once this returns the previous sink is called no more (a notification under way is
    // waited for), so a sink may be destroyed right after it is replaced.
    void SetEventSink(CommsEvents* sink) override;

    void SetPort(const std::string& port) override;
    [[nodiscard]] std::string Port() const override;
    [[nodiscard]] int ConnectedFirmwareVersion() const override { return m_firmwareVersion.load(); }
    [[nodiscard]] bool ReadModuleMemoryBlocks(std::span<const MemoryBlock> blocks,
                                              std::vector<std::vector<std::uint8_t>>& out) override;
    void SetMonitorLogging(bool on) override;
    [[nodiscard]] bool MonitorLogging() const override { return m_logging.load(); }
    void SetMonitorLoggingFolder(const std::string& folder) override;
    [[nodiscard]] std::string MonitorLogFile() const override;
    void SetMonitorLogEgoAfr(EgoAfrLookup lookup) override;
    [[nodiscard]] bool StartReplay(const std::string& logFile) override;
    void StopReplay() override;
    bool SeekReplay(double seconds) override;
    [[nodiscard]] bool IsReplaying() const override;
    void SetMonitorDataSpeed(int percent) override;
    [[nodiscard]] int MonitorDataSpeed() const override { return m_dataSpeed.load(); }
    [[nodiscard]] std::string ReplayError() const override;
    [[nodiscard]] ReplayProgressInfo ReplayProgress() const override;
    [[nodiscard]] MonitorStreamCounts MonitorCounts() const override;

    [[nodiscard]] bool IsLinked() const { return m_linked.load(); }

    struct Stats {
        std::uint64_t requestsSent = 0;    // frames sent, repeats included
        std::uint64_t repeats = 0;         // of which repeats
        std::uint64_t earlyRepeats = 0;    // of those, sent at once on a frame seen lost or damaged
        std::uint64_t repairChecks = 0;    // short reads sent to confirm a repaired answer (not repeats)
        std::uint64_t repairedAnswers = 0; // damaged answers put right and confirmed
        std::uint64_t timeouts = 0;
        std::uint64_t badCrcAnswers = 0;   // damaged frames from the module, and its bad-CRC answers
        std::uint64_t busyAnswers = 0;
        std::uint64_t failedCommands = 0;
        std::uint64_t monitorPackets = 0;
        std::uint64_t missedMonitorPackets = 0;  // gaps in the module's packet numbering
        std::uint64_t reconnects = 0;
    };
    [[nodiscard]] Stats GetStats() const;
    // Data bytes per frame that reads and writes are now split into (the line's measured error
    // rate decides; the module's largest block on a clean line).
    [[nodiscard]] int ReadFrameData() const { return m_readChunk.load(); }
    [[nodiscard]] int WriteFrameData() const { return m_writeChunk.load(); }

private:
    enum class Op { Detect, Read, Write, Flash, MonitorStart, MonitorStop, Close, Probe, Heartbeat };
    struct Job;
    struct InFlight;
    using Clock = std::chrono::steady_clock;

    void StartThread();
    [[nodiscard]] bool RunJob(const std::shared_ptr<Job>& job);
    // A block or flash write split into frames of the largest size the module takes.
    [[nodiscard]] bool RunChunkedWrite(Op op, std::uint32_t address, const std::uint8_t* data, std::uint16_t length);
    [[nodiscard]] bool OnOwnThread() const { return std::this_thread::get_id() == m_thread.get_id(); }
    [[nodiscard]] std::shared_ptr<Job> MakeJob(Op op) const;

    // I/O thread.
    void Run();
    void TakeWork(Clock::time_point now);
    void StartJob(const std::shared_ptr<Job>& job, Clock::time_point now);
    void SendMore(Clock::time_point now);
    // What a repeat knows of the copies already sent: nothing (a timeout), that the earliest
    // copy still live is lost (seen damaged, refused as damaged, cut short), or that all are
    // (a later request was answered first).
    enum class Lost { None, Earliest, All };
    void Transmit(InFlight& f, Clock::time_point now, bool repeat, Lost lost = Lost::None);
    void ResendOlder(std::uint64_t transmission, Clock::time_point now);
    [[nodiscard]] bool NoteAnswered(InFlight& f, Clock::time_point now);
    void HandleFrame(const protocol::Frame& frame, Clock::time_point now);
    void HandleDamagedAnswer(const protocol::Frame& header, std::span<const std::uint8_t> bytes, Clock::time_point now);
    [[nodiscard]] bool StartRepairCheck(InFlight& f, std::span<const std::uint8_t> bytes, Clock::time_point now);
    void FinishRepairCheck(InFlight& check, const std::vector<std::uint8_t>& data, Clock::time_point now);
    void HandleMonitorPacket(const protocol::Frame& frame, Clock::time_point now);
    void CheckTimeouts(Clock::time_point now);
    // Requests on the line, not counting those whose repaired answer waits for its check.
    [[nodiscard]] std::size_t OpenRequests() const;
    [[nodiscard]] std::size_t AnswerLengthLimit() const;
    void CompleteFrame(std::uint16_t seq, std::vector<std::uint8_t> data, Clock::time_point now);
    void FailJob(protocol::Command error, bool noAnswer, Clock::time_point now);
    void FinishJob(bool ok, Clock::time_point now);
    void ApplyJobResult(Job& job, Clock::time_point now);
    void Background(Clock::time_point now);
    void LinkLost(bool dataLink, Clock::time_point now);
    void LinkRestored(Clock::time_point now);
    void ConnectionFailed();
    void TransportFailed(Clock::time_point now);
    bool EnsureTransport();
    void CloseTransport();
    [[nodiscard]] Clock::duration AttemptTimeout(const Job& job, std::size_t index) const;
    [[nodiscard]] Clock::time_point Deadline(const InFlight& f) const;
    [[nodiscard]] double WireSeconds(std::size_t bytes) const;
    [[nodiscard]] static LineEstimator::Kind KindOf(protocol::Command request);
    void UpdateFrameSizes();
    [[nodiscard]] Clock::time_point NextDeadline(Clock::time_point now) const;
    [[nodiscard]] Clock::duration GapTimeout() const;
    void Emit(const std::function<void(CommsEvents&)>& f);
    void LogPacket(const std::vector<std::uint8_t>& block, Clock::time_point now);
    void CloseLog();

    const CommsOptions m_options;
    TransportMaker m_maker;
    const bool m_fixedTransport;

    // Shared between the UI thread and the I/O thread.
    mutable std::mutex m_mutex;
    std::condition_variable m_doneCv;
    std::deque<std::shared_ptr<Job>> m_queue;
    std::string m_port = kSimulatedPortName;
    bool m_portChanged = false;
    std::atomic<bool> m_quit{false};
    std::atomic<bool> m_linked{false};
    std::atomic<bool> m_monitorWanted{false};
    std::atomic<bool> m_writing{false};
    std::atomic<bool> m_failed{false};
    std::atomic<int> m_timeoutMode{0};
    std::atomic<int> m_moduleId{0};
    std::atomic<int> m_firmwareVersion{0};
    std::atomic<int> m_maxBlockData{static_cast<int>(protocol::kMaxBlockData)};
    std::atomic<int> m_readChunk{static_cast<int>(protocol::kMaxBlockData)};
    std::atomic<int> m_writeChunk{static_cast<int>(protocol::kMaxBlockData)};
    std::recursive_mutex m_sinkMutex;  // held while a notification runs
    CommsEvents* m_sink = nullptr;
    std::atomic<std::uint16_t> m_monitorAddress{kMonitorBlockAddress};
    std::atomic<std::uint16_t> m_monitorLength{kMonitorBlockLength};
    Stats m_stats;

    // UI thread only.
    std::vector<std::uint8_t> m_received;

    // I/O thread only.
    std::unique_ptr<Transport> m_transport;
    Transport* m_transportView = nullptr;  // for Wake from other threads, under m_mutex
    protocol::FrameDecoder m_decoder;
    std::shared_ptr<Job> m_active;
    std::map<std::uint16_t, InFlight> m_inFlight;
    std::uint16_t m_nextSeq = 0;
    bool m_streamOn = false;           // the module is (believed to be) streaming
    Clock::time_point m_lastPacket{};
    Clock::time_point m_lastTraffic{};
    int m_lastMonitorSeq = -1;
    bool m_reconnecting = false;
    int m_reconnectTries = 0;
    Clock::time_point m_nextProbe{};
    bool m_streamLostReported = false;
    bool m_dataLostReported = false;
    Clock::time_point m_nextUnsolicitedStop{};
    Clock::time_point m_lastByte{};
    bool m_gapHandled = false;
    LineEstimator m_line;
    std::uint64_t m_transmissions = 0;  // numbers every copy sent, in the order they left
    Clock::time_point m_hostLineFree{};  // when the bytes written so far have left the host
    Clock::time_point m_lastAnswer{};    // when the last answer frame (good or damaged) came in

    // Logging and replay.
    mutable std::mutex m_logMutex;
    std::atomic<bool> m_logging{false};
    std::string m_logFolder;
    std::string m_logFile;
    EgoAfrLookup m_logEgoAfr;
    std::unique_ptr<MonitorLog> m_log;
    std::atomic<int> m_dataSpeed{100};
    std::unique_ptr<MonitorReplay> m_replay;
    std::string m_replayError;  // why the last StartReplay refused its file

    std::thread m_thread;
};

}  // namespace corvane::comms
