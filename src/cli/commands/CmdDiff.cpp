// corvane-cli diff: every setting and map point in which two map files differ.
#include "cli/commands/CliDocSupport.h"
#include "documents/TuneDifferences.h"
#include "maps/CModuleMap.h"

namespace corvane::cli {
namespace {

std::string WithUnit(double v, const std::string& unit) {
    return unit.empty() ? ShortNumber(v) : ShortNumber(v) + " " + unit;
}

// Prints what the shared comparison found; returns the number of differences.
int Compare(const CCorvaneMapsDoc& a, const CCorvaneMapsDoc& b, std::ostream& out) {
    const TuneDifferences found = CompareTunes(a, b);
    if (found.baseMapNameDiffers)
        out << "base map name: \"" << PrintableText(a.GetBaseMapName()) << "\" -> \"" << PrintableText(b.GetBaseMapName())
            << "\"\n";
    for (const SettingDifference& d : found.settings) {
        const CBasicSettingsModuleValue& s = *a.GetSetting(d.index);
        out << "setting " << d.index << " " << s.GetName() << ": " << WithUnit(d.displayA, s.GetUnit()) << " -> "
            << WithUnit(d.displayB, b.GetSetting(d.index)->GetUnit()) << "\n";
    }
    for (const PointDifference& d : found.points) {
        const CModuleMap& ma = *a.GetMap(d.mapIndex);
        out << "map " << d.mapIndex << " \"" << ma.GetTitle() << "\" point " << d.point << " (x " << ShortNumber(d.x)
            << "): " << WithUnit(d.displayA, ma.GetYUnit()) << " -> "
            << WithUnit(d.displayB, b.GetMap(d.mapIndex)->GetYUnit());
        if (d.trimDiffers) out << " (trim " << ShortNumber(d.trimA) << " -> " << ShortNumber(d.trimB) << ")";
        out << "\n";
    }
    return found.Count();
}

int RunDiff(const Args& args, std::ostream& out, std::ostream& err) {
    AppState app;
    app.productCode = DocumentProductCode(args);
    if (args.Positional().size() != 2) throw UsageError{"expected two map files"};
    auto a = OpenMapFile(args.Positional()[0], app, err);
    if (!a) return kExitRefused;
    auto b = OpenMapFile(args.Positional()[1], app, err);
    if (!b) return kExitRefused;
    const int differences = Compare(*a, *b, out);
    if (differences == 0) return kExitOk;
    out << differences << " difference(s)\n";
    return kExitDiffers;
}

const bool kRegistered = Register({
    "diff",
    "diff [--product-code N] A.crv B.crv",
    "Lists every basic setting and every map point whose values differ between A.crv and\n"
    "B.crv, in display units with the map title. Exits 0 when the files hold the same tuning,\n"
    "1 when they differ, 2 when the document refuses either file.",
    {},
    RunDiff,
});

}  // namespace
}  // namespace corvane::cli
