#include "app/LinkIcons.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace corvane {

namespace {

constexpr int kSize = 32;

QColor StateColour(LinkIconState state) {
    switch (state) {
        case LinkIconState::kUnlinked: return QColor(150, 150, 150);
        case LinkIconState::kLinked: return QColor(0, 160, 0);
        case LinkIconState::kMonitoring: return QColor(220, 120, 0);
    }
    return Qt::gray;
}

QPixmap Canvas() {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

}  // namespace

QIcon LinkButtonIcon(LinkIconState state) {
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor colour = StateColour(state);
    p.setPen(QPen(colour, 3.5));
    p.setBrush(Qt::NoBrush);
    // Two chain links: joined while linked, apart while unlinked.
    const int gap = state == LinkIconState::kUnlinked ? 4 : 0;
    p.drawRoundedRect(QRectF(3 - gap, 11, 15, 10), 5, 5);
    p.drawRoundedRect(QRectF(14 + gap, 11, 15, 10), 5, 5);
    return QIcon(pixmap);
}

QIcon MonitorButtonIcon(LinkIconState state) {
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor colour = StateColour(state);
    // A gauge: an arc with a needle, the needle up while the stream runs.
    p.setPen(QPen(colour, 3));
    p.drawArc(QRectF(3, 6, 26, 26), 0, 180 * 16);
    p.setPen(QPen(state == LinkIconState::kMonitoring ? QColor(200, 0, 0) : colour, 2.5));
    const QPointF centre(16, 19);
    p.drawLine(centre, state == LinkIconState::kMonitoring ? QPointF(24, 10) : QPointF(6, 17));
    p.setBrush(colour);
    p.drawEllipse(centre, 2.5, 2.5);
    return QIcon(pixmap);
}

QIcon AutoTuneIcon(bool on) {
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(on ? QColor(0, 170, 0) : QColor(225, 225, 225));
    p.setPen(QPen(on ? QColor(0, 100, 0) : QColor(140, 140, 140), 1.5));
    p.drawRoundedRect(QRectF(1.5, 5.5, 29, 21), 4, 4);
    QFont font("Arial");
    font.setBold(true);
    font.setPixelSize(13);
    p.setFont(font);
    p.setPen(on ? Qt::white : QColor(90, 90, 90));
    p.drawText(QRectF(0, 5, 32, 22), Qt::AlignCenter, "AT");
    return QIcon(pixmap);
}

QIcon GlyphIcon(const QString& glyph, const QColor& colour) {
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QFont font("Arial");
    font.setBold(true);
    font.setPixelSize(glyph.size() > 1 ? 14 : 22);
    p.setFont(font);
    p.setPen(colour);
    p.drawText(QRectF(0, 0, kSize, kSize), Qt::AlignCenter, glyph);
    return QIcon(pixmap);
}

}  // namespace corvane
