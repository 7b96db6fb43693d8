#include "app/CChildFrame.h"

#include <QLabel>
#include <QStyle>

#include "monitor/CCorvaneMonitorDoc.h"
#include "views/CCorvaneMonitorView.h"

namespace corvane {

CChildFrame::CChildFrame(QWidget* parent)
    : QMdiSubWindow(parent), m_document(std::make_unique<CCorvaneMonitorDoc>()) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("Monitor");
    setObjectName("MonitorFrame");
}

CChildFrame::~CChildFrame() {
    // The view saves its items and closes its gauge windows while the document still exists.
    delete widget();
}

void CChildFrame::SetView(CCorvaneMonitorView* view) {
    m_view = view;
    setWidget(view);
    // The group window has no caption of its own.
    setWindowFlags(Qt::FramelessWindowHint);
    connect(view, &CCorvaneMonitorView::groupResized, this, &CChildFrame::FitToView);
    FitToView(view->GroupSize());
}

void CChildFrame::FitToView(QSize group) {
    const QMargins frame = contentsMargins();
    setGeometry(0, 0, group.width() + frame.left() + frame.right(), group.height() + frame.top() + frame.bottom());
}

}  // namespace corvane
