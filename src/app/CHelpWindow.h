#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

class QListWidget;
class QTextBrowser;

namespace corvane {

// Help ▸ Help Topics: the user guide (a Markdown file shipped with the program, with its
// screenshots beside it) in a window of its own, its sections listed on the left. Context help
// opens it at the section about a window: SectionFor names it.
class CHelpWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "Corvane Help";
    // The guide's path under the program's data folder.
    static constexpr const char* kGuideFile = "guide/guide.md";
    // The section context help opens when no window is known.
    static constexpr const char* kFirstSection = "Getting started on the simulated module";

    explicit CHelpWindow(QWidget* parent = nullptr);

    // Loads the guide; false (nothing shown) when the file cannot be read.
    bool Open(const QString& guidePath);
    [[nodiscard]] QString GuidePath() const { return m_path; }
    // The guide's sections, as its headings read, in order.
    [[nodiscard]] QStringList Sections() const;
    // Scrolls to the section with this heading; false when the guide has none.
    bool ShowSection(const QString& heading);
    // The heading shown at the top of the window now.
    [[nodiscard]] QString CurrentSection() const;

    // The section about `widget` (or the window it lies in): "The maps view" for a maps view,
    // "Basic settings" for the settings view and its value entry, and so on; the first section
    // for anything else.
    [[nodiscard]] static QString SectionFor(const QWidget* widget);
    // Every section SectionFor can name.
    [[nodiscard]] static QStringList ContextSections();

    [[nodiscard]] QTextBrowser* Browser() const { return m_browser; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Screenshots wider than the page are shown at its width.
    void FitImages();
    bool ScrollTo(const QString& heading);

    QString m_path;
    QListWidget* m_contents = nullptr;
    QTextBrowser* m_browser = nullptr;
};

}  // namespace corvane
