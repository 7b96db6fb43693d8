// corvane-cli set: one edit of a map point or a basic setting, as the views make it, saved.
#include "cli/commands/CliDocSupport.h"
#include "maps/CModuleMap.h"

namespace corvane::cli {
namespace {

int RunSet(const Args& args, std::ostream& out, std::ostream& err) {
    AppState app;
    app.productCode = DocumentProductCode(args);
    const std::string path = OnePositional(args, "map file");
    const auto display = args.GetDouble("display");
    if (!display) throw UsageError{"--display V is required"};
    const bool isMap = args.Has("map");
    if (isMap == args.Has("setting")) throw UsageError{"give either --map CLASS --point I or --setting CLASS"};

    auto doc = OpenMapFile(path, app, err);
    if (!doc) return kExitRefused;

    if (isMap) {
        const std::string className = *args.Get("map");
        const int index = doc->FindMap(className);
        if (index < 0) throw UsageError{"no map " + className + " in a product code " + std::to_string(app.productCode) + " document"};
        const auto point = args.GetInt("point");
        CModuleMap& map = *doc->GetMap(index);
        if (!point || *point < 0 || *point >= map.GetNumberOfPoints())
            throw UsageError{"--point must be 0.." + std::to_string(map.GetNumberOfPoints() - 1)};
        const int i = static_cast<int>(*point);
        // The maps view steps the point by the difference to the typed value.
        map.StepPointByDisplayUnits(i, *display - map.GetPointDisplayValue(i));
        doc->SetModifiedFlag(true);
        doc->AfterMapEdited(map);
        out << map.GetTitle() << " point " << i << ": " << ShortNumber(map.GetPointDisplayValue(i)) << " "
            << map.GetYUnit() << "\n";
    } else {
        const std::string className = *args.Get("setting");
        const int index = FindBasicSetting(className);
        if (index < 0) throw UsageError{"no basic setting " + className};
        doc->ApplySettingDisplayValue(index, *display);
        const CBasicSettingsModuleValue& s = *doc->GetSetting(index);
        out << s.GetName() << ": " << FormatWithDisplayFormat(s.GetDisplayValue(), s.GetDisplayFormat()) << " "
            << s.GetUnit() << "\n";
    }

    const std::string target = args.GetOr("o", args.GetOr("output", path));
    std::string error;
    if (!doc->Save(target, &error)) {
        err << "corvane-cli set: " << error << "\n";
        return kExitFailed;
    }
    return kExitOk;
}

const bool kRegistered = Register({
    "set",
    "set [--product-code N] FILE.crv [-o OUT.crv] (--map CLASS --point I --display V | --setting CLASS --display V)",
    "Edits FILE.crv as the maps view or the basic settings view would and saves it (to OUT.crv\n"
    "when given, else over FILE.crv, atomically). A map point is stepped to the display value V\n"
    "(clamped to the map's range; a composite point moves the maps it stands for); a setting\n"
    "takes V clamped to its range. CLASS is a class name, e.g. IGNVSMAP2048Map or CRevLimit.",
    {},
    RunSet,
});

}  // namespace
}  // namespace corvane::cli
