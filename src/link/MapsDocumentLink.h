#pragma once

#include <functional>
#include <memory>
#include <string>

#include "link/LinkDocument.h"

namespace corvane {

class CCorvaneMapsDoc;

// The maps document as the link sees it. The idle follow-ups of setting edits are the
// document's; "update all views" goes to the hook the owner gives.
class MapsDocumentLink : public LinkDocument {
public:
    explicit MapsDocumentLink(CCorvaneMapsDoc& doc, std::function<void()> updateAllViews = {});
    ~MapsDocumentLink() override;

    [[nodiscard]] int GetBasicMapCount() const override;
    [[nodiscard]] int GetCompositeMapCount() const override;
    [[nodiscard]] CModuleMap* GetMap(int index) override;
    [[nodiscard]] CBasicSettingsModuleValue* GetSetting(int index) override;
    [[nodiscard]] WarrantyValues* GetWarranty() override;
    [[nodiscard]] const CModuleMemoryMapMirror& GetImage() const override;
    [[nodiscard]] std::string GetBaseMapName() const override;
    void SetBaseMapName(const std::string& name) override;
    [[nodiscard]] bool HasFilePath() const override;
    void SetModifiedFlag() override;
    void UpdateAllViews() override;
    void AfterSettingChanged(int index) override;
    [[nodiscard]] bool IsModified() const override;
    [[nodiscard]] std::vector<std::uint8_t> MapFileBytes() override;
    [[nodiscard]] EditHistory* History() override;
    [[nodiscard]] std::string OutOfLimitsText() const override;

    [[nodiscard]] CCorvaneMapsDoc& Document() { return m_doc; }

private:
    CCorvaneMapsDoc& m_doc;
    std::function<void()> m_updateAllViews;
};

}  // namespace corvane
