#include "views/CHistoryDock.h"

#include <QListWidget>

#include "maps/EditHistory.h"

namespace corvane {

CHistoryDock::CHistoryDock(QWidget* parent) : QDockWidget(kTitle, parent), m_list(new QListWidget(this)) {
    setObjectName("HistoryDock");
    setAllowedAreas(Qt::AllDockWidgetAreas);
    m_list->setObjectName("HistoryList");
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    setWidget(m_list);
    // Only a row the user picks moves the document; filling the list selects without asking.
    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!m_filling && row >= 0) emit positionChosen(row);
    });
}

void CHistoryDock::ShowHistory(const EditHistory* history) {
    m_filling = true;
    m_list->clear();
    if (history != nullptr) {
        m_list->addItem(QString::fromStdString(history->Baseline()));
        for (std::size_t i = 0; i < history->StepCount(); ++i) {
            auto* item = new QListWidgetItem(QString("%1. %2").arg(i + 1).arg(QString::fromStdString(history->Description(i))));
            if (i >= history->Position()) item->setForeground(palette().brush(QPalette::Disabled, QPalette::Text));
            m_list->addItem(item);
        }
        m_list->setCurrentRow(static_cast<int>(history->Position()));
        m_list->scrollToItem(m_list->currentItem());
    }
    m_filling = false;
}

}  // namespace corvane
