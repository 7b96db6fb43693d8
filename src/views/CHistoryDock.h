#pragma once

#include <QDockWidget>

class QListWidget;

namespace corvane {

class EditHistory;

// The History list: the edit history of the maps document in front, its baseline first (the
// file opened, the READ, the new tune), then every step. The steps up to the document's
// position are shown as done, the ones after it (which Redo would do again) greyed. A click
// on a row returns the document to that row: undone or redone through the history, as the
// Undo Last Edit and Redo commands do.
class CHistoryDock : public QDockWidget {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "History";

    explicit CHistoryDock(QWidget* parent = nullptr);

    // Fills the list from the history (null: no maps document in front; the list is empty).
    void ShowHistory(const EditHistory* history);
    [[nodiscard]] QListWidget* List() const { return m_list; }

signals:
    // The user chose a row: the number of steps that should be done (0: the baseline).
    void positionChosen(int position);

private:
    QListWidget* m_list;
    bool m_filling = false;
};

}  // namespace corvane
