#include "views/CPPageTuningMapSelector.h"

#include <QMenu>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace corvane {

namespace {

constexpr int kNumberRole = Qt::UserRole;

}  // namespace

// Items compare alphabetically, numbers by their value: "@ 256 rpm" comes before "@ 1024 rpm",
// as a tuner reads the rows. (QCollator's numeric mode is not there on every platform.)
int NaturalCompare(const QString& a, const QString& b) {
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype ei = i, ej = j;
            while (ei < a.size() && a[ei].isDigit()) ++ei;
            while (ej < b.size() && b[ej].isDigit()) ++ej;
            // Compare the runs as numbers without converting them (they may be long).
            QStringView na = QStringView(a).mid(i, ei - i), nb = QStringView(b).mid(j, ej - j);
            while (na.size() > 1 && na.front() == u'0') na = na.mid(1);
            while (nb.size() > 1 && nb.front() == u'0') nb = nb.mid(1);
            if (na.size() != nb.size()) return na.size() < nb.size() ? -1 : 1;
            if (const int c = na.compare(nb); c != 0) return c;
            i = ei;
            j = ej;
            continue;
        }
        const QChar ca = a[i].toCaseFolded(), cb = b[j].toCaseFolded();
        if (ca != cb) return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

namespace {

// Tree items ordered by NaturalCompare.
class SelectorItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override { return NaturalCompare(text(0), other.text(0)) < 0; }
};

}  // namespace

CPPageTuningMapSelector::CPPageTuningMapSelector(QWidget* parent) : QWidget(parent), m_tree(new QTreeWidget(this)) {
    setWindowTitle("Tuning Maps");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(m_tree);
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);
    m_tree->setSortingEnabled(true);
    m_tree->sortByColumn(0, Qt::AscendingOrder);
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { OnCurrentItemChanged(current); });
    // A click on the item already selected shows it again (it may be in the other view now).
    connect(m_tree, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        if (item == m_tree->currentItem()) OnCurrentItemChanged(item);
    });
    connect(m_tree, &QWidget::customContextMenuRequested, this, &CPPageTuningMapSelector::ShowContextMenu);
    connect(m_tree, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        const int number = item ? item->data(0, kNumberRole).toInt() : -1;
        if (number >= 0) emit entryActivated(number);
    });
}

void CPPageTuningMapSelector::Fill(const std::vector<SelectorEntry>& entries) {
    ++m_following;
    m_tree->clear();
    m_items.clear();
    QTreeWidgetItem* group = nullptr;
    for (const SelectorEntry& entry : entries) {
        if (entry.type == SelectorEntry::Type::kGroup) {
            // Maps of one group that are not next to each other share one header.
            const QString text = QString::fromStdString(entry.text);
            group = nullptr;
            for (int i = 0; i < m_tree->topLevelItemCount() && !group; ++i)
                if (m_tree->topLevelItem(i)->text(0) == text) group = m_tree->topLevelItem(i);
            if (!group) {
                group = new SelectorItem(m_tree, QStringList(text));
                group->setData(0, kNumberRole, -1);
            }
            continue;
        }
        auto* item = group ? new SelectorItem(group, QStringList(QString::fromStdString(entry.text)))
                           : new SelectorItem(m_tree, QStringList(QString::fromStdString(entry.text)));
        item->setData(0, kNumberRole, entry.number);
        if (entry.number >= static_cast<int>(m_items.size())) m_items.resize(static_cast<std::size_t>(entry.number) + 1);
        m_items[static_cast<std::size_t>(entry.number)] = {item, entry.itemKind};
    }
    m_tree->sortItems(0, Qt::AscendingOrder);
    m_built = !entries.empty();
    --m_following;
}

QTreeWidgetItem* CPPageTuningMapSelector::ItemOf(int number) const {
    if (number < 0 || number >= static_cast<int>(m_items.size())) return nullptr;
    return m_items[static_cast<std::size_t>(number)].item;
}

void CPPageTuningMapSelector::FollowMap(int index) {
    QTreeWidgetItem* item = ItemOf(index);
    if (!item || item == m_tree->currentItem()) return;
    ++m_following;
    m_tree->setCurrentItem(item);
    m_tree->scrollToItem(item);
    --m_following;
}

int CPPageTuningMapSelector::CurrentNumber() const {
    const QTreeWidgetItem* item = m_tree->currentItem();
    return item ? item->data(0, kNumberRole).toInt() : -1;
}

int CPPageTuningMapSelector::ItemKind(int number) const {
    if (number < 0 || number >= static_cast<int>(m_items.size())) return kKindNone;
    return m_items[static_cast<std::size_t>(number)].kind;
}

void CPPageTuningMapSelector::SetItemKind(int number, int kind) {
    if (number < 0) return;
    if (number >= static_cast<int>(m_items.size())) m_items.resize(static_cast<std::size_t>(number) + 1);
    m_items[static_cast<std::size_t>(number)].kind = kind;
}

void CPPageTuningMapSelector::SelectNumber(int number) {
    if (QTreeWidgetItem* item = ItemOf(number)) {
        if (item == m_tree->currentItem())
            OnCurrentItemChanged(item);
        else
            m_tree->setCurrentItem(item);
    }
}

void CPPageTuningMapSelector::SelectGroup(const QString& text) {
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i)
        if (m_tree->topLevelItem(i)->text(0) == text) m_tree->setCurrentItem(m_tree->topLevelItem(i));
}

void CPPageTuningMapSelector::OnCurrentItemChanged(QTreeWidgetItem* current) {
    if (m_following > 0 || !current) return;
    const int number = current->data(0, kNumberRole).toInt();
    if (number < 0) return;  // a group header
    emit entrySelected(number, ItemKind(number));
}

void CPPageTuningMapSelector::ShowContextMenu(const QPoint& position) {
    QTreeWidgetItem* item = m_tree->itemAt(position);
    if (!item) return;
    const int number = item->data(0, kNumberRole).toInt();
    const int kind = ItemKind(number);
    if (kind != kKindMap && kind != kKindAdvancedMap) return;
    QMenu menu(this);
    QAction* base = menu.addAction("Edit Map Values");
    QAction* trims = menu.addAction("Edit User Trims (Advanced)");
    base->setCheckable(true);
    trims->setCheckable(true);
    base->setChecked(kind == kKindMap);
    trims->setChecked(kind == kKindAdvancedMap);
    QAction* chosen = menu.exec(m_tree->viewport()->mapToGlobal(position));
    if (!chosen) return;
    SetItemKind(number, chosen == trims ? kKindAdvancedMap : kKindMap);
    ++m_following;
    m_tree->setCurrentItem(item);
    --m_following;
    emit entrySelected(number, ItemKind(number));
}

}  // namespace corvane
