// CMainFrame: the tables of the speed-indexed families: the selector's "Tables" entries, View >
// Table / Curve, and what the table view tells the frame.
#include <QMdiArea>
#include <QPointer>
#include <QStatusBar>

#include "app/CCorvaneApp.h"
#include "app/CChildFrmMaps.h"
#include "app/CMainFrame.h"
#include "documents/CCorvaneMapsDoc.h"
#include "link/CLinkController.h"
#include "maps/CModuleMap.h"
#include "views/CMapsView.h"
#include "views/CPPageTuningMapSelector.h"
#include "views/CTableView.h"

namespace corvane {

CTableView* CMainFrame::ActiveTableView() const {
    CChildFrmMaps* frame = ActiveMapsFrame();
    return frame ? frame->TableOnShow() : nullptr;
}

void CMainFrame::ConnectTables(CChildFrmMaps* frame) {
    connect(frame, &CChildFrmMaps::tableShown, this, [this](CChildFrmMaps* shown, int number) {
        if (shown == ActiveMapsFrame()) m_selector->FollowMap(number);
    });
    connect(frame, &CChildFrmMaps::tableRowChanged, this, [this](CChildFrmMaps* shown, int mapIndex) {
        // The active row's speed is the engine speed AutoTune works at, as the shown map's is.
        if (shown == ActiveMapsFrame()) FollowTargetRow(shown, mapIndex);
    });
}

void CMainFrame::OnTableEntry(int number) {
    CChildFrmMaps* frame = ActiveMapsFrame();
    if (!frame) return;
    const std::string family = frame->Document().TableOfSelectorNumber(number);
    if (!family.empty()) frame->ShowTable(family);
}

void CMainFrame::OnViewTable() {
    CChildFrmMaps* frame = ActiveMapsFrame();
    if (!frame) return;
    if (CTableView* table = frame->TableOnShow()) {
        table->RunCommand(TableCommand::ShowCurve);
    } else if (CMapsView* view = frame->CurrentMapsView()) {
        if (!frame->ShowTableAt(view->MapIndex(), view->Editor().ActivePoint()))
            statusBar()->showMessage("The shown map is no row of a table.", 5000);
    }
}

void CMainFrame::InstallStreamHooks() {
    // The window is the one activated last (the monitor window may be in front when the stream
    // stops); its view is looked up when the stream starts or stops, since the user may have
    // switched between the curve and the table meanwhile.
    const QPointer<CChildFrmMaps> frame = ActiveMapsFrame();
    m_app.Link().SetViewHooks(
        [frame] {
            if (CMapsView* view = frame ? frame->CurrentMapsView() : nullptr) view->update();
        },
        [frame] {
            if (!frame) return;
            for (CMapsView* view : {frame->MapsView(), frame->AdvancedView()})
                if (view) view->ClearMapPointer();
            if (CTableView* table = frame->TableView()) table->ClearLivePosition();
        });
}

}  // namespace corvane
