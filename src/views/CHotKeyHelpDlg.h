#pragma once

#include <QDialog>

#include <span>

class QTableWidget;

namespace corvane {

// "Hot Key Combinations": the keys of the maps views with what they do, as the tuner's
// reference card has them.
class CHotKeyHelpDlg : public QDialog {
    Q_OBJECT
public:
    struct Row {
        const char* keys;
        const char* description;
    };

    explicit CHotKeyHelpDlg(QWidget* parent = nullptr);

    [[nodiscard]] QTableWidget* Table() const { return m_table; }
    // The rows in the order they are listed.
    [[nodiscard]] static std::span<const Row> Rows();

private:
    QTableWidget* m_table;
};

}  // namespace corvane
