#include "documents/CCorvaneMapsDoc.h"

#include <algorithm>
#include <new>

#include "documents/AtomicFile.h"
#include "documents/FamilyMaps.h"
#include "maps/CModuleMapBasic.h"
#include "maps/IdleMapSync.h"
#include "maps/TableFamilies.h"
#include "model/LinkSeam.h"
#include "model/Archive.h"
#include "model/Prompter.h"

namespace corvane {

namespace {

// A map file is a few tens of kilobytes; anything far larger is not one of ours.
constexpr std::size_t kMaxMapFileBytes = 16u * 1024u * 1024u;
constexpr const char* kCompositeWithTrailer = "IgnVsRpmMap";

}  // namespace

std::string CCorvaneMapsDoc::LoadResult::Message() const {
    switch (status) {
        case kLoadOk: return {};
        case kLoadWrongProduct: return kWrongProductMessage;
        default: return kCorruptMessage;
    }
}

CCorvaneMapsDoc::CCorvaneMapsDoc(AppState& app, Comms* comms, LinkSeam* link, Prompter* prompter)
    : m_app(&app),
      m_prompter(prompter),
      m_productCode(app.productCode),
      m_family(FamilyOfProductCode(app.productCode)) {
    try {
        BuildContents();
    } catch (const std::bad_alloc&) {
        Tell(kOutOfMemoryMessage);
        throw;
    }
    m_context->comms = comms;
    // Edits reach the link through the gate: a document with values a file held outside
    // their limits sends nothing to a module until the tuner resolved them.
    m_linkGate = std::make_unique<PushGate>(*this, link);
    m_context->link = link != nullptr ? m_linkGate.get() : nullptr;
    m_context->prompter = prompter;
    m_history = std::make_unique<EditHistory>(*this, kNewTuneBaseline, true);
}

CCorvaneMapsDoc::~CCorvaneMapsDoc() = default;

void CCorvaneMapsDoc::BuildContents() {
    m_baseMapName = std::string(kBaseMapNameLength, '0');
    m_image = std::make_unique<CModuleMemoryMapMirror>();
    m_context = std::make_unique<DocumentContext>();
    m_context->image = m_image.get();
    m_context->app = m_app;
    m_context->modified = [this] {
        m_modified = true;
        // A composite stands for its rows: after any edit, of a row directly or through the
        // composite, it holds what they hold, whichever view shows it. A composite left behind
        // would be edited from values the rows no longer hold (and pass them to the rows and
        // the module), would save them, and would record them in the history.
        SyncComposites();
        if (m_history) m_history->NoteModified();
    };
    m_image->SetErrorReporter([this](const std::string& text) { Tell(text); });
    m_fileVersion = kCurrentFileVersion;

    m_settings = CreateBasicSettings(m_context.get());
    if (m_family == ProductFamily::kB)
        m_warranty = std::make_unique<WarrantyValues>(CreateWarrantyValues(m_context.get()));
    FamilyMaps built = BuildFamilyMaps(m_productCode, m_context.get());
    m_maps = std::move(built.maps);
    m_basicMapCount = built.basicCount;
    m_compositeMapCount = built.compositeCount;
    m_app->familyPositions = built.positions;
    std::vector<CModuleMap*> maps;
    for (const auto& map : m_maps) maps.push_back(map.get());
    m_idleSync = std::make_unique<IdleMapSync>(maps, m_settings[kIdleRpm].get(), m_settings[kIACStopOffset].get());

    int mapBytes = 0;
    for (int i = 0; i < m_basicMapCount; ++i) mapBytes += m_maps[static_cast<std::size_t>(i)]->GetMapSizeBytes();
    m_image->Fill(mapBytes);
    // The fill covers the low addresses where the settings and the base map name live; write
    // them again so that the image holds what the document shows (a WRITE of a new document
    // then sends its settings, not 0xFF).
    // Several settings share an address; rewriting in construction order leaves the same
    // bytes there as construction did.
    for (int index : BasicSettingConstructionOrder()) m_settings[static_cast<std::size_t>(index)]->RewriteImage();
    WriteBaseMapNameToImage();
    m_modified = false;
}

void CCorvaneMapsDoc::Tell(const std::string& text) const {
    if (m_prompter) m_prompter->Message(text, {}, Prompter::Icon::Error, Prompter::Buttons::Ok);
}

// --- Contents -------------------------------------------------------------------------------

CModuleMap* CCorvaneMapsDoc::GetMap(int index) const {
    if (index < 0 || index >= GetMapCount()) return nullptr;
    return m_maps[static_cast<std::size_t>(index)].get();
}

int CCorvaneMapsDoc::FindMap(const std::string& className) const {
    for (int i = 0; i < GetMapCount(); ++i)
        if (m_maps[static_cast<std::size_t>(i)]->GetClassName() == className) return i;
    return -1;
}

CBasicSettingsModuleValue* CCorvaneMapsDoc::GetSetting(int index) const {
    if (index < 0 || index >= GetSettingCount()) return nullptr;
    return m_settings[static_cast<std::size_t>(index)].get();
}

void CCorvaneMapsDoc::SetBaseMapName(const std::string& name) {
    m_baseMapName = name.substr(0, kBaseMapNameLength);
    WriteBaseMapNameToImage();
    m_modified = true;
}

void CCorvaneMapsDoc::WriteBaseMapNameToImage() {
    // The name area is 16 bytes; a shorter name is zero padded so no byte of an older name
    // survives behind it.
    std::uint8_t bytes[kBaseMapNameLength] = {};
    std::copy_n(m_baseMapName.begin(), std::min<std::size_t>(m_baseMapName.size(), kBaseMapNameLength), bytes);
    m_image->WriteDataBlock(kBaseMapNameAddress, bytes, kBaseMapNameLength);
}

std::string CCorvaneMapsDoc::BaseMapNameFromPath(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\:");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.resize(dot);
    if (name.size() > kBaseMapNameLength) name.resize(kBaseMapNameLength);
    name.append(kBaseMapNameLength - name.size(), '0');
    return name;
}

std::uint16_t CCorvaneMapsDoc::WriteDataBlock(std::uint16_t address, const std::uint8_t* bytes,
                                              std::uint16_t count) {
    return m_image->WriteDataBlock(address, bytes, count);
}

std::uint8_t CCorvaneMapsDoc::ReadByte(std::uint16_t address) const { return m_image->ReadByte(address); }

bool CCorvaneMapsDoc::ApplySettingDisplayValue(int index, double displayValue) {
    CBasicSettingsModuleValue* setting = GetSetting(index);
    if (setting == nullptr) return false;
    const int m = setting->ClampModuleValue(setting->DisplayToModule(displayValue));
    const bool changed = setting->SetModuleValue(m);
    setting->SetBaseValue(m);
    m_modified = true;
    AfterSettingEntered(index);
    return changed;
}

// --- Values outside their limits -------------------------------------------------------------

void CCorvaneMapsDoc::ClampLoadedMap(int mapIndex, std::span<const ValueRecord> records) {
    CModuleMap* map = GetMap(mapIndex);
    if (map == nullptr) return;
    bool clamped = false;
    const int n = std::min(map->GetNumberOfPoints(), static_cast<int>(records.size()));
    for (int i = 0; i < n; ++i) {
        ModuleValue& value = map->GetMapPoint(i)->GetValue();
        const ValueRecord& record = records[static_cast<std::size_t>(i)];
        // The base was clamped to the module range by the load; the trim must lie within the
        // margins around it, or the module value would be a spike no edit could make.
        const int trim = value.ClampTrimValue(record.trim);
        if (value.GetBaseValue() == record.base && trim == record.trim) continue;
        value.SetBaseAndTrim(value.GetBaseValue(), trim);
        m_outOfLimits.push_back({mapIndex, i, record, value.State()});
        clamped = true;
    }
    if (clamped) map->SaveUndoCopies();
}

void CCorvaneMapsDoc::SyncComposites() {
    const int total = GetBasicMapCount() + m_compositeMapCount;
    for (int i = GetBasicMapCount(); i < total; ++i)
        if (CModuleMap* map = GetMap(i)) map->SyncFromRows();
}

std::vector<OutOfLimitValue> CCorvaneMapsDoc::UnresolvedOutOfLimits() const {
    std::vector<OutOfLimitValue> open;
    for (const OutOfLimitValue& v : m_outOfLimits) {
        const ModuleValue* value = nullptr;
        if (v.map < 0) {
            value = GetSetting(v.index);
        } else if (const CModuleMap* map = GetMap(v.map)) {
            if (const CModuleMapPoint* point = map->GetMapPoint(v.index)) value = &point->GetValue();
        }
        // An edit of the value resolves it; an undo back to the clamped value opens it again.
        if (value != nullptr && value->State() == v.loaded) open.push_back(v);
    }
    return open;
}

std::vector<int> CCorvaneMapsDoc::OutOfLimitPoints(const CModuleMap& map) const {
    std::vector<int> points;
    if (m_outOfLimits.empty()) return points;
    for (const OutOfLimitValue& v : UnresolvedOutOfLimits())
        if (v.map >= 0 && GetMap(v.map) == &map) points.push_back(v.index);
    std::sort(points.begin(), points.end());
    return points;
}

std::string CCorvaneMapsDoc::OutOfLimitsText(std::size_t listed) const {
    const std::vector<OutOfLimitValue> open = UnresolvedOutOfLimits();
    if (open.empty()) return {};
    std::string text = std::to_string(open.size()) + (open.size() == 1 ? " value" : " values") +
                       " of this file lie outside their limits (a damaged file?). They are shown clamped:";
    for (std::size_t i = 0; i < open.size() && i < listed; ++i) {
        const OutOfLimitValue& v = open[i];
        const std::string where = v.map < 0 ? "Basic setting " + GetSetting(v.index)->GetName()
                                            : GetMap(v.map)->GetTitle() + ", point " + std::to_string(v.index + 1);
        text += "\n  " + where + ": stored base " + std::to_string(v.stored.base) + ", trim " +
                std::to_string(v.stored.trim);
    }
    if (open.size() > listed) text += "\n  ... and " + std::to_string(open.size() - listed) + " more";
    return text + kOutOfLimitsAdvice;
}

void CCorvaneMapsDoc::AcceptClampedValues() { m_outOfLimits.clear(); }

bool CCorvaneMapsDoc::PushGate::IsLinked() const {
    return m_link != nullptr && m_link->IsLinked() && (m_doc.m_outOfLimits.empty() || m_doc.UnresolvedOutOfLimits().empty());
}

bool CCorvaneMapsDoc::PushGate::WriteBlock(std::uint16_t address, std::span<const std::uint8_t> bytes) {
    return IsLinked() && m_link->WriteBlock(address, bytes);
}

// --- Edit history ---------------------------------------------------------------------------

CModuleMapBasic* CCorvaneMapsDoc::HistoryMap(int index) { return dynamic_cast<CModuleMapBasic*>(GetMap(index)); }

void CCorvaneMapsDoc::RestoreHistorySetting(int index, const ValueState& state) {
    CBasicSettingsModuleValue* setting = GetSetting(index);
    if (setting == nullptr) return;
    setting->RestoreState(state);
    const bool linked = m_context->link != nullptr && m_context->link->IsLinked();
    if (linked && m_settingWriter && m_settingWriter(index))
        setting->MarkInSync();
    else
        setting->MarkNotInSync();
    m_modified = true;
}

// --- Idle speed -----------------------------------------------------------------------------

void CCorvaneMapsDoc::AfterMapEdited(const CModuleMap& map) {
    if (&map != m_idleSync->IdleMap()) return;
    m_idleSync->OnMapEdited(map);
    m_modified = true;
}

void CCorvaneMapsDoc::AfterSettingEntered(int index) {
    if (index == kIACStopOffset) {
        m_idleSync->OnIacStopOffsetChanged();
        m_modified = true;
    } else if (index == kIdleRpm) {
        SyncIdleMapFromSetting();
    }
}

bool CCorvaneMapsDoc::SyncIdleSettingFromMap() {
    if (!m_idleSync->UpdateSettingFromMap()) return false;
    m_modified = true;
    return true;
}

bool CCorvaneMapsDoc::SyncIdleMapFromSetting() {
    if (m_idleSync->IdleMap() == nullptr || GetSetting(kIdleRpm) == nullptr) return false;
    m_idleSync->OnIdleRpmSettingChanged();
    m_modified = true;
    return true;
}

int CCorvaneMapsDoc::GetLowIdleRpm() const { return m_idleSync->RememberedLowIdleRpm().value_or(0); }

std::string CCorvaneMapsDoc::MapTitle(int index) const {
    const CModuleMap* map = GetMap(index);
    if (map == nullptr) return {};
    if (map != m_idleSync->IdleMap()) return map->GetTitle();
    return map->GetTitle() + m_idleSync->LowIdleTitleSuffix();
}

// --- Selector tree --------------------------------------------------------------------------

void CCorvaneMapsDoc::ApplyEditMargins() {
    for (const auto& map : m_maps) {
        // Composites hold no points of their own: their rows' maps get the margins.
        if (map->IsComposite()) continue;
        for (int j = 0; j < map->GetNumberOfPoints(); ++j)
            map->SetPointMargins(j, map->GetLowerMargin().y, map->GetUpperMargin().y);
    }
    // Part of opening a file: the values as they are now are what was loaded, for the history
    // and for the out-of-limit notes alike.
    for (OutOfLimitValue& v : m_outOfLimits) {
        if (v.map < 0) continue;
        if (const CModuleMap* map = GetMap(v.map))
            if (const CModuleMapPoint* point = map->GetMapPoint(v.index)) v.loaded = point->GetValue().State();
    }
    if (m_history && m_history->StepCount() == 0) m_history->Checkpoint(m_history->Baseline(), !m_modified);
}

std::vector<SelectorEntry> CCorvaneMapsDoc::SelectorTree() const {
    std::vector<SelectorEntry> tree;
    int previousGroup = -1;
    for (int i = 0; i < GetMapCount(); ++i) {
        const CModuleMap& map = *m_maps[static_cast<std::size_t>(i)];
        if (i == 0 || map.GetGroupNumber() != previousGroup)
            tree.push_back({SelectorEntry::Type::kGroup, map.GetGroupText(), -1, -1});
        previousGroup = map.GetGroupNumber();
        tree.push_back({SelectorEntry::Type::kMap, map.GetTitle(), SelectorEntry::kKindMap, i});
    }
    const auto tables = TableFamilies::Present(Maps());
    if (!tables.empty()) {
        tree.push_back({SelectorEntry::Type::kGroup, SelectorEntry::kTablesGroup, -1, -1});
        for (const auto& family : tables)
            tree.push_back({SelectorEntry::Type::kTable, family.Title(), SelectorEntry::kKindTable,
                            SelectorNumberOfTable(family.Name())});
    }
    tree.push_back({SelectorEntry::Type::kGroup, "Module Configuration", -1, -1});
    tree.push_back({SelectorEntry::Type::kBasicSettings, "Basic Settings",
                    SelectorEntry::kKindBasicSettings, GetMapCount()});
    if (m_family == ProductFamily::kB)
        tree.push_back({SelectorEntry::Type::kWarranty, "Warranty Information",
                        SelectorEntry::kKindWarranty, GetMapCount() + 1});
    return tree;
}

int CCorvaneMapsDoc::SelectorNumberOfTable(const std::string& family) const {
    const auto& all = TableFamilies::All();
    for (std::size_t k = 0; k < all.size(); ++k)
        if (all[k].name == family) return GetMapCount() + 2 + static_cast<int>(k);
    return -1;
}

std::string CCorvaneMapsDoc::TableOfSelectorNumber(int number) const {
    const auto& all = TableFamilies::All();
    const int k = number - GetMapCount() - 2;
    return k >= 0 && k < static_cast<int>(all.size()) ? all[static_cast<std::size_t>(k)].name : std::string();
}

std::vector<CModuleMap*> CCorvaneMapsDoc::Maps() const {
    std::vector<CModuleMap*> maps;
    maps.reserve(m_maps.size());
    for (const auto& map : m_maps) maps.push_back(map.get());
    return maps;
}

// --- Storing --------------------------------------------------------------------------------

std::uint32_t CCorvaneMapsDoc::GetFileMapCount() const {
    // Family A files count only the basic maps: the composite's trims follow as a trailer.
    return static_cast<std::uint32_t>(m_family == ProductFamily::kA ? m_basicMapCount : GetMapCount());
}

MapFileRecords CCorvaneMapsDoc::ToRecords() const {
    MapFileRecords records;
    records.version = static_cast<std::uint32_t>(kCurrentFileVersion);
    records.productCode = m_productCode;
    records.mapCount = GetFileMapCount();
    records.baseMapName = m_baseMapName;
    records.settings.reserve(m_settings.size());
    for (const auto& s : m_settings) records.settings.push_back(s->FileRecord());
    // Composites store nothing: they are rebuilt from the maps they stand on.
    records.mapPoints.reserve(static_cast<std::size_t>(m_basicMapCount));
    for (const auto& map : m_maps) {
        if (map->IsComposite()) continue;
        auto& points = records.mapPoints.emplace_back();
        points.reserve(static_cast<std::size_t>(map->GetNumberOfPoints()));
        for (int i = 0; i < map->GetNumberOfPoints(); ++i) points.push_back(map->GetMapPoint(i)->GetValue().FileRecord());
    }
    if (m_family == ProductFamily::kA) {
        const CModuleMap* composite = GetMap(FindMap(kCompositeWithTrailer));
        records.compositeTrims.resize(MapFileRecords::kCompositeTrimCount);
        for (int i = 0; i < kCompositeTrimCount; ++i)
            records.compositeTrims[static_cast<std::size_t>(i)] =
                composite && i < composite->GetNumberOfPoints() ? composite->GetPointTrimValue(i) : 0;
    }
    return records;
}

void CCorvaneMapsDoc::StoreDocument(Archive& archive) {
    ToRecords().Store(archive);
    m_fileVersion = kCurrentFileVersion;
    WriteBaseMapNameToImage();
}

std::vector<std::uint8_t> CCorvaneMapsDoc::SaveToBytes() {
    const MapFileRecords records = ToRecords();
    m_fileVersion = kCurrentFileVersion;
    WriteBaseMapNameToImage();
    return records.ToBytes();
}

bool CCorvaneMapsDoc::Save(const std::string& path, std::string* error) {
    if (!AtomicFile::Write(path, SaveToBytes(), error)) return false;
    m_path = path;
    m_modified = false;
    m_history->MarkSaved();
    return true;
}

void CCorvaneMapsDoc::Serialize(Archive& archive) {
    if (archive.IsStoring()) {
        StoreDocument(archive);
        return;
    }
    const MapFileParse parsed = MapFileRecords::Parse(archive, m_productCode);
    if (parsed.Ok()) {
        ApplyRecords(parsed.records);
        m_history->Checkpoint(kLoadedBaseline, true);
    }
    m_app->loadStatus = parsed.status;
}

// --- Loading --------------------------------------------------------------------------------

CCorvaneMapsDoc::LoadResult CCorvaneMapsDoc::Load(std::span<const std::uint8_t> bytes, AppState& app,
                                                  Comms* comms, LinkSeam* link, Prompter* prompter) {
    const MapFileParse parsed = MapFileRecords::Parse(bytes, app.productCode);
    if (!parsed.Ok()) {
        LoadResult result;
        result.status = parsed.status;
        app.loadStatus = parsed.status;
        return result;
    }
    return FromRecords(parsed.records, app, comms, link, prompter);
}

CCorvaneMapsDoc::LoadResult CCorvaneMapsDoc::FromRecords(const MapFileRecords& records, AppState& app,
                                                         Comms* comms, LinkSeam* link, Prompter* prompter) {
    LoadResult result;
    result.status = LoadStatusOf(records.Check(app.productCode));
    if (result.status == kLoadOk) {
        try {
            auto doc = std::make_unique<CCorvaneMapsDoc>(app, comms, link, prompter);
            doc->ApplyRecords(records);
            doc->m_modified = false;
            doc->m_history->Checkpoint(kLoadedBaseline, true);
            result.document = std::move(doc);
        } catch (const std::bad_alloc&) {
            // The constructor has told the user; the file is refused like a damaged one.
            result.status = kLoadCorrupt;
        }
    }
    app.loadStatus = result.status;
    return result;
}

CCorvaneMapsDoc::LoadResult CCorvaneMapsDoc::Open(const std::string& path, AppState& app, Comms* comms,
                                                  LinkSeam* link, Prompter* prompter) {
    const auto bytes = AtomicFile::Read(path, kMaxMapFileBytes);
    if (!bytes) {
        LoadResult result;
        result.status = kLoadCorrupt;
        app.loadStatus = kLoadCorrupt;
        return result;
    }
    LoadResult result = Load(*bytes, app, comms, link, prompter);
    if (result.document) {
        result.document->m_path = path;
        const std::size_t slash = path.find_last_of("/\\");
        result.document->m_history->Checkpoint(
            "Opened " + (slash == std::string::npos ? path : path.substr(slash + 1)), true);
    }
    return result;
}

void CCorvaneMapsDoc::ApplyRecords(const MapFileRecords& records) {
    m_fileVersion = static_cast<int>(records.version);
    m_baseMapName = records.baseMapName.substr(0, kBaseMapNameLength);
    WriteBaseMapNameToImage();

    m_outOfLimits.clear();
    auto loadSetting = [this](int index, const ValueRecord& record) {
        CBasicSettingsModuleValue& setting = *m_settings[static_cast<std::size_t>(index)];
        setting.LoadFileRecord(record);  // clamps the base to the setting's range
        if (setting.GetBaseValue() != record.base) m_outOfLimits.push_back({-1, index, record, setting.State()});
    };
    if (records.version >= 11) {
        for (std::size_t i = 0; i < m_settings.size() && i < records.settings.size(); ++i)
            loadSetting(static_cast<int>(i), records.settings[i]);
    } else {
        // Versions 9 and 10 hold indices 0..10 and 12..25; the rest keep their initial values.
        std::size_t next = 0;
        for (int i = 0; i <= 25 && next < records.settings.size(); ++i)
            if (i != kIACStopOffset) loadSetting(i, records.settings[next++]);
    }

    // Maps in array order: composites come after the maps they stand on and rebuild
    // themselves from them.
    std::size_t next = 0;
    for (const auto& map : m_maps) {
        if (map->IsComposite()) {
            map->LoadFileRecords({});
        } else if (next < records.mapPoints.size()) {
            map->LoadFileRecords(records.mapPoints[next]);
            ClampLoadedMap(static_cast<int>(&map - m_maps.data()), records.mapPoints[next++]);
        }
    }

    // The composite's trims that family A files carry after the maps are not taken: they are
    // a copy of its rows' trims when it was saved, and the rows, which the module holds, are
    // what it stands for. A file saved while the copy lagged behind its rows would otherwise
    // show (and edit from) trims the rows do not have.
}

}  // namespace corvane
