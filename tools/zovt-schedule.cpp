// zovt-schedule: what the generator would receive for a program file, and
// when. Plays the file as a freshly started controller with default settings
// does, through the same program, playback and device code, on a virtual
// clock, so an hour of program takes a moment. Nothing of the user's is
// touched: the run has a scratch Wine prefix of its own.

#include "core/Clock.h"
#include "core/CommandLine.h"
#include "device/VaCommPort.h"
#include "device/PortPath.h"
#include "device/VaComm.h"
#include "device/WriteTimings.h"
#include "app/ScheduleRun.h"
#include "playback/SchedulePlot.h"
#include "storage/FileError.h"
#include "storage/FileIO.h"
#include "program/Totals.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <vector>
#include <memory>

#include <sys/resource.h>

using namespace zovt;

namespace {

// Seconds of a resource-usage time.
double seconds(const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; }

QString programName(const ScheduleProgram &p)
{
    return QStringLiteral("program %1 \"%2\"").arg(p.entry).arg(p.header);
}

} // namespace

int main(int argc, char **argv)
{
    cli::Program program;
    program.name = QStringLiteral("zovt-schedule");
    program.synopsis = QStringLiteral("[OPTION...] FILE [ENTRY...]");
    program.usage = QStringLiteral(
        "Prints every text the generator device would receive when the program file FILE is played,\n"
        "with its time from the press of Play (h:mm:ss.mmm) and its meaning, then each program's and\n"
        "the whole run's real duration. The controller's own code plays the file on a virtual clock,\n"
        "as a freshly started controller with default settings would (old firmware, light mode\n"
        "\"predefined\", no repetition).\n"
        "\n"
        "ENTRY is the 1-based number of a program in the program list (the order of the headers in\n"
        "the file, \"[STOP]\" not counted). Without ENTRY the first program is played. Several\n"
        "ENTRYs are played one after another, each with its own Play as soon as the previous\n"
        "playback has ended. With --all the first ENTRY (or the first program) is played with\n"
        "play-all (\">>\"): it and every later program of the list, 500 ms apart.\n"
        "\n"
        "With --plot the same run is also drawn into OUT (.png or .svg): the frequency over time on\n"
        "a logarithmic axis, one panel per program, with its rows, sweeps and each row's level in its\n"
        "unit, against the time since Play (m:ss, or h:mm:ss from an hour on). Each panel spans its own\n"
        "program unless --same-scale gives every panel the time axis of the longest one. However long\n"
        "the program, the picture is reduced to its pixels as the run goes: each pixel column shows the\n"
        "lowest and highest frequency held in it, so even a short row in a long program shows.\n"
        "\n"
        "With --port N the file is played in real time to serial port COMN (as the controller\n"
        "would open it under the current WINEPREFIX) with the controller's serial component, and\n"
        "the times printed are real; the run ends with the process's CPU time. Meant for bench\n"
        "tests with a device or the device simulator zovt-devsim.");
    program.options = {
        {QStringLiteral("new-firmware"), {}, QStringLiteral("The device has the firmware after 1. 1. 2022.")},
        {QStringLiteral("colortype"), QStringLiteral("N"),
         QStringLiteral("Light mode during the program: 0 predefined, 1 blending of colors, 2 constant light (default 0).")},
        {QStringLiteral("all"), {}, QStringLiteral("Play-all from the first ENTRY.")},
        {QStringLiteral("plot"), QStringLiteral("OUT"), QStringLiteral("Also draw the programs into OUT (.png or .svg).")},
        {QStringLiteral("same-scale"), {}, QStringLiteral("With --plot: one time scale, the longest program's, for every panel.")},
        {QStringLiteral("port"), QStringLiteral("N"), QStringLiteral("Play in real time to serial port COMN.")},
    };
    program.epilog = QStringLiteral(
        "Exit status: 0 when every row plays; 2 when a row would end the playback early (a number\n"
        "that does not convert, a value the device cannot take: reported with its line in FILE and\n"
        "the reason) or for a mistake on the command line; 1 when the file cannot be loaded, an ENTRY\n"
        "does not exist or the picture cannot be written.");
    program.maxOperands = -1;
    const cli::Arguments parser = cli::parse(program, argc, argv);
    if (parser.exitCode)
        return *parser.exitCode;
    const QString plotFile = parser.value(QStringLiteral("plot"));
    const QString plotFormat = QFileInfo(plotFile).suffix().toLower();
    if (parser.isSet(QStringLiteral("plot")) && plotFormat != QLatin1String("png") && plotFormat != QLatin1String("svg")) {
        std::fprintf(stderr, "zovt-schedule: --plot writes a .png or .svg file, not \"%s\"\n", qPrintable(plotFile));
        return 2;
    }
    // Drawing text needs the font machinery of a GUI application, but never
    // a screen.
    std::unique_ptr<QCoreApplication> app;
    if (plotFormat == QLatin1String("png")) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("zovt-schedule"));
    const QString newFirmware = QStringLiteral("new-firmware");
    const QString colortype = QStringLiteral("colortype");
    const QString all = QStringLiteral("all");
    const QString port = QStringLiteral("port");

    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = parser.operands;
    if (args.isEmpty()) {
        err << "zovt-schedule: no program file given (see --help)" << Qt::endl;
        return 1;
    }

    ScheduleOptions options;
    options.file = QFileInfo(args.first()).absoluteFilePath();
    options.newFirmware = parser.isSet(newFirmware);
    options.playAll = parser.isSet(all);
    // Every event is printed or drawn as it happens; none needs keeping.
    options.keepEvents = false;
    bool ok = false;
    options.colortype = parser.value(colortype, QStringLiteral("0")).toInt(&ok);
    if (!ok || options.colortype < 0 || options.colortype > 2) {
        err << "zovt-schedule: --colortype takes 0, 1 or 2" << Qt::endl;
        return 1;
    }
    for (qsizetype i = 1; i < args.size(); ++i) {
        const int e = args.at(i).toInt(&ok);
        if (!ok || e < 1) {
            err << "zovt-schedule: ENTRY must be a number of 1 or more, not \"" << args.at(i) << "\"" << Qt::endl;
            return 1;
        }
        options.entries << e;
    }
    QString device;
    if (parser.isSet(port)) {
        options.comPort = parser.value(port).toInt(&ok);
        if (!ok || options.comPort < 1) {
            err << "zovt-schedule: --port needs a number of 1 or more" << Qt::endl;
            return 1;
        }
        // Resolved in the caller's prefix, before the run takes its own.
        const QString path = portpath::devicePath(options.comPort);
        device = QFileInfo(path).canonicalFilePath();
        if (device.isEmpty()) {
            err << "zovt-schedule: COM" << options.comPort << " (" << path << ") does not exist" << Qt::endl;
            return 1;
        }
    }
    if (!QFileInfo(options.file).isFile()) {
        err << "zovt-schedule: no such file: " << options.file << Qt::endl;
        return 1;
    }

    QTemporaryDir scratch;
    if (!scratch.isValid() || !makeScratchPrefix(scratch.path())) {
        err << "zovt-schedule: cannot make a scratch Wine prefix" << Qt::endl;
        return 1;
    }
    qputenv("WINEPREFIX", scratch.path().toLocal8Bit());

    std::unique_ptr<QtClock> realClock;
    std::unique_ptr<WriteTimings> writeTimings;
    std::unique_ptr<VaCommPort> serial;
    if (!device.isEmpty()) {
        if (!QFile::link(device, portpath::dosDeviceLink(options.comPort))) {
            err << "zovt-schedule: cannot link COM" << options.comPort << " to " << device << Qt::endl;
            return 1;
        }
        realClock = std::make_unique<QtClock>();
        serial = std::make_unique<VaCommPort>(*realClock);
        writeTimings = std::make_unique<WriteTimings>();
        options.clock = realClock.get();
        options.port = serial.get();
    }

    // On a real port each line is shown as its text goes out; in virtual
    // time the lines come faster than anyone reads them, and a flush per
    // line (a system call per write of a long program) would cost more than
    // playing the row.
    const auto endLine = [&] {
        if (realClock)
            out << Qt::endl;
        else
            out << '\n';
    };
    ScheduleSink sink;
    sink.write = [&](const ScheduleWrite &w) {
        out << scheduleTime(w.ms) << "  " << QString::fromLatin1(w.text).leftJustified(9) << ' ' << w.meaning;
        endLine();
    };
    sink.programStarted = [&](const ScheduleProgram &p) {
        out << scheduleTime(p.startMs) << "  " << programName(p) << ": Play";
        endLine();
    };
    sink.programEnded = [&](const ScheduleProgram &p) {
        out << scheduleTime(p.endMs) << "  " << programName(p) << ": ended; program time "
            << CasPrevod(p.totalSeconds) << ", real duration " << scheduleTime(p.endMs - p.startMs);
        endLine();
    };
    sink.problem = [&](const ScheduleProblem &p) {
        out << scheduleTime(p.ms) << "  line " << p.line << " (program " << p.entry;
        if (p.row > 0)
            out << ", row " << p.row;
        out << "): " << p.reason << "; " << p.consequence;
        endLine();
    };

    // The picture takes the run as it plays, reduced to its pixels.
    ScheduleTraces traces;
    if (!plotFile.isEmpty())
        sink = traces.sink(std::move(sink));

    ScheduleResult r;
    try {
        r = runSchedule(options, sink);
    } catch (const EVaCommError &e) {
        out.flush();
        err << "zovt-schedule: port error: " << e.message() << Qt::endl;
        return 1;
    }
    if (!r.error.isEmpty()) {
        out.flush();
        err << "zovt-schedule: " << r.error << Qt::endl;
        return 1;
    }
    out << "whole run: " << r.programs.size() << (r.programs.size() == 1 ? " program" : " programs")
        << ", real duration " << scheduleTime(r.totalMs);
    if (realClock) {
        rusage use{};
        ::getrusage(RUSAGE_SELF, &use);
        out << QStringLiteral(", CPU time %1 s user, %2 s system")
                   .arg(seconds(use.ru_utime), 0, 'f', 3)
                   .arg(seconds(use.ru_stime), 0, 'f', 3);
    }
    out << Qt::endl;
    if (!plotFile.isEmpty()) {
        const SchedulePlot picture(traces, QFileInfo(options.file).fileName(), parser.isSet(QStringLiteral("same-scale")));
        try {
            files::writeNative(QFileInfo(plotFile).absoluteFilePath(),
                               plotFormat == QLatin1String("svg") ? picture.svg() : picture.png(), plotFile);
        } catch (const FileError &e) {
            err << "zovt-schedule: " << e.what() << Qt::endl;
            return 1;
        }
    }
    if (writeTimings && !writeTimings->empty())
        out << writeTimings->summary() << Qt::endl;
    return r.problems.isEmpty() ? 0 : 2;
}
