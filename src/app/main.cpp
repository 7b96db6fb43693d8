#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <QFont>

#include <clocale>
#include <cstdio>

#include "CorvaneVersion.h"
#include "app/CCorvaneApp.h"
#include "app/CMainFrame.h"
#include "app/FirmwareUpgradeRunner.h"
#include "app/QtPrompter.h"
#include "app/QtSettingsStore.h"
#include "app/ScreenshotRun.h"

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
    parser.addOption(portOption);
    parser.addOption(productOption);
    parser.addOption(screenshotOption);
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "corvane: %s\n", parser.errorText().toLocal8Bit().constData());
        return 2;
    }
    if (parser.isSet(helpOption)) {
        std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (parser.isSet(versionOption)) {
        std::printf("corvane %s\n", corvane::kCorvaneVersion);
        return 0;
    }

    QApplication application(argc, argv);
    // The core formats and reads numbers in the C locale ("13.1", "%.3f"); Qt has just set the
    // user's locale, whose decimal comma would corrupt both.
    std::setlocale(LC_NUMERIC, "C");

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
