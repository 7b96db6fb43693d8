#include "views/CCorvaneMonitorView.h"

#include <QLabel>
#include <QPushButton>

#include "monitor/CCorvaneMonitorDoc.h"
#include "monitor/CMonitorModel.h"
#include "views/CMonitorModeLessDlg.h"
#include "views/CMonitorValueSetupDlg.h"

namespace corvane {

namespace {

QRect ToQRect(const MonitorLayout::Rect& r) { return QRect(r.x, r.y, r.width, r.height); }

// The group's texts come from the core already printable (bytes from the items files escaped).
QString Shown(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

CCorvaneMonitorView::CCorvaneMonitorView(CCorvaneMonitorDoc& document, AppState& app, MonitorEventSink* sink,
                                         Prompter& prompter, MonitorFolders folders, std::function<QRect()> clientArea,
                                         QWidget* parent)
    : QWidget(parent),
      m_document(document),
      m_app(app),
      m_prompter(prompter),
      m_folders(std::move(folders)),
      m_clientArea(std::move(clientArea)),
      m_model(std::make_unique<CMonitorModel>(document, app, sink)) {
    setObjectName("MonitorView");
    // The group's font: the small dialog font the layout's widths are made for (five pixels a
    // character on average).
    m_font = QFont("Arial");
    m_font.setPixelSize(10);
    setAutoFillBackground(true);
}

CCorvaneMonitorView::~CCorvaneMonitorView() {
    if (m_shown) SaveItems();
    CloseOwnWindows();
}

void CCorvaneMonitorView::FirstShow() {
    m_model->FirstShow(m_folders.userFolder, m_folders.programFolder, m_folders.configurationNumber, &m_prompter);
    BuildGroup();
    OpenOwnWindowsOfModel();
    m_shown = true;
}

bool CCorvaneMonitorView::SaveItems() {
    std::error_code error;
    std::filesystem::create_directories(m_folders.userFolder, error);
    return m_model->Save(m_folders.userFolder, m_folders.configurationNumber);
}

// --- Group window ------------------------------------------------------------------------------

void CCorvaneMonitorView::BuildGroup() {
    ClearGroup();
    for (const MonitorLayout::GroupControl& control : m_model->GroupControls()) {
        GroupWidgets w;
        w.button = new QPushButton(Shown(control.buttonText), this);
        w.button->setGeometry(ToQRect(control.button));
        w.button->setFont(m_font);
        w.button->setObjectName(QString("ItemButton%1").arg(control.itemIndex));
        connect(w.button, &QPushButton::clicked, this, [this, item = control.itemIndex] { OpenSetup(item); });
        w.label = new QLabel(Shown(control.labelText), this);
        w.label->setGeometry(ToQRect(control.label));
        w.label->setFont(m_font);
        w.label->setAlignment(Qt::AlignCenter);
        w.label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        w.labelText = control.labelText;
        w.button->show();
        w.label->show();
        m_group[control.itemIndex] = w;
    }
    const QSize size = GroupSize();
    setMinimumSize(size);
    resize(size);
    emit groupResized(size);
}

void CCorvaneMonitorView::ClearGroup() {
    for (auto& [item, w] : m_group) {
        delete w.button;
        delete w.label;
    }
    m_group.clear();
}

QSize CCorvaneMonitorView::GroupSize() const {
    const MonitorLayout::Rect extent = MonitorLayout::GroupExtent(m_model->GroupControls());
    return QSize(extent.width, extent.height);
}

QPushButton* CCorvaneMonitorView::Button(int item) const {
    auto it = m_group.find(item);
    return it == m_group.end() ? nullptr : it->second.button;
}

QLabel* CCorvaneMonitorView::Label(int item) const {
    auto it = m_group.find(item);
    return it == m_group.end() ? nullptr : it->second.label;
}

int CCorvaneMonitorView::TakeLabelChanges() { return std::exchange(m_labelChanges, 0); }

// --- Packets -----------------------------------------------------------------------------------

void CCorvaneMonitorView::OnMonitorBlock(std::span<const std::uint8_t> block) {
    m_model->OnMonitorBlock(block);
    RefreshLabels();
    RefreshOwnWindows(true);
    emit packetShown();
}

void CCorvaneMonitorView::MarkStale() {
    m_model->MarkStale();
    RefreshLabels();
}

void CCorvaneMonitorView::RefreshLabels() {
    for (const MonitorLayout::GroupControl& control : m_model->GroupControls()) {
        auto it = m_group.find(control.itemIndex);
        if (it == m_group.end()) continue;
        GroupWidgets& w = it->second;
        // Most values stay put from one packet to the next: an unchanged label is not touched.
        if (w.labelText != control.labelText) {
            w.labelText = control.labelText;
            w.label->setText(Shown(control.labelText));
            ++m_labelChanges;
        }
    }
}

// --- Own windows -------------------------------------------------------------------------------

CMonitorModeLessDlg* CCorvaneMonitorView::MakeOwnWindow(int item, int left, int top) {
    auto* dlg = new CMonitorModeLessDlg(item, window());
    dlg->move(left, top);
    connect(dlg, &CMonitorModeLessDlg::setupRequested, this, &CCorvaneMonitorView::OpenSetup,
            Qt::QueuedConnection);  // the click ends before a modal dialog opens
    connect(dlg, &CMonitorModeLessDlg::moved, this,
            [this](int index, int x, int y) { m_model->MoveOwnWindow(index, x, y); });
    m_ownWindows[item] = dlg;
    return dlg;
}

void CCorvaneMonitorView::OpenOwnWindowsOfModel() {
    for (const CModeLessArrayItem& record : m_model->OwnWindows())
        if (!OwnWindow(record.itemIndex)) MakeOwnWindow(record.itemIndex, record.left, record.top);
    RefreshOwnWindows(false);
}

void CCorvaneMonitorView::CloseOwnWindows() {
    for (auto& [item, window] : m_ownWindows) delete window.data();
    m_ownWindows.clear();
}

CMonitorModeLessDlg* CCorvaneMonitorView::OwnWindow(int item) const {
    auto it = m_ownWindows.find(item);
    return it == m_ownWindows.end() ? nullptr : it->second.data();
}

std::vector<CMonitorModeLessDlg*> CCorvaneMonitorView::OwnWindows() const {
    std::vector<CMonitorModeLessDlg*> windows;
    for (const auto& [item, window] : m_ownWindows)
        if (window) windows.push_back(window.data());
    return windows;
}

void CCorvaneMonitorView::RefreshOwnWindows(bool packet) {
    for (CModeLessArrayItem& record : const_cast<std::vector<CModeLessArrayItem>&>(m_model->OwnWindows())) {
        CMonitorModeLessDlg* window = OwnWindow(record.itemIndex);
        if (!window) continue;
        window->Refresh(record);
        // While packets arrive the gauges show, also after they were hidden.
        const bool visible = packet || m_model->OwnWindowsVisible();
        if (visible && !window->isVisible()) window->show();
        if (!visible && window->isVisible()) window->hide();
    }
}

void CCorvaneMonitorView::ToggleGauges() {
    m_model->ToggleOwnWindows();
    RefreshOwnWindows(false);
}

void CCorvaneMonitorView::ResetGauges() {
    CloseOwnWindows();
    ClearGroup();
    m_model->Reset(m_folders.userFolder, m_folders.programFolder, m_folders.configurationNumber, &m_prompter);
    BuildGroup();
    OpenOwnWindowsOfModel();
}

void CCorvaneMonitorView::OpenSetup(int index) {
    if (index < 0 || index >= static_cast<int>(m_model->Items().size())) return;
    const bool hadOwnWindow = m_model->FindOwnWindow(index) != nullptr;
    CMonitorValueSetupDlg dialog(m_model->Items(), index, m_prompter, this);
    if (dialog.exec() != QDialog::Accepted) return;
    AfterSetup(index, hadOwnWindow);
}

void CCorvaneMonitorView::ShowOwnWindow(int index) {
    if (index < 0 || index >= static_cast<int>(m_model->Items().size())) return;
    const bool hadOwnWindow = m_model->FindOwnWindow(index) != nullptr;
    m_model->Items()[static_cast<std::size_t>(index)].ownWindow = 1;
    AfterSetup(index, hadOwnWindow);
}

void CCorvaneMonitorView::AfterSetup(int index, bool hadOwnWindow) {
    const QRect client = m_clientArea ? m_clientArea() : QRect(0, 0, 1000, 700);
    m_model->AfterSetup(index, hadOwnWindow, client.right() + 1, client.top(), CMonitorModeLessDlg::kWidth);
    // Windows of items that no longer want one go; new records get their window.
    for (auto it = m_ownWindows.begin(); it != m_ownWindows.end();) {
        if (!m_model->FindOwnWindow(it->first)) {
            delete it->second.data();
            it = m_ownWindows.erase(it);
        } else {
            ++it;
        }
    }
    OpenOwnWindowsOfModel();
}

}  // namespace corvane
