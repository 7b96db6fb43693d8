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
    // One column width for all: wide enough for the longest name or value at 8 pixels a
    // character.
    std::size_t longest = 0;
    for (const CBasicSettingItem& item : m_items) longest = std::max({longest, item.name.size(), item.valueText.size()});
    m_columnWidth = kCharWidth * static_cast<int>(longest);
    const int rowHeight = kButtonHeight + kButtonLabelGap + kLabelHeight + kRowSpacing;

    int shown = 0;
    for (const CBasicSettingItem& item : m_items) {
        item.button->setVisible(item.shown);
        item.label->setVisible(item.shown);
        if (!item.shown) continue;
        const int column = shown / kRowsPerColumn;
        const int row = shown % kRowsPerColumn;
        ++shown;
        const int x = kGridX + column * (m_columnWidth + kColumnGap);
        const int y = kGridY + row * rowHeight;
        item.button->setText(QString::fromStdString(item.name));
        item.button->setGeometry(x, y, m_columnWidth, kButtonHeight);
        item.label->setText(QString::fromStdString(item.valueText));
        item.label->setGeometry(x, y + kButtonHeight + kButtonLabelGap, m_columnWidth, kLabelHeight);
    }
    const int columns = (shown + kRowsPerColumn - 1) / kRowsPerColumn;
    const int rows = std::min(shown, kRowsPerColumn);
    m_canvas->resize(kGridX + columns * (m_columnWidth + kColumnGap) + kRightPadding,
                     kGridY + rows * rowHeight + kBottomPadding);
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
