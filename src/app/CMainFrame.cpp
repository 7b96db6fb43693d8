#include "app/CMainFrame.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPrinter>
#include <QSerialPortInfo>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include <cmath>

#include "app/CAboutDlg.h"
#include "app/CBackupsDlg.h"
#include "app/CCorvaneApp.h"
#include "app/CChildFrame.h"
#include "app/CChildFrmMaps.h"
#include "app/CHelpWindow.h"
#include "app/CLinkStatusDlg.h"

#include "app/CommandTable.h"
#include "app/RideAutoTuneController.h"
#include "app/FirmwareUpgradeRunner.h"
#include "app/LinkIcons.h"
#include "app/WindowPlacement.h"
#include "comms/api/Comms.h"
#include "documents/CCorvaneMapsDoc.h"
#include "documents/CTuneComparison.h"
#include "link/CLinkController.h"
#include "link/CModuleTransfer.h"
#include "link/MapsDocumentLink.h"
#include "maps/CModuleMap.h"
#include "model/FirmwareVersionText.h"
#include "model/Prompter.h"
#include "model/SettingsStore.h"
#include "model/TargetAfrSetting.h"
#include "views/CAFRCalculatorDlg.h"
#include "views/CHotKeyHelpDlg.h"
#include "views/CCorvaneBasicSettingsView.h"
#include "views/CMapsView.h"
#include "views/CPPageTuningMapSelector.h"
#include "views/CTableView.h"
#include "views/CTuneDifferencesView.h"

namespace corvane {

namespace {


LinkIconState IconState(int image) {
    switch (image) {
        case CLinkController::kImageLinked: return LinkIconState::kLinked;
        case CLinkController::kImageMonitoring: return LinkIconState::kMonitoring;
        default: return LinkIconState::kUnlinked;
    }
}

QString PortDisplayName(const std::string& port) {
    if (port == "sim") return "Simulated Module";
    return QString::fromStdString(port);
}

}  // namespace

CMainFrame::CMainFrame(CCorvaneApp& app) : m_app(app) {
    setObjectName("MainFrame");
    // Tool tips also while another window (a gauge, the log viewer) is the active one.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName("MdiArea");
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &CMainFrame::OnSubWindowActivated);

    BuildActions();
    BuildSelectorBar();
    BuildDifferencesBar();
    BuildHistoryDock();
    BuildToolBars();
    BuildStatusBar();
    m_dataLinkBox = new CLinkStatusDlg("Data Link", this);
    m_monitorBox = new CLinkStatusDlg("Monitor Stream", this);
    ReloadMenu();

    // The bar layout of the last run, then the target AFR.
    if (const auto state = m_app.Settings().GetBinary(kToolBarSection, kToolBarEntry))
        restoreState(QByteArray(reinterpret_cast<const char*>(state->data()), static_cast<qsizetype>(state->size())));
    RefreshLinkUi();
    RefreshTitle();
    // Until a placement is kept, most of the screen: the graphs need the room.
    const QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                          : QRect(0, 0, 1280, 900);
    resize(std::max(1000, screen.width() * 9 / 10), std::max(720, screen.height() * 9 / 10));
    move(screen.topLeft() + QPoint(screen.width() / 20, screen.height() / 20));
}

CMainFrame::~CMainFrame() {
    // The document windows go while the frame is still whole: their destruction notices
    // refresh the frame.
    // Windows already closed but not yet deleted are no longer listed by the MDI area.
    for (QMdiSubWindow* sub : m_mdi->findChildren<QMdiSubWindow*>()) disconnect(sub, nullptr, this, nullptr);
    qDeleteAll(m_mdi->findChildren<QMdiSubWindow*>(Qt::FindDirectChildrenOnly));
    for (QMdiSubWindow* sub : m_mdi->findChildren<QMdiSubWindow*>()) delete sub;
}

// --- Commands ----------------------------------------------------------------------------------

void CMainFrame::BuildActions() {
    for (const CommandDef& def : Commands()) {
        auto* action = new QAction(QString::fromUtf8(def.text.data(), static_cast<qsizetype>(def.text.size())), this);
        action->setObjectName(QString("cmd%1").arg(def.id));
        action->setData(def.id);
        action->setCheckable(def.checkable);
        QList<QKeySequence> keys;
        for (const QString& k : QString::fromUtf8(def.accelerators.data(), static_cast<qsizetype>(def.accelerators.size()))
                                    .split(';', Qt::SkipEmptyParts))
            keys << QKeySequence(k, QKeySequence::PortableText);
        action->setShortcuts(keys);
        if (!def.toolTip.empty()) {
            // Shown over the button and, as the status bar prompt, while the pointer is on it or
            // on its menu item.
            action->setToolTip(QString::fromUtf8(def.toolTip.data(), static_cast<qsizetype>(def.toolTip.size())));
            action->setStatusTip(action->toolTip());
        }
        // Accelerators work wherever the focus is in the main window, also without a menu item.
        addAction(action);
        m_actions[def.id] = action;
        connect(action, &QAction::triggered, this, [this, id = def.id] { RunCommand(id); });
    }
    m_portGroup = new QActionGroup(this);
    m_portGroup->setExclusive(true);
    for (int n = 1; n <= CLinkController::kPortCount; ++n) m_portGroup->addAction(Action(cmd::ComPortCommand(n)));
    m_portGroup->addAction(Action(cmd::kSimulatedPort));
    // Port actions are handled through the group (one handler for named ports as well).
    for (QAction* a : m_portGroup->actions()) disconnect(a, &QAction::triggered, this, nullptr);
    connect(m_portGroup, &QActionGroup::triggered, this, &CMainFrame::OnPortSelected);

    // Commands this build has no part for yet are shown greyed rather than doing nothing.
    for (int id : {cmd::kEditCut, cmd::kEditManufacturerId}) Action(id)->setEnabled(false);
    Action(cmd::kViewToolbar)->setChecked(true);
    Action(cmd::kViewStatusBar)->setChecked(true);
}

QAction* CMainFrame::Action(int id) const {
    auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

void CMainFrame::BuildMenu(QMenuBar* bar, std::span<const MenuEntryDef> entries) {
    std::map<QString, QMenu*> menus;
    auto menuFor = [&](const QString& path) {
        QMenu*& menu = menus[path];
        if (menu) return menu;
        const int split = path.lastIndexOf('|');
        if (split < 0) {
            menu = bar->addMenu(path);
        } else {
            QMenu* parent = menus[path.left(split)];
            if (!parent) parent = menus[path.left(split)] = bar->addMenu(path.left(split));
            menu = parent->addMenu(path.mid(split + 1));
        }
        return menu;
    };
    for (const MenuEntryDef& e : entries) {
        QMenu* menu = menuFor(QString::fromUtf8(e.menu.data(), static_cast<qsizetype>(e.menu.size())));
        if (e.id == 0) {
            menu->addSeparator();
        } else if (e.id == cmd::kRecentFiles) {
            m_recentMenuAnchor = menu;
            m_recentActions.clear();
            auto* anchor = menu->addSeparator();
            anchor->setObjectName("recentAnchor");
            anchor->setVisible(false);
        } else if (e.id == cmd::kSimulatedPort) {
            m_portMenu = menu;
            menu->addAction(Action(e.id));
            AddSystemPorts(menu);
        } else {
            menu->addAction(Action(e.id));
        }
    }
    if (QMenu* window = menus["&Window"]) {
        // The open windows, as a desktop program lists them.
        connect(window, &QMenu::aboutToShow, this, [this, window] {
            for (QAction* a : window->actions())
                if (a->property("windowEntry").toBool()) window->removeAction(a), a->deleteLater();
            int n = 1;
            for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
                if (n == 1) window->addSeparator()->setProperty("windowEntry", true);
                QAction* a = window->addAction(QString("&%1 %2").arg(n++).arg(sub->windowTitle().remove("[*]")));
                a->setProperty("windowEntry", true);
                a->setCheckable(true);
                a->setChecked(sub == m_mdi->currentSubWindow());
                connect(a, &QAction::triggered, this, [this, sub] { m_mdi->setActiveSubWindow(sub); });
            }
        });
    }
}

void CMainFrame::AddSystemPorts(QMenu* portMenu) {
    const auto ports = QSerialPortInfo::availablePorts();
    if (!ports.isEmpty()) portMenu->addSeparator();
    for (const QSerialPortInfo& info : ports) {
        QString text = info.systemLocation();
        if (!info.description().isEmpty()) text += "  (" + info.description() + ")";
        NamedPortAction(info.systemLocation(), text);
    }
}

QAction* CMainFrame::NamedPortAction(const QString& port, const QString& text) {
    for (QAction* a : m_portGroup->actions())
        if (a->property("portName").toString() == port) return a;
    auto* action = new QAction(text, this);
    action->setCheckable(true);
    action->setProperty("portName", port);
    m_portGroup->addAction(action);
    if (m_portMenu) m_portMenu->addAction(action);
    return action;
}

void CMainFrame::ReloadMenu() {
    const bool basic = m_mdi->subWindowList().isEmpty();
    if (menuBar()->actions().size() > 0 && basic == m_basicMenu) return;
    m_basicMenu = basic;
    menuBar()->clear();
    BuildMenu(menuBar(), basic ? BasicMenu() : MapsMenu());
    RebuildRecentFiles();
    RefreshLinkUi();
}

void CMainFrame::RebuildRecentFiles() {
    if (!m_recentMenuAnchor) return;
    for (QAction* a : m_recentActions) {
        m_recentMenuAnchor->removeAction(a);
        a->deleteLater();
    }
    m_recentActions.clear();
    QAction* anchor = m_recentMenuAnchor->findChild<QAction*>("recentAnchor");
    QAction* before = nullptr;
    const auto actions = m_recentMenuAnchor->actions();
    for (int i = 0; i < actions.size(); ++i)
        if (actions[i]->objectName() == "recentAnchor" && i + 1 < actions.size()) before = actions[i + 1];
    Q_UNUSED(anchor);
    const QStringList files = m_app.RecentFiles();
    if (files.isEmpty()) {
        auto* empty = new QAction("Recent File", m_recentMenuAnchor);
        empty->setEnabled(false);
        m_recentMenuAnchor->insertAction(before, empty);
        m_recentActions << empty;
        return;
    }
    for (int i = 0; i < files.size(); ++i) {
        auto* a = new QAction(QString("&%1 %2").arg(i + 1).arg(QFileInfo(files[i]).fileName()), m_recentMenuAnchor);
        a->setToolTip(files[i]);
        a->setStatusTip(files[i]);
        connect(a, &QAction::triggered, this, [this, path = files[i]] {
            m_app.OpenDocumentFile(path);
            ReloadMenu();
        });
        m_recentMenuAnchor->insertAction(before, a);
        m_recentActions << a;
    }
}

void CMainFrame::RunCommand(int id) {
    CLinkController& link = m_app.Link();
    switch (id) {
        case cmd::kFileNew: m_app.FileNew(); ReloadMenu(); break;
        case cmd::kFileOpen: m_app.FileOpen(); ReloadMenu(); break;
        case cmd::kFileClose: m_app.FileClose(); ReloadMenu(); break;
        case cmd::kFileSave:
            if (CChildFrmMaps* f = ActiveMapsFrame()) m_app.FileSave(*f);
            break;
        case cmd::kFileSaveAs:
            if (CChildFrmMaps* f = ActiveMapsFrame()) m_app.FileSaveAs(*f);
            break;
        case cmd::kAppExit: close(); break;
        case cmd::kCompareWith: OnCompareWith(); break;
        case cmd::kStopComparing:
            if (CChildFrmMaps* f = ActiveMapsFrame()) f->SetComparison(nullptr);
            break;
        case cmd::kRead: OnRead(); break;
        case cmd::kWrite: OnWrite(); break;
        case cmd::kEditUndo:
        case cmd::kEditCopy:
        case cmd::kEditPaste: EditKey(id); break;
        case cmd::kEditUndoLastEdit:
        case cmd::kEditRedo:
        case cmd::kEditAcceptClamped:
        case cmd::kViewHistory: OnHistoryCommand(id); break;
        case cmd::kViewToolbar: m_mainBar->setVisible(Action(id)->isChecked()); break;
        case cmd::kViewStatusBar: statusBar()->setVisible(Action(id)->isChecked()); break;
        case cmd::kViewTable: OnViewTable(); break;
        case cmd::kViewDifferences:
            m_differencesBar->setVisible(Action(id)->isChecked() && m_differencesShownFor != nullptr);
            break;
        case cmd::kToggleMonitorGauges: emit toggleMonitorGauges(); break;
        case cmd::kResetGaugeDataFiles:
            if (m_app.GetPrompter().Message(kResetGaugesQuestion, kResetGaugesTitle, Prompter::Icon::Warning,
                                            Prompter::Buttons::OkCancel) == Prompter::Answer::Ok)
                emit destroyMonitorGauges();
            break;
        case cmd::kAutoTuneTracking:
            m_app.State().autoTuneTracking = !m_app.State().autoTuneTracking;
            Action(id)->setChecked(m_app.State().autoTuneTracking);
            break;
        case cmd::kMonitorLogging:
            m_app.GetComms().SetMonitorLogging(!m_app.GetComms().MonitorLogging());
            Action(id)->setChecked(m_app.GetComms().MonitorLogging());
            break;
        case cmd::kMonitorReplay: OnMonitorReplay(); break;
        case cmd::kLogViewer: OnLogViewer(); break;
        case cmd::kAfrCalculator: {
            CAFRCalculatorDlg dialog(m_app.State(), this);
            dialog.exec();
            break;
        }
        case cmd::kFilePrint: OnPrint(); break;
        case cmd::kFilePrintPreview: OnPrintPreview(); break;
        case cmd::kFilePrintSetup: OnPrintSetup(); break;
        case cmd::kExportPdf: OnExportPdf(); break;
        case cmd::kHelpTopics: ShowHelp(); break;
        case cmd::kContextHelp: OnContextHelp(); break;
        case cmd::kHotKeyHelp: {
            CHotKeyHelpDlg dialog(this);
            dialog.exec();
            break;
        }
        case cmd::kWindowCascade: m_mdi->cascadeSubWindows(); break;
        case cmd::kWindowTile: m_mdi->tileSubWindows(); break;
        case cmd::kWindowArrange: OnArrangeIcons(); break;
        case cmd::kNextPane: m_mdi->activateNextSubWindow(); break;
        case cmd::kPrevPane: m_mdi->activatePreviousSubWindow(); break;
        case cmd::kAppAbout: OnAbout(); break;
        case cmd::kFirmwareUpgrade: {
            FirmwareUpgradeRunner runner(link);
            runner.SetBackup(&m_app.Backup());
            runner.Run();
            break;
        }
        case cmd::kBackups: OnBackups(); break;
        case cmd::kBackUpBeforeWrite: m_app.SetBackUpBeforeWrite(!m_app.BackUpBeforeWrite()); break;
        case cmd::kVerifyAfterWrite: m_app.SetVerifyAfterWrite(!m_app.VerifyAfterWrite()); break;
        case cmd::kToggleLink:
        case cmd::kToggleMonitoring: {
            // Linking waits for the module to answer: say so while the window cannot react.
            const bool linking = !m_app.State().moduleLinked;
            const QString port = PortDisplayName(link.CurrentPort());
            if (linking) {
                statusBar()->showMessage("Linking to the module on " + port + "...");
                statusBar()->repaint();
                QApplication::setOverrideCursor(Qt::WaitCursor);
            }
            if (id == cmd::kToggleLink)
                link.ToggleLink();
            else
                link.ToggleMonitoring();
            if (linking) {
                QApplication::restoreOverrideCursor();
                if (m_app.State().moduleLinked)
                    statusBar()->showMessage("Linked to the module on " + port + ".", 5000);
                else
                    statusBar()->showMessage("No module answered on " + port + ". Check the port, the cable and the module's power.", 15000);
            }
            break;
        }
        case cmd::kAutoTuneOn:
        case cmd::kAutoTuneOff:
            // The button pauses and resumes collecting, nothing more: the corrections collected
            // stay on the curve until Ctrl+M in the maps view applies them.
            m_app.State().autoTuneActive = !m_app.State().autoTuneActive;
            break;
        case cmd::kRideAutoTune:
        case cmd::kRideAutoTuneApply:
        case cmd::kRideAutoTuneApplySelected:
        case cmd::kRideAutoTuneDiscard:
        case cmd::kRideAutoTuneSettings: m_app.RideAutoTune().RunCommand(id); break;
        default:
            if (QAction* a = Action(id); a && m_portGroup->actions().contains(a)) {
                a->setChecked(true);
                OnPortSelected(a);
            }
            break;
    }
    RefreshLinkUi();
    RefreshTitle();
}

void CMainFrame::EditKey(int id) {
    if (CTableView* table = ActiveTableView()) {
        table->RunCommand(id == cmd::kEditUndo ? TableCommand::Undo : id == cmd::kEditCopy ? TableCommand::Copy
                                                                                           : TableCommand::Paste);
        return;
    }
    CMapsView* view = ActiveMapsView();
    if (!view) return;
    const KeyModifiers ctrl{true, false};
    switch (id) {
        case cmd::kEditUndo: view->ApplyKey(Key::Z, ctrl); break;
        case cmd::kEditCopy: view->ApplyKey(Key::C, ctrl); break;
        case cmd::kEditPaste: view->ApplyKey(Key::V, ctrl); break;
        default: break;
    }
}

void CMainFrame::OnPortSelected(QAction* action) {
    const QString named = action->property("portName").toString();
    if (!named.isEmpty()) {
        m_app.Link().SelectPortByName(named.toStdString());
    } else if (action == Action(cmd::kSimulatedPort)) {
        m_app.Link().SelectPortByName("sim");
    } else {
        for (int n = 1; n <= CLinkController::kPortCount; ++n)
            if (action == Action(cmd::ComPortCommand(n))) m_app.Link().SelectPort(n);
    }
    RefreshLinkUi();
}

void CMainFrame::OnRead() {
    CChildFrmMaps* frame = ActiveMapsFrame();
    m_app.Transfer().ReadModuleMapsAndSettings(frame ? &frame->Link() : nullptr,
                                               frame ? frame->FirstView() : FirstViewKind::kOther);
    if (frame) frame->UpdateAllViews();
    RefreshSelector();
    RefreshDifferences();
}

void CMainFrame::OnWrite() {
    CChildFrmMaps* frame = ActiveMapsFrame();
    const bool ok = m_app.Transfer().WriteModuleMapsAndSettings(frame ? &frame->Link() : nullptr);
    if (frame) frame->UpdateAllViews();
    // What guarded the WRITE, where the user looks after it: the backup and the read-back.
    const CModuleTransfer::WriteReport& report = m_app.Transfer().LastWriteReport();
    if (report.attempts == 0) return;
    QStringList parts;
    parts << (ok ? "WRITE done" : "WRITE FAILED");
    if (report.backedUp)
        parts << "module backed up to " + QFileInfo(QString::fromStdString(report.backupPath)).fileName();
    else if (report.backupAttempted)
        parts << "NO backup was made";
    // A verification covers what was sent: the maps WRITE leaves to the module are named first.
    if (!report.notSent.empty()) parts << "not sent by WRITE: " + QString::fromStdString(report.notSent);
    // What "verified" covered, so that nobody reads more into it: the maps WRITE sends, by
    // count and address, the settings and the name; points that came back as written are in
    // sync (the "InSyncMarkerColor").
    if (report.verifyRan && frame)
        parts << QString::fromStdString(WriteVerification::CoverageText(frame->Link(), report.verify));
    else if (report.verifyRan)
        parts << (report.verify.Verified() ? "verified" : "NOT verified");
    statusBar()->showMessage(parts.join("; ") + ".", 30000);
}

void CMainFrame::OnBackups() {
    CBackupsDlg dialog(m_app.Backups(), this);
    if (dialog.exec() != QDialog::Accepted || !dialog.Chosen()) return;
    const BackupEntry e = *dialog.Chosen();
    m_app.OpenBackup(QString::fromStdString(e.path),
                     QString("Backup %1 (%2)").arg(QString::fromStdString(e.date), BackupReasonText(e.reason)));
    ReloadMenu();
}

void CMainFrame::OnAbout() {
    CAboutDlg dialog(m_app.State(), m_app.ModuleTypeDescription(), this);
    dialog.exec();
}

void CMainFrame::OnArrangeIcons() {
    // Minimised windows in a row along the bottom of the client area.
    int x = 0;
    for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
        if (!sub->isMinimized()) continue;
        sub->move(x, m_mdi->viewport()->height() - sub->height());
        x += sub->width();
    }
}

// --- Bars ----------------------------------------------------------------------------------------

void CMainFrame::BuildToolBars() {
    m_mainBar = addToolBar("Main Tool Bar");
    m_mainBar->setObjectName("MainToolBar");
    QStyle* s = style();
    Action(cmd::kFileNew)->setIcon(s->standardIcon(QStyle::SP_FileIcon));
    Action(cmd::kFileOpen)->setIcon(s->standardIcon(QStyle::SP_DialogOpenButton));
    Action(cmd::kFileSave)->setIcon(s->standardIcon(QStyle::SP_DialogSaveButton));
    Action(cmd::kEditCut)->setIcon(GlyphIcon(QString::fromUtf8("\u2702"), QColor(60, 60, 60)));
    Action(cmd::kEditCopy)->setIcon(GlyphIcon("Cp", QColor(40, 40, 140)));
    Action(cmd::kEditPaste)->setIcon(GlyphIcon("Pa", QColor(40, 40, 140)));
    Action(cmd::kFilePrint)->setIcon(GlyphIcon("Pr", QColor(60, 60, 60)));
    Action(cmd::kAppAbout)->setIcon(s->standardIcon(QStyle::SP_MessageBoxInformation));
    Action(cmd::kContextHelp)->setIcon(GlyphIcon("?", QColor(0, 0, 160)));
    for (int id : MainToolBar()) {
        if (id == 0)
            m_mainBar->addSeparator();
        else
            m_mainBar->addAction(Action(id));
    }
    connect(m_mainBar, &QToolBar::visibilityChanged, this,
            [this](bool visible) { Action(cmd::kViewToolbar)->setChecked(visible); });

    m_linkBar = addToolBar("Link/UnLink to Module");
    m_linkBar->setObjectName("LinkToolBar");
    m_linkBar->addAction(Action(cmd::kToggleLink));
    m_linkBar->addAction(Action(cmd::kToggleMonitoring));

    m_autoTuneBar = addToolBar("Auto Tuning");
    m_autoTuneBar->setObjectName("AutoTuneToolBar");
    m_autoTuneBar->addAction(Action(cmd::kAutoTuneOff));
    // Ride AutoTune beside the system's AutoTune, a button of its own.
    Action(cmd::kRideAutoTune)->setIcon(GlyphIcon("RA", QColor(0, 110, 60)));
    m_autoTuneBar->addAction(Action(cmd::kRideAutoTune));
    for (QToolBar* bar : {m_mainBar, m_linkBar, m_autoTuneBar}) {
        bar->setAllowedAreas(Qt::AllToolBarAreas);
        bar->setIconSize(QSize(24, 24));
    }
}

void CMainFrame::BuildSelectorBar() {
    m_selectorBar = new QDockWidget("Measure Tools", this);
    m_selectorBar->setObjectName("MeasureTools");
    m_selectorBar->setAllowedAreas(Qt::AllDockWidgetAreas);
    m_selectorSheet = new QTabWidget(m_selectorBar);
    m_selector = new CPPageTuningMapSelector(m_selectorSheet);
    m_selectorSheet->addTab(m_selector, "Tuning Maps");
    m_selectorBar->setWidget(m_selectorSheet);
    addDockWidget(Qt::LeftDockWidgetArea, m_selectorBar);
    resizeDocks({m_selectorBar}, {260}, Qt::Horizontal);
    connect(m_selector, &CPPageTuningMapSelector::entrySelected, this, &CMainFrame::OnSelectorEntry);
    // Enter in the tree hands the keys to the view it shows.
    connect(m_selector, &CPPageTuningMapSelector::entryActivated, this, [this] {
        if (CMapsView* view = ActiveMapsView())
            view->setFocus(Qt::OtherFocusReason);
        else if (QMdiSubWindow* sub = m_mdi->currentSubWindow())
            sub->widget()->setFocus(Qt::OtherFocusReason);
    });
}

void CMainFrame::RefreshLinkUi() {
    CLinkController& link = m_app.Link();
    const AppState& state = m_app.State();
    const LinkIconState iconState = IconState(link.GetLinkImage());
    Action(cmd::kToggleLink)->setIcon(LinkButtonIcon(iconState));
    Action(cmd::kToggleMonitoring)->setIcon(MonitorButtonIcon(iconState));
    Action(cmd::kAutoTuneOff)->setIcon(AutoTuneIcon(state.autoTuneActive));
    Action(cmd::kAutoTuneOff)->setToolTip(state.autoTuneActive ? "Auto Tuning: ON (click to pause collecting)"
                                                               : "Auto Tuning: OFF (click to collect corrections)");
    Action(cmd::kAutoTuneOff)->setStatusTip(Action(cmd::kAutoTuneOff)->toolTip());
    RefreshAutoTuneLabel();
    Action(cmd::kAutoTuneTracking)->setChecked(state.autoTuneTracking);
    Action(cmd::kMonitorLogging)->setChecked(m_app.GetComms().MonitorLogging());
    Action(cmd::kBackUpBeforeWrite)->setChecked(m_app.BackUpBeforeWrite());
    Action(cmd::kVerifyAfterWrite)->setChecked(m_app.VerifyAfterWrite());

    // The port menu's check follows the port the library will use.
    const std::string port = link.CurrentPort();
    QAction* current = nullptr;
    if (const auto n = CLinkController::ParseComName(port); n && *n >= 1 && *n <= CLinkController::kPortCount)
        current = Action(cmd::ComPortCommand(*n));
    else if (port == "sim")
        current = Action(cmd::kSimulatedPort);
    else if (!port.empty())
        current = NamedPortAction(QString::fromStdString(port), QString::fromStdString(port));
    if (current) current->setChecked(true);

    QString linkText = "Unlinked";
    if (link.GetLinkImage() == CLinkController::kImageMonitoring)
        linkText = "Monitoring";
    else if (state.moduleLinked)
        linkText = "Linked";
    if (state.moduleLinked && state.moduleFirmwareVersion != 0)
        linkText += " (firmware " + QString::fromStdString(FirmwareVersionHex(state.moduleFirmwareVersion)) + ")";
    m_portLabel->setText("Port: " + PortDisplayName(port));
    RefreshLogLabel();
    RefreshStreamLabel();
    m_linkLabel->setText(linkText);

    // The two boxes show what the link says, and nothing once it gave up or was unlinked.
    const auto sync = [](CLinkStatusDlg* box, const CLinkController::StatusBox& state) {
        if (state.visible) {
            box->SetText(QString::fromStdString(state.text));
            if (!box->isVisible()) box->show();
        } else if (box->isVisible()) {
            box->hide();
        }
    };
    sync(m_dataLinkBox, link.DataLinkBox());
    sync(m_monitorBox, link.MonitorStreamBox());
    UpdateCommandStates();
}

void CMainFrame::UpdateCommandStates() {
    const bool hasMaps = ActiveMapsFrame() != nullptr;
    for (int id : {cmd::kFileSave, cmd::kFileSaveAs, cmd::kFileClose, cmd::kEditUndo, cmd::kEditCopy, cmd::kEditPaste,
                   cmd::kCompareWith})
        Action(id)->setEnabled(hasMaps || (id == cmd::kFileClose && m_mdi->currentSubWindow()));
    CChildFrmMaps* frame = ActiveMapsFrame();
    Action(cmd::kStopComparing)->setEnabled(frame && frame->Comparison());
    for (int id : {cmd::kFilePrint, cmd::kFilePrintPreview, cmd::kExportPdf}) Action(id)->setEnabled(CanPrint());
    RefreshHistory();
}

void CMainFrame::RefreshTitle() {
    QString title = QString("%1  | %2 |  ").arg(kTitle, m_app.ModuleTypeDescription());
    CChildFrmMaps* frame = ActiveMapsFrame();
    if (frame) title += " - " + frame->DocumentTitle() + "[*]";
    setWindowTitle(title);
    setWindowModified(frame && frame->Document().IsModified());
    m_modifiedLabel->setText(frame && frame->Document().IsModified() ? "Modified" : "");
    if (frame) frame->RefreshTitle();
}

// --- Documents and the selector ------------------------------------------------------------------

CChildFrmMaps* CMainFrame::ActiveMapsFrame() const {
    // currentSubWindow, not activeSubWindow: the latter is null while the application is not
    // the active one (another program in front, offscreen runs).
    return qobject_cast<CChildFrmMaps*>(m_mdi->currentSubWindow());
}

CChildFrmMaps* CMainFrame::WorkingMapsFrame() const {
    if (CChildFrmMaps* frame = ActiveMapsFrame()) return frame;
    return m_workingMapsFrame.data();
}

CMapsView* CMainFrame::ActiveMapsView() const {
    CChildFrmMaps* frame = ActiveMapsFrame();
    return frame ? frame->CurrentMapsView() : nullptr;
}

QList<CChildFrmMaps*> CMainFrame::MapsFrames() const {
    QList<CChildFrmMaps*> frames;
    for (QMdiSubWindow* sub : m_mdi->subWindowList())
        if (auto* f = qobject_cast<CChildFrmMaps*>(sub)) frames << f;
    return frames;
}

void CMainFrame::ReleaseAccelerators(QMdiSubWindow* frame) {
    // A document window's system menu claims the desktop's close keys (Ctrl+W among them);
    // the frame's accelerators win, or a key claimed twice would do nothing at all.
    QList<QKeySequence> ours;
    for (const auto& [id, action] : m_actions) ours << action->shortcuts();
    if (QMenu* menu = frame->systemMenu()) {
        for (QAction* a : menu->actions()) {
            QList<QKeySequence> keys = a->shortcuts();
            const auto before = keys.size();
            keys.removeIf([&](const QKeySequence& k) { return ours.contains(k); });
            if (keys.size() != before) a->setShortcuts(keys);
        }
    }
}

void CMainFrame::AddMapsFrame(CChildFrmMaps* frame) {
    ReleaseAccelerators(frame);
    connect(frame, &CChildFrmMaps::mapShown, this, &CMainFrame::OnMapShown);
    ConnectTables(frame);
    connect(frame, &CChildFrmMaps::documentEdited, this, [this](CChildFrmMaps* edited) {
        RefreshTitle();
        if (edited == m_differencesFrame) RefreshDifferences();
    });
    connect(frame, &CChildFrmMaps::comparisonChanged, this, [this](CChildFrmMaps* changed) {
        if (changed == ActiveMapsFrame() || changed == m_differencesFrame) RefreshDifferences();
    });
    connect(frame, &CChildFrmMaps::autoTuneToggled, this, [this, frame] {
        RefreshLinkUi();
        if (const CMapsView* view = frame->MapsView(); view && !view->LastAutoTuneText().isEmpty())
            statusBar()->showMessage(view->LastAutoTuneText(), 15000);
    });
    connect(frame, &CChildFrmMaps::autoTunePendingChanged, this, [this] { RefreshAutoTuneLabel(); });
    connect(frame, &CChildFrmMaps::historyChanged, this, [this](CChildFrmMaps* changed) {
        if (changed == ActiveMapsFrame()) RefreshHistory();
    });
    connect(frame, &CChildFrmMaps::autoTuneDiscarded, this, [this](CChildFrmMaps*, int count) {
        statusBar()->showMessage(
            QString("%1 AutoTune correction%2 discarded: another map is shown.").arg(count).arg(count == 1 ? " was" : "s were"),
            10000);
    });
    connect(frame, &QObject::destroyed, this, [this, frame] {
        m_placedChildren.removeAll(frame);
        // The last maps window gone: no row is in front for AutoTune to work at.
        if (MapsFrames().isEmpty()) m_app.State().targetEngineSpeed = 0;
        if (m_selectorDocument == frame) {
            m_selectorDocument = nullptr;
            m_selector->Fill({});
        }
        // The document's comparison goes with it, and its list with the bar.
        if (m_differencesFrame == frame || m_differencesFrame.isNull()) {
            m_differencesFrame = nullptr;
            RefreshDifferences();
        }
        ReloadMenu();
        RefreshTitle();
        RefreshLinkUi();
    });
    m_mdi->addSubWindow(frame);
    // Maps windows open at (50, 50), sized to the client area, until their first activation
    // places them as the user last had them.
    frame->setGeometry(50, 50, m_mdi->viewport()->width(), m_mdi->viewport()->height());
    frame->show();
    m_mdi->setActiveSubWindow(frame);
    OnSubWindowActivated(frame);
}

void CMainFrame::AddChildFrame(QMdiSubWindow* frame) {
    ReleaseAccelerators(frame);
    m_mdi->addSubWindow(frame);
    frame->setGeometry(0, 0, m_mdi->viewport()->width(), m_mdi->viewport()->height());
    frame->show();
    connect(frame, &QObject::destroyed, this, [this] { ReloadMenu(); });
}

void CMainFrame::OnSubWindowActivated(QMdiSubWindow* window) {
    if (auto* frame = qobject_cast<CChildFrmMaps*>(window)) {
        if (!m_placedChildren.contains(frame)) {
            m_placedChildren << frame;
            ApplyChildPlacement(frame);
        }
        RefreshSelector();
        if (frame != m_differencesFrame) RefreshDifferences();
        m_workingMapsFrame = frame;
        if (CMapsView* view = frame->CurrentMapsView())
            OnMapShown(frame, view->MapIndex());
        else if (CTableView* table = frame->TableOnShow())
            FollowTargetRow(frame, table->ActiveMapIndex());
        InstallStreamHooks();
    }
    RefreshAutoTuneLabel();
    ReloadMenu();
    RefreshTitle();
    UpdateCommandStates();
}

void CMainFrame::RefreshSelector() {
    CChildFrmMaps* frame = ActiveMapsFrame();
    if (!frame) return;  // the tree keeps the last maps document's entries
    if (m_selectorDocument != frame) {
        m_selectorDocument = frame;
        m_selector->Fill(frame->Document().SelectorTree());
    }
    if (CMapsView* view = frame->CurrentMapsView()) m_selector->FollowMap(view->MapIndex());
    if (CTableView* table = frame->TableOnShow(); table && table->Family())
        m_selector->FollowMap(frame->Document().SelectorNumberOfTable(table->Family()->Name()));
}

void CMainFrame::OnSelectorEntry(int number, int kind) {
    CChildFrmMaps* frame = ActiveMapsFrame();
    if (!frame) {
        m_app.GetPrompter().Message(kNoDocumentMessage);
        return;
    }
    // Showing a view gives it the keys; a tuner walking the tree with the arrow keys keeps them
    // in the tree (Enter hands them to the view).
    const bool fromTree = m_selector->Tree()->hasFocus();
    switch (kind) {
        case CPPageTuningMapSelector::kKindMap: frame->ShowView(CChildFrmMaps::ViewKind::kMaps, number); break;
        case CPPageTuningMapSelector::kKindAdvancedMap:
            frame->ShowView(CChildFrmMaps::ViewKind::kAdvancedUserMaps, number);
            break;
        case CPPageTuningMapSelector::kKindBasicSettings: frame->ShowView(CChildFrmMaps::ViewKind::kBasicSettings); break;
        case CPPageTuningMapSelector::kKindWarranty: frame->ShowView(CChildFrmMaps::ViewKind::kWarranty); break;
        case CPPageTuningMapSelector::kKindTable: OnTableEntry(number); break;
        default: return;
    }
    frame->UpdateAllViews();
    if (fromTree) m_selector->Tree()->setFocus(Qt::OtherFocusReason);
}

void CMainFrame::OnMapShown(CChildFrmMaps* frame, int mapIndex) {
    if (frame != ActiveMapsFrame()) return;
    FollowTargetRow(frame, mapIndex);
    // The next start reopens the last file on this map.
    if (CModuleMap* map = frame->Document().GetMap(mapIndex))
        m_app.Settings().SetText(CCorvaneApp::kSettingsSection, CCorvaneApp::kLastMapEntry, map->GetClassName());
    m_selector->FollowMap(mapIndex);
}

void CMainFrame::FollowTargetRow(CChildFrmMaps* frame, int mapIndex) {
    // The row key of the map or table row in front is the engine speed AutoTune works at, and
    // while it tracks, the engine speed gauge's bands. It follows the window in front however
    // it got there (a map shown, a table row moved to, a window activated), so that the bands
    // always describe the row the tuner sees.
    if (CModuleMap* map = frame->Document().GetMap(mapIndex)) m_app.State().targetEngineSpeed = map->GetRowKey();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!m_app.CloseAllDocuments()) {
        event->ignore();
        return;
    }
    SaveState();
    m_dataLinkBox->hide();
    m_monitorBox->hide();
    event->accept();
}

}  // namespace corvane
