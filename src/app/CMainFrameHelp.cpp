// CMainFrame: Help ▸ Help Topics and context help. Shift+F1 opens the guide at the section
// about the window under the mouse pointer; the "?" button of the toolbar waits for a click and
// opens it at the section about the window clicked (Esc gives up).
#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolBar>

#include <functional>

#include "app/CCorvaneApp.h"
#include "app/CHelpWindow.h"
#include "app/CMainFrame.h"
#include "app/CommandTable.h"
#include "model/Prompter.h"

namespace corvane {

namespace {

// Catches the next click anywhere in the program while the "?" pointer is shown, and tells
// which widget it hit (null: Esc gave up).
class HelpPicker : public QObject {
public:
    using Chosen = std::function<void(QWidget*)>;
    HelpPicker(QObject* parent, Chosen chosen) : QObject(parent), m_chosen(std::move(chosen)) {
        QApplication::setOverrideCursor(Qt::WhatsThisCursor);
        qApp->installEventFilter(this);
    }
    ~HelpPicker() override { Finish(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::MouseButtonPress: {
                const auto* mouse = static_cast<QMouseEvent*>(event);
                QWidget* target = QApplication::widgetAt(mouse->globalPosition().toPoint());
                if (!target) target = qobject_cast<QWidget*>(watched);
                Finish();
                m_chosen(target);
                deleteLater();
                return true;  // the click asked for help; it does nothing else
            }
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick: return m_active;
            case QEvent::KeyPress:
                if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
                    Finish();
                    m_chosen(nullptr);  // given up
                    deleteLater();
                    return true;
                }
                return false;
            default: return false;
        }
    }

private:
    void Finish() {
        if (!m_active) return;
        m_active = false;
        qApp->removeEventFilter(this);
        QApplication::restoreOverrideCursor();
    }
    Chosen m_chosen;
    bool m_active = true;
};

}  // namespace

CHelpWindow* CMainFrame::ShowHelp(const QString& section) {
    if (!m_help) {
        auto* help = new CHelpWindow(this);
        const QString guide = m_app.GuideFile();
        if (!help->Open(guide)) {
            delete help;
            m_app.GetPrompter().Message("The user guide cannot be found:\n" + guide.toStdString() +
                                            "\n\nIt comes with the program; installing Corvane again puts it back.",
                                        {}, Prompter::Icon::Error);
            return nullptr;
        }
        m_help = help;
    }
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
    if (!section.isEmpty()) m_help->ShowSection(section);
    return m_help;
}

void CMainFrame::OnContextHelp() {
    // A click on the "?" button: the next click chooses the window. Shift+F1: the window under
    // the pointer (or the one with the keys when the pointer is outside the program).
    QWidget* button = m_mainBar->widgetForAction(Action(cmd::kContextHelp));
    if (button && button->underMouse()) {
        StartHelpPick();
        return;
    }
    QWidget* under = QApplication::widgetAt(QCursor::pos());
    ContextHelpFor(under ? under : QApplication::focusWidget());
}

void CMainFrame::ContextHelpFor(QWidget* widget) { ShowHelp(CHelpWindow::SectionFor(widget)); }

void CMainFrame::StartHelpPick() {
    if (m_helpPicker) return;
    m_helpPicker = new HelpPicker(this, [this](QWidget* chosen) {
        m_helpPicker = nullptr;
        if (chosen) ContextHelpFor(chosen);
    });
    connect(m_helpPicker, &QObject::destroyed, this, [this] { m_helpPicker = nullptr; });
}

}  // namespace corvane
