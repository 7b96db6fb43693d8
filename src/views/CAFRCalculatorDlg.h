#pragma once

#include <QDialog>

#include <optional>

class QLineEdit;
class QPushButton;

namespace corvane {

class Prompter;
struct AppState;

// "AFR Calculator": a measured AFR at a map point and the target AFR give the fuelling change
// factor; OK makes the target the application's target AFR. The target must lie within
// 12.0 ... 14.7: outside it Calculate and OK tell the user and the dialog stays open.
class CAFRCalculatorDlg : public QDialog {
    Q_OBJECT
public:
    // prompter: where refusals are told (tests); null shows a message box.
    explicit CAFRCalculatorDlg(AppState& app, QWidget* parent = nullptr, Prompter* prompter = nullptr);

    [[nodiscard]] QLineEdit* MapPointAfrEdit() const { return m_mapPoint; }
    [[nodiscard]] QLineEdit* TargetAfrEdit() const { return m_target; }
    [[nodiscard]] QLineEdit* FactorEdit() const { return m_factor; }
    [[nodiscard]] QPushButton* CalculateButton() const { return m_calculate; }

    static constexpr const char* kTargetOutOfRangeMessage = "Enter a Target AFR Value between 12.0 and 14.7.";
    static constexpr const char* kNotANumberMessage = "Enter a number.";

public slots:
    void Calculate();
    void accept() override;

private:
    // The field as a number; tells the user and gives nullopt when it is not one.
    std::optional<double> Field(QLineEdit* edit);
    // The target field when it is a number within the accepted range.
    std::optional<double> Target();
    void Refuse(QLineEdit* edit, const char* message);

    AppState& m_app;
    Prompter* m_prompter;
    QLineEdit* m_mapPoint;
    QLineEdit* m_target;
    QLineEdit* m_factor;
    QPushButton* m_calculate;
};

}  // namespace corvane
