#include "app/QtPrompter.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QStringList>

namespace corvane {

QtPrompter::QtPrompter(QWidget* parent) : m_parent(parent) {}

QtPrompter::~QtPrompter() = default;

void QtPrompter::KeepPainted() {
    // The core runs READ, WRITE and module waits on the UI thread; paint what changed (the
    // progress bar, markers turning in sync) without taking clicks or keys meanwhile.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

Prompter::Answer QtPrompter::Message(const std::string& text, const std::string& title, Icon icon,
                                     Buttons buttons) {
    QMessageBox box(m_parent);
    box.setText(QString::fromStdString(text));
    box.setWindowTitle(title.empty() ? QString(kDefaultTitle) : QString::fromStdString(title));
    switch (icon) {
        case Icon::Information: box.setIcon(QMessageBox::Information); break;
        case Icon::Warning: box.setIcon(QMessageBox::Warning); break;
        case Icon::Error: box.setIcon(QMessageBox::Critical); break;
        case Icon::Question: box.setIcon(QMessageBox::Question); break;
        case Icon::None: break;
    }
    switch (buttons) {
        case Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
        case Buttons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Ok);
            break;
        case Buttons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            break;
        case Buttons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Yes);
            break;
        case Buttons::SaveDiscardCancel:
            box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Save);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Ok: return Answer::Ok;
        case QMessageBox::Yes:
        case QMessageBox::Save: return Answer::Yes;
        case QMessageBox::No:
        case QMessageBox::Discard: return Answer::No;
        default: return Answer::Cancel;  // Cancel, Esc, the window closed
    }
}

void QtPrompter::ProgressBegin(const std::string& text, int maximum) {
    m_progress = std::make_unique<QProgressDialog>(QString::fromStdString(text), QString(), 0,
                                                   maximum > 0 ? maximum : 1, m_parent);
    m_progress->setWindowTitle(kDefaultTitle);
    m_progress->setWindowModality(Qt::ApplicationModal);
    m_progress->setMinimumDuration(0);
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    m_progress->setMinimumWidth(360);
    m_progress->setValue(0);
    m_progress->show();
    KeepPainted();
}

void QtPrompter::ProgressStep(int position) {
    if (!m_progress) return;
    m_progress->setValue(std::min(position, m_progress->maximum()));
    KeepPainted();
}

void QtPrompter::ProgressEnd() {
    if (m_progress) {
        m_progress->setValue(m_progress->maximum());
        m_progress->hide();
    }
    m_progress.reset();
    KeepPainted();
}

void QtPrompter::WaitBegin(const std::string& title, const std::string& text) {
    // A busy bar: the wait has no measure of its own.
    m_wait = std::make_unique<QProgressDialog>(QString::fromStdString(text), QString(), 0, 0, m_parent);
    m_wait->setWindowTitle(QString::fromStdString(title));
    m_wait->setWindowModality(Qt::ApplicationModal);
    m_wait->setMinimumDuration(0);
    m_wait->setMinimumWidth(320);
    m_wait->show();
    KeepPainted();
}

void QtPrompter::ModuleDetectionBegin(const std::string& title, const std::string& text) {
    m_detection = std::make_unique<CModuleDetectionDlg>(QString::fromStdString(title), QString::fromStdString(text),
                                                        m_powerSwitch, m_parent);
    m_detection->setWindowModality(Qt::ApplicationModal);
    m_detection->show();
    KeepPainted();
}

bool QtPrompter::PollWait() {
    if (m_detection) {
        // The detection dialog takes clicks (Cancel, the power switch); being modal, it is the
        // only window that does.
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (!m_detection) return false;
        m_detection->Poll();
        return !m_detection->Cancelled();
    }
    KeepPainted();
    return true;
}

void QtPrompter::WaitEnd() {
    if (m_wait) m_wait->hide();
    m_wait.reset();
    if (m_detection) m_detection->hide();
    m_detection.reset();
    KeepPainted();
}

QString QtPrompter::QtFilter(const std::string& filter) {
    const QString f = QString::fromStdString(filter);
    if (!f.contains('|')) return f;
    // Pairs of description and pattern separated by '|', closed by "||".
    const QStringList parts = f.split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty()) break;
        // Qt reads the patterns from the parentheses, separated by blanks.
        QString description = parts[i];
        if (const qsizetype open = description.indexOf('('); open >= 0) description = description.left(open).trimmed();
        const QString patterns = QString(parts[i + 1]).replace(';', ' ');
        filters << description + " (" + patterns + ")";
    }
    return filters.join(";;");
}

std::optional<std::string> QtPrompter::PickOpenFile(const std::string& filter, const std::string&) {
    const QString path = QFileDialog::getOpenFileName(m_parent, QString(), QString(), QtFilter(filter));
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

QString QtPrompter::DataFolder() const {
    return m_dataFolder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) : m_dataFolder;
}

QString QtPrompter::FolderFor(const std::string& folder) const {
    QString path = QString::fromStdString(folder);
    if (QDir::isRelativePath(path)) path = QDir(DataFolder()).filePath(path);
    QDir().mkpath(path);
    return path;
}

std::optional<std::string> QtPrompter::PickOpenFileIn(const std::string& folder, const std::string& filter,
                                                      const std::string&) {
    const QString path =
        QFileDialog::getOpenFileName(m_parent, QString(), FolderFor(folder), QtFilter(filter));
    if (path.isEmpty()) return std::nullopt;
    return path.toStdString();
}

std::optional<std::string> QtPrompter::PickSaveFile(const std::string& filter, const std::string& defaultExtension) {
    QFileDialog dialog(m_parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter(QtFilter(filter));
    QString ext = QString::fromStdString(defaultExtension);
    if (ext.startsWith('.')) ext.remove(0, 1);
    dialog.setDefaultSuffix(ext);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

}  // namespace corvane
