#include "views/CCorvaneBasicSettingsView.h"

#include <QLabel>
#include <QPushButton>

#include <algorithm>
#include <cstdio>

#include "link/CBasicSettingsLink.h"
#include "link/CLinkController.h"
#include "link/LinkDocument.h"
#include "model/AppState.h"
#include "model/BasicSettingEdit.h"
#include "model/BasicSettingsLayout.h"
#include "model/CBasicSettingsModuleValue.h"
#include "model/Prompter.h"
#include "views/CBasicSettingEditDlg.h"

namespace corvane {

CCorvaneBasicSettingsView::CCorvaneBasicSettingsView(LinkDocument& doc, CLinkController& link, QWidget* parent)
    : QScrollArea(parent), m_doc(doc), m_link(link), m_runDialog([](CBasicSettingEditDlg& d) { return d.exec(); }) {
    setObjectName("BasicSettingsView");
    setWidgetResizable(false);
    m_canvas = new QWidget;
    m_canvas->setObjectName("BasicSettingsCanvas");
    m_canvas->setAutoFillBackground(true);

    m_readButton = new QPushButton(kReadButtonText, m_canvas);
    m_readButton->setObjectName("ReadModuleSettings");
    m_readButton->setGeometry(QRect(QPoint(20, 5), QPoint(195, 30)));
    m_readButton->setDefault(true);
    connect(m_readButton, &QPushButton::clicked, this, &CCorvaneBasicSettingsView::ReadModuleSettings);

    for (int k = 0; k < kBasicSettingCount; ++k) {
        CBasicSettingItem item;
        item.button = new QPushButton(m_canvas);
        item.button->setObjectName(QString("Setting%1").arg(400 + k));
        // The TPS offset is the module's own calibration: shown, never edited here.
        item.button->setEnabled(k != kTPSOffset);
        connect(item.button, &QPushButton::clicked, this, [this, k] { EditSetting(k); });
        item.label = new QLabel(m_canvas);
        item.label->setObjectName(QString("Value%1").arg(400 + k));
        item.label->setAlignment(Qt::AlignCenter);
        item.label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        item.label->setAutoFillBackground(true);
        item.label->setBackgroundRole(QPalette::Base);
        m_items.push_back(item);
    }
    setWidget(m_canvas);

    // Told of every link made or lost; unregistered before the view goes.
    m_link.RegisterLinkListener(this, [this](bool) { OnDocumentUpdated(); });
    OnDocumentUpdated();
}

CCorvaneBasicSettingsView::~CCorvaneBasicSettingsView() { m_link.UnregisterLinkListener(this); }

QPushButton* CCorvaneBasicSettingsView::SettingButton(int index) const {
    return index >= 0 && index < static_cast<int>(m_items.size()) ? m_items[static_cast<std::size_t>(index)].button
                                                                   : nullptr;
}

QLabel* CCorvaneBasicSettingsView::ValueLabel(int index) const {
    return index >= 0 && index < static_cast<int>(m_items.size()) ? m_items[static_cast<std::size_t>(index)].label
                                                                   : nullptr;
}

void CCorvaneBasicSettingsView::OnDocumentUpdated() {
    RefreshItems();
    LayoutControls();
}

void CCorvaneBasicSettingsView::RefreshItems() {
    const int firmware = m_link.GetAppState().moduleFirmwareVersion;
    for (int k = 0; k < static_cast<int>(m_items.size()); ++k) {
        CBasicSettingItem& item = m_items[static_cast<std::size_t>(k)];
        const CBasicSettingsModuleValue* setting = m_doc.GetSetting(k);
        if (setting == nullptr) continue;
        item.shown = true;
        item.supported = setting->IsSupportedByFirmware(firmware);
        item.name = setting->GetName();
        item.valueText = SettingValueText(*setting, firmware);
    }
}

void CCorvaneBasicSettingsView::LayoutControls() {
    namespace layout = BasicSettingsLayout;
    std::vector<std::string> texts;
    std::vector<bool> shown;
    for (const CBasicSettingItem& item : m_items) {
        texts.push_back(item.name);
        texts.push_back(item.valueText);
        shown.push_back(item.shown);
    }
    m_columnWidth = layout::ColumnWidth(texts);
    const int count = static_cast<int>(std::count(shown.begin(), shown.end(), true));
    m_rowsPerColumn = layout::RowsPerColumn(count, m_columnWidth, viewport()->width());
    const auto controls = layout::Layout(shown, m_columnWidth, m_rowsPerColumn);
    for (const CBasicSettingItem& item : m_items) {
        item.button->setVisible(item.shown);
        item.label->setVisible(item.shown);
    }
    auto qrect = [](const layout::Rect& r) { return QRect(r.x, r.y, r.width, r.height); };
    for (const layout::Control& c : controls) {
        const CBasicSettingItem& item = m_items[static_cast<std::size_t>(c.settingIndex)];
        item.button->setText(QString::fromStdString(item.name));
        item.button->setGeometry(qrect(c.button));
        item.label->setText(QString::fromStdString(item.valueText));
        item.label->setGeometry(qrect(c.label));
    }
    const layout::Rect extent = layout::Extent(controls);
    m_canvas->resize(extent.width, extent.height);
}

void CCorvaneBasicSettingsView::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    // Fewer, longer columns when the window no longer holds them all, and back again.
    std::vector<bool> shown;
    for (const CBasicSettingItem& item : m_items) shown.push_back(item.shown);
    const int count = static_cast<int>(std::count(shown.begin(), shown.end(), true));
    if (BasicSettingsLayout::RowsPerColumn(count, m_columnWidth, viewport()->width()) != m_rowsPerColumn)
        LayoutControls();
}

bool CCorvaneBasicSettingsView::CheckFirmware(int index) {
    CBasicSettingsModuleValue* setting = m_doc.GetSetting(index);
    if (setting == nullptr) return false;
    if (index == kStartIgnRevsDelay && !setting->IsSupportedByFirmware(m_link.GetAppState().moduleFirmwareVersion)) {
        m_link.GetPrompter().Message(kFirmwareSpecificSetting, kFirmwareSpecificTitle, Prompter::Icon::Information,
                                     Prompter::Buttons::Ok);
        return false;
    }
    return true;
}

void CCorvaneBasicSettingsView::Apply(int index, const std::string& valueText) {
    CBasicSettingsLink(m_link).EditSetting(m_doc, index, valueText);
    // The idle settings move maps too: every view of the document shows the new state.
    m_doc.UpdateAllViews();
    OnDocumentUpdated();
    emit documentEdited();
}

void CCorvaneBasicSettingsView::EditSetting(int index) {
    if (!CheckFirmware(index)) return;
    CBasicSettingEditDlg dialog(BasicSettingEdit(*m_doc.GetSetting(index)), m_link.GetPrompter(), this);
    if (m_runDialog(dialog) != QDialog::Accepted) return;
    Apply(index, dialog.Edit().ValueText());
}

bool CCorvaneBasicSettingsView::TakeValue(int index, double displayValue) {
    if (!CheckFirmware(index)) return false;
    // Enough digits that the entry converts back to exactly the module value it came from.
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", displayValue);
    Apply(index, text);
    return true;
}

void CCorvaneBasicSettingsView::ReadModuleSettings() {
    CBasicSettingsLink(m_link).ReadModuleSettings(m_doc);
    OnDocumentUpdated();
}

}  // namespace corvane
