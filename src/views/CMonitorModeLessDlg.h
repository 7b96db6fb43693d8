#pragma once

#include <QWidget>

namespace corvane {

class CMonitorGauge;
class CMonitorGaugeValue;
struct CModeLessArrayItem;

// "Monitored Value": the own window of one live value, a small tool window with the value
// box above the bar gauge. A click asks for the item's setup; moving it is remembered.
class CMonitorModeLessDlg : public QWidget {
    Q_OBJECT
public:
    // The window's size (133 x 49 dialog units of the dialog font).
    static constexpr int kWidth = 200;
    static constexpr int kHeight = 82;

    CMonitorModeLessDlg(int itemIndex, QWidget* parent);

    [[nodiscard]] int ItemIndex() const { return m_item; }
    // Shows what the record's gauge state holds.
    void Refresh(const CModeLessArrayItem& record);
    [[nodiscard]] CMonitorGauge& Gauge() const { return *m_gauge; }
    [[nodiscard]] CMonitorGaugeValue& ValueBox() const { return *m_value; }

signals:
    void setupRequested(int itemIndex);
    void moved(int itemIndex, int left, int top);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    int m_item;
    CMonitorGaugeValue* m_value;
    CMonitorGauge* m_gauge;
};

}  // namespace corvane
