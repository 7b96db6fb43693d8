#pragma once

#include <QDialog>

#include <optional>

namespace corvane {

// "AFR Entry": one AFR picked from the list or typed, for the quick fuel correction.
class CAfrEditDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAfrEditDlg(QWidget* parent = nullptr);
    // The AFR after OK (text that is not a number gives 0).
    [[nodiscard]] double AfrValue() const { return m_afr; }
    // Runs the dialog; nullopt when cancelled.
    static std::optional<double> Ask(QWidget* parent);

private:
    double m_afr = 0.0;
};

}  // namespace corvane
