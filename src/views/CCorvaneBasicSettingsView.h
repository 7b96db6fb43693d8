#pragma once

#include <QScrollArea>

#include <functional>
#include <string>
#include <vector>

class QLabel;
class QPushButton;

namespace corvane {

class CBasicSettingEditDlg;
class CLinkController;
class LinkDocument;

// The basic settings of a maps document as a grid of buttons, each with the setting's value
// under it; a button opens the value entry dialog, and an accepted edit changes the document
// and, when a module is linked, the module. "Read Module Settings" reads them all from the
// module. The view is a link listener: a link made or lost refreshes what it shows (the
// ignition delay revolutions exist from firmware 81 on).
class CCorvaneBasicSettingsView : public QScrollArea {
    Q_OBJECT
public:
    // The grid of buttons and value labels is BasicSettingsLayout's.
    static constexpr const char* kReadButtonText = "Read Module Settings";

    // Runs a value entry dialog; the result is QDialog's. Tests answer without a modal loop.
    using DialogRunner = std::function<int(CBasicSettingEditDlg&)>;

    CCorvaneBasicSettingsView(LinkDocument& doc, CLinkController& link, QWidget* parent = nullptr);
    ~CCorvaneBasicSettingsView() override;

    // The document changed (a READ, an edit elsewhere, a link change): values and captions
    // again from the settings.
    void OnDocumentUpdated();
    // Command 400 + k: edit setting k.
    void EditSetting(int index);
    // Setting k takes this display value as an accepted entry of its dialog would give it
    // (another tune's value): the same firmware check, module write and follow-ups. False when
    // the setting cannot be edited with the linked firmware.
    bool TakeValue(int index, double displayValue);
    // "Read Module Settings".
    void ReadModuleSettings();

    void SetDialogRunner(DialogRunner runner) { m_runDialog = std::move(runner); }

    [[nodiscard]] QPushButton* SettingButton(int index) const;
    [[nodiscard]] QLabel* ValueLabel(int index) const;
    [[nodiscard]] QPushButton* ReadButton() const { return m_readButton; }
    [[nodiscard]] int ColumnWidth() const { return m_columnWidth; }
    [[nodiscard]] int RowsPerColumn() const { return m_rowsPerColumn; }

signals:
    // An edit changed the document.
    void documentEdited();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // The firmware check of an edit; false (and the user told) when the setting is not there.
    bool CheckFirmware(int index);
    // An accepted value: to the document and a linked module, then every view refreshed.
    void Apply(int index, const std::string& valueText);

    // One setting as the view shows it.
    struct CBasicSettingItem {
        std::string name;
        std::string valueText;
        bool shown = true;
        bool supported = true;
        QPushButton* button = nullptr;
        QLabel* label = nullptr;
    };

    void RefreshItems();
    void LayoutControls();

    LinkDocument& m_doc;
    CLinkController& m_link;
    QWidget* m_canvas = nullptr;
    QPushButton* m_readButton = nullptr;
    std::vector<CBasicSettingItem> m_items;
    int m_columnWidth = 0;
    int m_rowsPerColumn = 0;
    DialogRunner m_runDialog;
};

}  // namespace corvane
