// ModuleComms: the monitor log and the replay, which run beside the I/O thread's work.
#include "comms/ModuleComms.h"
#include "comms/MonitorLog.h"
#include "comms/MonitorReplay.h"

namespace corvane::comms {

void ModuleComms::SetMonitorLogging(bool on) {
    m_logging = on;
    if (!on) CloseLog();
}

void ModuleComms::SetMonitorLoggingFolder(const std::string& folder) {
    std::lock_guard lock(m_logMutex);
    m_logFolder = folder;
}

std::string ModuleComms::MonitorLogFile() const {
    std::lock_guard lock(m_logMutex);
    return m_logFile;
}

void ModuleComms::SetMonitorLogEgoAfr(EgoAfrLookup lookup) {
    std::lock_guard lock(m_logMutex);
    m_logEgoAfr = std::move(lookup);
}

void ModuleComms::LogPacket(const std::vector<std::uint8_t>& block, Clock::time_point now) {
    if (!m_logging) return;
    std::lock_guard lock(m_logMutex);
    if (!m_log) {
        m_log = MonitorLog::Create(m_logFolder, MonitorColumns(m_logEgoAfr));
        if (!m_log) return;  // folder not writable: no log, the stream goes on
        m_logFile = m_log->Path();
    }
    m_log->Append(now, block);
}

void ModuleComms::CloseLog() {
    std::lock_guard lock(m_logMutex);
    m_log.reset();
}

bool ModuleComms::StartReplay(const std::string& logFile) {
    StopReplay();
    auto replay = std::make_unique<MonitorReplay>(
        [this](const std::vector<std::uint8_t>& block) { Emit([&](CommsEvents& e) { e.OnMonitorPacket(block); }); },
        [this] { Emit([](CommsEvents& e) { e.OnReplayTerminated(); }); }, [this] { return m_dataSpeed.load(); });
    std::string error;
    if (!replay->Start(logFile, &error)) {
        {
            std::lock_guard lock(m_logMutex);
            m_replayError = error.empty() ? "not a monitor log" : error;
        }
        // Nothing to play: the replay is over before it began, and says so like any other.
        Emit([](CommsEvents& e) { e.OnReplayTerminated(); });
        return false;
    }
    std::lock_guard lock(m_logMutex);
    m_replayError.clear();
    m_replay = std::move(replay);
    return true;
}

std::string ModuleComms::ReplayError() const {
    std::lock_guard lock(m_logMutex);
    return m_replayError;
}

Comms::ReplayProgressInfo ModuleComms::ReplayProgress() const {
    std::lock_guard lock(m_logMutex);
    if (!m_replay) return {};
    return {m_replay->Played(), m_replay->Total(), m_replay->PositionSeconds()};
}

bool ModuleComms::SeekReplay(double seconds) {
    std::lock_guard lock(m_logMutex);
    return m_replay && m_replay->Seek(seconds);
}

void ModuleComms::StopReplay() {
    std::unique_ptr<MonitorReplay> replay;
    {
        std::lock_guard lock(m_logMutex);
        replay = std::move(m_replay);
    }
    if (replay) replay->Stop();
}

bool ModuleComms::IsReplaying() const {
    std::lock_guard lock(m_logMutex);
    return m_replay && m_replay->Running();
}

void ModuleComms::SetMonitorDataSpeed(int percent) { m_dataSpeed = std::clamp(percent, 0, 10000); }

}  // namespace corvane::comms
