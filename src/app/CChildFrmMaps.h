#pragma once

#include <QMdiSubWindow>

#include <functional>
#include <memory>

#include "link/LinkDocument.h"

class QLabel;
class QScrollArea;
class QStackedWidget;

namespace corvane {

class CCorvaneBasicSettingsView;
class CCorvaneMapsDoc;
class CCorvaneWarrantyView;
class CLinkController;
class CMapsView;
class CTableView;
class CTuneComparison;
class MapsDocumentLink;
class SettingsStore;

// The child window of one maps document. It owns the document and the views the map
// selector shows in it: the maps view, the advanced user maps view and the table view (made on
// first use) and the places of the basic settings and warranty views. One view shows at a time.
class CChildFrmMaps : public QMdiSubWindow {
    Q_OBJECT
public:
    enum class ViewKind { kMaps, kAdvancedUserMaps, kBasicSettings, kWarranty, kTable };

    // `closeRequest` decides whether the window may close (the save question); it is asked
    // on every close, by the user or by the application.
    CChildFrmMaps(std::unique_ptr<CCorvaneMapsDoc> document, QString title, SettingsStore& settings,
                  QWidget* parent = nullptr);
    ~CChildFrmMaps() override;

    [[nodiscard]] CCorvaneMapsDoc& Document() const { return *m_document; }
    [[nodiscard]] MapsDocumentLink& Link() const { return *m_link; }
    // "Corvane1" for a new document, the file's name otherwise.
    [[nodiscard]] QString DocumentTitle() const { return m_title; }
    void SetDocumentTitle(const QString& title);

    // Shows a view kind; map views then show map `mapIndex` (-1: keep the shown map).
    void ShowView(ViewKind kind, int mapIndex = -1);
    [[nodiscard]] ViewKind CurrentViewKind() const { return m_current; }
    // The maps view or advanced user maps view on show, or null.
    [[nodiscard]] CMapsView* CurrentMapsView() const;
    [[nodiscard]] CMapsView* MapsView() const { return m_mapsView; }
    [[nodiscard]] CMapsView* AdvancedView() const { return m_advView; }
    // The table view once shown, else null; TableOnShow only while it is the one on show.
    [[nodiscard]] CTableView* TableView() const { return m_tableView; }
    [[nodiscard]] CTableView* TableOnShow() const { return m_current == ViewKind::kTable ? m_tableView : nullptr; }
    // Shows the table of a family (by its command-line name); false when the document has none.
    bool ShowTable(const std::string& family);
    // Shows the table of the family whose row the map is, with that row and point active;
    // false (nothing changes) when the map is no row.
    bool ShowTableAt(int mapIndex, int point);
    // The settings and warranty views once shown, else null.
    [[nodiscard]] CCorvaneBasicSettingsView* BasicSettingsView() const;
    [[nodiscard]] CCorvaneWarrantyView* WarrantyView() const;
    // The link the settings and warranty views work through; set before they are shown.
    // Also how undo and redo of a setting reach the module.
    void SetModuleLink(CLinkController& link);
    // What READ needs to know of the view the document is shown in.
    [[nodiscard]] FirstViewKind FirstView() const;

    // Repaints every view of the document and refreshes the title's modified mark.
    void UpdateAllViews();
    void RefreshTitle();

    // The tune this document is compared with (null: none). Its maps views draw the compared
    // curves behind their own; replacing or clearing it takes the curves away.
    void SetComparison(std::unique_ptr<CTuneComparison> comparison);
    [[nodiscard]] const CTuneComparison* Comparison() const { return m_comparison.get(); }

    void SetCloseRequest(std::function<bool(CChildFrmMaps&)> request) { m_closeRequest = std::move(request); }
    // Run on every maps view of the window, those there now and those made later.
    void SetViewSetup(std::function<void(CMapsView&)> setup);
    // Run on the table view when it is made.
    void SetTableSetup(std::function<void(CTableView&)> setup) { m_tableSetup = std::move(setup); }

signals:
    // A maps view of this document shows another map.
    void mapShown(CChildFrmMaps* frame, int mapIndex);
    // An edit in a view changed the document.
    void documentEdited(CChildFrmMaps* frame);
    // The AutoTune switch was toggled from a maps view (Ctrl+M).
    void autoTuneToggled(CChildFrmMaps* frame);
    // Showing another map dropped collected AutoTune corrections.
    void autoTuneDiscarded(CChildFrmMaps* frame, int count);
    // The count of AutoTune corrections a maps view holds, not yet applied, changed.
    void autoTunePendingChanged(CChildFrmMaps* frame);
    // The compared tune was set, replaced or cleared.
    void comparisonChanged(CChildFrmMaps* frame);
    // The table view shows the table of this family (its selector number in the document).
    void tableShown(CChildFrmMaps* frame, int selectorNumber);
    // The table view's active cell moved to the row of this map.
    void tableRowChanged(CChildFrmMaps* frame, int mapIndex);
    // The document's edit history took a step, moved, or started anew.
    void historyChanged(CChildFrmMaps* frame);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    CMapsView* MakeMapsView(bool advanced);
    CTableView* EnsureTableView();
    // The other views draw the same points: after an edit in one, the rest repaint.
    void OnViewEdited(QWidget* editor);
    QWidget* MakePlaceholder(const QString& text);
    // The scrolling page a maps view is shown on in the window (made on first use).
    static QScrollArea* PageOf(CMapsView* view);

    std::unique_ptr<CCorvaneMapsDoc> m_document;
    std::unique_ptr<MapsDocumentLink> m_link;
    // Refers to the document: declared after it, so it goes first.
    std::unique_ptr<CTuneComparison> m_comparison;
    SettingsStore& m_settings;
    QString m_title;
    QStackedWidget* m_stack = nullptr;
    CMapsView* m_mapsView = nullptr;
    CMapsView* m_advView = nullptr;
    CTableView* m_tableView = nullptr;
    QWidget* m_settingsView = nullptr;
    QWidget* m_warrantyView = nullptr;
    CLinkController* m_moduleLink = nullptr;
    ViewKind m_current = ViewKind::kMaps;
    std::function<bool(CChildFrmMaps&)> m_closeRequest;
    std::function<void(CMapsView&)> m_viewSetup;
    std::function<void(CTableView&)> m_tableSetup;
};

}  // namespace corvane
