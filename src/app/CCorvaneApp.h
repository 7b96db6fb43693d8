#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <vector>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "comms/api/Comms.h"
#include "monitor/CAutoTuneCollector.h"
#include "model/AppState.h"
#include "sim/ModuleEmulator.h"

namespace corvane {

class CChildFrame;
class CChildFrmMaps;
class CLinkController;
class CMainFrame;
class CModuleBackup;
class CModuleTransfer;
class ModuleBackups;
class CommsBridge;
class Prompter;
class SettingsStore;
class SimModuleAccess;
class RideAutoTuneController;

// What the command line gives for one run.
struct AppOptions {
    QString file;                          // a map file to open instead of the last one
    std::optional<std::string> port;       // "sim", "Com n" or a device path; not remembered
    std::optional<std::uint32_t> productCode;
    bool reopenLastFile = true;
    // Where the monitor keeps the user's gauge file and the logs (default: the application
    // data folder) and finds the item definitions and the EGO sensor table (default: the
    // program's folder).
    QString userDataFolder;
    QString programFolder;
    // The simulated module behind the "sim" port: its engine (the product code is the run's)
    // and the scenario it rides from the moment it is made.
    sim::EmulatorOptions simEngine;
    std::optional<std::string> simScenario;
};

// The application: its settings, the comms library and the link, the main frame, and the
// documents (several map documents at once, and the one monitor document). Opening, creating,
// saving and closing documents happen here; the main frame routes the commands.
class CCorvaneApp : public QObject {
    Q_OBJECT
public:
    static constexpr int kRecentFileCount = 4;
    static constexpr const char* kRecentSection = "Recent File List";
    static constexpr const char* kReloadTitle = "Document Exists";
    static constexpr const char* kReloadLosesEdits =
        "\n\nThe unsaved changes to it will be lost. A copy of them goes to the Backups list first.";
    static constexpr const char* kMapFileFilter = "Corvane Map Files (*.crv)|*.crv||";
    static constexpr const char* kDocumentBaseName = "Corvane";
    // The class name of the map the maps view in front showed last: a restart that reopens
    // the last file shows it again.
    static constexpr const char* kSettingsSection = "Settings";
    static constexpr const char* kLastMapEntry = "LastMap";

    // `comms` null: the comms library over serial ports and the simulated module. `sim` follows
    // the simulated module of the comms given (SimModuleAccess::Track); null: a fresh one,
    // which follows the module of the default comms library.
    CCorvaneApp(SettingsStore& settings, Prompter& prompter, std::unique_ptr<Comms> comms = nullptr,
                std::shared_ptr<SimModuleAccess> sim = nullptr);
    ~CCorvaneApp() override;

    // Start-up: the main frame, the last file (or the command line's, or a new document)
    // beside a monitor document, the window placement, AutoTune tracking on. False when the
    // main frame cannot be made.
    bool InitInstance(const AppOptions& options);

    // Opens a map file: the reload question when it is open already, the load-status messages
    // when it is refused. Null when nothing was opened.
    CChildFrmMaps* OpenDocumentFile(const QString& path);
    CChildFrmMaps* FileNew();
    // The file dialog, then OpenDocumentFile and the margins of every point.
    CChildFrmMaps* FileOpen();
    void FileClose();
    // Save to the document's path (Save As when it has none); false when not saved.
    bool FileSave(CChildFrmMaps& frame);
    bool FileSaveAs(CChildFrmMaps& frame);
    // Asks about a modified document: Save (true once saved), Discard (true), Cancel (false).
    bool SaveModified(CChildFrmMaps& frame);
    // Asks about every modified document; false when the user cancelled.
    bool CloseAllDocuments();
    // Closes every document without a question (a run whose documents were never the user's).
    void CloseAllDocumentsWithoutAsking();
    // Makes sure the monitor document exists.
    CChildFrame* EnsureMonitorDocument();

    [[nodiscard]] QStringList RecentFiles() const { return m_recent; }
    void AddRecentFile(const QString& path);
    void RemoveRecentFile(const QString& path);

    [[nodiscard]] AppState& State() { return m_state; }
    [[nodiscard]] SettingsStore& Settings() { return m_settings; }
    [[nodiscard]] Prompter& GetPrompter() { return m_prompter; }
    [[nodiscard]] Comms& GetComms() { return *m_comms; }
    [[nodiscard]] CLinkController& Link() { return *m_link; }
    [[nodiscard]] CModuleTransfer& Transfer() { return *m_transfer; }
    // The backups of the application data folder's "backups" folder, and the backup step of
    // WRITE, READ and the firmware upgrade (a failed backup asks whether to go on).
    [[nodiscard]] ModuleBackups& Backups() { return *m_backupFiles; }
    [[nodiscard]] CModuleBackup& Backup() { return *m_backup; }
    // Configure ▸ "Back Up Before WRITE" and "Verify After WRITE", kept in the settings.
    [[nodiscard]] bool BackUpBeforeWrite() const { return m_backUpBeforeWrite; }
    void SetBackUpBeforeWrite(bool on);
    [[nodiscard]] bool VerifyAfterWrite() const { return m_verifyAfterWrite; }
    void SetVerifyAfterWrite(bool on);
    // Opens a backup as a new document: no path (a save asks where, so the backup itself is
    // never overwritten), marked modified. Null when the file is refused (the user was told).
    CChildFrmMaps* OpenBackup(const QString& path, const QString& title);
    [[nodiscard]] CMainFrame& Frame() { return *m_frame; }
    // Ride AutoTune: its commands, marks and log analysis.
    [[nodiscard]] RideAutoTuneController& RideAutoTune() { return *m_rideAutoTune; }
    [[nodiscard]] CChildFrame* MonitorFrame() const { return m_monitor; }
    [[nodiscard]] QString UserDataFolder() const { return m_userData; }
    // The user guide: beside the program (a build tree), in the installation's share folder
    // beside it, or where this build installs it; the path looked at first when none has it.
    [[nodiscard]] QString GuideFile() const;
    // One monitor block from the live stream or a replay: the monitor view, then the live
    // map pointer of the maps view in front.
    void OnMonitorBlock(const std::vector<std::uint8_t>& block);
    // What the maps views need of the application for AutoTune.
    void SetUpMapsView(class CMapsView& view);
    // What applying AutoTune's corrections needs of the link, for the maps and table views.
    [[nodiscard]] CAutoTuneCollector::ApplyHooks AutoTuneApplyHooks();
    [[nodiscard]] QString ModuleTypeDescription() const;
    // The simulated module of the "sim" port: its power switch, its memory.
    [[nodiscard]] SimModuleAccess& Simulated() { return *m_sim; }

signals:
    void recentFilesChanged();

private:
    CChildFrmMaps* AddMapsDocument(std::unique_ptr<class CCorvaneMapsDoc> doc, const QString& title);
    void LoadRecentFiles();
    void SaveRecentFiles();

    SettingsStore& m_settings;
    Prompter& m_prompter;
    AppState m_state;
    std::unique_ptr<CommsBridge> m_bridge;
    std::shared_ptr<SimModuleAccess> m_sim;
    std::unique_ptr<class MonitorMessageRouter> m_router;
    QString m_userData;
    QString m_programFolder;
    std::unique_ptr<Comms> m_comms;
    std::unique_ptr<CLinkController> m_link;
    std::unique_ptr<CModuleTransfer> m_transfer;
    std::unique_ptr<ModuleBackups> m_backupFiles;
    std::unique_ptr<CModuleBackup> m_backup;
    bool m_backUpBeforeWrite = true;
    bool m_verifyAfterWrite = true;
    std::unique_ptr<RideAutoTuneController> m_rideAutoTune;
    std::unique_ptr<CMainFrame> m_frame;
    CChildFrame* m_monitor = nullptr;
    QStringList m_recent;
    int m_untitledCount = 0;
};

}  // namespace corvane
