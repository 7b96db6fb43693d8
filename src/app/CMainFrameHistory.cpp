// The main frame's part of the edit history: Undo Last Edit, Redo, the History list and
// accepting the clamped values of a damaged file, all on the maps document in front.
#include <QAction>
#include <QStatusBar>

#include "app/CChildFrmMaps.h"
#include "app/CMainFrame.h"
#include "app/CommandTable.h"
#include "documents/CCorvaneMapsDoc.h"
#include "maps/EditHistory.h"
#include "views/CHistoryDock.h"

namespace corvane {

void CMainFrame::BuildHistoryDock() {
    m_historyDock = new CHistoryDock(this);
    addDockWidget(Qt::RightDockWidgetArea, m_historyDock);
    m_historyDock->hide();
    connect(m_historyDock, &CHistoryDock::positionChosen, this, &CMainFrame::GoToHistoryPosition);
    connect(m_historyDock, &QDockWidget::visibilityChanged, this, [this](bool) {
        if (QAction* view = Action(cmd::kViewHistory)) view->setChecked(!m_historyDock->isHidden());
    });
}

void CMainFrame::OnHistoryCommand(int id) {
    if (id == cmd::kViewHistory) {
        m_historyDock->setVisible(Action(id)->isChecked());
        RefreshHistory();
        return;
    }
    CChildFrmMaps* frame = ActiveMapsFrame();
    if (frame == nullptr) return;
    CCorvaneMapsDoc& doc = frame->Document();
    switch (id) {
        case cmd::kEditUndoLastEdit:
            if (doc.History().CanUndo()) {
                const std::string text = doc.History().Description(doc.History().Position() - 1);
                doc.History().Undo();
                statusBar()->showMessage(QString("Undone: %1").arg(QString::fromStdString(text)), 5000);
            }
            break;
        case cmd::kEditRedo:
            if (doc.History().CanRedo()) {
                doc.History().Redo();
                const std::string text = doc.History().Description(doc.History().Position() - 1);
                statusBar()->showMessage(QString("Redone: %1").arg(QString::fromStdString(text)), 5000);
            }
            break;
        case cmd::kEditAcceptClamped: {
            const std::size_t count = doc.UnresolvedOutOfLimits().size();
            doc.AcceptClampedValues();
            statusBar()->showMessage(QString("%1 clamped value%2 accepted.").arg(count).arg(count == 1 ? "" : "s"), 5000);
            break;
        }
        default: return;
    }
    AfterHistoryMove(*frame);
}

void CMainFrame::GoToHistoryPosition(int position) {
    CChildFrmMaps* frame = ActiveMapsFrame();
    if (frame == nullptr || position < 0) return;
    // Queued from the list's own signal: the list is filled again only after it returned.
    QMetaObject::invokeMethod(
        this,
        [this, f = QPointer<CChildFrmMaps>(frame), position] {
            if (!f || f != ActiveMapsFrame()) return;
            if (f->Document().History().GoTo(static_cast<std::size_t>(position))) AfterHistoryMove(*f);
        },
        Qt::QueuedConnection);
}

void CMainFrame::AfterHistoryMove(CChildFrmMaps& frame) {
    frame.UpdateAllViews();
    if (&frame == m_differencesFrame) RefreshDifferences();
    RefreshTitle();
    RefreshHistory();
}

void CMainFrame::RefreshHistory() {
    CChildFrmMaps* frame = ActiveMapsFrame();
    const EditHistory* history = frame != nullptr ? &frame->Document().History() : nullptr;
    Action(cmd::kEditUndoLastEdit)->setEnabled(history != nullptr && history->CanUndo());
    Action(cmd::kEditRedo)->setEnabled(history != nullptr && history->CanRedo());
    Action(cmd::kEditAcceptClamped)->setEnabled(frame != nullptr && !frame->Document().UnresolvedOutOfLimits().empty());
    if (m_historyDock != nullptr && !m_historyDock->isHidden()) m_historyDock->ShowHistory(history);
}

}  // namespace corvane
