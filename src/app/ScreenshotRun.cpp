#include "app/ScreenshotRun.h"

#include <QApplication>
#include <QDir>
#include <QMdiArea>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

#include "app/CChildFrmMaps.h"
#include "app/CCorvaneApp.h"
#include "app/CMainFrame.h"
#include "app/CommandTable.h"
#include "app/QtSettingsStore.h"
#include "documents/CCorvaneMapsDoc.h"
#include "model/Prompter.h"
#include "views/CAFRCalculatorDlg.h"
#include "views/CHotKeyHelpDlg.h"
#include "views/CMapsView.h"
#include "views/CPPageTuningMapSelector.h"

namespace corvane {

namespace {

constexpr const char* kShownMap = "Stoichiometric2048Map";

bool Save(QWidget& widget, const QDir& dir, const char* name) {
    QCoreApplication::processEvents();
    const QString path = dir.filePath(name);
    if (!widget.grab().save(path, "PNG")) {
        std::fprintf(stderr, "corvane: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

}  // namespace

int RunScreenshots(const QString& dirPath, const std::optional<std::string>& port) {
    QDir dir(dirPath);
    if (!dir.mkpath(".")) {
        std::fprintf(stderr, "corvane: cannot create %s\n", qPrintable(dirPath));
        return 1;
    }
    QTemporaryDir settingsDir;
    QtSettingsStore settings(settingsDir.filePath("corvane.ini"));
    SilentPrompter prompter(Prompter::Answer::Ok);  // nothing may wait for a click here
    CCorvaneApp app(settings, prompter);
    AppOptions options;
    options.reopenLastFile = false;
    options.port = port.value_or("sim");
    options.productCode = 1;
    if (!app.InitInstance(options)) return 1;

    CMainFrame& frame = app.Frame();
    frame.showNormal();
    frame.resize(1280, 860);
    QCoreApplication::processEvents();
    frame.RunCommand(cmd::kRead);
    CChildFrmMaps* maps = frame.ActiveMapsFrame();
    if (!maps) return 1;
    const int index = maps->Document().FindMap(kShownMap);
    frame.Selector().SelectNumber(index);
    maps->showMaximized();
    QCoreApplication::processEvents();

    bool ok = Save(frame, dir, "main-window.png");
    if (CMapsView* view = maps->MapsView()) ok = Save(*view, dir, "maps-view.png") && ok;
    maps->ShowView(CChildFrmMaps::ViewKind::kAdvancedUserMaps, index);
    if (CMapsView* view = maps->AdvancedView()) ok = Save(*view, dir, "adv-maps-view.png") && ok;
    maps->ShowView(CChildFrmMaps::ViewKind::kMaps, index);

    CAFRCalculatorDlg calculator(app.State(), &frame);
    calculator.show();
    ok = Save(calculator, dir, "afr-calculator.png") && ok;
    calculator.hide();
    CHotKeyHelpDlg help(&frame);
    help.show();
    ok = Save(help, dir, "hotkey-help.png") && ok;
    help.hide();

    // Nothing to keep: the run's document was never the user's.
    app.CloseAllDocumentsWithoutAsking();
    return ok ? 0 : 1;
}

}  // namespace corvane
