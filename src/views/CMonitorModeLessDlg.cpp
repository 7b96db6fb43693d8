#include "views/CMonitorModeLessDlg.h"

#include <QMouseEvent>

#include "monitor/CMonitorModel.h"
#include "views/CMonitorGauge.h"
#include "views/CMonitorGaugeValue.h"

namespace corvane {

CMonitorModeLessDlg::CMonitorModeLessDlg(int itemIndex, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_item(itemIndex),
      m_value(new CMonitorGaugeValue(this)),
      m_gauge(new CMonitorGauge(this)) {
    setObjectName(QString("OwnWindow%1").arg(itemIndex));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(kWidth, kHeight);
    m_value->setGeometry(5, 3, kWidth - 10, 42);
    m_gauge->setGeometry(5, 49, kWidth - 10, 28);
    setToolTip("Click to set up this gauge");
}

void CMonitorModeLessDlg::Refresh(const CModeLessArrayItem& record) {
    const QString caption = QString::fromStdString(record.gauge.Caption());
    if (windowTitle() != caption) setWindowTitle(caption);
    m_value->SetValue(QString::fromStdString(record.gauge.ValueBoxText()), record.gauge.ColourIndex());
    m_gauge->SetState(record.gauge);
}

void CMonitorModeLessDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit setupRequested(m_item);
    QWidget::mousePressEvent(event);
}

void CMonitorModeLessDlg::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    emit moved(m_item, x(), y());
}

}  // namespace corvane
