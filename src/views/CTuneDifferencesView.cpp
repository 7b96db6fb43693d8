#include "views/CTuneDifferencesView.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "documents/CCorvaneMapsDoc.h"
#include "documents/CTuneComparison.h"
#include "maps/CModuleMap.h"
#include "model/PrintableText.h"

namespace corvane {

namespace {

constexpr int kKindRole = Qt::UserRole;
constexpr int kIndexRole = Qt::UserRole + 1;  // map or setting index
constexpr int kPointRole = Qt::UserRole + 2;

enum Column { kWhatColumn, kPointColumn, kXColumn, kDocumentColumn, kComparedColumn, kColumnCount };

QString Number(double v) { return QString::number(v, 'g', 6); }

QString WithUnit(double v, const std::string& unit) {
    return unit.empty() ? Number(v) : Number(v) + " " + QString::fromStdString(unit);
}

}  // namespace

CTuneDifferencesView::CTuneDifferencesView(QWidget* parent) : QWidget(parent) {
    setObjectName("TuneDifferences");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    m_caption = new QLabel(this);
    m_caption->setWordWrap(true);
    layout->addWidget(m_caption);

    m_tree = new QTreeWidget(this);
    m_tree->setColumnCount(kColumnCount);
    m_tree->setHeaderLabels({"Map / Setting", "Point", "X", "Document", "Compared"});
    m_tree->setRootIsDecorated(false);
    m_tree->setUniformRowHeights(true);
    m_tree->setAlternatingRowColors(true);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setContextMenuPolicy(Qt::CustomContextMenu);
    m_tree->header()->setStretchLastSection(false);
    m_tree->header()->setSectionResizeMode(kWhatColumn, QHeaderView::Stretch);
    for (int c = kPointColumn; c < kColumnCount; ++c)
        m_tree->header()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    layout->addWidget(m_tree, 1);

    m_take = new QPushButton(kTakeValueText, this);
    m_take->setToolTip("Copy the compared tune's value of the chosen row into the document");
    layout->addWidget(m_take);

    connect(m_tree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item, QTreeWidgetItem*) { OnCurrentChanged(item); });
    // A click on the row already chosen shows its point again (the user may have moved away).
    connect(m_tree, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int) { OnCurrentChanged(item); });
    connect(m_tree, &QWidget::customContextMenuRequested, this, &CTuneDifferencesView::OnContextMenu);
    connect(m_take, &QPushButton::clicked, this, &CTuneDifferencesView::TakeChosenValue);
    Show(nullptr);
}

QString CTuneDifferencesView::Caption() const { return m_caption->text(); }

void CTuneDifferencesView::Show(const CTuneComparison* comparison) {
    // The row chosen before, to choose it (or the one in its place) again.
    int oldKind = -1, oldIndex = -1, oldPoint = -1, oldRow = -1;
    if (QTreeWidgetItem* current = m_tree->currentItem()) {
        oldKind = current->data(kWhatColumn, kKindRole).toInt();
        oldIndex = current->data(kWhatColumn, kIndexRole).toInt();
        oldPoint = current->data(kWhatColumn, kPointRole).toInt();
        oldRow = m_tree->indexOfTopLevelItem(current);
    }
    if (comparison != m_comparison) oldRow = -1;
    m_comparison = comparison;
    m_differences = comparison ? comparison->Differences() : TuneDifferences{};

    m_filling = true;
    m_tree->clear();
    if (comparison == nullptr) {
        m_caption->setText("No tune is compared. Use File > Compare With... to choose one.");
        m_filling = false;
        UpdateTakeButton();
        return;
    }
    const CCorvaneMapsDoc& doc = comparison->Active();
    const CCorvaneMapsDoc& other = comparison->Compared();
    const QString file = QFileInfo(QString::fromStdString(comparison->Path())).fileName();
    const int count = m_differences.Count();
    m_caption->setText(count == 0 ? QString("No differences from %1.").arg(file)
                                  : QString("%1 difference%2 from %3.").arg(count).arg(count == 1 ? "" : "s").arg(file));

    QList<QTreeWidgetItem*> rows;
    auto add = [&](RowKind kind, int index, int point, const QStringList& texts) {
        auto* item = new QTreeWidgetItem(texts);
        item->setData(kWhatColumn, kKindRole, static_cast<int>(kind));
        item->setData(kWhatColumn, kIndexRole, index);
        item->setData(kWhatColumn, kPointRole, point);
        for (int c : {kPointColumn, kXColumn, kDocumentColumn, kComparedColumn})
            item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
        rows << item;
        return item;
    };
    if (m_differences.baseMapNameDiffers)
        add(RowKind::kBaseMapName, -1, -1,
            {"Base map name", "", "", QString::fromStdString(PrintableText(doc.GetBaseMapName())),
             QString::fromStdString(PrintableText(other.GetBaseMapName()))});
    for (const SettingDifference& d : m_differences.settings) {
        const CBasicSettingsModuleValue& s = *doc.GetSetting(d.index);
        add(RowKind::kSetting, d.index, -1,
            {QString::fromStdString(s.GetName()), "", "", WithUnit(d.displayA, s.GetUnit()),
             WithUnit(d.displayB, s.GetUnit())});
    }
    for (const PointDifference& d : m_differences.points) {
        const CModuleMap& map = *doc.GetMap(d.mapIndex);
        QString a = WithUnit(d.displayA, map.GetYUnit());
        QString b = WithUnit(d.displayB, map.GetYUnit());
        if (d.trimDiffers) {
            a += " (trim " + Number(d.trimA) + ")";
            b += " (trim " + Number(d.trimB) + ")";
        }
        QTreeWidgetItem* item = add(RowKind::kPoint, d.mapIndex, d.point,
                                    {QString::fromStdString(map.GetTitle()), QString::number(d.point), Number(d.x), a, b});
        item->setToolTip(kWhatColumn, QString::fromStdString(map.GetTitle()));
        if (map.IsComposite())
            item->setToolTip(kWhatColumn, QString::fromStdString(map.GetTitle()) +
                                              "\nThis map stands for its rows: take the rows' values.");
    }
    m_tree->addTopLevelItems(rows);

    QTreeWidgetItem* again = nullptr;
    for (QTreeWidgetItem* item : rows)
        if (item->data(kWhatColumn, kKindRole).toInt() == oldKind && item->data(kWhatColumn, kIndexRole).toInt() == oldIndex &&
            item->data(kWhatColumn, kPointRole).toInt() == oldPoint)
            again = item;
    if (!again && oldRow >= 0 && !rows.isEmpty()) again = rows[std::min(oldRow, static_cast<int>(rows.size()) - 1)];
    if (again) m_tree->setCurrentItem(again);
    m_filling = false;
    UpdateTakeButton();
}

bool CTuneDifferencesView::CanTake(const QTreeWidgetItem* item) const {
    if (item == nullptr || m_comparison == nullptr) return false;
    const auto kind = static_cast<RowKind>(item->data(kWhatColumn, kKindRole).toInt());
    if (kind == RowKind::kSetting) return true;
    if (kind != RowKind::kPoint) return false;
    const CModuleMap* map = m_comparison->Active().GetMap(item->data(kWhatColumn, kIndexRole).toInt());
    return map != nullptr && !map->IsComposite();
}

void CTuneDifferencesView::UpdateTakeButton() { m_take->setEnabled(CanTake(m_tree->currentItem())); }

bool CTuneDifferencesView::ChoosePoint(int mapIndex, int point) {
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_tree->topLevelItem(i);
        if (item->data(kWhatColumn, kKindRole).toInt() == static_cast<int>(RowKind::kPoint) &&
            item->data(kWhatColumn, kIndexRole).toInt() == mapIndex && item->data(kWhatColumn, kPointRole).toInt() == point) {
            if (m_tree->currentItem() == item)
                OnCurrentChanged(item);
            else
                m_tree->setCurrentItem(item);
            return true;
        }
    }
    return false;
}

bool CTuneDifferencesView::ChooseSetting(int index) {
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_tree->topLevelItem(i);
        if (item->data(kWhatColumn, kKindRole).toInt() == static_cast<int>(RowKind::kSetting) &&
            item->data(kWhatColumn, kIndexRole).toInt() == index) {
            if (m_tree->currentItem() == item)
                OnCurrentChanged(item);
            else
                m_tree->setCurrentItem(item);
            return true;
        }
    }
    return false;
}

bool CTuneDifferencesView::ChosenPoint(int& mapIndex, int& point) const {
    const QTreeWidgetItem* item = m_tree->currentItem();
    if (item == nullptr || item->data(kWhatColumn, kKindRole).toInt() != static_cast<int>(RowKind::kPoint)) return false;
    mapIndex = item->data(kWhatColumn, kIndexRole).toInt();
    point = item->data(kWhatColumn, kPointRole).toInt();
    return true;
}

void CTuneDifferencesView::OnCurrentChanged(QTreeWidgetItem* item) {
    UpdateTakeButton();
    // Filling the list chooses a row again; that is no request to show it.
    if (m_filling || item == nullptr) return;
    switch (static_cast<RowKind>(item->data(kWhatColumn, kKindRole).toInt())) {
        case RowKind::kPoint:
            emit pointChosen(item->data(kWhatColumn, kIndexRole).toInt(), item->data(kWhatColumn, kPointRole).toInt());
            break;
        case RowKind::kSetting: emit settingChosen(item->data(kWhatColumn, kIndexRole).toInt()); break;
        case RowKind::kBaseMapName: break;
    }
}

void CTuneDifferencesView::TakeChosenValue() {
    QTreeWidgetItem* item = m_tree->currentItem();
    if (!CanTake(item)) return;
    int mapIndex = 0, point = 0;
    if (ChosenPoint(mapIndex, point))
        emit takeValueRequested(mapIndex, point);
    else
        emit takeSettingRequested(item->data(kWhatColumn, kIndexRole).toInt());
}

void CTuneDifferencesView::OnContextMenu(const QPoint& position) {
    QTreeWidgetItem* item = m_tree->itemAt(position);
    if (item == nullptr) return;
    m_tree->setCurrentItem(item);
    QMenu menu(this);
    QAction* take = menu.addAction(kTakeValueText);
    take->setEnabled(CanTake(item));
    if (menu.exec(m_tree->viewport()->mapToGlobal(position)) == take) TakeChosenValue();
}

}  // namespace corvane
