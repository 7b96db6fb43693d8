#include <QApplication>
#include <QCommandLineParser>
#include <QFont>

#include <clocale>
#include <cstdio>
#include <cstring>

#include "CorvaneVersion.h"
#include "app/CCorvaneApp.h"
#include "app/CMainFrame.h"
#include "app/FirmwareUpgradeRunner.h"
#include "app/QtPrompter.h"
#include "app/QtSettingsStore.h"
#include "app/ScreenshotRun.h"

int main(int argc, char** argv) {
    // --version answers before the window system is reached, so that it works without a display.
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-v") == 0) {
            std::printf("corvane %s\n", corvane::kCorvaneVersion);
            return 0;
        }
    QApplication application(argc, argv);
    // The core formats and reads numbers in the C locale ("13.1", "%.3f"); Qt has just set the
    // user's locale, whose decimal comma would corrupt both.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName("corvane");
    QApplication::setOrganizationName("Corvane");
    QApplication::setApplicationVersion(corvane::kCorvaneVersion);

    QCommandLineParser parser;
    parser.setApplicationDescription("Corvane: edit, READ, WRITE and watch the engine control module.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument("file", "A map file (.crv) to open.", "[FILE.crv]");
    QCommandLineOption portOption("port", "The port for this run: sim, \"Com n\" or a device path.", "PORT");
    QCommandLineOption productOption("product-code", "Product code of the module (1, 128: family A; 2, 8, 64: B; 4, 256: C).", "N");
    QCommandLineOption screenshotOption("screenshot", "Render the main views into PNG files in DIR and exit.", "DIR");
    parser.addOption(portOption);
    parser.addOption(productOption);
    parser.addOption(screenshotOption);
    parser.process(application);

    std::optional<std::string> port;
    if (parser.isSet(portOption)) port = parser.value(portOption).toStdString();
    if (parser.isSet(screenshotOption)) return corvane::RunScreenshots(parser.value(screenshotOption), port);

    corvane::AppOptions options;
    options.port = port;
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
    prompter.SetPowerSwitch(corvane::FirmwareUpgradeRunner::SimulatedPowerSwitch(app));
    const int result = QApplication::exec();
    settings.Sync();
    return result;
}
