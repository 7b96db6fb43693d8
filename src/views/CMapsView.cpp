#include "views/CMapsView.h"

#include "documents/CCorvaneMapsDoc.h"
#include "maps/CModuleMap.h"
#include "maps/IdleMapSync.h"

namespace corvane {

namespace {
std::vector<CModuleMap*> MapsOf(const CCorvaneMapsDoc& doc) {
    std::vector<CModuleMap*> maps;
    for (int i = 0; i < doc.GetMapCount(); ++i) maps.push_back(doc.GetMap(i));
    return maps;
}
}  // namespace

CMapsView::CMapsView(EditorView kind, CCorvaneMapsDoc& document, SettingsStore& settings, QWidget* parent)
    : QWidget(parent), m_kind(kind), m_document(document), m_settings(settings),
      m_editor(std::make_unique<CMapEditor>(kind, MapsOf(document), &document.Context())) {
    setFocusPolicy(Qt::StrongFocus);
}

CMapsView::~CMapsView() = default;

EditorView CMapsView::Kind() const { return m_kind; }
CCorvaneMapsDoc& CMapsView::Document() const { return m_document; }
CMapEditor& CMapsView::Editor() { return *m_editor; }

void CMapsView::ShowMap(int index) {
    m_editor->ShowMap(index);
    update();
    emit mapShown(m_editor->MapIndex());
}

int CMapsView::MapIndex() const { return m_editor->MapIndex(); }

void CMapsView::SetAfrSource(std::function<std::optional<double>()> source) {
    m_editor->SetAfrSource(std::move(source));
}

void CMapsView::SetMapPointerPosition(double x) {
    if (CModuleMap* map = m_editor->Map()) map->SetMapPointerPosition(x);
    update();
}

void CMapsView::OnDocumentUpdated() { update(); }

EditOutcome CMapsView::ApplyKey(Key key, KeyModifiers modifiers) {
    EditOutcome outcome = m_editor->HandleKey(key, modifiers);
    if (outcome.switchToMap) emit mapShown(*outcome.switchToMap);
    if (outcome.pointsChanged) emit documentEdited();
    update();
    return outcome;
}

}  // namespace corvane
