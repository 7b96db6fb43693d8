#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace corvane {

// Persisted user settings by section and name (the app keeps them in QSettings).
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual std::optional<int> GetInt(const std::string& section, const std::string& name) const = 0;
    virtual void SetInt(const std::string& section, const std::string& name, int value) = 0;
    virtual std::optional<std::string> GetText(const std::string& section,
                                               const std::string& name) const = 0;
    virtual void SetText(const std::string& section, const std::string& name,
                         const std::string& value) = 0;
    virtual std::optional<std::vector<std::uint8_t>> GetBinary(const std::string& section,
                                                               const std::string& name) const = 0;
    virtual void SetBinary(const std::string& section, const std::string& name,
                           const std::vector<std::uint8_t>& value) = 0;
};

// Settings kept in memory only (tests, the command-line tool).
class MemorySettingsStore : public SettingsStore {
public:
    std::optional<int> GetInt(const std::string& s, const std::string& n) const override {
        auto it = m_ints.find(s + "/" + n);
        if (it == m_ints.end()) return std::nullopt;
        return it->second;
    }
    void SetInt(const std::string& s, const std::string& n, int v) override { m_ints[s + "/" + n] = v; }
    std::optional<std::string> GetText(const std::string& s, const std::string& n) const override {
        auto it = m_texts.find(s + "/" + n);
        if (it == m_texts.end()) return std::nullopt;
        return it->second;
    }
    void SetText(const std::string& s, const std::string& n, const std::string& v) override {
        m_texts[s + "/" + n] = v;
    }
    std::optional<std::vector<std::uint8_t>> GetBinary(const std::string& s,
                                                       const std::string& n) const override {
        auto it = m_bins.find(s + "/" + n);
        if (it == m_bins.end()) return std::nullopt;
        return it->second;
    }
    void SetBinary(const std::string& s, const std::string& n,
                   const std::vector<std::uint8_t>& v) override {
        m_bins[s + "/" + n] = v;
    }

private:
    std::map<std::string, int> m_ints;
    std::map<std::string, std::string> m_texts;
    std::map<std::string, std::vector<std::uint8_t>> m_bins;
};

}  // namespace corvane
