// corvane-cli diff: every setting and map point in which two map files differ.
#include "cli/commands/CliDocSupport.h"
#include "maps/CModuleMap.h"

namespace corvane::cli {
namespace {

std::string WithUnit(double v, const std::string& unit) {
    return unit.empty() ? ShortNumber(v) : ShortNumber(v) + " " + unit;
}

// Prints the differences; returns their number.
int Compare(const CCorvaneMapsDoc& a, const CCorvaneMapsDoc& b, std::ostream& out) {
    int differences = 0;
    if (a.GetBaseMapName() != b.GetBaseMapName()) {
        out << "base map name: \"" << PrintableText(a.GetBaseMapName()) << "\" -> \"" << PrintableText(b.GetBaseMapName())
            << "\"\n";
        ++differences;
    }
    for (int i = 0; i < a.GetSettingCount(); ++i) {
        const CBasicSettingsModuleValue& sa = *a.GetSetting(i);
        const CBasicSettingsModuleValue& sb = *b.GetSetting(i);
        if (sa.GetBaseValue() == sb.GetBaseValue() && sa.GetTrimValue() == sb.GetTrimValue() &&
            sa.GetModuleValue() == sb.GetModuleValue())
            continue;
        ++differences;
        out << "setting " << i << " " << sa.GetName() << ": " << WithUnit(sa.GetDisplayValue(), sa.GetUnit())
            << " -> " << WithUnit(sb.GetDisplayValue(), sb.GetUnit()) << "\n";
    }
    for (int m = 0; m < a.GetMapCount(); ++m) {
        const CModuleMap& ma = *a.GetMap(m);
        const CModuleMap& mb = *b.GetMap(m);
        for (int i = 0; i < ma.GetNumberOfPoints(); ++i) {
            const bool baseDiffers = ma.GetPointBaseValue(i) != mb.GetPointBaseValue(i);
            const bool trimDiffers = ma.GetPointTrimValue(i) != mb.GetPointTrimValue(i);
            if (!baseDiffers && !trimDiffers && ma.GetPointModuleValue(i) == mb.GetPointModuleValue(i)) continue;
            ++differences;
            out << "map " << m << " \"" << ma.GetTitle() << "\" point " << i << " (x " << ShortNumber(ma.GetPointX(i))
                << "): " << WithUnit(ma.GetPointDisplayValue(i), ma.GetYUnit()) << " -> "
                << WithUnit(mb.GetPointDisplayValue(i), mb.GetYUnit());
            if (trimDiffers)
                out << " (trim " << ShortNumber(ma.GetPointTrimDisplayValue(i)) << " -> "
                    << ShortNumber(mb.GetPointTrimDisplayValue(i)) << ")";
            out << "\n";
        }
    }
    return differences;
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
