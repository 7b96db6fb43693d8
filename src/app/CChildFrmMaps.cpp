#include "app/CChildFrmMaps.h"

#include <QCloseEvent>
#include <QLabel>
#include <QScrollArea>
#include <QStackedWidget>

#include "documents/CCorvaneMapsDoc.h"
#include "documents/CTuneComparison.h"
#include "link/CBasicSettingsLink.h"
#include "link/MapsDocumentLink.h"
#include "views/CCorvaneAdvUserMapsView.h"
#include "views/CCorvaneBasicSettingsView.h"
#include "views/CCorvaneMapsView.h"
#include "views/CCorvaneWarrantyView.h"
#include "views/CTableView.h"
#include "views/MapGraphLayout.h"

namespace corvane {

CChildFrmMaps::CChildFrmMaps(std::unique_ptr<CCorvaneMapsDoc> document, QString title, SettingsStore& settings,
                             QWidget* parent)
    : QMdiSubWindow(parent), m_document(std::move(document)), m_settings(settings), m_title(std::move(title)) {
    m_link = std::make_unique<MapsDocumentLink>(*m_document, [this] { UpdateAllViews(); });
    m_document->History().SetListener([this] { emit historyChanged(this); });
    setAttribute(Qt::WA_DeleteOnClose);
    m_stack = new QStackedWidget(this);
    setWidget(m_stack);
    m_mapsView = MakeMapsView(false);
    m_stack->addWidget(PageOf(m_mapsView));
    m_stack->setCurrentWidget(PageOf(m_mapsView));
    RefreshTitle();
}

void CChildFrmMaps::SetModuleLink(CLinkController& link) {
    m_moduleLink = &link;
    m_document->SetSettingWriter([this](int index) {
        return m_moduleLink != nullptr && CBasicSettingsLink(*m_moduleLink).WriteSetting(*m_link, index);
    });
}

CChildFrmMaps::~CChildFrmMaps() {
    m_document->History().SetListener({});
    // The views hold references into the document: they go first.
    delete m_stack;
    m_stack = nullptr;
}

CMapsView* CChildFrmMaps::MakeMapsView(bool advanced) {
    CMapsView* view = advanced ? static_cast<CMapsView*>(new CCorvaneAdvUserMapsView(*m_document, m_settings))
                               : static_cast<CMapsView*>(new CCorvaneMapsView(*m_document, m_settings));
    connect(view, &CMapsView::mapShown, this, [this](int index) { emit mapShown(this, index); });
    connect(view, &CMapsView::documentEdited, this, [this, view] { OnViewEdited(view); });
    connect(view, &CMapsView::tableRequested, this, [this](int mapIndex, int point) { ShowTableAt(mapIndex, point); });
    connect(view, &CMapsView::autoTuneToggled, this, [this] { emit autoTuneToggled(this); });
    connect(view, &CMapsView::autoTuneDiscarded, this, [this](int count) { emit autoTuneDiscarded(this, count); });
    connect(view, &CMapsView::autoTunePendingChanged, this, [this] { emit autoTunePendingChanged(this); });
    if (m_comparison) view->SetComparedTune(&m_comparison->Compared());
    if (m_viewSetup) m_viewSetup(*view);
    return view;
}

QScrollArea* CChildFrmMaps::PageOf(CMapsView* view) {
    // Once on its page, the view's parent is the page's viewport.
    if (QWidget* viewport = view->parentWidget())
        if (auto* page = qobject_cast<QScrollArea*>(viewport->parentWidget())) return page;
    // The graph fits the window down to a minimum size; a smaller window scrolls over it.
    auto* page = new QScrollArea;
    page->setWidgetResizable(true);
    page->setFrameShape(QFrame::NoFrame);
    // The keys belong to the view; Page Up/Down and the wheel, which it does not use, scroll.
    page->setFocusPolicy(Qt::NoFocus);
    page->setBackgroundRole(QPalette::Dark);
    view->setMinimumSize(MapGraphLayout::kMinimumClientWidth, MapGraphLayout::kMinimumClientHeight);
    page->setWidget(view);
    return page;
}

void CChildFrmMaps::OnViewEdited(QWidget* editor) {
    // Every view draws the same maps: none may keep a stale picture.
    for (CMapsView* view : {m_mapsView, m_advView})
        if (view && view != editor) view->OnDocumentUpdated();
    if (m_tableView && m_tableView != editor) m_tableView->OnDocumentUpdated();
    RefreshTitle();
    emit documentEdited(this);
}

CTableView* CChildFrmMaps::EnsureTableView() {
    if (m_tableView) return m_tableView;
    m_tableView = new CTableView(*m_document, m_settings);
    CTableView* view = m_tableView;
    connect(view, &CTableView::documentEdited, this, [this, view] { OnViewEdited(view); });
    connect(view, &CTableView::activeRowChanged, this, [this](int mapIndex) {
        if (m_current == ViewKind::kTable) emit tableRowChanged(this, mapIndex);
    });
    connect(view, &CTableView::curveRequested, this, [this](int mapIndex, int point) {
        ShowView(ViewKind::kMaps, mapIndex);
        m_mapsView->SetActivePoint(point);
    });
    connect(view, &CTableView::autoTuneToggled, this, [this] { emit autoTuneToggled(this); });
    connect(view, &CTableView::autoTuneDiscarded, this, [this](int count) { emit autoTuneDiscarded(this, count); });
    connect(view, &CTableView::autoTunePendingChanged, this, [this] { emit autoTunePendingChanged(this); });
    if (m_comparison) view->SetComparedTune(&m_comparison->Compared());
    if (m_tableSetup) m_tableSetup(*view);
    m_stack->addWidget(view);
    return view;
}

bool CChildFrmMaps::ShowTable(const std::string& family) {
    CTableView* view = EnsureTableView();
    if (!view->ShowFamily(family)) return false;
    ShowView(ViewKind::kTable);
    return true;
}

bool CChildFrmMaps::ShowTableAt(int mapIndex, int point) {
    CTableView* view = EnsureTableView();
    if (!view->ShowMapPoint(mapIndex, point)) return false;
    ShowView(ViewKind::kTable);
    return true;
}

QWidget* CChildFrmMaps::MakePlaceholder(const QString& text) {
    auto* label = new QLabel(text);
    label->setAlignment(Qt::AlignCenter);
    label->setAutoFillBackground(true);
    return label;
}

void CChildFrmMaps::SetViewSetup(std::function<void(CMapsView&)> setup) {
    m_viewSetup = std::move(setup);
    for (CMapsView* view : {m_mapsView, m_advView})
        if (view && m_viewSetup) m_viewSetup(*view);
}

void CChildFrmMaps::SetComparison(std::unique_ptr<CTuneComparison> comparison) {
    // The views let go of the old tune before it is deleted.
    const CCorvaneMapsDoc* tune = comparison ? &comparison->Compared() : nullptr;
    for (CMapsView* view : {m_mapsView, m_advView})
        if (view) view->SetComparedTune(tune);
    if (m_tableView) m_tableView->SetComparedTune(tune);
    m_comparison = std::move(comparison);
    emit comparisonChanged(this);
}

void CChildFrmMaps::SetDocumentTitle(const QString& title) {
    m_title = title;
    RefreshTitle();
}

void CChildFrmMaps::RefreshTitle() {
    setWindowTitle(m_title + "[*]");
    setWindowModified(m_document->IsModified());
}

void CChildFrmMaps::ShowView(ViewKind kind, int mapIndex) {
    QWidget* target = nullptr;
    switch (kind) {
        case ViewKind::kMaps: target = m_mapsView; break;
        case ViewKind::kAdvancedUserMaps:
            if (!m_advView) {
                m_advView = MakeMapsView(true);
                m_stack->addWidget(PageOf(m_advView));
                m_advView->ShowMap(m_mapsView->MapIndex());
            }
            target = m_advView;
            break;
        case ViewKind::kBasicSettings:
            if (!m_settingsView) {
                if (m_moduleLink) {
                    auto* view = new CCorvaneBasicSettingsView(*m_link, *m_moduleLink);
                    connect(view, &CCorvaneBasicSettingsView::documentEdited, this, [this] {
                        RefreshTitle();
                        emit documentEdited(this);
                    });
                    m_settingsView = view;
                } else {
                    m_settingsView = MakePlaceholder("Basic Settings");
                }
                m_stack->addWidget(m_settingsView);
            }
            target = m_settingsView;
            break;
        case ViewKind::kTable: target = EnsureTableView(); break;
        case ViewKind::kWarranty:
            if (!m_warrantyView) {
                // Only family-B documents keep a warranty record.
                if (m_moduleLink && m_document->GetWarrantyValues())
                    m_warrantyView = new CCorvaneWarrantyView(*m_link, *m_moduleLink);
                else
                    m_warrantyView = MakePlaceholder("Warranty Information");
                m_stack->addWidget(m_warrantyView);
            }
            target = m_warrantyView;
            break;
    }
    m_current = kind;
    m_stack->setCurrentWidget(target == m_mapsView || target == m_advView ? PageOf(static_cast<CMapsView*>(target)) : target);
    if (auto* view = CurrentMapsView()) {
        if (mapIndex >= 0)
            view->ShowMap(mapIndex);
        else
            emit mapShown(this, view->MapIndex());
        view->setFocus();
    }
    if (kind == ViewKind::kTable) {
        if (const auto* family = m_tableView->Family())
            emit tableShown(this, m_document->SelectorNumberOfTable(family->Name()));
        emit tableRowChanged(this, m_tableView->ActiveMapIndex());
        m_tableView->setFocus();
    }
}

CMapsView* CChildFrmMaps::CurrentMapsView() const {
    if (m_current == ViewKind::kMaps) return m_mapsView;
    if (m_current == ViewKind::kAdvancedUserMaps) return m_advView;
    return nullptr;
}

CCorvaneBasicSettingsView* CChildFrmMaps::BasicSettingsView() const {
    return qobject_cast<CCorvaneBasicSettingsView*>(m_settingsView);
}

CCorvaneWarrantyView* CChildFrmMaps::WarrantyView() const {
    return qobject_cast<CCorvaneWarrantyView*>(m_warrantyView);
}

FirstViewKind CChildFrmMaps::FirstView() const {
    switch (m_current) {
        case ViewKind::kMaps: return FirstViewKind::kMaps;
        case ViewKind::kAdvancedUserMaps: return FirstViewKind::kAdvancedUserMaps;
        case ViewKind::kTable: return FirstViewKind::kMaps;  // the table edits bases, as the maps view
        default: return FirstViewKind::kOther;
    }
}

void CChildFrmMaps::UpdateAllViews() {
    if (m_mapsView) m_mapsView->OnDocumentUpdated();
    if (m_advView) m_advView->OnDocumentUpdated();
    if (m_tableView) m_tableView->OnDocumentUpdated();
    if (auto* view = BasicSettingsView()) view->OnDocumentUpdated();
    if (auto* view = WarrantyView()) view->OnDocumentUpdated();
    RefreshTitle();
}

void CChildFrmMaps::closeEvent(QCloseEvent* event) {
    if (m_closeRequest && !m_closeRequest(*this)) {
        event->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(event);
}

}  // namespace corvane
