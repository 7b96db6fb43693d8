// CMainFrame: where the windows are. The main window's placement ("WindowPlacement"), the bar
// layout ("ToolBarStates"), the maps windows' placement ("LastActiveDocPosition"), and the
// width of the map selector, which a window shrunk and grown again gives back.
#include <QDockWidget>
#include <QEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QResizeEvent>
#include <QTimer>

#include <algorithm>

#include "app/CCorvaneApp.h"
#include "app/CChildFrmMaps.h"
#include "app/CMainFrame.h"
#include "app/WindowPlacement.h"
#include "model/SettingsStore.h"
#include "model/TargetAfrSetting.h"

namespace corvane {

namespace {

constexpr const char* kChildSection = "LastActiveDocPosition";
// What the documents' windows keep when the selector takes back its width.
constexpr int kLeastClientWidth = 360;

}  // namespace

void CMainFrame::ApplyChildPlacement(QMdiSubWindow* window) {
    const QSize client = m_mdi->viewport()->size();
    WindowPlacement defaults;
    defaults.showCmd = kShowNormal;
    defaults.rect = QRect(QPoint(150, 0), QPoint(static_cast<int>(0.8 * client.width()), static_cast<int>(0.85 * client.height())));
    const WindowPlacement placement = ReadPlacement(m_app.Settings(), kChildSection, defaults);
    ApplyPlacement(*window, placement);
}

void CMainFrame::SaveChildPlacement(QMdiSubWindow* window) {
    WritePlacement(m_app.Settings(), kChildSection, PlacementOf(*window));
}

void CMainFrame::RestorePlacement() {
    WindowPlacement defaults = PlacementOf(*this);
    ApplyPlacement(*this, ReadPlacement(m_app.Settings(), "WindowPlacement", defaults));
    // Once the restored layout has settled, the selector's width is the one to keep.
    QTimer::singleShot(0, this, [this] { WatchSelectorWidth(); });
}

void CMainFrame::SaveState() {
    WritePlacement(m_app.Settings(), "WindowPlacement", PlacementOf(*this));
    const QByteArray state = saveState();
    m_app.Settings().SetBinary(kToolBarSection, kToolBarEntry, std::vector<std::uint8_t>(state.begin(), state.end()));
    WriteTargetAfr(m_app.Settings(), m_app.State().targetAfr);
    if (CChildFrmMaps* frame = ActiveMapsFrame()) SaveChildPlacement(frame);
}

void CMainFrame::WatchSelectorWidth() {
    if (m_selectorBar->isVisible() && !m_selectorBar->isFloating()) m_selectorWidth = m_selectorBar->width();
    m_frameWidthSeen = width();
    m_selectorBar->installEventFilter(this);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_selectorBar && event->type() == QEvent::Resize && !m_selectorBar->isFloating()) {
        // The bar changes width with the window (the layout squeezes it) or because the tuner
        // dragged its edge: only the drag says how wide the tuner wants it.
        if (width() == m_frameWidthSeen && !m_restoringSelector) m_selectorWidth = m_selectorBar->width();
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    m_frameWidthSeen = width();
    // After the layout has settled: a window grown again gives the selector its width back.
    QTimer::singleShot(0, this, [this] {
        if (!m_selectorBar || m_selectorBar->isFloating() || !m_selectorBar->isVisible()) return;
        if (m_selectorBar->width() >= m_selectorWidth) return;
        const int room = width() - kLeastClientWidth;
        const int wanted = std::min(m_selectorWidth, room);
        if (wanted <= m_selectorBar->width()) return;
        m_restoringSelector = true;
        resizeDocks({m_selectorBar}, {wanted}, Qt::Horizontal);
        m_restoringSelector = false;
    });
}

}  // namespace corvane
