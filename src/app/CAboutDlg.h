#pragma once

#include <QDialog>

namespace corvane {

struct AppState;

// "About corvane": the program, its version and build date, the module type it serves, and the
// firmware version of the linked module.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "About corvane";

    CAboutDlg(const AppState& state, const QString& moduleType, QWidget* parent = nullptr);

    // "Firmware Version: 0x2A" while a module is linked and its version was read, else
    // "Firmware Version: N/A".
    [[nodiscard]] static QString FirmwareText(const AppState& state);
    [[nodiscard]] static QString ProgramVersion();
    // The day this program was built, as yyyy-MM-dd.
    [[nodiscard]] static QString BuildDate();
};

}  // namespace corvane
