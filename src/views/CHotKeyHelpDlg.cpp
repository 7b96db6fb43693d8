#include "views/CHotKeyHelpDlg.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

#include <iterator>

namespace corvane {

namespace {

// The texts stand as the card has always shown them, spelling included; [A] and [Ctrl]-[A]
// have never had a description.
constexpr CHotKeyHelpDlg::Row kRows[] = {
    {"[Shift]-[U]", "Move All of the viewed map points UP 1 step."},
    {"[Shift]-[D]", "Move All of the viewed map points DOWN 1 step."},
    {"[Shift]-[Ctrl]-[U]", "Move All of the viewed map points UP 10 STEPS."},
    {"[Shift]-[Ctrl]-[D]", "Move All of the viewed map points DOWN 10 STEPS."},
    {"[Ctrl]-[R]", "READ  the linked modules maps and settings."},
    {"[Ctrl]-[W]", "WRITE to the module the currently 'active' map."},
    {"[Shift]-[Down Arrow]", "Change to NEXT map."},
    {"[Shift]-[Up Arrow]", "Change to PREVIOUS map."},
    {"[Shift]-[Right or Left Arrow]", "Toggle between FRONT and REAR rpm maps."},
    {"[Up Arrow]", "Moves the 'active' map point UP."},
    {"[Down Arrow]", "Moves the 'active' map point DOWN."},
    {"[Right Arrow]", "Selects 'active map point' to the right."},
    {"[Left Arrow]", "Selects 'active map point' to the left."},
    {"[Home]", "Sets the FIRST map point as the 'active map point'."},
    {"[End]", "Sets the LAST map point as the 'active map point'."},
    {"[P]", "Marks the end points of a 'PPF' command."},
    {"[F]", "Executes the 'fitting' of the PPF command."},
    {"[Ctrl]-[F]", "Undo the PREVIOUS PPF command."},
    {"[Shift]-[Ctrl]-[C]", "Copies all the 'map points' to the clipboard."},
    {"[Shift]-[Ctrl]-[V]", "Pastes all the clipboard contents into the current viewed map."},
    {"[L]", "Select map points and execute a 'linear' command between 2 selected ponts."},
    {"[Ctrl]-[L]", "Undo the last 'Linear Fit Command'."},
    {"[A]", ""},
    {"[Ctrl]-[A]", ""},
    {"[SPACE BAR]", "Activates/De-activates the active point information box."},
    {"[Ctrl]-[T]", "Corrects the 'active' point by an AFR typed in: AFR / Target AFR (the AFR Calculator's target, 13.1 unless changed)."},
    {"[Ctrl]-[Alt]-[Z]", "Undo the LAST edit (one step of the History list)."},
    {"[Ctrl]-[Alt]-[Y]", "Redo the edit undone last."},
    {"[T]", "Switches between the viewed map and the TABLE of its rpm rows (and back), on the same point."},
};

}  // namespace

std::span<const CHotKeyHelpDlg::Row> CHotKeyHelpDlg::Rows() { return kRows; }

CHotKeyHelpDlg::CHotKeyHelpDlg(QWidget* parent)
    : QDialog(parent), m_table(new QTableWidget(static_cast<int>(std::size(kRows)), 2, this)) {
    setWindowTitle(QStringLiteral("Hot Key Combinations"));
    m_table->setHorizontalHeaderLabels({QStringLiteral("Key Combination"), QStringLiteral("Description")});
    m_table->verticalHeader()->setVisible(false);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setWordWrap(false);
    for (int r = 0; r < static_cast<int>(std::size(kRows)); ++r) {
        m_table->setItem(r, 0, new QTableWidgetItem(QString::fromLatin1(kRows[r].keys)));
        m_table->setItem(r, 1, new QTableWidgetItem(QString::fromLatin1(kRows[r].description)));
    }
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->resizeColumnsToContents();
    m_table->horizontalHeader()->setStretchLastSection(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addWidget(buttons);
    // Wide and tall enough for every row without scrolling.
    const int width = m_table->horizontalHeader()->length() + 2 * m_table->frameWidth() + 40;
    const int height = m_table->verticalHeader()->length() + m_table->horizontalHeader()->height() +
                       2 * m_table->frameWidth();
    m_table->setMinimumSize(width, height);
}

}  // namespace corvane
