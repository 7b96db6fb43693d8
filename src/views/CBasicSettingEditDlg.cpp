#include "views/CBasicSettingEditDlg.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QVBoxLayout>

#include "model/Prompter.h"

namespace corvane {

namespace {

QFont HeavyFont() {
    QFont font("MS Sans Serif");
    font.setPointSize(10);
    font.setWeight(QFont::ExtraBold);  // weight 800
    return font;
}

}  // namespace

CBasicSettingEditDlg::CBasicSettingEditDlg(BasicSettingEdit edit, Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_edit(std::move(edit)), m_prompter(prompter) {
    setWindowTitle(kTitle);
    const bool scroll = m_edit.GetMode() == BasicSettingEdit::Mode::kScroll;

    auto* name = new QLabel(QString::fromStdString(m_edit.Label()), this);
    name->setObjectName("SettingName");
    name->setFont(HeavyFont());
    name->setAlignment(Qt::AlignCenter);

    auto* box = new QGroupBox("Value", this);
    auto* boxLayout = new QVBoxLayout(box);
    // Scroll mode shows the value the bar stands at; typed mode the range the value must lie in.
    m_value = new QLabel(QString::fromStdString(scroll ? m_edit.ValueText() : m_edit.RangeText()), box);
    m_value->setObjectName("ValueText");
    m_value->setAlignment(Qt::AlignCenter);
    if (scroll) m_value->setFont(HeavyFont());
    boxLayout->addWidget(m_value);

    m_entry = new QLineEdit(QString::fromStdString(m_edit.ValueText()), box);
    m_entry->setObjectName("TypedEntry");
    m_entry->setAlignment(Qt::AlignCenter);
    m_entry->setVisible(!scroll);
    boxLayout->addWidget(m_entry);
    // What the number counts: "rpm" under a rev limit of 6240.
    auto* unit = new QLabel(QString::fromStdString(m_edit.Unit()), box);
    unit->setObjectName("Unit");
    unit->setAlignment(Qt::AlignCenter);
    unit->setVisible(!m_edit.Unit().empty());
    boxLayout->addWidget(unit);

    m_bar = new QScrollBar(Qt::Horizontal, box);
    m_bar->setObjectName("ValueScrollBar");
    m_bar->setVisible(scroll);
    if (scroll) {
        // The bar's own range is the positions the edit allows; every move is the edit's.
        m_bar->setRange(m_edit.ScrollMinimum(), m_edit.ScrollLimit());
        m_bar->setPageStep(m_edit.ScrollPage());
        m_bar->setSingleStep(m_edit.ScrollPage());
        m_bar->setValue(m_edit.Position());
        connect(m_bar, &QAbstractSlider::actionTriggered, this, &CBasicSettingEditDlg::OnBarAction);
    }
    m_bar->setMinimumWidth(260);
    boxLayout->addWidget(m_bar);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CBasicSettingEditDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CBasicSettingEditDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(name);
    layout->addWidget(box);
    layout->addWidget(buttons);
    if (scroll)
        m_bar->setFocus();
    else
        m_entry->setFocus();
}

void CBasicSettingEditDlg::OnBarAction(int action) {
    using Scroll = BasicSettingEdit::Scroll;
    int position = m_edit.Position();
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub: position = m_edit.Move(Scroll::kLineLeft); break;
        case QAbstractSlider::SliderSingleStepAdd: position = m_edit.Move(Scroll::kLineRight); break;
        case QAbstractSlider::SliderPageStepSub: position = m_edit.Move(Scroll::kPageLeft); break;
        case QAbstractSlider::SliderPageStepAdd: position = m_edit.Move(Scroll::kPageRight); break;
        case QAbstractSlider::SliderToMinimum: position = m_edit.Move(Scroll::kHome); break;
        case QAbstractSlider::SliderToMaximum: position = m_edit.Move(Scroll::kEnd); break;
        // A drag or the wheel: where the thumb is now.
        case QAbstractSlider::SliderMove: position = m_edit.Move(Scroll::kThumb, m_bar->sliderPosition()); break;
        default: break;
    }
    // Qt has already moved the thumb by its own rule; the edit's position replaces it.
    m_bar->setSliderPosition(position);
    m_value->setText(QString::fromStdString(m_edit.ValueText()));
}

void CBasicSettingEditDlg::accept() {
    if (m_edit.GetMode() == BasicSettingEdit::Mode::kTyped) m_edit.SetValueText(m_entry->text().toStdString());
    if (!m_edit.Accept()) {
        m_prompter.Message(kValueOutOfRange, {}, Prompter::Icon::Error, Prompter::Buttons::Ok);
        return;
    }
    QDialog::accept();
}

}  // namespace corvane
