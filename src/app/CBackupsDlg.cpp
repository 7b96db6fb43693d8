#include "app/CBackupsDlg.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace corvane {

CBackupsDlg::CBackupsDlg(const ModuleBackups& backups, QWidget* parent)
    : QDialog(parent), m_entries(backups.List()) {
    setWindowTitle(kTitle);
    setObjectName("BackupsDialog");
    auto* layout = new QVBoxLayout(this);

    auto* intro = new QLabel(this);
    intro->setWordWrap(true);
    intro->setText(QString("Backups made before WRITE, before a firmware upgrade and before READ replaced an "
                           "unsaved document; the newest %1 are kept in\n%2")
                       .arg(ModuleBackups::kKeep)
                       .arg(QDir::toNativeSeparators(QString::fromStdString(backups.Folder()))));
    intro->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(intro);

    m_list = new QTreeWidget(this);
    m_list->setObjectName("BackupList");
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAlternatingRowColors(true);
    m_list->setHeaderLabels({"Date", "Reason", "Base Map Name"});
    for (const BackupEntry& e : m_entries) {
        auto* item = new QTreeWidgetItem(m_list, {QString::fromStdString(e.date), BackupReasonText(e.reason),
                                                  QString::fromStdString(e.baseMapName)});
        item->setToolTip(0, QDir::toNativeSeparators(QString::fromStdString(e.path)));
    }
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_list->header()->setStretchLastSection(true);
    layout->addWidget(m_list, 1);
    if (m_entries.empty()) {
        auto* none = new QLabel("No backups yet.", this);
        none->setObjectName("NoBackups");
        layout->addWidget(none);
    } else {
        m_list->setCurrentItem(m_list->topLevelItem(0));
    }

    auto* buttons = new QDialogButtonBox(this);
    m_open = buttons->addButton("&Open", QDialogButtonBox::AcceptRole);
    m_open->setToolTip("Open the backup as a new document");
    buttons->addButton(QDialogButtonBox::Close);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_open, &QPushButton::clicked, this, [this] {
        const int row = m_list->indexOfTopLevelItem(m_list->currentItem());
        if (row >= 0) OpenRow(row);
    });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { OpenRow(m_list->indexOfTopLevelItem(item)); });
    connect(m_list, &QTreeWidget::currentItemChanged, this, [this] { UpdateButtons(); });
    UpdateButtons();
    resize(620, 420);
}

void CBackupsDlg::OpenRow(int row) {
    if (row < 0 || row >= static_cast<int>(m_entries.size())) return;
    m_list->setCurrentItem(m_list->topLevelItem(row));
    m_chosen = m_entries[static_cast<std::size_t>(row)];
    accept();
}

void CBackupsDlg::UpdateButtons() { m_open->setEnabled(m_list->currentItem() != nullptr); }

}  // namespace corvane
