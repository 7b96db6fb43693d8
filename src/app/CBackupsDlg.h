#pragma once

#include <QDialog>

#include <optional>

#include "link/ModuleBackups.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace corvane {

// File ▸ "Backups...": the backups of the backup folder, newest first, by date, reason and
// base map name. "Open" (or a double click) picks one; the caller opens it as a new document.
class CBackupsDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Backups";

    explicit CBackupsDlg(const ModuleBackups& backups, QWidget* parent = nullptr);

    // The backup picked with "Open"; nullopt after "Close".
    [[nodiscard]] std::optional<BackupEntry> Chosen() const { return m_chosen; }
    [[nodiscard]] QTreeWidget* List() const { return m_list; }
    // Selects the row and accepts the dialog, as "Open" does.
    void OpenRow(int row);

private:
    void UpdateButtons();

    std::vector<BackupEntry> m_entries;
    std::optional<BackupEntry> m_chosen;
    QTreeWidget* m_list = nullptr;
    QPushButton* m_open = nullptr;
};

}  // namespace corvane
