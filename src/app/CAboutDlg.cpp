#include "app/CAboutDlg.h"

#include <QDate>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QStyle>
#include <QVBoxLayout>

#include "app/CMainFrame.h"
#include "model/AppState.h"
#include "model/FirmwareVersionText.h"

#include "CorvaneVersion.h"

namespace corvane {

CAboutDlg::CAboutDlg(const AppState& state, const QString& moduleType, QWidget* parent) : QDialog(parent) {
    setWindowTitle(kTitle);
    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);

    auto* name = new QLabel(CMainFrame::kTitle, this);
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPointSize(bold.pointSize() + 2);
    name->setFont(bold);
    auto* text = new QLabel(QString("%1\n\nVersion %2\nBuilt %3\n\n%4")
                                .arg(moduleType, ProgramVersion(), BuildDate(), FirmwareText(state)),
                            this);
    text->setObjectName("AboutText");
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* column = new QVBoxLayout;
    column->addWidget(name);
    column->addWidget(text);
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addSpacing(12);
    row->addLayout(column, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    setMinimumWidth(340);
}

QString CAboutDlg::FirmwareText(const AppState& state) {
    return QString::fromStdString(FirmwareVersionText(state));
}

QString CAboutDlg::ProgramVersion() { return kCorvaneVersion; }

QString CAboutDlg::BuildDate() {
    // __DATE__ is "Mmm dd yyyy" in English, days below 10 padded with a blank.
    const QDate date = QLocale::c().toDate(QString(__DATE__).simplified(), "MMM d yyyy");
    return date.isValid() ? date.toString(Qt::ISODate) : QString(__DATE__);
}

}  // namespace corvane
