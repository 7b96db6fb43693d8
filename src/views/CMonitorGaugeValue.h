#pragma once

#include <QString>
#include <QWidget>

#include <cstdint>

namespace corvane {

// The value box of an own window: the value and its units in Arial bold 30 on the colour of
// its state (amber below the yellow stop, green from it, red from the red start).
class CMonitorGaugeValue : public QWidget {
    Q_OBJECT
public:
    explicit CMonitorGaugeValue(QWidget* parent = nullptr);
    // Repaints only when the text or the colour changed.
    void SetValue(const QString& text, std::uint8_t colourIndex);
    [[nodiscard]] QString Text() const { return m_text; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    std::uint8_t m_colour = 32;
};

}  // namespace corvane
