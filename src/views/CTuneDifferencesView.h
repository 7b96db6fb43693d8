#pragma once

#include <QWidget>

#include <vector>

#include "documents/TuneDifferences.h"

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace corvane {

class CTuneComparison;

// The list of differences between a maps document and the tune it is compared with: the base
// map name, every basic setting and every map point that differ, each with the document's and
// the compared tune's value in display units. It lists what the core's comparison finds and
// passes the user's choices on; it never edits anything itself.
class CTuneDifferencesView : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kTakeValueText = "Take Value";

    explicit CTuneDifferencesView(QWidget* parent = nullptr);

    // Lists the differences of this comparison as they are now (null: an empty list). The
    // chosen row stays chosen while it still differs; otherwise the row that took its place.
    void Show(const CTuneComparison* comparison);
    [[nodiscard]] const CTuneComparison* Comparison() const { return m_comparison; }

    // What the list holds, for the frame and for tests.
    [[nodiscard]] const TuneDifferences& Differences() const { return m_differences; }
    [[nodiscard]] QTreeWidget* Tree() const { return m_tree; }
    [[nodiscard]] QPushButton* TakeValueButton() const { return m_take; }
    [[nodiscard]] QString Caption() const;
    // Chooses the row of this map point, as a click does; false when it is not listed.
    bool ChoosePoint(int mapIndex, int point);
    // Chooses the row of this basic setting, as a click does; false when it is not listed.
    bool ChooseSetting(int index);
    // The map point of the chosen row, if the chosen row is one.
    [[nodiscard]] bool ChosenPoint(int& mapIndex, int& point) const;
    // Take Value on the chosen row, as the button does.
    void TakeChosenValue();

signals:
    // A row of a map point was chosen: show that map with that point active.
    void pointChosen(int mapIndex, int point);
    // A row of a basic setting was chosen.
    void settingChosen(int index);
    // Take Value on a map point's row.
    void takeValueRequested(int mapIndex, int point);
    // Take Value on a basic setting's row.
    void takeSettingRequested(int index);

private:
    enum class RowKind { kBaseMapName, kSetting, kPoint };
    void OnCurrentChanged(QTreeWidgetItem* item);
    void OnContextMenu(const QPoint& position);
    void UpdateTakeButton();
    [[nodiscard]] bool CanTake(const QTreeWidgetItem* item) const;

    const CTuneComparison* m_comparison = nullptr;
    TuneDifferences m_differences;
    QLabel* m_caption = nullptr;
    QTreeWidget* m_tree = nullptr;
    QPushButton* m_take = nullptr;
    bool m_filling = false;
};

}  // namespace corvane
