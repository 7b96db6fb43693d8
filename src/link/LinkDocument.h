#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

class CBasicSettingsModuleValue;
class CModuleMap;
class EditHistory;
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

    // For the backup a READ makes of a document it is about to overwrite: whether the
    // document holds edits not saved, and the map file of the document as it is now (empty
    // when it cannot be made). A document without a map file is never backed up.
    [[nodiscard]] virtual bool IsModified() const { return false; }
    [[nodiscard]] virtual std::vector<std::uint8_t> MapFileBytes() { return {}; }

    // The document's edit history (null: the document keeps none). Setting edits are steps of
    // it; a READ is a checkpoint.
    [[nodiscard]] virtual EditHistory* History() { return nullptr; }
    // Values a loaded file held outside their limits and the tuner has not resolved, as the
    // tuner is told of them; empty when there are none. Nothing is sent to a module then.
    [[nodiscard]] virtual std::string OutOfLimitsText() const { return {}; }
};

// Which kind of view a maps document was first shown in; READ loads the maps into a maps view
// and only checks them against the module in an advanced user maps view.
enum class FirstViewKind { kMaps, kAdvancedUserMaps, kOther };

}  // namespace corvane
