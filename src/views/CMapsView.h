#pragma once

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

#include "maps/CMapEditor.h"

namespace corvane {

class CCorvaneMapsDoc;
class IdleMapSync;
class SettingsStore;

// The graph of one tuning map of a maps document: title, grid, axis texts, the curve, one
// painted marker per point and the info box. Keys and marker drags go to the view's
// CMapEditor; painting reads the editor and the maps. The maps view edits base values, the
// advanced user maps view (a CMapsView in EditorView::AdvancedUser) edits trims.
class CMapsView : public QWidget {
    Q_OBJECT
public:
    CMapsView(EditorView kind, CCorvaneMapsDoc& document, SettingsStore& settings,
              QWidget* parent = nullptr);
    ~CMapsView() override;

    [[nodiscard]] EditorView Kind() const;
    [[nodiscard]] CCorvaneMapsDoc& Document() const;
    [[nodiscard]] CMapEditor& Editor();

    // Shows the map at this index of the document's maps; the active point index stays.
    void ShowMap(int index);
    [[nodiscard]] int MapIndex() const;

    // Where Ctrl+T takes its AFR from; by default the AFR entry dialog.
    void SetAfrSource(std::function<std::optional<double>()> source);

    // The live map pointer: the map brackets x between two points and the view repaints the
    // strip between them (3 pixels beyond each).
    void SetMapPointerPosition(double x);

    // The document changed under the view (READ, a load, another view's edit): repaint.
    void OnDocumentUpdated();

    EditOutcome ApplyKey(Key key, KeyModifiers modifiers);

signals:
    // The view now shows this map (the selector follows it; its row key is the target
    // engine speed).
    void mapShown(int index);
    // A key or a drag changed the document.
    void documentEdited();
    void autoTuneToggled();

private:
    EditorView m_kind;
    CCorvaneMapsDoc& m_document;
    SettingsStore& m_settings;
    std::unique_ptr<IdleMapSync> m_idleSync;
    std::unique_ptr<CMapEditor> m_editor;
};

}  // namespace corvane
