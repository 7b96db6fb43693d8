#pragma once

#include <QSettings>

#include <memory>

#include "model/SettingsStore.h"

namespace corvane {

// The persisted settings in QSettings("Corvane", "corvane"): an INI file under ~/.config on
// Linux, the registry under the current user on Windows. Sections and names as the core uses
// them ("Settings"/"Port", "AFR"/"Target", "Colors"/...).
class QtSettingsStore : public SettingsStore {
public:
    QtSettingsStore();
    // A store over a given file (the screenshot run and tests keep the user's settings apart).
    explicit QtSettingsStore(const QString& iniFile);

    std::optional<int> GetInt(const std::string& section, const std::string& name) const override;
    void SetInt(const std::string& section, const std::string& name, int value) override;
    std::optional<std::string> GetText(const std::string& section, const std::string& name) const override;
    void SetText(const std::string& section, const std::string& name, const std::string& value) override;
    std::optional<std::vector<std::uint8_t>> GetBinary(const std::string& section,
                                                       const std::string& name) const override;
    void SetBinary(const std::string& section, const std::string& name,
                   const std::vector<std::uint8_t>& value) override;

    void Sync() { m_settings->sync(); }

private:
    std::unique_ptr<QSettings> m_settings;
};

}  // namespace corvane
