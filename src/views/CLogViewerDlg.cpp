#include "views/CLogViewerDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#include <qcustomplot.h>

#include "comms/MonitorLog.h"
#include "model/NumberText.h"
#include "model/Prompter.h"

namespace corvane {

namespace {

constexpr int kClickSlop = 4;           // pixels a press may move and still be a click
constexpr double kWheelZoomStep = 1.25;  // per wheel notch

// Colours of the shown channels, in the order they were ticked: far apart for the first few.
QColor ChannelColour(int index) {
    static const QColor kColours[] = {QColor(0, 90, 200),  QColor(200, 40, 30),  QColor(0, 140, 60),
                                      QColor(150, 60, 170), QColor(210, 120, 0), QColor(0, 150, 160),
                                      QColor(120, 90, 40),  QColor(90, 90, 90)};
    return kColours[static_cast<std::size_t>(index) % std::size(kColours)];
}

QString Number(double value) { return QString::fromStdString(FormatFixed(value, 2)); }

}  // namespace

CLogViewerDlg::CLogViewerDlg(Prompter* prompter, QString logFolder, QWidget* parent)
    : QDialog(parent), m_prompter(prompter), m_folder(std::move(logFolder)) {
    setWindowTitle(kTitle);
    setModal(false);
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    resize(1100, 650);

    auto* layout = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout();
    auto* open = new QPushButton("Open Log...", this);
    open->setAutoDefault(false);
    m_fileLabel = new QLabel("No log open", this);
    m_separateBox = new QCheckBox("Separate Axes", this);
    auto* all = new QPushButton("Show All", this);
    all->setAutoDefault(false);
    m_replayButton = new QPushButton("Replay From Cursor", this);
    m_replayButton->setAutoDefault(false);
    m_analyzeButton = new QPushButton(kAnalyzeText, this);
    m_analyzeButton->setAutoDefault(false);
    m_analyzeButton->setToolTip("Ride AutoTune from this log, against the fuel table of the maps document in front "
                                "(the tune the log was ridden on)");
    bar->addWidget(open);
    bar->addWidget(m_fileLabel, 1);
    bar->addWidget(m_separateBox);
    bar->addWidget(all);
    bar->addWidget(m_replayButton);
    bar->addWidget(m_analyzeButton);
    layout->addLayout(bar);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    m_list = new QListWidget(splitter);
    m_list->setMinimumWidth(230);
    m_plot = new QCustomPlot(splitter);
    m_plot->setFocusPolicy(Qt::StrongFocus);
    m_plot->installEventFilter(this);
    // Lines of many thousand points: no antialiasing, so a redraw stays fast.
    m_plot->setNotAntialiasedElements(QCP::aeAll);
    m_plot->setAntialiasedElements(QCP::aeNone);
    m_plot->setAutoAddPlottableToLegend(false);
    splitter->addWidget(m_list);
    splitter->addWidget(m_plot);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({260, 840});
    layout->addWidget(splitter, 1);
    m_cursorLabel = new QLabel(this);
    m_cursorLabel->setText("Wheel or +/- zoom, drag or Left/Right pan, Home shows all; a click places the cursor, "
                           "Shift+Left/Right steps it, Enter takes a running replay there.");
    layout->addWidget(m_cursorLabel);

    connect(open, &QPushButton::clicked, this, &CLogViewerDlg::PickLog);
    connect(all, &QPushButton::clicked, this, [this] {
        m_range.ShowAll();
        Redraw();
    });
    connect(m_separateBox, &QCheckBox::toggled, this, &CLogViewerDlg::SetSeparateAxes);
    connect(m_replayButton, &QPushButton::clicked, this, [this] {
        if (!m_file.isEmpty()) emit replayFromRequested(m_file, m_range.Cursor());
    });
    connect(m_analyzeButton, &QPushButton::clicked, this, [this] {
        if (!m_file.isEmpty()) emit analyzeForAutoTune(m_file);
    });
    connect(m_list, &QListWidget::itemChanged, this, &CLogViewerDlg::OnItemChanged);
    m_replayButton->setEnabled(false);
    m_analyzeButton->setEnabled(false);
    Redraw();
}

CLogViewerDlg::~CLogViewerDlg() = default;

void CLogViewerDlg::PickLog() {
    if (!m_prompter) return;
    const auto path = m_prompter->PickOpenFileIn(m_folder.toStdString(), kFileFilter, ".csv");
    if (path) OpenLog(QString::fromStdString(*path));
}

bool CLogViewerDlg::OpenLog(const QString& path) {
    std::string error;
    // A long log takes a moment to read: say so while the window cannot react.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto table = comms::MonitorLog::ReadTable(path.toStdString(), &error);
    QApplication::restoreOverrideCursor();
    if (!table) {
        m_error = QString::fromStdString(error);
        if (m_prompter)
            m_prompter->Message("This log cannot be shown:\n" + path.toStdString() + "\n" + error, kTitle,
                                Prompter::Icon::Error);
        return false;
    }
    m_error.clear();
    m_table = std::move(*table);
    m_file = path;
    m_fileLabel->setText(QFileInfo(path).fileName() + QString("  (%1 rows, %2 s)")
                                                          .arg(m_table.Rows())
                                                          .arg(m_table.LastSeconds() - m_table.FirstSeconds(), 0, 'f', 1));
    m_fileLabel->setToolTip(path);
    m_range.SetLogSpan(m_table.FirstSeconds(), m_table.LastSeconds());
    m_replayPosition.reset();
    std::vector<int> channels;
    for (const char* prefix : kDefaultChannels)
        for (std::size_t c = 0; c < m_table.Columns(); ++c)
            if (m_table.headings[c].rfind(prefix, 0) == 0) {
                channels.push_back(static_cast<int>(c));
                break;
            }
    if (channels.empty() && m_table.Columns() > 0) channels.push_back(0);
    m_filling = true;
    m_list->clear();
    for (std::size_t c = 0; c < m_table.Columns(); ++c) {
        auto* item = new QListWidgetItem(m_list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    m_filling = false;
    m_replayButton->setEnabled(true);
    m_analyzeButton->setEnabled(true);
    SetChannels(channels);
    return true;
}

void CLogViewerDlg::SetChannels(const std::vector<int>& columns) {
    m_channels.clear();
    for (int c : columns)
        if (c >= 0 && static_cast<std::size_t>(c) < m_table.Columns() &&
            std::find(m_channels.begin(), m_channels.end(), c) == m_channels.end())
            m_channels.push_back(c);
    m_filling = true;
    for (int row = 0; row < m_list->count(); ++row)
        m_list->item(row)->setCheckState(std::find(m_channels.begin(), m_channels.end(), row) != m_channels.end()
                                             ? Qt::Checked
                                             : Qt::Unchecked);
    m_filling = false;
    m_plotDirty = true;
    Redraw();
}

void CLogViewerDlg::OnItemChanged(QListWidgetItem* item) {
    if (m_filling) return;
    const int column = m_list->row(item);
    std::vector<int> channels = m_channels;
    channels.erase(std::remove(channels.begin(), channels.end(), column), channels.end());
    if (item->checkState() == Qt::Checked) channels.push_back(column);
    SetChannels(channels);
}

void CLogViewerDlg::SetSeparateAxes(bool separate) {
    if (m_separateBox->isChecked() != separate) m_separateBox->setChecked(separate);  // comes back here
    if (m_separate == separate) return;
    m_separate = separate;
    m_plotDirty = true;
    Redraw();
}

void CLogViewerDlg::SetReplayPosition(std::optional<double> seconds) {
    if (seconds == m_replayPosition) return;
    m_replayPosition = seconds;
    Redraw();
}

void CLogViewerDlg::BuildPlot() {
    m_plot->clearItems();
    m_plot->clearGraphs();
    // The legend lives in the first plot area's inset; it is kept while the areas are rebuilt.
    QCPLegend* legend = m_plot->legend;
    if (legend && legend->layout()) legend->layout()->take(legend);
    m_plot->plotLayout()->clear();
    m_rects.clear();
    m_cursorLines.clear();
    m_replayLines.clear();
    const std::size_t rects = m_channels.empty() ? 1 : (m_separate ? m_channels.size() : 1);
    for (std::size_t r = 0; r < rects; ++r) {
        auto* rect = new QCPAxisRect(m_plot);
        m_plot->plotLayout()->addElement(static_cast<int>(r), 0, rect);
        rect->setupFullAxesBox(false);
        rect->axis(QCPAxis::atBottom)->setLabel(r + 1 == rects ? "Time (s)" : QString());
        m_rects.push_back(rect);
    }
    // Stacked axes line up on the left, so that one time is one column of pixels in all.
    if (m_rects.size() > 1) {
        auto* group = new QCPMarginGroup(m_plot);
        for (QCPAxisRect* rect : m_rects) rect->setMarginGroup(QCP::msLeft | QCP::msRight, group);
    }
    QVector<double> keys(m_table.seconds.begin(), m_table.seconds.end());
    QStringList shared;
    for (std::size_t i = 0; i < m_channels.size(); ++i) {
        const int column = m_channels[i];
        QCPAxisRect* rect = m_rects[m_separate ? i : 0];
        QCPGraph* graph = m_plot->addGraph(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
        const auto& values = m_table.values[static_cast<std::size_t>(column)];
        graph->setData(keys, QVector<double>(values.begin(), values.end()), true);
        graph->setPen(QPen(ChannelColour(static_cast<int>(i)), 1));
        graph->setName(QString::fromStdString(m_table.headings[static_cast<std::size_t>(column)]));
        if (m_separate) {
            rect->axis(QCPAxis::atLeft)->setLabel(graph->name());
            rect->axis(QCPAxis::atLeft)->setLabelColor(ChannelColour(static_cast<int>(i)));
        } else {
            shared << graph->name();
        }
        // Each axis fits its own channels over the whole log, so a zoom does not make it jump.
        bool found = false;
        const QCPRange range = graph->data()->valueRange(found);
        if (found) {
            QCPAxis* axis = rect->axis(QCPAxis::atLeft);
            QCPRange fitted = range;
            // Shared axes: this channel's range joins what the channels before it spanned.
            if (!m_separate && axis->property("fitted").toBool())
                fitted.expand(QCPRange(axis->property("lowest").toDouble(), axis->property("highest").toDouble()));
            const ValueAxisRange shown = FitValueAxis(fitted.lower, fitted.upper);
            axis->setRange(shown.lower, shown.upper);
            axis->setProperty("fitted", true);
            axis->setProperty("lowest", fitted.lower);
            axis->setProperty("highest", fitted.upper);
        }
    }
    if (!m_separate && !m_channels.empty())
        m_rects[0]->axis(QCPAxis::atLeft)->setLabel(m_channels.size() == 1 ? shared.first() : QString());
    if (legend) {
        m_rects[0]->insetLayout()->addElement(legend, Qt::AlignTop | Qt::AlignLeft);
        legend->clearItems();
        for (int g = 0; g < m_plot->graphCount(); ++g) legend->addItem(new QCPPlottableLegendItem(legend, m_plot->graph(g)));
        legend->setVisible(!m_separate && m_channels.size() > 1);
    }
    for (QCPAxisRect* rect : m_rects) {
        for (auto* lines : {&m_cursorLines, &m_replayLines}) {
            auto* line = new QCPItemStraightLine(m_plot);
            line->setClipAxisRect(rect);
            line->point1->setAxes(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
            line->point2->setAxes(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
            line->setPen(lines == &m_cursorLines ? QPen(Qt::black, 1, Qt::DashLine) : QPen(QColor(220, 0, 120), 2));
            lines->push_back(line);
        }
    }
    m_plotDirty = false;
}

void CLogViewerDlg::Redraw() {
    if (m_plotDirty) BuildPlot();
    for (QCPAxisRect* rect : m_rects) rect->axis(QCPAxis::atBottom)->setRange(m_range.ShownFirst(), m_range.ShownLast());
    const bool open = m_table.Rows() > 0;
    for (QCPItemStraightLine* line : m_cursorLines) {
        line->setVisible(open);
        line->point1->setCoords(m_range.Cursor(), 0);
        line->point2->setCoords(m_range.Cursor(), 1);
    }
    for (QCPItemStraightLine* line : m_replayLines) {
        line->setVisible(open && m_replayPosition.has_value());
        const double t = m_replayPosition.value_or(0.0);
        line->point1->setCoords(t, 0);
        line->point2->setCoords(t, 1);
    }
    m_plot->replot(QCustomPlot::rpImmediateRefresh);
    RefreshValues();
}

QString CLogViewerDlg::ValueText(int column) const {
    if (column < 0 || static_cast<std::size_t>(column) >= m_table.Columns() || m_table.Rows() == 0) return {};
    const std::size_t row = m_table.RowAt(m_range.Cursor());
    return QString::fromStdString(m_table.headings[static_cast<std::size_t>(column)]) + ": " +
           Number(m_table.values[static_cast<std::size_t>(column)][row]);
}

QString CLogViewerDlg::CursorText() const {
    if (m_table.Rows() == 0) return {};
    const std::size_t row = m_table.RowAt(m_range.Cursor());
    return QString("Cursor %1 s (row at %2 s)").arg(m_range.Cursor(), 0, 'f', 3).arg(m_table.seconds[row], 0, 'f', 3);
}

void CLogViewerDlg::RefreshValues() {
    if (m_table.Rows() == 0) return;
    m_filling = true;
    for (int row = 0; row < m_list->count(); ++row) {
        QListWidgetItem* item = m_list->item(row);
        item->setText(ValueText(row));
        // A shown channel's text in its line's colour.
        const auto shown = std::find(m_channels.begin(), m_channels.end(), row);
        item->setForeground(shown != m_channels.end() ? ChannelColour(static_cast<int>(shown - m_channels.begin()))
                                                      : palette().text().color());
    }
    m_filling = false;
    m_cursorLabel->setText(CursorText() + QString("    shown %1 s to %2 s")
                                              .arg(m_range.ShownFirst(), 0, 'f', 2)
                                              .arg(m_range.ShownLast(), 0, 'f', 2));
}

std::optional<double> CLogViewerDlg::TimeAtPixel(int x, int y) const {
    for (QCPAxisRect* rect : m_rects)
        if (rect->rect().contains(x, y)) return rect->axis(QCPAxis::atBottom)->pixelToCoord(x);
    return std::nullopt;
}

int CLogViewerDlg::PixelOfTime(double t) const {
    if (m_rects.empty()) return 0;
    return static_cast<int>(std::lround(m_rects.front()->axis(QCPAxis::atBottom)->coordToPixel(t)));
}

void CLogViewerDlg::ChooseTime(double t) {
    m_range.SetCursor(t);
    Redraw();
    if (!m_file.isEmpty()) emit timeChosen(m_file, m_range.Cursor());
}

bool CLogViewerDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_plot || m_table.Rows() == 0) return QDialog::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::Wheel: {
            auto* wheel = static_cast<QWheelEvent*>(event);
            const QPoint at = wheel->position().toPoint();
            const auto t = TimeAtPixel(at.x(), at.y());
            const double notches = wheel->angleDelta().y() / 120.0;
            if (notches != 0.0) {
                m_range.ZoomAbout(t.value_or(0.5 * (m_range.ShownFirst() + m_range.ShownLast())),
                                  std::pow(kWheelZoomStep, notches));
                Redraw();
            }
            return true;
        }
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton) break;
            m_plot->setFocus();
            m_pressAt = mouse->position().toPoint();
            m_pressFirst = m_range.ShownFirst();
            m_dragged = false;
            return true;
        }
        case QEvent::MouseMove: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (!m_pressAt || !(mouse->buttons() & Qt::LeftButton) || m_rects.empty()) break;
            const int dx = mouse->position().toPoint().x() - m_pressAt->x();
            if (!m_dragged && std::abs(dx) <= kClickSlop) return true;
            m_dragged = true;
            // The time under the mouse stays under it: the span moves by the drag's seconds.
            const double secondsPerPixel = m_range.ShownSpan() / std::max(1, m_rects.front()->width());
            m_range.Show(m_pressFirst - dx * secondsPerPixel, m_pressFirst - dx * secondsPerPixel + m_range.ShownSpan());
            Redraw();
            return true;
        }
        case QEvent::MouseButtonRelease: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton || !m_pressAt) break;
            const bool click = !m_dragged;
            m_pressAt.reset();
            if (click) {
                const QPoint at = mouse->position().toPoint();
                if (const auto t = TimeAtPixel(at.x(), at.y())) ChooseTime(*t);
            }
            return true;
        }
        case QEvent::KeyPress: {
            keyPressEvent(static_cast<QKeyEvent*>(event));
            return event->isAccepted();
        }
        default: break;
    }
    return QDialog::eventFilter(watched, event);
}

void CLogViewerDlg::keyPressEvent(QKeyEvent* event) {
    if (m_table.Rows() == 0) {
        QDialog::keyPressEvent(event);
        return;
    }
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    // One row's step at the cursor: the time to the next row (or the previous one).
    auto rowStep = [this](int direction) {
        const std::size_t row = m_table.RowAt(m_range.Cursor());
        if (direction > 0) return row + 1 < m_table.Rows() ? m_table.seconds[row + 1] - m_range.Cursor() : 0.0;
        if (m_table.seconds[row] < m_range.Cursor()) return m_table.seconds[row] - m_range.Cursor();
        return row > 0 ? m_table.seconds[row - 1] - m_range.Cursor() : 0.0;
    };
    switch (event->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal: m_range.ZoomIn(); break;
        case Qt::Key_Minus: m_range.ZoomOut(); break;
        case Qt::Key_Left:
            if (shift)
                m_range.StepCursor(rowStep(-1));
            else
                m_range.PanPages(-CLogViewRange::kKeyPanFraction);
            break;
        case Qt::Key_Right:
            if (shift)
                m_range.StepCursor(rowStep(1));
            else
                m_range.PanPages(CLogViewRange::kKeyPanFraction);
            break;
        case Qt::Key_PageUp: m_range.PanPages(-1.0); break;
        case Qt::Key_PageDown: m_range.PanPages(1.0); break;
        case Qt::Key_Home: m_range.ShowAll(); break;
        case Qt::Key_Return:
        case Qt::Key_Enter: ChooseTime(m_range.Cursor()); event->accept(); return;
        default: QDialog::keyPressEvent(event); return;
    }
    event->accept();
    Redraw();
}

}  // namespace corvane
