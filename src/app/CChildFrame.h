#pragma once

#include <QMdiSubWindow>

#include <memory>

namespace corvane {

class CCorvaneMonitorDoc;

// The child window of the monitor document: it owns the document (the 45 live values) and its
// view. The monitor view comes with the live monitor; until then the window says what it is.
class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    explicit CChildFrame(QWidget* parent = nullptr);
    ~CChildFrame() override;

    [[nodiscard]] CCorvaneMonitorDoc& Document() const { return *m_document; }

private:
    std::unique_ptr<CCorvaneMonitorDoc> m_document;
};

}  // namespace corvane
