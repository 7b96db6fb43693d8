#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "documents/MapFileRecords.h"
#include "documents/ProductFamily.h"
#include "maps/EditHistory.h"
#include "maps/EditHistorySubject.h"
#include "model/AppState.h"
#include "model/CBasicSettingsModuleValue.h"
#include "model/CModuleMemoryMapMirror.h"
#include "model/DocumentContext.h"
#include "model/LinkSeam.h"
#include "model/WarrantyValues.h"

namespace corvane {

class Archive;
class CModuleMap;
class Comms;
class IdleMapSync;
class Prompter;

// One entry of the map selector tree as the document feeds it.
struct SelectorEntry {
    enum class Type { kGroup, kMap, kBasicSettings, kWarranty, kTable };
    // Item kinds of the selector: 0 a map in the maps view, 3 the basic settings view, 5 the
    // warranty view, 7 a family's table; group headers have no kind (-1).
    static constexpr int kKindMap = 0;
    static constexpr int kKindBasicSettings = 3;
    static constexpr int kKindWarranty = 5;
    static constexpr int kKindTable = 7;
    static constexpr const char* kTablesGroup = "Tables";

    Type type;
    std::string text;
    int itemKind = -1;
    // map index; map count for "Basic Settings"; map count + 1 for warranty; map count + 2 + k
    // for the table of the k-th family of TableFamilies::All()
    int number = -1;
};

// A value of a loaded file that lay outside its limits (a base outside the module range, a
// trim outside its margins): the document holds it clamped, as the file format has no
// checksum and such a value means a damaged file.
struct OutOfLimitValue {
    int map = -1;        // map index; -1: a basic setting
    int index = 0;       // point of the map, or setting index
    ValueRecord stored;  // as the file holds it
    ValueState loaded;   // as the document took it, clamped
};

// The maps document: one complete tuning of the module. It owns its memory image, the 29 basic
// settings, in family B the warranty record, and the maps of the running product family; all
// of them write into its own image through its DocumentContext.
//
// Loading never touches a document the user has: Open/Load read the whole file into records
// first (MapFileRecords::Parse) and build a fresh document from them only when every rule
// held, so a refused file costs no document at all.
class CCorvaneMapsDoc : public EditHistorySubject {
public:
    static constexpr int kCurrentFileVersion = 12;
    static constexpr std::uint16_t kBaseMapNameAddress = 0x0F00;
    static constexpr int kBaseMapNameLength = 16;
    static constexpr int kReservedAfterNameBytes = 1024;
    static constexpr int kReservedAfterSettingsBytes = 1004;
    static constexpr int kCompositeTrimCount = 32;
    static constexpr int kVersion10SettingCount = 25;

    static constexpr const char* kWrongProductMessage =
        "This Product CANNOT read this file.  Wrong Product Code.";
    static constexpr const char* kCorruptMessage =
        "Aborting File Load: DataFile corrupt OR incompatible version.";
    static constexpr const char* kOutOfMemoryMessage = "Out of Memory!";
    // The first entries of the edit history.
    static constexpr const char* kNewTuneBaseline = "New tune";
    static constexpr const char* kLoadedBaseline = "Loaded from file";
    static constexpr const char* kOutOfLimitsAdvice =
        "\nWRITE and sending edits to a linked module are refused until each of them is edited "
        "(or the clamped values are accepted).";

    // A new document of the running product family (app.productCode). Family positions are
    // recorded into app.
    explicit CCorvaneMapsDoc(AppState& app, Comms* comms = nullptr, LinkSeam* link = nullptr,
                             Prompter* prompter = nullptr);
    ~CCorvaneMapsDoc() override;
    CCorvaneMapsDoc(const CCorvaneMapsDoc&) = delete;
    CCorvaneMapsDoc& operator=(const CCorvaneMapsDoc&) = delete;

    // --- Loading and saving -----------------------------------------------------------------
    struct LoadResult {
        std::unique_ptr<CCorvaneMapsDoc> document;  // null unless status is kLoadOk
        int status = kLoadCorrupt;                  // also stored in app.loadStatus
        // The message the user is shown for a refused file; empty on success.
        [[nodiscard]] std::string Message() const;
    };
    // Reads a map file into a new document. The path becomes the document's path.
    [[nodiscard]] static LoadResult Open(const std::string& path, AppState& app,
                                         Comms* comms = nullptr, LinkSeam* link = nullptr,
                                         Prompter* prompter = nullptr);
    [[nodiscard]] static LoadResult Load(std::span<const std::uint8_t> bytes, AppState& app,
                                         Comms* comms = nullptr, LinkSeam* link = nullptr,
                                         Prompter* prompter = nullptr);
    // The second half of Load: a new document of the running product filled from records.
    // Records that do not fit the running product (MapFileRecords::Check) give its status and
    // no document is built.
    [[nodiscard]] static LoadResult FromRecords(const MapFileRecords& records, AppState& app,
                                                Comms* comms = nullptr, LinkSeam* link = nullptr,
                                                Prompter* prompter = nullptr);
    // The records this document saves as (version 12); the first half of SaveToBytes.
    [[nodiscard]] MapFileRecords ToRecords() const;

    // The map file of this document (version 12). Writes the base map name into the image and
    // makes the file version 12, as a save does.
    [[nodiscard]] std::vector<std::uint8_t> SaveToBytes();
    // Saves to path atomically; on success the path becomes the document's and the modified
    // flag clears. False (document unchanged but for the image's name bytes) when the file
    // cannot be written; the reason goes to *error.
    [[nodiscard]] bool Save(const std::string& path, std::string* error = nullptr);

    // The framework-style entry: stores the document, or loads the archive into it and sets
    // the load status. A refused file leaves the document as it was; a loaded one replaces
    // its maps, settings and name, so load only into a document nobody else holds (Open and
    // Load above build a fresh one for you).
    void Serialize(Archive& archive);

    // --- Contents -----------------------------------------------------------------------------
    [[nodiscard]] std::uint32_t GetProductCode() const { return m_productCode; }
    [[nodiscard]] ProductFamily GetFamily() const { return m_family; }
    [[nodiscard]] int GetMapCount() const { return static_cast<int>(m_maps.size()); }
    [[nodiscard]] int GetBasicMapCount() const { return m_basicMapCount; }
    [[nodiscard]] int GetCompositeMapCount() const { return m_compositeMapCount; }
    [[nodiscard]] CModuleMap* GetMap(int index) const;
    // The index of the map of that class, or -1.
    [[nodiscard]] int FindMap(const std::string& className) const;

    [[nodiscard]] int GetSettingCount() const { return static_cast<int>(m_settings.size()); }
    [[nodiscard]] CBasicSettingsModuleValue* GetSetting(int index) const;
    // Applies a display value to a setting as the settings view does: the module value and
    // base take DisplayToModule(d) clamped to the range, then AfterSettingEntered. Marks the
    // document modified; returns whether the module value changed. Sending the value to a
    // linked module is the caller's.
    bool ApplySettingDisplayValue(int index, double displayValue);
    // The number of maps the map file records (family A: the basic maps only).
    [[nodiscard]] std::uint32_t GetFileMapCount() const;
    // Family B only; null otherwise.
    [[nodiscard]] WarrantyValues* GetWarrantyValues() { return m_warranty.get(); }
    [[nodiscard]] const WarrantyValues* GetWarrantyValues() const { return m_warranty.get(); }

    [[nodiscard]] int GetFileVersion() const { return m_fileVersion; }
    [[nodiscard]] const std::string& GetBaseMapName() const { return m_baseMapName; }
    // Cut to 16 characters; written into the image (zero padded) and marks the document
    // modified.
    void SetBaseMapName(const std::string& name);
    // The 16-character name derived from a file name: the part between the last separator and
    // the extension, padded with the digit 0 or cut to 16.
    [[nodiscard]] static std::string BaseMapNameFromPath(const std::string& path);

    [[nodiscard]] CModuleMemoryMapMirror& Image() { return *m_image; }
    [[nodiscard]] const CModuleMemoryMapMirror& Image() const { return *m_image; }
    std::uint16_t WriteDataBlock(std::uint16_t address, const std::uint8_t* bytes, std::uint16_t count);
    [[nodiscard]] std::uint8_t ReadByte(std::uint16_t address) const;
    [[nodiscard]] const DocumentContext& Context() const { return *m_context; }
    [[nodiscard]] AppState& App() const { return *m_app; }

    // --- Modified flag and path -----------------------------------------------------------
    // Every edit (through the context's modified hook), AutoTune, the idle synchronisation and
    // READ set it; loading and saving clear it.
    [[nodiscard]] bool IsModified() const { return m_modified; }
    void SetModifiedFlag(bool modified = true) { m_modified = modified; }
    // Empty while the document was never saved or opened.
    [[nodiscard]] const std::string& GetPathName() const { return m_path; }

    // --- Values a file held outside their limits ------------------------------------------
    // Those the tuner has neither edited since the load nor accepted as clamped. While any
    // remain, WRITE and the push of an edit to a linked module refuse.
    [[nodiscard]] std::vector<OutOfLimitValue> UnresolvedOutOfLimits() const;
    // The points of one map among them (ascending), for the views to mark.
    [[nodiscard]] std::vector<int> OutOfLimitPoints(const CModuleMap& map) const;
    // What the tuner is told about them: how many and the first `listed`; empty when none.
    [[nodiscard]] std::string OutOfLimitsText(std::size_t listed = 5) const;
    // The tuner takes the clamped values as shown: none remains unresolved.
    void AcceptClampedValues();

    // --- Edit history ------------------------------------------------------------------------
    // Every edit of this document is a step of it; a load, a READ and a new document are its
    // checkpoints.
    [[nodiscard]] EditHistory& History() { return *m_history; }
    [[nodiscard]] const EditHistory& History() const { return *m_history; }
    // How a setting put back by undo or redo reaches a linked module (true: the module holds
    // it now). Without one, settings change in the document only and are not in sync.
    void SetSettingWriter(std::function<bool(int index)> writer) { m_settingWriter = std::move(writer); }

    // EditHistorySubject.
    [[nodiscard]] int HistoryMapCount() const override { return GetMapCount(); }
    [[nodiscard]] CModuleMapBasic* HistoryMap(int index) override;
    [[nodiscard]] int HistorySettingCount() const override { return GetSettingCount(); }
    [[nodiscard]] ModuleValue* HistorySetting(int index) override { return GetSetting(index); }
    [[nodiscard]] std::string HistoryName() const override { return m_baseMapName; }
    void RestoreHistorySetting(int index, const ValueState& state) override;
    void RestoreHistoryName(const std::string& name) override { SetBaseMapName(name); }
    [[nodiscard]] bool HistoryModified() const override { return m_modified; }
    void SetHistoryModified(bool modified) override { m_modified = modified; }

    // --- Idle speed synchronisation ---------------------------------------------------------
    // The one place where the idle speed map and the idle speed setting follow each other and
    // the IAC stop offset sets the trims of the idle air control map. The maps views' editors,
    // the settings edits and the command-line tool all go through it; in a family without
    // these maps it does nothing.
    [[nodiscard]] IdleMapSync& IdleSync() const { return *m_idleSync; }
    // After a map of this document was edited: when it is the idle speed map, the idle speed
    // setting takes its lowest idle speed.
    void AfterMapEdited(const CModuleMap& map);
    // After setting `index` was entered, whether its value changed or not (entering the same
    // value again resets what was edited by hand): the IAC stop offset becomes the trim of
    // every point of the idle air control map, the idle speed moves the idle speed map.
    void AfterSettingEntered(int index);
    // The idle speed setting takes the lowest idle speed of the idle speed map (base and
    // module value); returns false when the family has no idle speed map.
    bool SyncIdleSettingFromMap();
    // The idle speed map moves so that its lowest base equals the setting's base.
    bool SyncIdleMapFromSetting();
    // The lowest idle speed last taken from the idle speed map (module units), 0 before.
    [[nodiscard]] int GetLowIdleRpm() const;
    // The title a view shows for map `index`: the map's title, for the idle speed map followed
    // by its low idle speed in display units (" (Low Idle: 950 Rpm)"). Empty for no map.
    [[nodiscard]] std::string MapTitle(int index) const;

    // Gives every point of every basic map its map's lower and upper edit margins, as opening
    // a file from the File menu does.
    void ApplyEditMargins();

    // --- Map selector feed ------------------------------------------------------------------
    // Every map under its group, the "Tables" group with one entry per family the document
    // holds as a table, then "Module Configuration".
    [[nodiscard]] std::vector<SelectorEntry> SelectorTree() const;
    // The selector number of a family's table and back (empty: the number is no table's).
    [[nodiscard]] int SelectorNumberOfTable(const std::string& family) const;
    [[nodiscard]] std::string TableOfSelectorNumber(int number) const;
    // The maps array as plain pointers, in order.
    [[nodiscard]] std::vector<CModuleMap*> Maps() const;

private:
    void BuildContents();
    void WriteBaseMapNameToImage();
    void StoreDocument(Archive& archive);
    // Fills this document from records that passed MapFileRecords::Check.
    void ApplyRecords(const MapFileRecords& records);
    // Notes and clamps the stored values of one loaded map that lie outside their limits.
    void ClampLoadedMap(int mapIndex, std::span<const ValueRecord> records);
    // Every composite takes its points again from the rows it stands for.
    void SyncComposites();

    // The link as the document's values see it: closed while unresolved out-of-limit values
    // remain.
    class PushGate : public LinkSeam {
    public:
        PushGate(CCorvaneMapsDoc& doc, LinkSeam* link) : m_doc(doc), m_link(link) {}
        [[nodiscard]] bool IsLinked() const override;
        [[nodiscard]] bool WriteBlock(std::uint16_t address, std::span<const std::uint8_t> bytes) override;

    private:
        CCorvaneMapsDoc& m_doc;
        LinkSeam* m_link;
    };
    void Tell(const std::string& text) const;

    AppState* m_app;
    Prompter* m_prompter;
    std::uint32_t m_productCode;
    ProductFamily m_family;
    std::unique_ptr<CModuleMemoryMapMirror> m_image;
    std::unique_ptr<DocumentContext> m_context;
    std::vector<std::unique_ptr<CBasicSettingsModuleValue>> m_settings;
    std::unique_ptr<WarrantyValues> m_warranty;
    std::vector<std::unique_ptr<CModuleMap>> m_maps;
    int m_basicMapCount = 0;
    int m_compositeMapCount = 0;
    int m_fileVersion = kCurrentFileVersion;
    std::string m_baseMapName;
    std::string m_path;
    bool m_modified = false;
    std::unique_ptr<IdleMapSync> m_idleSync;
    std::function<bool(int)> m_settingWriter;
    std::vector<OutOfLimitValue> m_outOfLimits;
    std::unique_ptr<PushGate> m_linkGate;
    // Last member: it looks at the values above when it is made.
    std::unique_ptr<EditHistory> m_history;
};

}  // namespace corvane
