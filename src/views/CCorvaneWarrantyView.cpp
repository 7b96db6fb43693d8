#include "views/CCorvaneWarrantyView.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "documents/ServiceDataFile.h"
#include "link/CLinkController.h"
#include "link/CWarrantyLink.h"
#include "link/LinkDocument.h"
#include "model/PrintableText.h"
#include "model/Prompter.h"
#include "model/WarrantyValues.h"
#include "views/CEditVinDlg.h"

namespace corvane {

namespace {

QLineEdit* ReadOnlyField(QWidget* parent, Qt::Alignment alignment) {
    auto* field = new QLineEdit(parent);
    field->setReadOnly(true);
    field->setAlignment(alignment);
    field->setFocusPolicy(Qt::NoFocus);
    // Wide enough for "hhh:mm:ss" and a blank either side.
    field->setFixedWidth(field->fontMetrics().horizontalAdvance("0000:00:00") + 16);
    return field;
}

}  // namespace

CCorvaneWarrantyView::CCorvaneWarrantyView(LinkDocument& doc, CLinkController& link, QWidget* parent)
    : QScrollArea(parent), m_doc(doc), m_link(link) {
    setObjectName("WarrantyView");
    setWidgetResizable(true);
    m_askVin = [this]() -> std::optional<std::string> {
        CEditVinDlg dialog(this);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return dialog.Vin();
    };

    auto* canvas = new QWidget;
    canvas->setObjectName("WarrantyCanvas");
    auto* layout = new QVBoxLayout(canvas);
    layout->setContentsMargins(20, 10, 20, 20);
    layout->setSpacing(10);

    // All five buttons are always enabled: each operation links first when it must.
    auto* buttonRow = new QHBoxLayout;
    const std::pair<const char*, void (CCorvaneWarrantyView::*)()> commands[] = {
        {"Read Module", &CCorvaneWarrantyView::ReadModule}, {"Clear Module", &CCorvaneWarrantyView::ClearModule},
        {"Edit VIN", &CCorvaneWarrantyView::EditVin},       {"Save File", &CCorvaneWarrantyView::SaveFile},
        {"Load File", &CCorvaneWarrantyView::LoadFile},
    };
    for (const auto& [text, handler] : commands) {
        auto* button = new QPushButton(text, canvas);
        button->setMinimumWidth(110);
        connect(button, &QPushButton::clicked, this, handler);
        buttonRow->addWidget(button);
        m_buttons.push_back(button);
    }
    buttonRow->addStretch();
    layout->addLayout(buttonRow);

    WarrantyValues* record = m_doc.GetWarranty();
    auto* head = new QGridLayout;
    head->setHorizontalSpacing(8);
    head->addWidget(new QLabel(record ? QString::fromStdString(record->vin->GetLabel()) : QString(), canvas), 0, 0);
    m_vin = new QLineEdit(canvas);
    m_vin->setObjectName("VinField");
    m_vin->setAlignment(Qt::AlignCenter);
    m_vin->setMinimumWidth(m_vin->fontMetrics().horizontalAdvance(QString(kVinLength + 4, 'W')));
    connect(m_vin, &QLineEdit::returnPressed, this, &CCorvaneWarrantyView::SendTypedVin);
    head->addWidget(m_vin, 0, 1, Qt::AlignLeft);
    head->addWidget(new QLabel(record ? QString::fromStdString(record->revLimitHits->GetLabel()) : QString(), canvas),
                    1, 0);
    m_revLimit = ReadOnlyField(canvas, Qt::AlignRight);
    m_revLimit->setObjectName("RevLimitField");
    head->addWidget(m_revLimit, 1, 1, Qt::AlignLeft);
    head->setColumnStretch(2, 1);
    layout->addLayout(head);

    // The bands in columns of 20, each column under its heading.
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(2);
    const int logCount = record ? static_cast<int>(record->logs.size()) : 0;
    const int columns = (logCount + kLogRowsPerColumn - 1) / kLogRowsPerColumn;
    int fieldWidth = 0;
    for (int c = 0; c < columns; ++c) {
        auto* heading = new QLabel(kHeading, canvas);
        heading->setAlignment(Qt::AlignCenter);
        fieldWidth = heading->sizeHint().width();
        grid->addWidget(heading, 0, 3 * c + 1);
        if (c > 0) grid->setColumnMinimumWidth(3 * c - 1, 24);
    }
    for (int i = 0; i < logCount; ++i) {
        const int column = i / kLogRowsPerColumn;
        const int row = 1 + i % kLogRowsPerColumn;
        auto* label = new QLabel(QString::fromStdString(record->logs[static_cast<std::size_t>(i)]->GetLabel()), canvas);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(label, row, 3 * column);
        QLineEdit* field = ReadOnlyField(canvas, Qt::AlignRight);
        // As wide as the heading above it.
        field->setFixedWidth(std::max(field->width(), fieldWidth));
        field->setObjectName(QString("Log%1").arg(i));
        grid->addWidget(field, row, 3 * column + 1);
        m_logs.push_back(field);
    }
    // The total under the first column, after a gap.
    const int totalRow = kLogRowsPerColumn + 2;
    grid->setRowMinimumHeight(totalRow - 1, 10);
    auto* totalLabel = new QLabel(kTotalLabel, canvas);
    totalLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(totalLabel, totalRow, 0);
    m_total = ReadOnlyField(canvas, Qt::AlignRight);
    m_total->setFixedWidth(std::max(m_total->width(), fieldWidth));
    m_total->setObjectName("TotalField");
    grid->addWidget(m_total, totalRow, 1);
    grid->setColumnStretch(3 * columns, 1);
    layout->addLayout(grid);
    layout->addStretch();

    setWidget(canvas);
    OnDocumentUpdated();
}

QLineEdit* CCorvaneWarrantyView::LogField(int band) const {
    return band >= 0 && band < static_cast<int>(m_logs.size()) ? m_logs[static_cast<std::size_t>(band)] : nullptr;
}

QPushButton* CCorvaneWarrantyView::Button(const QString& text) const {
    for (QPushButton* button : m_buttons)
        if (button->text() == text) return button;
    return nullptr;
}

void CCorvaneWarrantyView::OnDocumentUpdated() {
    const WarrantyValues* record = m_doc.GetWarranty();
    if (record == nullptr) return;
    m_revLimit->setText(QString::fromStdString(record->revLimitHits->FormatValue() + " "));
    for (std::size_t i = 0; i < m_logs.size() && i < record->logs.size(); ++i)
        m_logs[i]->setText(QString::fromStdString(FormatRunTime(record->logs[i]->GetSeconds())));
    m_total->setText(QString::fromStdString(FormatRunTime(record->TotalSeconds())));
    // The VIN's bytes came from the module or a file: shown printable, never raw.
    m_vin->setText(QString::fromStdString(PrintableText(record->vin->GetText())));
}

void CCorvaneWarrantyView::ReadModule() {
    CWarrantyLink(m_link).ReadWarranty(m_doc);
    OnDocumentUpdated();
}

void CCorvaneWarrantyView::ClearModule() {
    CWarrantyLink(m_link).ClearWarranty(m_doc);
    OnDocumentUpdated();
}

void CCorvaneWarrantyView::EditVin() {
    CWarrantyLink(m_link).EditVin(m_doc, m_askVin());
    OnDocumentUpdated();
}

void CCorvaneWarrantyView::SendTypedVin() {
    CWarrantyLink(m_link).CheckAndSendVin(m_doc, m_vin->text().toStdString());
    OnDocumentUpdated();
}

void CCorvaneWarrantyView::SaveFile() {
    Prompter& prompter = m_link.GetPrompter();
    const auto path = prompter.PickSaveFile(ServiceDataFile::kFilter, ServiceDataFile::kDefaultExtension);
    if (!path) return;
    // A record the user believes kept must not be lost without a word.
    if (!CWarrantyLink::SaveServiceData(m_doc, *path))
        prompter.Message(kSaveFailed + *path, {}, Prompter::Icon::Error);
}

void CCorvaneWarrantyView::LoadFile() {
    Prompter& prompter = m_link.GetPrompter();
    const auto path = prompter.PickOpenFile(ServiceDataFile::kFilter, ServiceDataFile::kDefaultExtension);
    if (!path) return;
    if (!CWarrantyLink::LoadServiceData(m_doc, *path))
        prompter.Message(kLoadFailed + *path, {}, Prompter::Icon::Error);
    OnDocumentUpdated();
}

}  // namespace corvane
