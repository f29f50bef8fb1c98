#include "core/Clock.h"
#include "core/CommandLine.h"
#include "app/LanguageDialogWindow.h"
#include "app/MainWindowController.h"
#include "device/PortList.h"
#include "ui/Icons.h"
#include "storage/CodePage.h"
#include "storage/WinPath.h"

#include <QApplication>

#include <cstdio>

namespace {

zovt::cli::Program commandLine()
{
    zovt::cli::Program p;
    p.name = QStringLiteral("zovt-generator");
    p.synopsis = QStringLiteral("[OPTION...]");
    p.usage = QStringLiteral(
        "The controller of the ZovT frequency generator: plays frequency programs to the device on a\n"
        "serial port, switches its lighting and keeps client records and playback protocols. Its\n"
        "settings and hand-off files live in the data folder C:\\WooZovDaz9 of the Wine prefix;\n"
        "see zovt-generator(1) for the files that switch options on.");
    p.options = {
        {QStringLiteral("list-ports"), {}, QStringLiteral("List the serial ports with their COM numbers and exit.")},
    };
    p.epilog = QStringLiteral(
        "Environment:\n"
        "  WINEPREFIX  The Wine prefix whose drive C: holds the data folder and whose\n"
        "              dosdevices/comN and registry name the serial ports (default ~/.wine).\n"
        "\n"
        "Exit status: 0 when the controller ends (also after a port error it has reported), 1 when\n"
        "it cannot start, 2 for a mistake on the command line.");
    p.qtOptions = true;
    return p;
}

} // namespace

int main(int argc, char **argv)
{
    const zovt::cli::Arguments args = zovt::cli::parse(commandLine(), argc, argv);
    if (args.exitCode)
        return *args.exitCode;
    // Files shared with Wine programs are unusable under a wrong prefix or codec.
    QString why = zovt::winpath::prefixProblem();
    if (args.isSet(QStringLiteral("list-ports"))) {
        if (!why.isEmpty()) {
            std::fprintf(stderr, "zovt-generator: %s\n", qPrintable(why));
            return 1;
        }
        for (const QString &line : zovt::portlist::lines())
            std::printf("%s\n", qPrintable(line));
        return 0;
    }
    if (why.isEmpty())
        why = zovt::codepage::ensureUsable();
    if (!why.isEmpty()) {
        std::fprintf(stderr, "zovt-generator: %s\n", qPrintable(why));
        return 1;
    }
    QApplication app(argc, argv);
    zovt::MainWindowController::prepareApplication();
    QApplication::setWindowIcon(zovt::icons::appIcon());
    zovt::winpath::ensureDriveC();

    zovt::QtClock clock;

    zovt::MainWindowController form19(clock);
    form19.FormCreate();
    if (form19.ended())
        return form19.exitCode();
    zovt::LanguageDialogWindow form9(form19);
    const int rc = app.exec();
    return rc;
}
