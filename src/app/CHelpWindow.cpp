#include "app/CHelpWindow.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImage>
#include <QPixmap>
#include <QListWidget>
#include <QMenuBar>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QTimer>
#include <QToolBar>

#include "app/CBackupsDlg.h"
#include "app/CModuleDetectionDlg.h"
#include "app/CMonitorDataReplayDlg.h"
#include "views/CAFRCalculatorDlg.h"
#include "views/CAfrEditDlg.h"
#include "views/CBasicSettingEditDlg.h"
#include "views/CCorvaneBasicSettingsView.h"
#include "views/CCorvaneMonitorView.h"
#include "views/CCorvaneWarrantyView.h"
#include "views/CEditVinDlg.h"
#include "views/CHistoryDock.h"
#include "views/CHotKeyHelpDlg.h"
#include "views/CLogViewerDlg.h"
#include "views/CMapsView.h"
#include "views/CMonitorModeLessDlg.h"
#include "views/CMonitorValueSetupDlg.h"
#include "views/CPPageTuningMapSelector.h"
#include "views/CRideAutoTuneSettingsDlg.h"
#include "views/CTableView.h"
#include "views/CTuneDifferencesView.h"

namespace corvane {

namespace {

// Which section tells about which window: the first match going up from the widget wins.
QString SectionOfOne(const QObject* w) {
    if (const auto* maps = qobject_cast<const CMapsView*>(w))
        return maps->Kind() == EditorView::AdvancedUser ? "The advanced user maps view" : "The maps view";
    if (qobject_cast<const CTableView*>(w)) return "Tables";
    if (qobject_cast<const CCorvaneBasicSettingsView*>(w) || qobject_cast<const CBasicSettingEditDlg*>(w))
        return "Basic settings";
    if (qobject_cast<const CCorvaneWarrantyView*>(w) || qobject_cast<const CEditVinDlg*>(w)) return "The warranty record";
    if (qobject_cast<const CCorvaneMonitorView*>(w) || qobject_cast<const CMonitorModeLessDlg*>(w) ||
        qobject_cast<const CMonitorValueSetupDlg*>(w))
        return "Monitoring and gauges";
    if (qobject_cast<const CLogViewerDlg*>(w) || qobject_cast<const CMonitorDataReplayDlg*>(w))
        return "Logs, replay and the log viewer";
    if (qobject_cast<const CTuneDifferencesView*>(w)) return "Comparing tunes";
    if (qobject_cast<const CAFRCalculatorDlg*>(w) || qobject_cast<const CAfrEditDlg*>(w)) return "The AFR calculator";
    if (qobject_cast<const CRideAutoTuneSettingsDlg*>(w)) return "AutoTune";
    if (qobject_cast<const CHotKeyHelpDlg*>(w)) return "Keys";
    if (qobject_cast<const CBackupsDlg*>(w)) return "Backups";
    if (qobject_cast<const CHistoryDock*>(w)) return "Undo and the edit history";
    if (qobject_cast<const CModuleDetectionDlg*>(w)) return "Firmware upgrade";
    if (qobject_cast<const CPPageTuningMapSelector*>(w) || qobject_cast<const QToolBar*>(w) ||
        qobject_cast<const QStatusBar*>(w) || qobject_cast<const QMenuBar*>(w))
        return "The main window";
    return {};
}

QString HeadingOf(const QTextBlock& block) {
    return block.blockFormat().headingLevel() > 0 ? block.text().trimmed() : QString();
}

}  // namespace

CHelpWindow::CHelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("HelpWindow");
    setWindowTitle(kTitle);
    auto* splitter = new QSplitter(this);
    m_contents = new QListWidget(splitter);
    m_contents->setObjectName("HelpContents");
    m_browser = new QTextBrowser(splitter);
    m_browser->setObjectName("HelpText");
    m_browser->setOpenExternalLinks(true);
    splitter->addWidget(m_contents);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({280, 720});
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splitter);
    connect(m_contents, &QListWidget::currentTextChanged, this, [this](const QString& heading) {
        if (!heading.isEmpty()) ShowSection(heading.trimmed());
    });
    resize(1000, 760);
}

bool CHelpWindow::Open(const QString& guidePath) {
    QFile file(guidePath);
    if (!file.open(QIODevice::ReadOnly)) return false;
    m_path = QFileInfo(guidePath).absoluteFilePath();
    // The screenshots are found beside the guide.
    m_browser->setSearchPaths({QFileInfo(m_path).absolutePath()});
    m_browser->setSource(QUrl::fromLocalFile(m_path), QTextDocument::MarkdownResource);
    FitImages();
    const QSignalBlocker quiet(m_contents);
    m_contents->clear();
    for (QTextBlock b = m_browser->document()->begin(); b.isValid(); b = b.next()) {
        const int level = b.blockFormat().headingLevel();
        // The guide's own title is the window's; its sections are listed.
        if (level == 2) m_contents->addItem(HeadingOf(b));
    }
    return true;
}

QStringList CHelpWindow::Sections() const {
    QStringList sections;
    for (int i = 0; i < m_contents->count(); ++i) sections << m_contents->item(i)->text();
    return sections;
}

bool CHelpWindow::ShowSection(const QString& heading) {
    // The screenshots take their width first: they move every heading below them.
    FitImages();
    if (!ScrollTo(heading)) return false;
    const QSignalBlocker quiet(m_contents);
    const auto items = m_contents->findItems(heading, Qt::MatchExactly);
    if (!items.isEmpty()) m_contents->setCurrentItem(items.first());
    // A window just shown lays its text out once more: the heading stays at the top.
    QTimer::singleShot(0, this, [this, heading] {
        FitImages();
        ScrollTo(heading);
    });
    return true;
}

bool CHelpWindow::ScrollTo(const QString& heading) {
    QTextDocument* doc = m_browser->document();
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        if (HeadingOf(b) != heading) continue;
        // The heading at the top of the window, the cursor on it.
        m_browser->setTextCursor(QTextCursor(b));
        const QRectF at = doc->documentLayout()->blockBoundingRect(b);
        m_browser->verticalScrollBar()->setValue(static_cast<int>(at.top()));
        return true;
    }
    return false;
}

QString CHelpWindow::CurrentSection() const {
    QTextDocument* doc = m_browser->document();
    const int top = m_browser->verticalScrollBar()->value();
    QString shown;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        if (doc->documentLayout()->blockBoundingRect(b).top() > top + 2) break;
        if (!HeadingOf(b).isEmpty()) shown = HeadingOf(b);
    }
    return shown;
}

QString CHelpWindow::SectionFor(const QWidget* widget) {
    for (const QObject* w = widget; w != nullptr; w = w->parent()) {
        const QString section = SectionOfOne(w);
        if (!section.isEmpty()) return section;
    }
    return kFirstSection;
}

QStringList CHelpWindow::ContextSections() {
    return {kFirstSection,
            "The main window",
            "The maps view",
            "The advanced user maps view",
            "Tables",
            "Keys",
            "Basic settings",
            "The warranty record",
            "Monitoring and gauges",
            "AutoTune",
            "The AFR calculator",
            "Logs, replay and the log viewer",
            "Comparing tunes",
            "Undo and the edit history",
            "Backups",
            "Firmware upgrade"};
}

void CHelpWindow::FitImages() {
    QTextDocument* doc = m_browser->document();
    const double widest = std::max(200, m_browser->viewport()->width() - 40);
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid() || !fragment.charFormat().isImageFormat()) continue;
            QTextImageFormat image = fragment.charFormat().toImageFormat();
            const QVariant data = doc->resource(QTextDocument::ImageResource, QUrl(image.name()));
            QImage picture = data.value<QImage>();
            if (picture.isNull() && data.canConvert<QPixmap>()) picture = data.value<QPixmap>().toImage();
            if (picture.isNull() && data.canConvert<QByteArray>()) picture = QImage::fromData(data.toByteArray());
            if (picture.isNull()) continue;
            // At most its own size, never wider than the page.
            const double width = std::min<double>(picture.width(), widest);
            if (std::abs(image.width() - width) < 1.0) continue;
            image.setWidth(width);
            image.setHeight(width * picture.height() / picture.width());
            QTextCursor cursor(doc);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(image);
        }
    }
}

void CHelpWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // Once the splitter has given the text its new width.
    if (!m_path.isEmpty()) QTimer::singleShot(0, this, &CHelpWindow::FitImages);
}

}  // namespace corvane
