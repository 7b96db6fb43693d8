#include "app/CChildFrame.h"

#include <QLabel>

#include "monitor/CCorvaneMonitorDoc.h"

namespace corvane {

CChildFrame::CChildFrame(QWidget* parent)
    : QMdiSubWindow(parent), m_document(std::make_unique<CCorvaneMonitorDoc>()) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("Monitor");
    auto* label = new QLabel("Live values: link to the module and start the monitor stream.");
    label->setAlignment(Qt::AlignCenter);
    setWidget(label);
}

CChildFrame::~CChildFrame() = default;

}  // namespace corvane
