#include "model/ProgramDataFolder.h"
#include "platform/SystemFolders.h"
#include "platform/Utf8Path.h"
#include "monitor/CEgoSensorTable.h"
#include "app/CCorvaneApp.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <QStandardPaths>

#include "app/CChildFrame.h"
#include "app/CHelpWindow.h"
#include "app/CChildFrmMaps.h"
#include "app/CMainFrame.h"
#include "app/CommandTable.h"
#include "app/CommsBridge.h"
#include "app/RideAutoTuneController.h"
#include "app/SimModuleAccess.h"
#include "comms/ModuleComms.h"
#include "documents/CCorvaneMapsDoc.h"
#include "documents/ProductFamily.h"
#include "link/CLinkController.h"
#include "documents/AtomicFile.h"
#include "link/CModuleBackup.h"
#include "link/CModuleTransfer.h"
#include "link/MapsDocumentLink.h"
#include "link/ModuleBackups.h"
#include "model/Prompter.h"
#include "model/SettingsStore.h"
#include "model/TargetAfrSetting.h"
#include "sim/SimPort.h"
#include "app/MonitorMessageRouter.h"
#include "views/CTableView.h"
#include "maps/CModuleMap.h"
#include "model/CBasicSettingsModuleValue.h"
#include "monitor/CCorvaneMonitorDoc.h"
#include "monitor/MonitoredModuleValue.h"
#include "monitor/CMonitorModel.h"
#include "views/CCorvaneMonitorView.h"
#include "views/CMapsView.h"

namespace corvane {

namespace {

constexpr const char* kBackupSettingsSection = "Settings";
constexpr const char* kBackUpBeforeWriteEntry = "BackUpBeforeWrite";
constexpr const char* kVerifyAfterWriteEntry = "VerifyAfterWrite";

}  // namespace

namespace {

std::unique_ptr<Comms> MakeDefaultComms(std::uint32_t productCode, std::shared_ptr<SimModuleAccess> access,
                                        const AppOptions& options) {
    // Serial ports by name, and "sim": the built-in simulated module of the running family,
    // riding the scenario the command line gave.
    auto onSimOpened = [scenario = options.simScenario](sim::SimTransport& module) {
        if (scenario)
            (void)module.Peer().WithEmulator([&](sim::ModuleEmulator& m) { return m.StartScenario(*scenario); });
    };
    return std::make_unique<comms::ModuleComms>(
        SimModuleAccess::Track(std::move(access),
                               SimModuleAccess::PortMaker(productCode, onSimOpened, {}, options.simEngine)),
        comms::CommsOptions{});
}

bool SamePath(const QString& a, const QString& b) {
    // Paths are compared without regard to case, as the file system of the module's tools is.
    return QFileInfo(a).absoluteFilePath().compare(QFileInfo(b).absoluteFilePath(), Qt::CaseInsensitive) == 0;
}

}  // namespace

CCorvaneApp::CCorvaneApp(SettingsStore& settings, Prompter& prompter, std::unique_ptr<Comms> comms,
                         std::shared_ptr<SimModuleAccess> sim)
    : m_settings(settings),
      m_prompter(prompter),
      m_sim(sim ? std::move(sim) : std::make_shared<SimModuleAccess>()),
      m_comms(std::move(comms)) {}

CCorvaneApp::~CCorvaneApp() {
    // Documents and views first (they hold the link), then the link, then the comms library,
    // which must stop calling the bridge before the bridge goes.
    m_frame.reset();
    m_router.reset();
    m_transfer.reset();
    m_backup.reset();
    m_backupFiles.reset();
    m_link.reset();
    if (m_comms) m_comms->SetEventSink(nullptr);
    m_comms.reset();
}

QString CCorvaneApp::ModuleTypeDescription() const {
    switch (FamilyOfProductCode(m_state.productCode)) {
        case ProductFamily::kA: return "Fuel Injection Module";
        case ProductFamily::kB: return "Ignition Module with Warranty Record";
        case ProductFamily::kC: return "Ignition Module";
        default: return QString("Product %1").arg(m_state.productCode);
    }
}

bool CCorvaneApp::InitInstance(const AppOptions& options) {
    if (options.productCode) m_state.productCode = *options.productCode;
    if (!m_comms) m_comms = MakeDefaultComms(m_state.productCode, m_sim, options);
    m_bridge = std::make_unique<CommsBridge>();
    m_comms->SetEventSink(m_bridge.get());
    m_link = std::make_unique<CLinkController>(*m_comms, m_state, m_prompter, m_settings);
#ifdef _WIN32
    // %LOCALAPPDATA%\Corvane, the folder corvane-cli keeps its backups in too.
    const QString systemUserData = QString::fromStdString(Utf8FromPath(UserDataFolder()));
#else
    const QString systemUserData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
#endif
    m_userData = options.userDataFolder.isEmpty() ? systemUserData : options.userDataFolder;
    // The EGO sensor table and the items definitions: beside the program in a build tree, in
    // the installation's share folder otherwise. (Qt's strings are UTF-8 as std::string.)
    m_programFolder = options.programFolder.isEmpty()
                          ? QString::fromStdString(Utf8FromPath(FindProgramDataFolder(
                                PathFromUtf8(QCoreApplication::applicationDirPath().toStdString()), CEgoSensorTable::kFileName)))
                          : options.programFolder;
    // Logs go where the user can write, never beside the program.
    const QString logs = QDir(m_userData).filePath("logs");
    QDir().mkpath(logs);
    m_comms->SetMonitorLoggingFolder(logs.toStdString());
    m_transfer = std::make_unique<CModuleTransfer>(*m_link);
    m_backupFiles = std::make_unique<ModuleBackups>(QDir(m_userData).filePath(ModuleBackups::kFolderName).toStdString());
    m_backup = std::make_unique<CModuleBackup>(*m_link, *m_backupFiles);
    m_transfer->SetBackup(m_backup.get());
    m_backUpBeforeWrite = m_settings.GetInt(kBackupSettingsSection, kBackUpBeforeWriteEntry).value_or(1) != 0;
    m_verifyAfterWrite = m_settings.GetInt(kBackupSettingsSection, kVerifyAfterWriteEntry).value_or(1) != 0;
    m_transfer->SetBackupBeforeWrite(m_backUpBeforeWrite);
    m_transfer->SetVerifyAfterWrite(m_verifyAfterWrite);
    LoadRecentFiles();

    m_state.targetAfr = ReadTargetAfr(m_settings);
    m_rideAutoTune = std::make_unique<RideAutoTuneController>(*this);
    m_frame = std::make_unique<CMainFrame>(*this);
    m_link->RestorePort();
    if (options.port) m_link->SelectPortByName(*options.port, false);

    connect(m_bridge.get(), &CommsBridge::linkStatus, this, [this](int status) {
        m_link->OnLinkStatus(status);
        m_frame->RefreshLinkUi();
    });
    connect(m_bridge.get(), &CommsBridge::monitorPacket, this, &CCorvaneApp::OnMonitorBlock);
    connect(m_bridge.get(), &CommsBridge::monitorPacketTimed, m_rideAutoTune.get(), &RideAutoTuneController::OnMonitorPacket);
    connect(m_bridge.get(), &CommsBridge::replayTerminated, this, [this] { m_frame->OnReplayTerminated(); });
    m_router = std::make_unique<MonitorMessageRouter>([this](MonitorMessage message, int wParam, int lParam) {
        if (!m_frame) return;
        if (CTableView* table = m_frame->ActiveTableView())
            table->OnMonitorMessage(message, wParam, lParam);
        else if (CMapsView* view = m_frame->ActiveMapsView())
            view->OnMonitorMessage(message, wParam, lParam);
    });
    connect(m_frame.get(), &CMainFrame::toggleMonitorGauges, this, [this] {
        if (m_monitor && m_monitor->View()) m_monitor->View()->ToggleGauges();
    });
    connect(m_frame.get(), &CMainFrame::destroyMonitorGauges, this, [this] {
        if (m_monitor && m_monitor->View()) m_monitor->View()->ResetGauges();
    });
    connect(m_bridge.get(), &CommsBridge::moduleConnectionFailure, this, [this] {
        m_link->OnModuleConnectionFailure();
        m_frame->RefreshLinkUi();
    });
    m_link->RegisterLinkListener(m_frame.get(), [this](bool) { m_frame->RefreshLinkUi(); });

    // The main window shows first, so that document windows are placed in its real client area.
    m_frame->RestorePlacement();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    // The file named on the command line wins over the last one; a file that cannot be opened
    // leaves a new document rather than no window at all.
    CChildFrmMaps* opened = nullptr;
    if (!options.file.isEmpty()) {
        opened = OpenDocumentFile(options.file);
    } else if (options.reopenLastFile && !m_recent.isEmpty()) {
        const QString last = m_recent.first();
        // Read before the file opens: showing its first map records that one as the last.
        const std::string lastMap = m_settings.GetText(kSettingsSection, kLastMapEntry).value_or("");
        if (QFileInfo::exists(last))
            opened = OpenDocumentFile(last);
        else
            RemoveRecentFile(last);  // gone since the last run: dropped without a word
        // Back where the tuner was: the last map viewed, if this product has it.
        if (const int index = opened ? opened->Document().FindMap(lastMap) : -1; index >= 0)
            opened->ShowView(CChildFrmMaps::ViewKind::kMaps, index);
    }
    if (!opened) FileNew();
    m_frame->ReloadMenu();
    m_frame->RunCommand(cmd::kAutoTuneTracking);
    return true;
}

QString CCorvaneApp::GuideFile() const {
    // The guide travels with the program's data: in the data folder found at start, else where
    // the program's data is looked for.
    const QString withData = QDir(m_programFolder).filePath(CHelpWindow::kGuideFile);
    if (QFileInfo::exists(withData)) return withData;
    const QString programs = QCoreApplication::applicationDirPath();
    const auto folder = FindProgramDataFolder(programs.toStdString(), CHelpWindow::kGuideFile);
    return QString::fromStdString((folder / CHelpWindow::kGuideFile).string());
}

// --- Documents -----------------------------------------------------------------------------------

CChildFrame* CCorvaneApp::EnsureMonitorDocument() {
    if (m_monitor) return m_monitor;
    m_monitor = new CChildFrame();
    connect(m_monitor, &QObject::destroyed, this, [this] { m_monitor = nullptr; });
    MonitorFolders folders;
    folders.userFolder = PathFromUtf8(m_userData.toStdString());
    folders.programFolder = PathFromUtf8(m_programFolder.toStdString());
    folders.configurationNumber = 1;  // one per installation
    auto* view = new CCorvaneMonitorView(m_monitor->Document(), m_state, m_router.get(), m_prompter, folders, [this] {
        QWidget* client = m_frame->MdiArea()->viewport();
        return QRect(client->mapToGlobal(QPoint(0, 0)), client->size());
    });
    m_monitor->SetView(view);
    m_frame->AddChildFrame(m_monitor);
    view->FirstShow();
    // Logs carry the AFR the gauges show beside the sensor volts, from the monitor's EGO table.
    m_comms->SetMonitorLogEgoAfr(view->Model().Tracker().EgoAfrConversion());
    // The engine speed gauge shows the idle speed and the rev limit of the maps document the
    // tuner works in, which stays the same while the monitor window is in front.
    view->Model().Tracker().SetEngineSpeedLimitsSource([this]() -> std::optional<EngineSpeedLimits> {
        CChildFrmMaps* frame = m_frame->WorkingMapsFrame();
        if (!frame) return std::nullopt;
        const CCorvaneMapsDoc& doc = frame->Document();
        return EngineSpeedLimits{doc.GetSetting(kIdleRpm)->GetDisplayValue(), doc.GetSetting(kRevLimit)->GetDisplayValue()};
    });
    return m_monitor;
}

void CCorvaneApp::OnMonitorBlock(const std::vector<std::uint8_t>& block) {
    if (m_monitor && m_monitor->View()) m_monitor->View()->OnMonitorBlock(block);
    m_frame->RefreshLogLabel();
    // The live operating position on the map in front, from the value along its x axis; on a
    // table in front, from the engine speed and that value.
    if (CTableView* table = m_frame->ActiveTableView(); table && m_monitor) {
        const CCorvaneMonitorDoc& values = m_monitor->Document();
        const int channel = table->XAxisChannel();
        if (channel >= 0 && channel < values.GetValueCount() && kEngineSpeedIndex < values.GetValueCount())
            table->SetLivePosition(values.GetValueDisplay(kEngineSpeedIndex), values.GetValueDisplay(channel));
        return;
    }
    CMapsView* view = m_frame->ActiveMapsView();
    if (!view || !m_monitor) return;
    const CModuleMap* map = view->ShownMap();
    if (!map) return;
    const int channel = map->GetXAxisMonitorChannel();
    if (channel >= 0 && channel < m_monitor->Document().GetValueCount())
        view->SetMapPointerPosition(m_monitor->Document().GetValueDisplay(channel));
}

void CCorvaneApp::SetUpMapsView(CMapsView& view) { view.SetAutoTuneHooks(AutoTuneApplyHooks()); }

CAutoTuneCollector::ApplyHooks CCorvaneApp::AutoTuneApplyHooks() {
    CAutoTuneCollector::ApplyHooks hooks;
    hooks.ensureLinked = [this] {
        bool wasMonitoring = false;
        (void)m_link->EnsureLinked(wasMonitoring);
        return wasMonitoring;
    };
    hooks.setPacketQueueWriting = [this](bool writing) { m_comms->SetPacketQueueWriting(writing); };
    hooks.restartStream = [this] { m_link->ToggleMonitoring(); };
    return hooks;
}

CChildFrmMaps* CCorvaneApp::AddMapsDocument(std::unique_ptr<CCorvaneMapsDoc> doc, const QString& title) {
    auto* frame = new CChildFrmMaps(std::move(doc), title, m_settings);
    frame->SetModuleLink(*m_link);
    frame->SetViewSetup([this](CMapsView& view) { SetUpMapsView(view); });
    frame->SetTableSetup([this](CTableView& view) { view.SetAutoTuneHooks(AutoTuneApplyHooks()); });
    frame->SetCloseRequest([this](CChildFrmMaps& f) {
        if (!SaveModified(f)) return false;
        m_frame->SaveChildPlacement(&f);
        return true;
    });
    m_frame->AddMapsFrame(frame);
    frame->ShowView(CChildFrmMaps::ViewKind::kMaps, frame->MapsView()->MapIndex());
    return frame;
}

CChildFrmMaps* CCorvaneApp::FileNew() {
    EnsureMonitorDocument();
    auto doc = std::make_unique<CCorvaneMapsDoc>(m_state, m_comms.get(), m_link.get(), &m_prompter);
    return AddMapsDocument(std::move(doc), QString("%1%2").arg(kDocumentBaseName).arg(++m_untitledCount));
}

CChildFrmMaps* CCorvaneApp::OpenDocumentFile(const QString& path) {
    EnsureMonitorDocument();
    CChildFrmMaps* reloaded = nullptr;
    for (CChildFrmMaps* frame : m_frame->MapsFrames()) {
        const QString open = QString::fromStdString(frame->Document().GetPathName());
        if (open.isEmpty() || !SamePath(open, path)) continue;
        const bool modified = frame->Document().IsModified();
        // Reloading drops the open copy: the question says so when it holds edits not saved.
        const auto answer = m_prompter.Message(
            (path + "\nalready open.  Do you wish to RELOAD it?").toStdString() + (modified ? kReloadLosesEdits : ""),
            kReloadTitle, Prompter::Icon::Question, Prompter::Buttons::YesNo);
        if (answer != Prompter::Answer::Yes) return nullptr;
        // The edits go to the backups list first; a backup that fails asks before they are lost.
        if (modified && !m_backup->Guard(BackupReason::kBeforeReload, &frame->Link())) return nullptr;
        reloaded = frame;
        break;
    }
    if (!QFileInfo(path).isFile()) {
        m_prompter.Message(("Cannot open the file\n" + path).toStdString(), {}, Prompter::Icon::Error);
        RemoveRecentFile(path);
        return nullptr;
    }
    auto result = CCorvaneMapsDoc::Open(QDir::toNativeSeparators(path).toStdString(), m_state, m_comms.get(),
                                        m_link.get(), &m_prompter);
    if (!result.document) {
        m_prompter.Message(result.Message(), {}, Prompter::Icon::Error);
        RemoveRecentFile(path);
        return nullptr;
    }
    // The open copy goes only once the file has been read whole: a reload that fails keeps it.
    if (reloaded) {
        reloaded->SetCloseRequest({});
        reloaded->close();
    }
    AddRecentFile(path);
    const std::string outOfLimits = result.document->OutOfLimitsText();
    CChildFrmMaps* frame = AddMapsDocument(std::move(result.document), QFileInfo(path).fileName());
    if (!outOfLimits.empty()) m_prompter.Message(outOfLimits, "Warning", Prompter::Icon::Warning);
    return frame;
}

void CCorvaneApp::SetBackUpBeforeWrite(bool on) {
    m_backUpBeforeWrite = on;
    m_settings.SetInt(kBackupSettingsSection, kBackUpBeforeWriteEntry, on ? 1 : 0);
    m_transfer->SetBackupBeforeWrite(on);
}

void CCorvaneApp::SetVerifyAfterWrite(bool on) {
    m_verifyAfterWrite = on;
    m_settings.SetInt(kBackupSettingsSection, kVerifyAfterWriteEntry, on ? 1 : 0);
    m_transfer->SetVerifyAfterWrite(on);
}

CChildFrmMaps* CCorvaneApp::OpenBackup(const QString& path, const QString& title) {
    EnsureMonitorDocument();
    const auto bytes = AtomicFile::Read(path.toStdString());
    if (!bytes) {
        m_prompter.Message(("Cannot open the file\n" + path).toStdString(), {}, Prompter::Icon::Error);
        return nullptr;
    }
    auto result = CCorvaneMapsDoc::Load(*bytes, m_state, m_comms.get(), m_link.get(), &m_prompter);
    if (!result.document) {
        m_prompter.Message(result.Message(), {}, Prompter::Icon::Error);
        return nullptr;
    }
    result.document->ApplyEditMargins();
    // Not saved anywhere of the user's yet: closing it asks.
    result.document->SetModifiedFlag();
    CChildFrmMaps* frame = AddMapsDocument(std::move(result.document), title);
    frame->UpdateAllViews();
    return frame;
}

CChildFrmMaps* CCorvaneApp::FileOpen() {
    const auto picked = m_prompter.PickOpenFile(kMapFileFilter, "crv");
    if (!picked) return nullptr;
    CChildFrmMaps* frame = OpenDocumentFile(QString::fromStdString(*picked));
    if (frame && m_state.loadStatus == kLoadOk) {
        frame->Document().ApplyEditMargins();
        frame->UpdateAllViews();
    }
    return frame;
}

void CCorvaneApp::FileClose() {
    if (QMdiSubWindow* window = m_frame->MdiArea()->currentSubWindow()) window->close();
}

bool CCorvaneApp::FileSave(CChildFrmMaps& frame) {
    const std::string path = frame.Document().GetPathName();
    if (path.empty()) return FileSaveAs(frame);
    std::string error;
    if (!frame.Document().Save(path, &error)) {
        m_prompter.Message("The file could not be saved.\n" + path + "\n" + error, {}, Prompter::Icon::Error);
        return false;
    }
    AddRecentFile(QString::fromStdString(path));
    frame.RefreshTitle();
    m_frame->RefreshTitle();
    return true;
}

bool CCorvaneApp::FileSaveAs(CChildFrmMaps& frame) {
    const auto picked = m_prompter.PickSaveFile(kMapFileFilter, "crv");
    if (!picked) return false;
    std::string error;
    if (!frame.Document().Save(*picked, &error)) {
        m_prompter.Message("The file could not be saved.\n" + *picked + "\n" + error, {}, Prompter::Icon::Error);
        return false;
    }
    const QString path = QString::fromStdString(*picked);
    frame.SetDocumentTitle(QFileInfo(path).fileName());
    AddRecentFile(path);
    m_frame->RefreshTitle();
    return true;
}

bool CCorvaneApp::SaveModified(CChildFrmMaps& frame) {
    if (!frame.Document().IsModified()) return true;
    m_frame->MdiArea()->setActiveSubWindow(&frame);
    const auto answer = m_prompter.Message(("Save changes to " + frame.DocumentTitle() + "?").toStdString(),
                                           CMainFrame::kTitle, Prompter::Icon::Warning,
                                           Prompter::Buttons::SaveDiscardCancel);
    switch (answer) {
        case Prompter::Answer::Yes:
        case Prompter::Answer::Ok: return FileSave(frame);
        case Prompter::Answer::No: return true;
        default: return false;
    }
}

bool CCorvaneApp::CloseAllDocuments() {
    for (CChildFrmMaps* frame : m_frame->MapsFrames())
        if (!SaveModified(*frame)) return false;
    // Asked once each: the windows now close without asking again.
    for (CChildFrmMaps* frame : m_frame->MapsFrames()) frame->SetCloseRequest({});
    return true;
}

void CCorvaneApp::CloseAllDocumentsWithoutAsking() {
    for (CChildFrmMaps* frame : m_frame->MapsFrames()) {
        frame->SetCloseRequest({});
        frame->close();
    }
}

// --- Recent files --------------------------------------------------------------------------------

void CCorvaneApp::LoadRecentFiles() {
    m_recent.clear();
    for (int i = 1; i <= kRecentFileCount; ++i)
        if (const auto file = m_settings.GetText(kRecentSection, "File" + std::to_string(i)); file && !file->empty())
            m_recent << QString::fromStdString(*file);
}

void CCorvaneApp::SaveRecentFiles() {
    for (int i = 1; i <= kRecentFileCount; ++i)
        m_settings.SetText(kRecentSection, "File" + std::to_string(i),
                           i <= m_recent.size() ? m_recent[i - 1].toStdString() : std::string());
    if (m_frame) m_frame->RebuildRecentFiles();
    emit recentFilesChanged();
}

void CCorvaneApp::AddRecentFile(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    for (int i = static_cast<int>(m_recent.size()) - 1; i >= 0; --i)
        if (SamePath(m_recent[i], absolute)) m_recent.removeAt(i);
    m_recent.prepend(absolute);
    while (m_recent.size() > kRecentFileCount) m_recent.removeLast();
    SaveRecentFiles();
}

void CCorvaneApp::RemoveRecentFile(const QString& path) {
    for (int i = static_cast<int>(m_recent.size()) - 1; i >= 0; --i)
        if (SamePath(m_recent[i], path)) m_recent.removeAt(i);
    SaveRecentFiles();
}

}  // namespace corvane
