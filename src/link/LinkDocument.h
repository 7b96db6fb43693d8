#pragma once

#include <string>

namespace corvane {

class CBasicSettingsModuleValue;
class CModuleMap;
class CModuleMemoryMapMirror;
struct WarrantyValues;

// What the link needs of a maps document: its maps (basic maps first, then composites), its
// 29 settings, its warranty record, the image every value writes into, and the few document
// services READ, WRITE and the setting edits call. The maps document is reached through this
// so that the transfer algorithms do not depend on how the document is built.
class LinkDocument {
public:
    virtual ~LinkDocument() = default;

    [[nodiscard]] virtual int GetBasicMapCount() const = 0;
    [[nodiscard]] virtual int GetCompositeMapCount() const = 0;
    // Index 0 .. basic + composite − 1.
    [[nodiscard]] virtual CModuleMap* GetMap(int index) = 0;
    // Index 0 .. 28 in the catalogue's order.
    [[nodiscard]] virtual CBasicSettingsModuleValue* GetSetting(int index) = 0;
    // Null when the product family keeps no warranty record.
    [[nodiscard]] virtual WarrantyValues* GetWarranty() = 0;
    [[nodiscard]] virtual const CModuleMemoryMapMirror& GetImage() const = 0;

    [[nodiscard]] virtual std::string GetBaseMapName() const = 0;
    // READ takes the module's base map name into the document with the maps it read.
    virtual void SetBaseMapName(const std::string& name) = 0;
    // Whether the document was ever opened from or saved to a file.
    [[nodiscard]] virtual bool HasFilePath() const = 0;
    virtual void SetModifiedFlag() = 0;
    virtual void UpdateAllViews() = 0;
    // The document's follow-up to an accepted setting edit: the idle air control map takes the
    // IAC stop offset as its trim, the idle speed map follows the idle speed.
    virtual void AfterSettingChanged(int index) = 0;
};

// Which kind of view a maps document was first shown in; READ loads the maps into a maps view
// and only checks them against the module in an advanced user maps view.
enum class FirstViewKind { kMaps, kAdvancedUserMaps, kOther };

}  // namespace corvane
