#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "link/LinkDocument.h"
#include "model/AppState.h"
#include "model/CBasicSettingsModuleValue.h"
#include "model/CModuleMemoryMapMirror.h"
#include "model/DocumentContext.h"
#include "model/SettingsStore.h"
#include "model/WarrantyValues.h"
#include "support/FakeComms.h"
#include "support/RecordingPrompter.h"

namespace corvane::test {

// A document with settings, a warranty record and an image but no maps: enough for the
// operations that do not move maps.
class SettingsOnlyDocument : public LinkDocument {
public:
    SettingsOnlyDocument() {
        m_context.image = &m_image;
        m_settings = CreateBasicSettings(&m_context);
        m_warranty = CreateWarrantyValues(&m_context);
    }
    int GetBasicMapCount() const override { return 0; }
    int GetCompositeMapCount() const override { return 0; }
    CModuleMap* GetMap(int) override { return nullptr; }
    CBasicSettingsModuleValue* GetSetting(int index) override {
        return index >= 0 && index < static_cast<int>(m_settings.size()) ? m_settings[index].get() : nullptr;
    }
    WarrantyValues* GetWarranty() override { return &m_warranty; }
    const CModuleMemoryMapMirror& GetImage() const override { return m_image; }
    std::string GetBaseMapName() const override { return baseMapName; }
    void SetBaseMapName(const std::string& name) override { baseMapName = name; }
    bool HasFilePath() const override { return hasFilePath; }
    void SetModifiedFlag() override { modified = true; }
    void UpdateAllViews() override { ++viewUpdates; }
    void AfterSettingChanged(int index) override { followUps.push_back(index); }

    CModuleMemoryMapMirror& Image() { return m_image; }

    std::string baseMapName = "0000000000000000";
    bool hasFilePath = true;
    bool modified = false;
    int viewUpdates = 0;
    std::vector<int> followUps;

private:
    CModuleMemoryMapMirror m_image;
    DocumentContext m_context;
    std::vector<std::unique_ptr<CBasicSettingsModuleValue>> m_settings;
    WarrantyValues m_warranty;
};

// FakeComms whose detection answers follow a script (then repeat the last answer), and that
// can lose power: from a given flash write on every call fails. It can misbehave as a module
// whose power switch or loader does not work: each detection that answers may take the next
// module id of idScript (the last one stays), and the upgrade marker may refuse to go off.
class ScriptedComms : public FakeComms {
public:
    bool DetectModule() override {
        ++detectCalls;
        bool r = detectResult;
        if (!detectScript.empty()) {
            r = detectScript.front();
            if (detectScript.size() > 1) detectScript.pop_front();
            else detectResult = r;
        }
        if (r && !idScript.empty()) {
            moduleId = idScript.front();
            if (idScript.size() > 1) idScript.pop_front();
        }
        return r;
    }
    bool ReadModuleMemoryBlock(std::uint16_t address, std::uint16_t length) override {
        // A module whose firmware is damaged does not answer for its id until power cycled.
        if (address == 0x0F10 && idReadsFailing > 0) {
            --idReadsFailing;
            failedEvent = true;
            return false;
        }
        return FakeComms::ReadModuleMemoryBlock(address, length);
    }
    bool WriteModuleMemoryBlock(std::uint16_t address, const std::uint8_t* data, std::uint16_t length) override {
        if (markerStaysOn && address == 0x0F1C && length > 0 && data[0] == 0) return false;
        return FakeComms::WriteModuleMemoryBlock(address, data, length);
    }
    bool WriteFlashBlock(std::uint32_t address, const std::uint8_t* data, std::uint16_t length) override {
        if (flashFailAt >= 0 && flashWrites++ >= flashFailAt) {
            failedEvent = true;
            return false;
        }
        return FakeComms::WriteFlashBlock(address, data, length);
    }
    std::deque<bool> detectScript;
    std::deque<int> idScript;
    bool markerStaysOn = false;
    int idReadsFailing = 0;
    int detectCalls = 0;
    int flashFailAt = -1;
    int flashWrites = 0;
};

}  // namespace corvane::test
