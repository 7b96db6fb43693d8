#include "views/CAFRCalculatorDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "maps/AfrArithmetic.h"
#include "model/AppState.h"
#include "model/NumberText.h"
#include "model/Prompter.h"

namespace corvane {

namespace {

QString Number(double v) { return QString::number(v, 'g', 15); }

}  // namespace

CAFRCalculatorDlg::CAFRCalculatorDlg(AppState& app, QWidget* parent, Prompter* prompter)
    : QDialog(parent),
      m_app(app),
      m_prompter(prompter),
      m_mapPoint(new QLineEdit(Number(0.0), this)),
      m_target(new QLineEdit(Number(app.targetAfr), this)),
      m_factor(new QLineEdit(Number(0.0), this)),
      m_calculate(new QPushButton(QStringLiteral("Calculate"), this)) {
    setWindowTitle(QStringLiteral("AFR Calculator"));
    m_mapPoint->setObjectName(QStringLiteral("mapPointAfr"));
    m_target->setObjectName(QStringLiteral("targetAfr"));
    m_factor->setObjectName(QStringLiteral("fuelingChangeFactor"));
    m_factor->setReadOnly(true);
    m_factor->setFocusPolicy(Qt::NoFocus);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Map Point AFR Value"), m_mapPoint);
    form->addRow(QStringLiteral("Target AFR Value"), m_target);
    form->addRow(QStringLiteral("Fueling Change Factor"), m_factor);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(m_calculate, QDialogButtonBox::ActionRole);
    buttons->addButton(QDialogButtonBox::Ok);
    buttons->addButton(QDialogButtonBox::Cancel);
    // Enter runs the calculation; OK is a deliberate click, because it changes the target
    // every AutoTune correction works towards.
    m_calculate->setDefault(true);
    m_calculate->setAutoDefault(true);
    buttons->button(QDialogButtonBox::Ok)->setAutoDefault(false);
    buttons->button(QDialogButtonBox::Cancel)->setAutoDefault(false);
    connect(m_calculate, &QPushButton::clicked, this, &CAFRCalculatorDlg::Calculate);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    m_mapPoint->setFocus();
    m_mapPoint->selectAll();
}

void CAFRCalculatorDlg::Refuse(QLineEdit* edit, const char* message) {
    if (m_prompter != nullptr)
        m_prompter->Message(message, {}, Prompter::Icon::Warning, Prompter::Buttons::Ok);
    else
        QMessageBox::warning(this, windowTitle(), QString::fromLatin1(message));
    edit->setFocus();
    edit->selectAll();
}

std::optional<double> CAFRCalculatorDlg::Field(QLineEdit* edit) {
    const auto v = ParseNumber(edit->text().toStdString());
    if (!v) {
        Refuse(edit, kNotANumberMessage);
        return std::nullopt;
    }
    return v;
}

std::optional<double> CAFRCalculatorDlg::Target() {
    const auto target = Field(m_target);
    if (!target) return std::nullopt;
    if (!IsTargetAfrAccepted(*target)) {
        Refuse(m_target, kTargetOutOfRangeMessage);
        return std::nullopt;
    }
    return target;
}

void CAFRCalculatorDlg::Calculate() {
    const auto mapPoint = Field(m_mapPoint);
    if (!mapPoint) return;
    const auto target = Target();
    if (!target) return;
    m_factor->setText(QString::fromStdString(FormatFixed(AfrChangeFactor(*mapPoint, *target), 3)));
}

void CAFRCalculatorDlg::accept() {
    if (!Field(m_mapPoint)) return;
    const auto target = Target();
    if (!target) return;
    m_app.targetAfr = *target;
    QDialog::accept();
}

}  // namespace corvane
