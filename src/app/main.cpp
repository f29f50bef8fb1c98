#include "core/Clock.h"
#include "core/CommandLine.h"
#include "app/CarriedView.h"
#include "app/LanguageDialogWindow.h"
#include "app/MainWindowController.h"
#include "app/SignalExit.h"
#include "app/SimulatorProcess.h"
#include "app/StallMeter.h"
#include "app/StartMarks.h"
#include "device/DeviceLink.h"
#include "device/Guardian.h"
#include "device/PortList.h"
#include "device/PortPath.h"
#include "program/ProgramController.h"
#include "program/ReadAhead.h"
#include "ui/Icons.h"
#include "storage/CodePage.h"
#include "storage/DataFiles.h"
#include "storage/DataFolder.h"
#include "storage/Paths.h"
#include "storage/WinPath.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

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
        {QStringLiteral("simulator"), {},
         QStringLiteral("Start the device simulator zovt-devsim at the configured port first, for use without a\n"
                        "generator; it ends with the controller.")},
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

// The program once more in place of this process, as it was started: the
// arguments as given (before Qt took its own out of them) and the whole
// environment, which execv passes on.
int startAgain(const std::vector<std::string> &args)
{
    std::vector<char *> argv;
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    std::fflush(nullptr);
    ::execv("/proc/self/exe", argv.data());
    std::fprintf(stderr, "zovt-generator: cannot start again: %s\n", std::strerror(errno));
    return 1;
}

int listPorts()
{
    if (const QString why = zovt::winpath::prefixProblem(); !why.isEmpty()) {
        std::fprintf(stderr, "zovt-generator: %s\n", qPrintable(why));
        return 1;
    }
    for (const QString &line : zovt::portlist::lines())
        std::printf("%s\n", qPrintable(line));
    return 0;
}

// The pictures the window shows first, and on a first start the demo
// programs, are laid into the data folder from what came with the program.
void prepareDataFolder()
{
    const auto prepared = zovt::datafolder::prepare(zovt::datafolder::shippedDir(QCoreApplication::applicationDirPath()));
    for (const QString &line : zovt::datafolder::report(prepared))
        std::fprintf(stderr, "zovt-generator: %s\n", qPrintable(line));
}

// The simulator at the port the controller will open, for a user without a
// generator.
void startSimulator(zovt::SimulatorProcess &simulator)
{
    int port = zovt::paths::DefaultComPort;
    try {
        if (zovt::files::exists(zovt::paths::ComNrFile))
            port = zovt::files::readLineInteger(zovt::paths::ComNrFile);
    } catch (const std::exception &) {
        // Start-up reports the unreadable file in its window.
    }
    const QString state = zovt::portpath::simulatorStateDirectory();
    QDir().mkpath(state);
    const QStringList said = simulator.start(zovt::SimulatorProcess::findProgram(QCoreApplication::applicationDirPath()),
                                             port, state + QStringLiteral("/devsim.log"));
    for (const QString &line : said)
        std::fprintf(stderr, "zovt-generator: %s\n", qPrintable(line));
}

int run(int argc, char **argv, zovt::Guardian &guardian, bool withSimulator, bool &restart)
{
    // Files shared with Wine programs are unusable under a wrong prefix or codec.
    QString why = zovt::winpath::prefixProblem();
    if (why.isEmpty())
        why = zovt::codepage::ensureUsable();
    if (!why.isEmpty()) {
        std::fprintf(stderr, "zovt-generator: %s\n", qPrintable(why));
        return 1;
    }
    zovt::signalexit::install();
    QApplication app(argc, argv);
    zovt::startmarks::mark("qt");
    zovt::MainWindowController::prepareApplication();
    QApplication::setWindowIcon(zovt::icons::appIcon());
    zovt::winpath::ensureDriveC();
    prepareDataFolder();
    // Read while the window is built and the device meets its first cycle.
    std::unique_ptr<zovt::ReadAhead> readAhead = zovt::ReadAhead::handedOver();
    zovt::SimulatorProcess simulator;
    if (withSimulator)
        startSimulator(simulator);

    zovt::QtClock clock;

    zovt::MainWindowController form19(clock);
    zovt::startmarks::mark("window");
    zovt::stallmeter::startIfWanted(&form19.window());
    form19.app().program().setReadAhead(std::move(readAhead));
    form19.raiseWritesWhilePlaying();
    if (guardian.running())
        form19.app().device().setEndGuard(&guardian);
    zovt::signalexit::watch(&form19.window(), [&form19](int) {
        // A question or message open at that moment ends unanswered.
        for (int open = 0; open < 8; ++open) {
            QWidget *modal = QApplication::activeModalWidget();
            if (!modal)
                break;
            modal->close();
        }
        form19.app().run("signal", [&form19] { form19.app().endThroughClosing(); });
    });
    form19.FormCreate();
    zovt::startmarks::mark("listed");
    if (form19.ended())
        return form19.exitCode();
    // A language change started this run: the same client and program again.
    if (const auto view = zovt::carriedview::take(); view && !form19.ended())
        form19.app().run("showView", [&] { form19.app().showView(*view); });
    zovt::LanguageDialogWindow form9(form19);
    QTimer::singleShot(0, [] { zovt::startmarks::mark("idle"); });
    const int rc = app.exec();
    restart = form9.restartAsked() && form19.ended();
    if (restart)
        zovt::carriedview::carry(form9.shownAtRestart());
    return rc;
}

} // namespace

int main(int argc, char **argv)
{
    zovt::startmarks::mark("main");
    const std::vector<std::string> args(argv, argv + argc);
    const zovt::cli::Arguments parsed = zovt::cli::parse(commandLine(), argc, argv);
    if (parsed.exitCode)
        return *parsed.exitCode;
    if (parsed.isSet(QStringLiteral("list-ports")))
        return listPorts();
    // The guardian first, while this process has no thread, no lock and no
    // open device that it could inherit: should the controller die during a
    // playback, it sends the playback's end to the device.
    zovt::Guardian guardian;
    guardian.start("zovt-generator");
    bool restart = false;
    const int rc = run(argc, argv, guardian, parsed.isSet(QStringLiteral("simulator")), restart);
    // Everything of the first run is gone by now: the window closed, the
    // marker removed, the port released. The guardian leaves the device as it is.
    guardian.farewell();
    if (restart)
        return startAgain(args);
    return rc;
}
