#pragma once

#include <QDialog>

#include <optional>

class QComboBox;

namespace corvane {

// "AFR Entry": one AFR picked from the list or typed, for the quick fuel correction. The box
// opens empty; OK reads its text as a decimal number (text that is not a number gives 0).
class CAfrEditDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAfrEditDlg(QWidget* parent = nullptr);

    // The AFR after OK.
    [[nodiscard]] double AfrValue() const { return m_afr; }
    [[nodiscard]] QComboBox* ComboBox() const { return m_combo; }

    // Runs the dialog; nullopt when cancelled.
    static std::optional<double> Ask(QWidget* parent);

    // The list in the order it is offered (there is no "13.1": that is the usual target).
    static const QStringList& Entries();

public slots:
    void accept() override;

private:
    QComboBox* m_combo;
    double m_afr = 0.0;
};

}  // namespace corvane
