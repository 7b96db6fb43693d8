// corvane-cli memory-map: where everything lies in module memory, generated from the catalogue
// tables (maps, basic settings, live values) and the link's own addresses, so that the printed
// map cannot drift from what the program reads and writes.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands/CliDocSupport.h"
#include "cli/commands/MonitorCliSupport.h"
#include "link/CBasicSettingsLink.h"
#include "link/CLinkController.h"
#include "link/CModuleTransfer.h"
#include "maps/CMapCatalogue.h"
#include "model/CBasicSettingsModuleValue.h"
#include "model/CModuleMemoryMapMirror.h"
#include "model/WarrantyValues.h"
#include "monitor/MonitoredModuleValue.h"
#include "protocol/MonitorBlock.h"

namespace corvane::cli {
namespace {

constexpr std::uint32_t kMemoryEnd = CModuleMemoryMapMirror::kSize;  // first address past memory
constexpr std::uint32_t kFlashEnd = 0xC000;  // the upgrade loader's flash writes stay below this
constexpr std::uint16_t kMonitorAddress = 0x1400;
constexpr int kStandardThrottleChannel = 19;

std::string Hex4(std::uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%04X", static_cast<unsigned>(v));
    return buf;
}

// Exact enough to convert with: every catalogue number has at most 7 significant digits.
std::string Num(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    return buf;
}

// One table, printed as Markdown or as aligned plain text.
class Table {
public:
    explicit Table(std::vector<std::string> heading) : m_heading(std::move(heading)) {}
    void Add(std::vector<std::string> row) { m_rows.push_back(std::move(row)); }

    void Print(std::ostream& out, bool markdown) const {
        if (markdown) {
            PrintMarkdownRow(out, m_heading);
            out << "|";
            for (std::size_t i = 0; i < m_heading.size(); ++i) out << "---|";
            out << "\n";
            for (const auto& row : m_rows) PrintMarkdownRow(out, row);
            return;
        }
        std::vector<std::size_t> widths(m_heading.size(), 0);
        auto measure = [&](const std::vector<std::string>& row) {
            for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], Columns(row[i]));
        };
        measure(m_heading);
        for (const auto& row : m_rows) measure(row);
        auto print = [&](const std::vector<std::string>& row) {
            std::string line;
            for (std::size_t i = 0; i < row.size(); ++i) {
                line += row[i];
                if (i + 1 < row.size()) line += std::string(widths[i] - Columns(row[i]) + 2, ' ');
            }
            out << line << "\n";
        };
        print(m_heading);
        for (const auto& row : m_rows) print(row);
    }

private:
    // Characters, not bytes: the texts hold UTF-8 signs such as "…" and "×".
    static std::size_t Columns(const std::string& text) {
        return static_cast<std::size_t>(
            std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
    }
    static void PrintMarkdownRow(std::ostream& out, const std::vector<std::string>& row) {
        out << "|";
        for (const auto& cell : row) out << " " << cell << " |";
        out << "\n";
    }

    std::vector<std::string> m_heading;
    std::vector<std::vector<std::string>> m_rows;
};

struct Area {
    std::uint32_t from = 0;
    std::uint32_t to = 0;  // last address, inclusive
    std::string what;
    std::string changes = "no";
    std::string writes;
};

std::string RunText(const std::vector<const MapDescription*>& run) {
    const MapDescription& first = *run.front();
    std::string text = first.groupText + " (group " + std::to_string(first.groupNumber) + "): " + first.className;
    if (run.size() > 1) text += (run.size() > 2 ? " … " : ", ") + run.back()->className;
    text += run.size() > 1 ? " (" + std::to_string(run.size()) + " maps)" : "";
    return text;
}

// Whether the upgrade loader's flash writes reach the area: everything below 0xC000 except the
// loader's own identity page; the live values are RAM the running module keeps rewriting.
std::string InFlash(std::uint32_t from, std::uint32_t to) {
    if (from >= kMonitorAddress && to < kMonitorAddress + protocol::kMonitorBlockBytes) return "no (RAM)";
    if (from >= kBaseMapNameAddress && to <= kUpgradeMarkerAddress + 3u) return "no (kept by the loader)";
    return to < kFlashEnd ? "yes" : "no";
}

// Whether WRITE's map regions cover [from, to]; the rest of the maps reach the module only
// through map edits, which write the changed points at once.
using Regions = std::vector<CModuleTransfer::Region>;

// The regions WRITE sends for a document of this family: the fuel table only where the family
// has maps in it.
Regions WriteRegions(const FamilyLayout& layout) {
    bool fuelTable = false;
    for (const auto& name : layout.basicClassNames)
        if (const MapDescription* d = CMapCatalogue::Find(name))
            fuelTable = fuelTable || (d->startAddress >= CModuleTransfer::kFuelTableRegion.start &&
                                      d->startAddress < CModuleTransfer::kFuelTableRegion.end);
    return CModuleTransfer::MapRegions(fuelTable);
}

bool WrittenByWrite(const Regions& regions, std::uint32_t from, std::uint32_t to) {
    return CModuleTransfer::InRegions(regions, from, to + 1u);
}

// The first region WRITE sends that holds the address (-1: none), so that a run of maps does
// not reach across the border of a region.
int RegionOf(const Regions& regions, std::uint32_t address) {
    for (std::size_t k = 0; k < regions.size(); ++k)
        if (address >= regions[k].start && address < regions[k].end) return static_cast<int>(k);
    return -1;
}

std::string MapWriters(const Regions& regions, std::uint32_t from, std::uint32_t to) {
    return WrittenByWrite(regions, from, to) ? "WRITE (map regions) and map edits"
                                             : "map edits only (outside WRITE's map regions)";
}

std::vector<Area> Areas(const FamilyLayout& layout) {
    std::vector<Area> areas;
    const Regions regions = WriteRegions(layout);

    // Basic settings, by the memory area the catalogue gives each; the identity page's one
    // setting (the authorisation level) is listed with the identity bytes below.
    for (const std::uint16_t areaStart : {std::uint16_t{0x0000}, std::uint16_t{0x0400}}) {
        std::uint32_t lo = kMemoryEnd, hi = 0;
        int count = 0;
        for (const BasicSettingDef& d : BasicSettingDefs()) {
            if (d.areaStart != areaStart) continue;
            lo = std::min<std::uint32_t>(lo, d.address);
            hi = std::max<std::uint32_t>(hi, d.address + d.width - 1);
            ++count;
        }
        areas.push_back({lo, hi,
                         "basic settings (" + std::to_string(count) + " catalogue entries" +
                             (areaStart == 0 ? ", several sharing 0x0004)" : ")"),
                         "no",
                         areaStart == 0 ? "the basic settings view (4-byte blocks, read-modify-write); not by WRITE"
                                        : "WRITE and the basic settings view (4-byte blocks, read-modify-write)"});
    }

    const std::string warrantyUse = layout.hasWarrantyValues ? "" : " (the program shows it for family B only)";
    areas.push_back({kWarrantyAreaStart, kRevLimitHitsAddress - 1u,
                     "warranty record: run time per 100-rpm band, " + std::to_string(kWarrantyLogCount) +
                         " × 4 bytes, seconds, high byte first" + warrantyUse,
                     "yes: +1 each second the engine runs in the band", "cleared with zeros by the warranty view"});
    areas.push_back({kRevLimitHitsAddress, kVinAddress - 1u,
                     "warranty record: rev-limiter hits, 16 bits at " + Hex4(kRevLimitHitsAddress) + ", then 2 spare bytes",
                     "yes: +1 at each arrival at the rev limiter", "cleared with zeros by the warranty view"});
    areas.push_back({kVinAddress, kVinAddress + kVinLength - 1u, "warranty record: VIN, 32 characters, zero padded",
                     "no", "block write (warranty view)"});

    areas.push_back({kBaseMapNameAddress, kBaseMapNameAddress + kBaseMapNameLength - 1u,
                     "base map name, 16 characters, NUL-terminated when shorter", "no",
                     "block write (WRITE: four 4-byte blocks)"});
    areas.push_back({kModuleIdAddress, kAuthorizationBlockAddress - 1u,
                     "module id: the first byte of this 4-byte block", "no",
                     "never: factory-set, a write touching it is refused (0xE6)"});
    const BasicSettingDef& authorization = BasicSettingDefs()[kAuthorizationLevel];
    areas.push_back({authorization.address, kFirmwareVersionAddress - 1u,
                     std::string("basic setting \"") + authorization.name + "\" (first byte)", "no",
                     "WRITE (firmware 81 and later) and the basic settings view (4-byte block)"});
    areas.push_back({kFirmwareVersionAddress, kUpgradeMarkerAddress - 1u,
                     "initialization bytes: firmware version byte first", "no",
                     "only by an upgrade's closing write"});
    areas.push_back({kUpgradeMarkerAddress, kUpgradeMarkerAddress + 3u,
                     "firmware upgrade marker: AA CC BB DD on, 00 00 00 00 off", "no",
                     "only to enter or leave the upgrade loader"});

    const auto& last = protocol::kMonitorChannels.back();
    areas.push_back({kMonitorAddress, kMonitorAddress + static_cast<std::uint32_t>(last.offset + last.width) - 1u,
                     "live-value block: " + std::to_string(protocol::kMonitorChannelCount) + " live values, " +
                         std::to_string(protocol::kMonitorBlockBytes) + " bytes (RAM)",
                     "yes: refreshed all the time by the running firmware (not in the loader)",
                     "never: the module overwrites it"});

    // Tuning maps: runs of maps of one group that follow each other without a gap.
    std::vector<const MapDescription*> maps;
    for (const auto& name : layout.basicClassNames)
        if (const MapDescription* d = CMapCatalogue::Find(name)) maps.push_back(d);
    std::stable_sort(maps.begin(), maps.end(),
                     [](const MapDescription* a, const MapDescription* b) { return a->startAddress < b->startAddress; });
    auto end = [](const MapDescription* d) {
        return static_cast<std::uint32_t>(d->startAddress) + static_cast<std::uint32_t>(d->numberOfPoints * d->bytesPerPoint);
    };
    std::vector<const MapDescription*> run;
    auto flush = [&] {
        if (run.empty()) return;
        const std::uint32_t from = run.front()->startAddress;
        areas.push_back({from, end(run.back()) - 1u, RunText(run), "no", MapWriters(regions, from, end(run.back()) - 1u)});
        run.clear();
    };
    for (const MapDescription* d : maps) {
        if (!run.empty() && (d->startAddress != end(run.back()) || d->groupNumber != run.back()->groupNumber ||
                             RegionOf(regions, d->startAddress) != RegionOf(regions, run.back()->startAddress)))
            flush();
        run.push_back(d);
    }
    flush();

    std::sort(areas.begin(), areas.end(), [](const Area& a, const Area& b) { return a.from < b.from; });
    // What lies between is nothing the program reads or writes.
    std::vector<Area> all;
    auto gap = [&](std::uint32_t from, std::uint32_t to) {
        // Split at the end of flash, so that each row is wholly flash or not.
        for (std::uint32_t at = from; at <= to;) {
            const std::uint32_t last = at < kFlashEnd ? std::min(to, kFlashEnd - 1u) : to;
            all.push_back({at, last, "not used by the program", "unknown", "do not write"});
            at = last + 1u;
        }
    };
    std::uint32_t next = 0;
    for (const Area& a : areas) {
        if (a.from > next) gap(next, a.from - 1u);
        all.push_back(a);
        next = std::max(next, a.to + 1u);
    }
    if (next < kMemoryEnd) gap(next, kMemoryEnd - 1u);
    return all;
}

void PrintMemoryMap(std::uint32_t productCode, const FamilyLayout& layout, bool markdown, std::ostream& out) {
    const std::string family(1, layout.family);
    out << (markdown ? "#### " : "") << "Module memory, product code " << productCode << " (family " << family
        << "): " << Hex4(0) << " … " << Hex4(kMemoryEnd - 1) << "\n\n";
    Table areas({"from", "to", "bytes", "what", "changes by itself", "written by", "upgrade flashes it"});
    for (const Area& a : Areas(layout))
        areas.Add({Hex4(a.from), Hex4(a.to), std::to_string(a.to - a.from + 1), a.what, a.changes, a.writes,
                   InFlash(a.from, a.to)});
    areas.Print(out, markdown);

    out << "\n" << (markdown ? "#### " : "") << "Tuning maps of family " << family << "\n\n"
        << "Display value = display min + (raw − module min) × (display max − display min) ÷ (module max − module min);\n"
        << "point i of n lies at x = x min + i × (x max − x min) ÷ (n − 1).\n\n";
    Table maps({"map", "title", "from", "to", "points × bytes", "y module", "y display", "y unit", "x display", "x unit"});
    for (const auto& name : layout.basicClassNames) {
        const MapDescription* d = CMapCatalogue::Find(name);
        if (d == nullptr) continue;
        const std::uint32_t size = static_cast<std::uint32_t>(d->numberOfPoints * d->bytesPerPoint);
        maps.Add({d->className, d->title, Hex4(d->startAddress), Hex4(d->startAddress + size - 1u),
                  std::to_string(d->numberOfPoints) + " × " + std::to_string(d->bytesPerPoint),
                  std::to_string(d->moduleYMinimum) + " … " + std::to_string(d->moduleYMaximum),
                  Num(d->displayYMinimum) + " … " + Num(d->displayYMaximum), d->yUnit,
                  Num(d->displayXMinimum) + " … " + Num(d->displayXMaximum), d->xUnit});
    }
    maps.Print(out, markdown);
    if (!layout.composites.empty()) {
        out << "\nComposite maps have no memory of their own; they show the maps they are built from:\n";
        for (const auto& c : layout.composites) {
            out << (markdown ? "- " : "  ") << c.className << ": " << c.sourceClassNames.front();
            if (c.sourceClassNames.size() > 1) out << " … " << c.sourceClassNames.back();
            out << "\n";
        }
    }
}

void PrintLiveValues(bool markdown, std::ostream& out) {
    out << (markdown ? "#### " : "") << "Live-value block at " << Hex4(kMonitorAddress) << ", "
        << protocol::kMonitorBlockBytes << " bytes\n\n"
        << "Display value = min + raw × (max − min) ÷ raw max; words are high byte first.\n\n";
    Table table({"#", "name", "offset", "address", "width", "min", "max", "raw max", "unit", "above max shows"});
    for (const auto& c : protocol::kMonitorChannels) {
        // The sensors stream volts; the catalogue's "AFR" is what the EGO sensor table makes of them.
        const bool ego = c.index == kFrontEgoIndex || c.index == kRearEgoIndex;
        table.Add({std::to_string(c.index), c.name, std::to_string(c.offset), Hex4(kMonitorAddress + c.offset),
                   std::to_string(c.width), Num(c.displayMinimum), Num(c.displayMaximum), std::to_string(c.rawMaximum),
                   ego ? "V (AFR through the EGO sensor table)" : c.units,
                   c.index == kStandardThrottleChannel ? "max" : "0"});
    }
    table.Print(out, markdown);
}

// The conversion of a setting between its bytes and the number shown: linear between the
// catalogue's module and display ranges, as ModuleValue converts.
std::string SettingStep(const BasicSettingDef& d) {
    if (d.moduleMaximum == d.moduleMinimum || d.displayMaximum == d.displayMinimum) return "1 (raw shown)";
    return Num((d.displayMaximum - d.displayMinimum) / (d.moduleMaximum - d.moduleMinimum));
}

// Whether WRITE's settings phase sends the block holding `address`, and from which firmware.
std::string WrittenByWriteText(std::uint16_t address) {
    const auto block = static_cast<std::uint16_t>(address & ~3u);
    const auto& blocks = CBasicSettingsLink::kSettingsBlocks;
    if (std::find(blocks.begin(), blocks.end(), block) == blocks.end()) return "no";
    const int extended = CBasicSettingsLink::kExtendedSettingsFirmware;
    if (CBasicSettingsLink::IsBlockWritten(block, extended - 1)) return "yes";
    if (CBasicSettingsLink::IsBlockWritten(block, extended)) return "firmware " + std::to_string(extended) + " and later";
    return "no (the module calibrates it)";
}

void PrintSettings(bool markdown, std::ostream& out) {
    out << (markdown ? "#### " : "") << "Basic settings, " << kBasicSettingCount << " catalogue entries\n\n"
        << "Display value = display min + (raw − module min) × step, rounded to the decimals shown;\n"
        << "raw = module min + (display − display min) ÷ step, rounded to the nearest whole number.\n\n";
    Table table({"#", "setting", "name", "address", "bytes", "signed", "module range", "display range", "step",
                 "unit", "decimals", "read/written as", "WRITE sends it"});
    const auto& defs = BasicSettingDefs();
    for (std::size_t i = 0; i < defs.size(); ++i) {
        const BasicSettingDef& d = defs[i];
        int sharing = 0;
        for (const BasicSettingDef& other : defs) sharing += other.address == d.address ? 1 : 0;
        std::string block = "4-byte block at " + Hex4(d.address & ~3u);
        if (sharing > 1) block += ", shares its bytes with " + std::to_string(sharing - 1) + " more";
        table.Add({std::to_string(i), d.className, d.name, Hex4(d.address), std::to_string(d.width),
                   d.isSigned ? "yes" : "no", std::to_string(d.moduleMinimum) + " … " + std::to_string(d.moduleMaximum),
                   Num(d.displayMinimum) + " … " + Num(d.displayMaximum), SettingStep(d), *d.unit ? d.unit : "",
                   std::to_string(d.displayFormat), block, WrittenByWriteText(d.address)});
    }
    table.Print(out, markdown);
}

// The EGO sensor table as the program reads it: each line's AFR, volts and the monitor raw
// count those volts give on the sensor channel.
int PrintEgoTable(const Args& args, bool markdown, std::ostream& out, std::ostream& err) {
    const auto path = DataFolder(args) / CEgoSensorTable::kFileName;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in || text.str().empty()) {
        err << "corvane-cli memory-map: no EGO sensor table (give --data-dir with " << CEgoSensorTable::kFileName << ")\n";
        return kExitRefused;
    }
    const auto& sensor = protocol::kMonitorChannels[kFrontEgoIndex];
    const double scale = (sensor.displayMaximum - sensor.displayMinimum) / sensor.rawMaximum;
    out << (markdown ? "#### " : "") << "EGO sensor table (" << CEgoSensorTable::kFileName << ")\n\n"
        << "volts = raw × " << Num(sensor.displayMaximum) << " ÷ " << sensor.rawMaximum
        << "; raw count of a line = volts ÷ (" << Num(sensor.displayMaximum) << " ÷ " << sensor.rawMaximum
        << "), cut to a whole number.\n\n";
    Table table({"line", "AFR", "volts", "raw count"});
    std::istringstream lines(text.str());
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        CEgoSensorTable one;
        one.Parse(line, scale);
        if (one.IsEmpty()) continue;
        const CEgoItem& item = one.Entries().front();
        char afr[32], volt[32];
        std::snprintf(afr, sizeof afr, "%.2f", item.afr);
        std::snprintf(volt, sizeof volt, "%.2f", item.volt);
        table.Add({std::to_string(number), afr, volt, std::to_string(item.raw)});
    }
    table.Print(out, markdown);
    CEgoSensorTable whole;
    whole.Parse(text.str(), scale);
    out << "\nAfter interpolation the table holds " << whole.Size() << " entries, " << Num(whole.FirstAfr()) << " … "
        << Num(whole.LastAfr()) << " AFR.\n";
    return kExitOk;
}

int RunMemoryMap(const Args& args, std::ostream& out, std::ostream& err) {
    const bool markdown = args.Has("markdown");
    if (args.Has("live-values")) {
        PrintLiveValues(markdown, out);
        return kExitOk;
    }
    if (args.Has("settings")) {
        PrintSettings(markdown, out);
        return kExitOk;
    }
    if (args.Has("ego-table")) return PrintEgoTable(args, markdown, out, err);
    const std::uint32_t code = DocumentProductCode(args);
    PrintMemoryMap(code, CMapCatalogue::ForProductCode(code), markdown, out);
    return kExitOk;
}

const bool kRegistered = Register({
    "memory-map",
    "memory-map [--product-code N] [--live-values | --settings | --ego-table [--data-dir DIR]] [--markdown]",
    "Prints where everything lies in the module's memory for product code N (default 1): the\n"
    "areas (settings, warranty record, identity bytes, base map name, live-value block, tuning\n"
    "maps), what changes by itself and what may be written, then every tuning map of the\n"
    "family with its addresses and ranges. --live-values prints the 72-byte live-value block\n"
    "instead, --settings the 29 basic settings (address, bytes, ranges, step, unit) and\n"
    "--ego-table the EGO sensor table (from --data-dir, default: beside the program, else\n"
    "./data). --markdown prints Markdown tables (docs/protocol.md holds this output).",
    {"markdown", "live-values", "settings", "ego-table"},
    RunMemoryMap,
});

}  // namespace
}  // namespace corvane::cli
