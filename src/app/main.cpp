#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <QFont>

#include <clocale>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CorvaneVersion.h"
#include "app/CCorvaneApp.h"
#include "app/CMainFrame.h"
#include "app/FirmwareUpgradeRunner.h"
#include "app/QtPrompter.h"
#include "app/QtSettingsStore.h"
#include "app/ScreenshotRun.h"
#include "sim/Scenario.h"
#include "sim/SimEngineOptions.h"

int main(int argc, char** argv) {
    // The command line is read before the window system is reached: --help, --version and a
    // mistyped option answer on a machine without a display as well.
    QCoreApplication::setApplicationName("corvane");
    QCoreApplication::setOrganizationName("Corvane");
    QCoreApplication::setApplicationVersion(corvane::kCorvaneVersion);
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);

    QCommandLineParser parser;
    parser.setApplicationDescription("Corvane: edit, READ, WRITE and watch the engine control module.");
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    parser.addPositionalArgument("file", "A map file (.crv) to open.", "[FILE.crv]");
    QCommandLineOption portOption("port", "The port for this run: sim, \"Com n\" or a device path.", "PORT");
    QCommandLineOption productOption("product-code", "Product code of the module (1, 128: family A; 2, 8, 64: B; 4, 256: C).", "N");
    QCommandLineOption screenshotOption("screenshot", "Render the main views into PNG files in DIR and exit.", "DIR");
    QCommandLineOption scenarioOption("scenario", "With --port sim: what the simulated engine does, e.g. \"ride duration=600 seed=1 style=street\".", "TEXT");
    parser.addOption(portOption);
    parser.addOption(productOption);
    parser.addOption(screenshotOption);
    parser.addOption(scenarioOption);
    // The simulated engine's options, as corvane-cli and corvane-sim take them.
    std::vector<std::unique_ptr<QCommandLineOption>> simOptions;
    for (const char* const* f = corvane::sim::SimEngineFlags(); *f; ++f)
        simOptions.push_back(std::make_unique<QCommandLineOption>(QString(*f), "Simulated engine (see corvane-sim --help)."));
    for (const char* const* v = corvane::sim::SimEngineValueOptions(); *v; ++v)
        simOptions.push_back(
            std::make_unique<QCommandLineOption>(QString(*v), "Simulated engine (see corvane-sim --help).", "VALUE"));
    for (const auto& o : simOptions) parser.addOption(*o);
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "corvane: %s\n", parser.errorText().toLocal8Bit().constData());
        return 2;
    }
    if (parser.isSet(helpOption)) {
        // Without an application object the parser cannot know the program's name.
        QString help = parser.helpText();
        help.replace("<executable_name>", "corvane");
        std::fputs(help.toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (parser.isSet(versionOption)) {
        std::printf("corvane %s\n", corvane::kCorvaneVersion);
        return 0;
    }

    std::optional<std::string> port;
    if (parser.isSet(portOption)) port = parser.value(portOption).toStdString();
    corvane::AppOptions options;
    options.port = port;
    {
        const corvane::sim::SimEngineOptionText text{
            [&](const std::string& name) -> std::optional<std::string> {
                if (!parser.isSet(QString::fromStdString(name))) return std::nullopt;
                return parser.value(QString::fromStdString(name)).toStdString();
            },
            [&](const std::string& name) { return parser.isSet(QString::fromStdString(name)); }};
        const bool simulated = port && *port == "sim";
        if (!simulated && (corvane::sim::AnySimEngineOption(text) || parser.isSet(scenarioOption))) {
            std::fprintf(stderr, "corvane: --scenario and the --sim-... options need --port sim\n");
            return 2;
        }
        std::string error;
        if (!corvane::sim::ApplySimEngineOptions(text, false, options.simEngine, &error)) {
            std::fprintf(stderr, "corvane: %s\n", error.c_str());
            return 2;
        }
        if (parser.isSet(scenarioOption)) {
            const std::string scenario = parser.value(scenarioOption).toStdString();
            if (!corvane::sim::Scenario::Parse(scenario, 1, &error)) {
                std::fprintf(stderr, "corvane: --scenario: %s\n", error.c_str());
                return 2;
            }
            options.simScenario = scenario;
        }
    }

    QApplication application(argc, argv);
    // The core formats and reads numbers in the C locale ("13.1", "%.3f"); Qt has just set the
    // user's locale, whose decimal comma would corrupt both.
    std::setlocale(LC_NUMERIC, "C");

    if (parser.isSet(screenshotOption)) return corvane::RunScreenshots(parser.value(screenshotOption), port);

    if (!parser.positionalArguments().isEmpty()) options.file = parser.positionalArguments().first();
    if (parser.isSet(productOption)) {
        bool ok = false;
        const uint code = parser.value(productOption).toUInt(&ok);
        if (!ok || code == 0) {
            std::fprintf(stderr, "corvane: --product-code needs a positive number\n");
            return 2;
        }
        options.productCode = code;
    }

    corvane::QtSettingsStore settings;
    corvane::QtPrompter prompter;
    corvane::CCorvaneApp app(settings, prompter);
    if (!app.InitInstance(options)) return 1;
    prompter.SetParent(&app.Frame());
    prompter.SetDataFolder(app.UserDataFolder());
    prompter.SetPowerSwitch(corvane::FirmwareUpgradeRunner::SimulatedPowerSwitch(app));
    const int result = QApplication::exec();
    settings.Sync();
    return result;
}
