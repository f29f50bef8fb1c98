// The schedule picture of a very long program, each figure against its goal.
//
//   bench_scheduleplot                 both scenarios
//   bench_scheduleplot reduce          the picture alone: a run of 1,000,000
//                                      rows fed as the preview reports it,
//                                      reduced, laid out and drawn as PNG
//   bench_scheduleplot tool [EXE]      zovt-schedule on a generated file of one
//                                      program of 1,000,000 rows, without and
//                                      with --plot: the whole preview's time
//                                      and what the picture adds
//
// EXE defaults to the zovt-schedule beside this build's tools. The generated
// file goes to a temporary folder and is removed afterwards.

#include "playback/SchedulePlot.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

extern char **environ;

using namespace zovt;

namespace {

constexpr int kRows = 1000000;

double peakMiB()
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0;
}

double cpuMs()
{
    timespec ts {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

void verdict(const char *what, double value, const char *unit, double goal)
{
    std::printf("  %-52s %10.1f %-3s (goal %g: %s)\n", what, value, unit, goal, value <= goal ? "met" : "MISSED");
}

// A row's level: slow drifts, a kHz plateau, one short spike; one value per
// row of a second, as the device receives them.
double levelOf(int row, qint32 &unit)
{
    unit = 1;
    if (row == kRows * 6 / 10) {
        unit = 1000000;
        return 1e6;
    }
    if ((row / (kRows / 10)) % 5 == 3) {
        unit = 1000;
        return 2000.0 + row % 3000;
    }
    return 100.0 + double(row % 80000) / 1000.0;
}

int reduce()
{
    std::printf("the picture of one program of 1,000,000 rows, fed as the preview reports it\n");
    const double before = peakMiB();
    const double cpu0 = cpuMs();
    QElapsedTimer wall;
    wall.start();
    ScheduleTraces traces;
    ScheduleProgram p{1, QStringLiteral("[Million]"), kRows, 0, 0};
    traces.programStarted(p);
    const QString name = QStringLiteral("Row");
    qint64 t = 0;
    for (int r = 1; r <= kRows; ++r) {
        qint32 unit = 1;
        const double hz = levelOf(r, unit);
        traces.rowStarted({1, r, name, t});
        traces.written({t, QByteArray("1000"), QString(), hz, unit});
        t += 2300;
    }
    traces.written({t, QByteArray("12"), QString(), 0, 0});
    p.endMs = t + 2800;
    traces.programEnded(p);
    const double fedMs = cpuMs() - cpu0;
    const SchedulePlot plot(traces, QStringLiteral("million.txt"));
    const QByteArray png = plot.png();
    const double allMs = cpuMs() - cpu0;
    std::printf("  %d spans of %lld ms, %d shapes, PNG of %lld bytes, %.0f ms wall\n",
                traces.panels().front().trace.spansUsed(), traces.panels().front().trace.spanMs(),
                int(plot.shapes().size()), qint64(png.size()), double(wall.elapsed()));
    verdict("CPU to reduce 1,000,000 rows", fedMs, "ms", 1000);
    verdict("CPU to reduce, lay out and draw the PNG", allMs, "ms", 5000);
    verdict("memory added by the picture", peakMiB() - before, "MiB", 50);
    return 0;
}

struct Run {
    double wallS = 0;
    double cpuS = 0;
    double peakMiB = 0;
    int status = -1;
};

// Runs exe with args, its output thrown away; times and peak memory its own.
Run runTool(const QString &exe, const QStringList &args)
{
    std::vector<QByteArray> bytes{exe.toLocal8Bit()};
    for (const QString &a : args)
        bytes.push_back(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    Run out;
    QElapsedTimer wall;
    wall.start();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return out;
    }
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage use {};
    if (wait4(pid, &status, 0, &use) == pid) {
        out.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        out.wallS = double(wall.nsecsElapsed()) / 1e9;
        out.cpuS = double(use.ru_utime.tv_sec + use.ru_stime.tv_sec) + double(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
        out.peakMiB = double(use.ru_maxrss) / 1024.0;
    }
    return out;
}

int tool(QString exe)
{
    if (exe.isEmpty())
        exe = QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/zovt-schedule");
    if (!QFileInfo(exe).isExecutable()) {
        std::printf("  no zovt-schedule at %s\n", qPrintable(exe));
        return 1;
    }
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/million.txt");
    {
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        f.write("[Million rows]\r\n");
        QByteArray block;
        for (int r = 1; r <= kRows; ++r) {
            qint32 unit = 1;
            const double hz = levelOf(r, unit);
            const char *name = unit == 1 ? "Hz" : unit == 1000 ? "kHz" : "MHz";
            block += QStringLiteral("Row %1\t\t%2\t0\t%3\t0\t0\t%4\r\n")
                         .arg(r)
                         .arg(hz / unit, 0, 'f', 3)
                         .arg(QLatin1String(name))
                         .arg(r % 3)
                         .toLatin1();
            if (block.size() > (1 << 20)) {
                f.write(block);
                block.clear();
            }
        }
        block += "[STOP]\r\n";
        f.write(block);
    }
    std::printf("zovt-schedule on one program of 1,000,000 rows\n");
    const Run text = runTool(exe, {file});
    const Run plot = runTool(exe, {file, QStringLiteral("--plot"), dir.path() + QStringLiteral("/million.png")});
    if (text.status != 0 || plot.status != 0) {
        std::printf("  zovt-schedule failed: exit %d and %d\n", text.status, plot.status);
        return 1;
    }
    std::printf("  text only:   %7.1f s wall, %7.1f s CPU, %7.1f MiB peak\n", text.wallS, text.cpuS, text.peakMiB);
    std::printf("  with --plot: %7.1f s wall, %7.1f s CPU, %7.1f MiB peak\n", plot.wallS, plot.cpuS, plot.peakMiB);
    verdict("wall time of the preview with the picture", plot.wallS, "s", 5);
    verdict("CPU the picture adds", plot.cpuS - text.cpuS, "s", 5);
    verdict("peak memory with the picture", plot.peakMiB, "MiB", 500);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const QString which = args.value(1);
    int failed = 0;
    if (which.isEmpty() || which == QLatin1String("reduce"))
        failed += reduce();
    if (which.isEmpty() || which == QLatin1String("tool"))
        failed += tool(args.value(2));
    return failed ? 1 : 0;
}
