#pragma once

#include <QMdiSubWindow>

#include <memory>

namespace corvane {

class CCorvaneMonitorDoc;
class CCorvaneMonitorView;

// The child window of the monitor document: it owns the document (the 45 live values) and
// shows its monitor view as the view asks: without a caption, in the top-left corner, sized
// to the group of buttons and labels.
class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    explicit CChildFrame(QWidget* parent = nullptr);
    ~CChildFrame() override;

    [[nodiscard]] CCorvaneMonitorDoc& Document() const { return *m_document; }
    // Takes the view (made over Document()) and fits the window around its group.
    void SetView(CCorvaneMonitorView* view);
    [[nodiscard]] CCorvaneMonitorView* View() const { return m_view; }

private:
    void FitToView(QSize group);

    std::unique_ptr<CCorvaneMonitorDoc> m_document;
    CCorvaneMonitorView* m_view = nullptr;
};

}  // namespace corvane
