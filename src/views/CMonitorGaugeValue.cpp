#include "views/CMonitorGaugeValue.h"

#include <QFontMetrics>
#include <QPainter>

#include "views/GaugePalette.h"

namespace corvane {

CMonitorGaugeValue::CMonitorGaugeValue(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CMonitorGaugeValue::SetValue(const QString& text, std::uint8_t colourIndex) {
    if (text == m_text && colourIndex == m_colour) return;
    m_text = text;
    m_colour = colourIndex;
    update();
}

void CMonitorGaugeValue::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), GaugeColour(m_colour));
    QFont font("Arial");
    font.setPixelSize(30);
    font.setWeight(QFont::Bold);
    // A long value ("7936.00 rpm") gets a smaller font rather than losing its units.
    const int room = width() - 30 - 2;
    for (int size = 30; size > 12 && QFontMetrics(font).horizontalAdvance(m_text) > room; size -= 2) font.setPixelSize(size - 2);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(QRect(30, 3, width() - 30, height() - 3), Qt::AlignLeft | Qt::AlignVCenter, m_text);
}

}  // namespace corvane
