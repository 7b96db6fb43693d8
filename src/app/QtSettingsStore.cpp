#include "app/QtSettingsStore.h"

namespace corvane {

namespace {
QString Key(const std::string& section, const std::string& name) {
    return QString::fromStdString(section) + '/' + QString::fromStdString(name);
}
}  // namespace

QtSettingsStore::QtSettingsStore() : m_settings(std::make_unique<QSettings>("Corvane", "corvane")) {}

QtSettingsStore::QtSettingsStore(const QString& iniFile)
    : m_settings(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

std::optional<int> QtSettingsStore::GetInt(const std::string& section, const std::string& name) const {
    const QVariant v = m_settings->value(Key(section, name));
    if (!v.isValid()) return std::nullopt;
    // A value that is not a whole number (a port kept by name, a hand-edited typo) reads as
    // missing, so the caller falls back to its default instead of to 0.
    bool ok = false;
    const int value = v.toString().trimmed().toInt(&ok, 0);
    if (!ok) return std::nullopt;
    return value;
}

void QtSettingsStore::SetInt(const std::string& section, const std::string& name, int value) {
    m_settings->setValue(Key(section, name), value);
}

std::optional<std::string> QtSettingsStore::GetText(const std::string& section, const std::string& name) const {
    const QVariant v = m_settings->value(Key(section, name));
    if (!v.isValid()) return std::nullopt;
    return v.toString().toStdString();
}

void QtSettingsStore::SetText(const std::string& section, const std::string& name, const std::string& value) {
    m_settings->setValue(Key(section, name), QString::fromStdString(value));
}

std::optional<std::vector<std::uint8_t>> QtSettingsStore::GetBinary(const std::string& section,
                                                                    const std::string& name) const {
    const QVariant v = m_settings->value(Key(section, name));
    if (!v.isValid()) return std::nullopt;
    const QByteArray bytes = v.toByteArray();
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

void QtSettingsStore::SetBinary(const std::string& section, const std::string& name,
                                const std::vector<std::uint8_t>& value) {
    m_settings->setValue(Key(section, name),
                         QByteArray(reinterpret_cast<const char*>(value.data()), static_cast<qsizetype>(value.size())));
}

}  // namespace corvane
