// CMainFrame: comparing the active tune with a second one, and the "Differences" bar that
// lists where they differ.
#include <QDockWidget>
#include <QFileInfo>
#include <QMdiArea>
#include <QStatusBar>

#include "app/CCorvaneApp.h"
#include "app/CChildFrmMaps.h"
#include "app/CMainFrame.h"
#include "app/CommandTable.h"
#include "documents/CCorvaneMapsDoc.h"
#include "documents/CTuneComparison.h"
#include "maps/CModuleMap.h"
#include "model/Prompter.h"
#include "views/CCorvaneBasicSettingsView.h"
#include "views/CMapsView.h"
#include "views/CPPageTuningMapSelector.h"
#include "views/CTuneDifferencesView.h"

namespace corvane {

void CMainFrame::BuildDifferencesBar() {
    m_differencesBar = new QDockWidget("Differences", this);
    m_differencesBar->setObjectName("Differences");
    m_differencesBar->setAllowedAreas(Qt::AllDockWidgetAreas);
    m_differences = new CTuneDifferencesView(m_differencesBar);
    m_differencesBar->setWidget(m_differences);
    addDockWidget(Qt::RightDockWidgetArea, m_differencesBar);
    resizeDocks({m_differencesBar}, {460}, Qt::Horizontal);
    m_differencesBar->hide();
    connect(m_differences, &CTuneDifferencesView::pointChosen, this, &CMainFrame::OnDifferenceChosen);
    connect(m_differencesBar, &QDockWidget::visibilityChanged, this, [this](bool) {
        if (QAction* view = Action(cmd::kViewDifferences)) view->setChecked(!m_differencesBar->isHidden());
    });
    connect(m_differences, &CTuneDifferencesView::takeValueRequested, this, &CMainFrame::OnTakeValue);
    connect(m_differences, &CTuneDifferencesView::takeSettingRequested, this, &CMainFrame::OnTakeSetting);
    connect(m_differences, &CTuneDifferencesView::settingChosen, this, [this](int) {
        if (CChildFrmMaps* frame = m_differencesFrame.data()) {
            if (frame != ActiveMapsFrame()) m_mdi->setActiveSubWindow(frame);
            OnSelectorEntry(frame->Document().GetMapCount(), CPPageTuningMapSelector::kKindBasicSettings);
        }
    });
}

void CMainFrame::OnCompareWith() {
    CChildFrmMaps* frame = ActiveMapsFrame();
    if (!frame) return;
    const auto picked = m_app.GetPrompter().PickOpenFile(CCorvaneApp::kMapFileFilter, "crv");
    if (!picked) return;
    auto opened = CTuneComparison::Open(frame->Document(), *picked);
    if (!opened.comparison) {
        // A refused file changes nothing: a comparison already shown stays.
        m_app.GetPrompter().Message(opened.message, {}, Prompter::Icon::Error);
        return;
    }
    frame->SetComparison(std::move(opened.comparison));
    statusBar()->showMessage("Comparing with " + QFileInfo(QString::fromStdString(*picked)).fileName() + ".", 5000);
    m_differencesBar->show();
    m_differencesBar->raise();
}

void CMainFrame::RefreshDifferences() {
    // Like the selector, the bar keeps the last maps document's list while another window
    // (the monitor) is in front.
    if (CChildFrmMaps* frame = ActiveMapsFrame()) m_differencesFrame = frame;
    CChildFrmMaps* frame = m_differencesFrame.data();
    const CTuneComparison* comparison = frame ? frame->Comparison() : nullptr;
    m_differences->Show(comparison);
    // The bar opens with a new comparison; after that it stays as the user left it (View >
    // Differences brings it back), so an edit never reopens a bar the user closed.
    const bool newComparison = comparison != m_differencesShownFor;
    m_differencesShownFor = comparison;
    if (!comparison) {
        m_differencesBar->hide();
    } else if (newComparison) {
        m_differencesBar->show();
        m_differencesBar->raise();
    }
    if (QAction* stop = Action(cmd::kStopComparing)) stop->setEnabled(comparison != nullptr);
    if (QAction* view = Action(cmd::kViewDifferences)) view->setEnabled(comparison != nullptr);
}

void CMainFrame::OnDifferenceChosen(int mapIndex, int point) {
    CChildFrmMaps* frame = m_differencesFrame.data();
    if (!frame) return;
    if (frame != ActiveMapsFrame()) m_mdi->setActiveSubWindow(frame);
    // As the selector shows a map; a document shown in its trim view stays in it.
    if (frame->CurrentViewKind() == CChildFrmMaps::ViewKind::kAdvancedUserMaps)
        OnSelectorEntry(mapIndex, CPPageTuningMapSelector::kKindAdvancedMap);
    else
        OnSelectorEntry(mapIndex, CPPageTuningMapSelector::kKindMap);
    if (CMapsView* view = frame->CurrentMapsView()) view->SetActivePoint(point);
}

void CMainFrame::OnTakeValue(int mapIndex, int point) {
    CChildFrmMaps* frame = m_differencesFrame.data();
    if (!frame) return;
    OnDifferenceChosen(mapIndex, point);
    CMapsView* view = frame->CurrentMapsView();
    if (!view || view->MapIndex() != mapIndex || !view->TakeComparedValue(point)) {
        statusBar()->showMessage("There is no value to take for this point.", 5000);
        return;
    }
    // The edit refreshed the list; a point still listed kept part of its value (a trim is held
    // within the point's margins, a base within its range).
    for (const PointDifference& d : m_differences->Differences().points)
        if (d.mapIndex == mapIndex && d.point == point)
            statusBar()->showMessage("The point could not take the whole value: its range or trim margins hold it.", 10000);
}

void CMainFrame::OnTakeSetting(int index) {
    CChildFrmMaps* frame = m_differencesFrame.data();
    const CTuneComparison* comparison = frame ? frame->Comparison() : nullptr;
    const CBasicSettingsModuleValue* source = comparison ? comparison->Compared().GetSetting(index) : nullptr;
    if (!source) return;
    if (frame != ActiveMapsFrame()) m_mdi->setActiveSubWindow(frame);
    // Through the settings view, as an accepted entry of the setting's own dialog.
    OnSelectorEntry(frame->Document().GetMapCount(), CPPageTuningMapSelector::kKindBasicSettings);
    if (CCorvaneBasicSettingsView* view = frame->BasicSettingsView()) view->TakeValue(index, source->GetDisplayValue());
}

}  // namespace corvane
