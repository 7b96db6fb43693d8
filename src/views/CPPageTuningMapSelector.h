#pragma once

#include <QWidget>

#include <vector>

#include "documents/CCorvaneMapsDoc.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace corvane {

// The "Tuning Maps" page of the map selector: every map of a maps document as a tree, the
// groups as roots, items sorted alphabetically, then "Module Configuration" with "Basic
// Settings" (and "Warranty Information" in family B). Selecting an entry asks the main frame
// to show it; a group header asks nothing.
//
// Item kinds: 0 a map shown in the maps view, 1 a map shown in the advanced user maps view, 3
// basic settings, 5 warranty, 7 a family's table, -1 not listed. A map's kind turns to 1 when the user opens it in
// the advanced user maps view from the context menu.
// Alphabetical order with runs of digits compared by value ("Map 256" < "Map 1024").
[[nodiscard]] int NaturalCompare(const QString& a, const QString& b);

class CPPageTuningMapSelector : public QWidget {
    Q_OBJECT
public:
    static constexpr int kKindMap = 0;
    static constexpr int kKindAdvancedMap = 1;
    static constexpr int kKindBasicSettings = 3;
    static constexpr int kKindWarranty = 5;
    static constexpr int kKindTable = 7;
    static constexpr int kKindNone = -1;

    explicit CPPageTuningMapSelector(QWidget* parent = nullptr);

    // Rebuilds the tree from a document's entries. An empty list clears it.
    void Fill(const std::vector<SelectorEntry>& entries);
    [[nodiscard]] bool IsBuilt() const { return m_built; }

    // Selects the item of map `index` without asking for it to be shown (the tree follows the
    // view). Maps not in the tree are ignored.
    void FollowMap(int index);
    // The entry number (map index, or the settings/warranty number) of the current item; -1
    // for a group header or no selection.
    [[nodiscard]] int CurrentNumber() const;

    [[nodiscard]] int ItemKind(int number) const;
    void SetItemKind(int number, int kind);

    // The user selects the entry with this number (tests and the keyboard use the same path
    // as a click).
    void SelectNumber(int number);
    void SelectGroup(const QString& text);

    [[nodiscard]] QTreeWidget* Tree() const { return m_tree; }

signals:
    // The user selected an entry: show it as `kind` says.
    void entrySelected(int number, int kind);
    // Enter (or a double click) on an entry: the user wants to work in what it shows.
    void entryActivated(int number);

private:
    void OnCurrentItemChanged(QTreeWidgetItem* current);
    void ShowContextMenu(const QPoint& position);
    [[nodiscard]] QTreeWidgetItem* ItemOf(int number) const;

    QTreeWidget* m_tree;
    // Index = entry number: the tree item and its kind.
    struct MapTreeCtrItem {
        QTreeWidgetItem* item = nullptr;
        int kind = kKindNone;
    };
    std::vector<MapTreeCtrItem> m_items;
    bool m_built = false;
    int m_following = 0;  // > 0 while the tree follows a view: selections are not requests
};

}  // namespace corvane
