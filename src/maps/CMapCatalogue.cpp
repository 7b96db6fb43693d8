#include "maps/CMapCatalogue.h"

#include <unordered_map>

#include "maps/CModuleMapComposite3.h"

namespace corvane {

namespace {

const char* GroupText(int group) {
    switch (group) {
        case 1: return "EFI Maps";
        case 2: return "Air Density Correction Maps";
        case 3: return "Rear Cylinder Trim Maps";
        case 4: return "Transient Fuel Correction";
        case 5: return "Air Fuel Ratio Curves";
        case 6: return "Injector Characteristics";
        case 7: return "IAC Curves";
        case 8: return "Injection Timing";
        case 9: return "Ignition Timing Maps";
        case 10: return "Fuel Pump Curves";
        case 11: return "Head Temperature Sensor Calibration";
        case 12: return "Air Temperature Sensor Calibration";
        case 13: return "Adj TPS Sensor Calibration";
        case 14: return "TPS Percent Sensor Calibration";
        default: return "";
    }
}

struct Axis {
    const char* name;
    const char* unit;
    double minimum;
    double maximum;
    int moduleMaximum;  // x: module maximum; y: see moduleMinimum
    int moduleMinimum = 0;
};

struct Margins {
    int type = 0;
    double lower = 0.0;
    double upper = 0.0;
};

MapDescription Make(std::string className, std::string title, int group, int bytes,
                    std::uint16_t address, const Axis& x, const Axis& y, Margins margins,
                    int channel, std::string trimLabel = {}, int rowKey = 0) {
    MapDescription d;
    d.className = std::move(className);
    d.title = std::move(title);
    d.groupNumber = group;
    d.groupText = GroupText(group);
    d.bytesPerPoint = bytes;
    d.startAddress = address;
    d.xAxisName = x.name;
    d.xUnit = x.unit;
    d.displayXMinimum = x.minimum;
    d.displayXMaximum = x.maximum;
    d.moduleXMinimum = x.moduleMinimum;
    d.moduleXMaximum = x.moduleMaximum;
    d.yAxisName = y.name;
    d.yUnit = y.unit;
    d.displayYMinimum = y.minimum;
    d.displayYMaximum = y.maximum;
    d.moduleYMinimum = y.moduleMinimum;
    d.moduleYMaximum = y.moduleMaximum;
    d.marginType = margins.type;
    d.lowerMargin = margins.lower;
    d.upperMargin = margins.upper;
    d.xAxisMonitorChannel = channel;
    d.trimLabel = std::move(trimLabel);
    d.rowKey = rowKey;
    return d;
}

// Rows of the speed-indexed families: n = 256 ... 8192, row key n - 256, k = row index.
void AddRowFamily(std::vector<MapDescription>& out, const std::string& prefix,
                  const std::string& titlePrefix, int group, int bytes, std::uint16_t base,
                  int stride, const Axis& x, const Axis& y, Margins margins, int channel,
                  const std::string& trimLabel) {
    for (int k = 0; k < 32; ++k) {
        const int n = 256 * (k + 1);
        const int rowKey = n - 256;
        out.push_back(Make(prefix + std::to_string(n) + "Map", titlePrefix + std::to_string(rowKey) + " rpm",
                           group, bytes, static_cast<std::uint16_t>(base + stride * k), x, y, margins,
                           channel, trimLabel, rowKey));
    }
}

// Sensor calibration families: a = first ... last step 64, 64 word points from base + 2a.
void AddSensorFamily(std::vector<MapDescription>& out, const std::string& prefix,
                     const std::string& titlePrefix, int group, std::uint16_t base, const Axis& y,
                     int channel, int firstA, int lastA) {
    for (int a = firstA; a <= lastA; a += 64) {
        const int b = a + 63;
        const std::string range = std::to_string(a) + "_" + std::to_string(b);
        const Axis x{"hex", "na", static_cast<double>(a), static_cast<double>(b), 63};
        out.push_back(Make(prefix + range + "Map",
                           titlePrefix + " vs Hex Value (pts " + std::to_string(a) + " - " + std::to_string(b) + ")",
                           group, 2, static_cast<std::uint16_t>(base + 2 * a), x, y, {}, channel));
    }
}

MapDescription Composite(std::string className, std::string title, int group, const Axis& x,
                         const Axis& y, Margins margins, int channel, std::string trimLabel) {
    MapDescription d = Make(std::move(className), std::move(title), group, 1, 0, x, y, margins, channel,
                            std::move(trimLabel));
    d.numberOfPoints = 32;
    d.pointSpacing = 20;
    d.isComposite = true;
    return d;
}

std::vector<MapDescription> BuildTable() {
    std::vector<MapDescription> t;
    t.reserve(261);

    const Axis temp{"temp", "deg", -40.0, 471.5, 1023};
    const Axis tps{"Throttle Position", "deg", 0.0, 88.68, 1008};
    const Axis timing{"Timing", "deg", 0.0, 45.0, 45};
    const Axis rearTiming{"Timing", "deg", -10.0, 10.0, 138, 118};
    const Axis engineTemp{"Engine Temperature", "deg F", -40.0, 401.0, 882};
    const Axis percent100{"Fuel Correction", "%", 0.0, 99.6, 255};
    const Margins ignition{2, -10.0, 10.0};

    AddSensorFamily(t, "AirTemp", "Air Temp", 12, 0xC800, temp, 42, 384, 960);
    AddSensorFamily(t, "AdjTPS", "Adj TPS", 13, 0xD000, {"temp", "deg", 0.0, 89.9, 1023}, 41, 0, 960);
    AddSensorFamily(t, "TPSPercent", "TPS Percent", 14, 0xD800, {"temp", "deg", 0.0, 100.0, 1023}, 41, 0, 960);
    AddRowFamily(t, "IGNVSMAP", "Timing vs MAP @ ", 9, 1, 0x9800, 0x40,
                 {"Manifold Air Pressure", "%", 0.0, 100.0, 1023}, timing, ignition, 44, "deg");
    AddRowFamily(t, "Stoichiometric", "Fuelflow vs TPS @ ", 1, 2, 0x8000, 0x80, tps,
                 {"Fuelflow", "ms", 0.0, 20.95104, 1023}, {1, -25.0, 25.0}, 19, "% Change");
    t.push_back(Make("CrankMap", "Cranking Fuelflow vs TPS", 1, 2, 0x9000, tps,
                     {"Fuelflow", "ms", 0.0, 20.95104, 1023}, {}, 19));
    t.push_back(Make("AIRFLOWVSTEMPMap", "Airflow Correction vs Air Temperature", 2, 1, 0x9080,
                     {"Air Temperature", "deg F", -40.0, 275.0, 640},
                     {"Airflow Correction", "%", -50.0, 49.6, 255}, {}, 22));
    t.push_back(Make("AIRFLOWVSBAROMMap", "Airflow Correction vs Barometer", 2, 1, 0x90C0,
                     {"Barometric Pressure", "inHg", 3.117, 35.928, 1008},
                     {"Normalized Airflow", "%", -50.0, 49.6, 255}, {}, 23));
    AddRowFamily(t, "RearTrimVsThrottle", "Rear cyl trim vs TPS @ ", 3, 1, 0xA200, 0x40, tps,
                 {"Trim", "%", -50.0, 49.6, 255}, {2, -20.0, 20.0}, 19, "% Change");
    t.push_back(Make("FUELVSTHROTTLEVELMap", "Fuel Correction vs Throttle Velocity", 4, 1, 0x9180,
                     {"Velocity", "deg/sec", 0.0, 252.0, 252}, percent100, {}, 20, "% Change"));
    t.push_back(Make("FUELVSTHROTTLEPOSMap", "Fuel Correction vs TPS", 4, 1, 0x9140,
                     {"Position", "deg", 0.0, 88.68, 1008}, percent100, {}, 19));
    t.push_back(Make("TRANSIENTVSDURATIONMap", "Fuel Correction vs Duration", 4, 1, 0x91C0,
                     {"Duration", "Cycles", 0.0, 63.0, 63}, percent100, {}, 39));
    t.push_back(Make("TRANSIENTVSTHROTTLEMap", "Velocity Threshold vs TPS", 4, 1, 0x9200, tps,
                     {"Velocity Threshold", "%", 0.0, 255.0, 255}, {}, 19));
    t.push_back(Make("FUELVSSPEEDMap", "Fuel Correction vs Engine Speed", 4, 1, 0x9240,
                     {"Engine Speed", "rpm", 0.0, 4032.0, 252}, percent100, {}, 4));
    t.push_back(Make("FUELVSTEMPMap", "Fuel Correction vs Engine Temperature", 4, 1, 0x9280, engineTemp,
                     {"Fuel Correction", "%", -50.0, 49.6, 255}, {}, 21));
    t.push_back(Make("AFRVSTHROTTLEMap", "Air/Fuel Ratio vs TPS", 5, 1, 0x92C0, tps,
                     {"Lambda", "", 0.496, 1.5, 255}, {1, -25.0, 10.0}, 19, "% Change"));
    t.push_back(Make("AFRVSTEMPMap", "AFR Correction vs Engine Temperature", 5, 1, 0x9300, engineTemp,
                     {"AFR Correction", "%", 0.0, 99.6, 255}, {}, 21));
    t.push_back(Make("TEMPVSTHROTTLEMap", "Engine Temperature Correction vs TPS", 5, 1, 0x9340, tps,
                     {"Correction", "%", 0.0, 99.6, 255}, {}, 19));
    t.push_back(Make("TEMPVSSPEEDMap", "Engine Temperature Correction vs Engine Speed", 5, 1, 0x9380,
                     {"Engine Speed", "rpm", 0.0, 4032.0, 252}, {"Correction", "%", 0.0, 99.6, 255}, {}, 4));
    t.push_back(Make("POSTAFRVSTIMEMap", "Post Start Correction vs Time", 5, 1, 0x93C0,
                     {"Time", "sec", 0.0, 33.6, 63}, {"Correction", "%", 0.0, 99.6, 255}, {}, 29));
    t.push_back(Make("POSTAFRVSTEMPMap", "Post Start Correction vs Engine Temperature", 5, 1, 0x9400,
                     engineTemp, {"Correction", "%", -50.0, 49.6, 255}, {}, 21));
    t.push_back(Make("CRANKAFRVSTEMPMap", "Cranking AFR Correction vs Engine Temperature", 5, 1, 0x9440,
                     engineTemp, {"Correction", "%", 0.0, 400.0, 255}, {}, 21));
    t.push_back(Make("CRANKAFRVSTIMEMap", "Cranking AFR Correction vs Time", 5, 1, 0x9480,
                     {"Time", "sec", 0.0, 21.14, 63}, {"Correction", "%", 0.0, 99.6, 255}, {}, 29));
    t.push_back(Make("INJECTORVSVOLTAGEMap", "Injector Compensation vs Voltage", 6, 1, 0x94C0,
                     {"Battery Voltage", "v", 0.0, 15.77, 1008}, {"Compensation", "ms", 0.0, 5.2224, 255},
                     {}, 0));
    t.push_back(Make("COMPVSPULSEMap", "Compensation Factor vs Pulse Width", 6, 1, 0x9540,
                     {"Pulse Width", "ms", 0.0, 20.64384, 4032},
                     {"Compensation Factor", "%", 0.0, 99.6, 255}, {}, 16));
    t.push_back(Make("COMPVSDEADMap", "Compensation Factor vs Dead Time", 6, 1, 0x95C0,
                     {"Dead Time", "ms", 0.0, 20.64384, 4032},
                     {"Compensation Factor", "%", 0.0, 99.6, 255}, {}, 32));
    t.push_back(Make("IDLEVSTEMPMap", "Idle Speed vs Engine Temperature", 7, 1, 0x9640, engineTemp,
                     {"Idle Speed", "rpm", 400.0, 1536.0, 96, 25}, {2, -400.0, 400.0}, 21, "Rpm Change"));
    t.push_back(Make("IACVSTEMPMap", "IAC Stop vs Engine Temperature", 7, 1, 0x9680, engineTemp,
                     {"IAC Stop", "steps", 0.0, 255.0, 255}, {1, -25.0, 25.0}, 21, "% Stop Change"));
    t.push_back(Make("IACVSIDLEMap", "IAC Steps vs Idle Error", 7, 1, 0x96C0,
                     {"Idle Error", "rpm", 0.0, 1008.0, 63}, {"IAC Correction", "steps", 0.0, 255.0, 255},
                     {}, 33));
    t.push_back(Make("TPSVSIACMap", "TPS Correction vs IAC Position", 7, 1, 0x9700,
                     {"IAC Position", "steps", 0.0, 252.0, 252}, {"TPS Correction", "deg", 0.0, 22.434, 255},
                     {}, 28));
    t.push_back(Make("EOIVSTHROTTLEMap", "Timing vs TPS", 8, 1, 0x9740, tps,
                     {"Timing", "deg", 0.0, 716.0, 179}, {}, 19));
    t.push_back(Make("EOIVSSPEEDMap", "EOI Correction vs Engine Speed", 8, 1, 0x9780,
                     {"Engine Speed", "rpm", 0.0, 8064.0, 504}, {"Correction", "deg", -128.0, 127.0, 255},
                     {}, 4));
    t.push_back(Make("EOIVSTEMPMap", "EOI Correction vs Engine Temperature", 8, 1, 0x97C0, engineTemp,
                     {"Correction", "deg", -128.0, 127.0, 255}, {}, 21));
    AddRowFamily(t, "IGNVSTHROTTLE", "Timing vs TPS @ ", 9, 1, 0x9800, 0x40, tps, timing, ignition, 19,
                 "Deg Change");
    AddRowFamily(t, "IGN", "Timing @ ", 9, 1, 0x9800, 0x40, {"", "na", 0.0, 100.0, 1008}, timing, ignition,
                 19, "deg");
    t.push_back(Composite("IgnVsRpmMap", " *Timing vs Engine Speed", 9,
                          {"Engine Speed", "rpm", 0.0, 7936.0, 31}, timing, {2, -10.0, 5.0}, 4, "deg"));
    t.push_back(Make("IGNITIONVSTEMPMap", "Timing vs Engine Temperature", 9, 1, 0xA000, engineTemp,
                     rearTiming, {}, 21));
    t.push_back(Make("REARIGNVSTHROTTLEMap", "Timing vs TPS", 9, 1, 0xA040, tps, rearTiming, {}, 19));
    t.push_back(Make("REARIGNVSSPEEDMap", "Rear Timing @ Engine Speed", 9, 1, 0xA080,
                     {"Engine Speed", "rpm", 0.0, 8064.0, 504}, rearTiming, {}, 4));
    t.push_back(Composite("RearIgnTrimVsRpmMap", " *Rear Timing vs Engine Speed", 9,
                          {"Engine Speed", "rpm", 0.0, 8064.0, 31}, rearTiming, {}, 4, {}));
    t.push_back(Make("IGNITIONVSAIRTEMPMap", "Timing vs Air Temperature", 9, 1, 0xA0C0,
                     {"Air Temp", "deg F", -40.0, 275.0, 630}, rearTiming, {}, 22));
    t.push_back(Make("IGNITIONVSBAROMMap", "Timing vs Barometer", 9, 1, 0xA100,
                     {"Barametric Pressure", "inHg", 3.117, 35.928, 1008}, rearTiming, {}, 23));
    t.push_back(Make("IGNDWELLVSVOLTAGEMap", "Dwell @ Battery", 9, 1, 0x9100,
                     {"Battery", "volts", 0.0, 15.77, 1008}, {"dwell", "ms", 0.0, 10.4448, 255}, {}, 0));
    MapDescription dwell = Composite("IgnDwellVsVoltageMap", " *Dwell vs Battery", 9,
                                     {"Battery", "volts", 0.0, 15.77, 31}, {"dwell", "ms", 0.0, 10.4448, 255},
                                     {}, 0, {});
    dwell.groupText = "EFI Maps";  // group number 9, but filed under this text
    t.push_back(dwell);
    t.push_back(Make("FUELPUMPVSTHROTTLEMap", "Pump Duty vs TPS", 10, 1, 0xA140, tps,
                     {"Duty", "%", 0.0, 99.6, 255}, {}, 19));
    AddSensorFamily(t, "HeadTemp", "Head Temp", 11, 0xC000, temp, 43, 0, 960);
    AddSensorFamily(t, "AirTemp", "Air Temp", 12, 0xC800, temp, 42, 0, 320);
    return t;
}

std::vector<std::string> RowNames(const std::string& prefix) {
    std::vector<std::string> names;
    for (int n = 256; n <= 8192; n += 256) names.push_back(prefix + std::to_string(n) + "Map");
    return names;
}

std::vector<std::string> SensorNames(const std::string& prefix) {
    std::vector<std::string> names;
    for (int a = 0; a <= 960; a += 64)
        names.push_back(prefix + std::to_string(a) + "_" + std::to_string(a + 63) + "Map");
    return names;
}

void Append(std::vector<std::string>& out, const std::vector<std::string>& more) {
    out.insert(out.end(), more.begin(), more.end());
}

FamilyLayout FamilyA() {
    FamilyLayout f;
    f.family = 'A';
    auto& n = f.basicClassNames;
    Append(n, RowNames("Stoichiometric"));
    Append(n, {"CrankMap", "AIRFLOWVSTEMPMap", "AIRFLOWVSBAROMMap"});
    Append(n, RowNames("RearTrimVsThrottle"));
    Append(n, {"FUELVSTHROTTLEVELMap", "FUELVSTHROTTLEPOSMap", "TRANSIENTVSDURATIONMap",
               "TRANSIENTVSTHROTTLEMap", "FUELVSSPEEDMap", "FUELVSTEMPMap", "AFRVSTHROTTLEMap",
               "AFRVSTEMPMap", "TEMPVSTHROTTLEMap", "TEMPVSSPEEDMap", "POSTAFRVSTIMEMap", "POSTAFRVSTEMPMap",
               "CRANKAFRVSTEMPMap", "CRANKAFRVSTIMEMap", "INJECTORVSVOLTAGEMap", "COMPVSPULSEMap",
               "COMPVSDEADMap", "IDLEVSTEMPMap", "IACVSTEMPMap", "IACVSIDLEMap", "TPSVSIACMap",
               "EOIVSTHROTTLEMap", "EOIVSSPEEDMap", "EOIVSTEMPMap"});
    Append(n, RowNames("IGNVSTHROTTLE"));
    Append(n, {"IGNITIONVSTEMPMap", "REARIGNVSTHROTTLEMap", "REARIGNVSSPEEDMap", "IGNITIONVSAIRTEMPMap",
               "IGNITIONVSBAROMMap", "IGNDWELLVSVOLTAGEMap", "FUELPUMPVSTHROTTLEMap"});
    Append(n, SensorNames("HeadTemp"));
    Append(n, SensorNames("AirTemp"));
    Append(n, SensorNames("AdjTPS"));
    Append(n, SensorNames("TPSPercent"));
    f.composites.push_back({"IgnVsRpmMap", RowNames("IGNVSTHROTTLE")});
    f.positions = {35, 66, 0, 31};
    return f;
}

FamilyLayout FamilyBOrC(char family, const std::string& rowPrefix) {
    FamilyLayout f;
    f.family = family;
    Append(f.basicClassNames, RowNames(rowPrefix));
    Append(f.basicClassNames, {"REARIGNVSSPEEDMap", "IGNDWELLVSVOLTAGEMap"});
    if (family == 'B') {
        f.composites.push_back({"IgnVsRpmMap", RowNames(rowPrefix)});
        f.composites.push_back({"RearIgnTrimVsRpmMap", {"REARIGNVSSPEEDMap"}});
        f.composites.push_back({"IgnDwellVsVoltageMap", {"IGNDWELLVSVOLTAGEMap"}});
        f.hasWarrantyValues = true;
    }
    return f;
}

}  // namespace

const std::vector<MapDescription>& CMapCatalogue::Descriptions() {
    static const std::vector<MapDescription> table = BuildTable();
    return table;
}

const MapDescription* CMapCatalogue::Find(std::string_view className) {
    static const std::unordered_map<std::string, const MapDescription*> index = [] {
        std::unordered_map<std::string, const MapDescription*> m;
        for (const auto& d : Descriptions()) m.emplace(d.className, &d);
        return m;
    }();
    const auto it = index.find(std::string(className));
    return it == index.end() ? nullptr : it->second;
}

std::vector<std::string> CMapCatalogue::ClassNames() {
    std::vector<std::string> names;
    for (const auto& d : Descriptions()) names.push_back(d.className);
    return names;
}

std::unique_ptr<CModuleMapBasic> CMapCatalogue::CreateMap(std::string_view className,
                                                          const DocumentContext* context) {
    const MapDescription* d = Find(className);
    if (d == nullptr || d->isComposite) return nullptr;
    return std::make_unique<CModuleMapBasic>(*d, context);
}

std::unique_ptr<CModuleMapComposite> CMapCatalogue::CreateComposite(
    std::string_view className, const DocumentContext* context,
    const std::vector<CModuleMapBasic*>& sources) {
    const MapDescription* d = Find(className);
    if (d == nullptr || !d->isComposite || sources.empty()) return nullptr;
    for (const auto* s : sources)
        if (s == nullptr) return nullptr;
    if (d->className == "IgnVsRpmMap") return std::make_unique<CModuleMapComposite>(*d, context, sources);
    return std::make_unique<CModuleMapComposite3>(*d, context, sources.front());
}

FamilyLayout CMapCatalogue::ForProductCode(std::uint32_t productCode) {
    switch (productCode) {
        case 1:
        case 128: return FamilyA();
        case 2:
        case 8:
        case 64: return FamilyBOrC('B', "IGN");
        case 4:
        case 256: return FamilyBOrC('C', "IGNVSMAP");
        default: return {};
    }
}

std::vector<std::unique_ptr<CModuleMap>> CMapCatalogue::BuildFamily(std::uint32_t productCode,
                                                                  const DocumentContext* context) {
    const FamilyLayout layout = ForProductCode(productCode);
    std::vector<std::unique_ptr<CModuleMap>> maps;
    std::unordered_map<std::string, CModuleMapBasic*> byName;
    for (const auto& name : layout.basicClassNames) {
        auto map = CreateMap(name, context);
        if (!map) continue;
        map->CreateMapPoints();
        byName.emplace(name, map.get());
        maps.push_back(std::move(map));
    }
    for (const auto& composite : layout.composites) {
        std::vector<CModuleMapBasic*> sources;
        for (const auto& name : composite.sourceClassNames) {
            const auto it = byName.find(name);
            sources.push_back(it == byName.end() ? nullptr : it->second);
        }
        auto map = CreateComposite(composite.className, context, sources);
        if (!map) continue;
        map->CreateMapPoints();
        maps.push_back(std::move(map));
    }
    return maps;
}

}  // namespace corvane
