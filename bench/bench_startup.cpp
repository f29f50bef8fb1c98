// The operator's wait at a start: from the moment the controller is executed
// to the program list filled and the buttons enabled, timed from outside on
// the real zovt-generator (the start-up sequence, its port cycle against the
// device simulator, the pictures, Qt and its fonts, all of it).
//
// Two cases, each started several times in one scratch Wine prefix: no
// program handed over (the base start), and the 5,000 × 100 program file
// handed over (the base plus the file's part). New firmware is chosen, so the
// start-up cycle only opens and closes the port, as on today's devices.
//
// The controller prints its start marks (ZOVT_START_MARKS) with the machine's
// monotonic clock; the figures are each mark's distance from the moment just
// before fork, and the peak resident memory of the whole child process.
//
//   bench_startup [--runs N] [--platform NAME]     (defaults: 5, offscreen)

#include "BigProgramFile.h"

#include "storage/Paths.h"
#include "storage/TextCodec.h"
#include "storage/WinPath.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QStringList>
#include <QTemporaryDir>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

extern char **environ;

using namespace zovt;

namespace {

constexpr int kPort = 27;
constexpr int kMarkBoundMs = 60000;
const char *const kMarks[] = {"main", "qt", "window", "listed", "idle"};

qint64 monotonicNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

std::vector<std::string> environmentWith(const std::vector<std::string> &extra)
{
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e) {
        const std::string s(*e);
        const bool replaced = std::any_of(extra.begin(), extra.end(), [&](const std::string &x) {
            return s.compare(0, x.find('=') + 1, x, 0, x.find('=') + 1) == 0;
        });
        if (!replaced)
            env.push_back(s);
    }
    env.insert(env.end(), extra.begin(), extra.end());
    return env;
}

std::vector<char *> pointers(std::vector<std::string> &strings)
{
    std::vector<char *> p;
    for (std::string &s : strings)
        p.push_back(s.data());
    p.push_back(nullptr);
    return p;
}

pid_t spawn(std::vector<std::string> args, std::vector<std::string> env, int stderrTo)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stderrTo >= 0)
        posix_spawn_file_actions_adddup2(&actions, stderrTo, STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char *> argv = pointers(args);
    std::vector<char *> envp = pointers(env);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        qFatal("cannot start %s: %s", argv[0], std::strerror(rc));
    return pid;
}

// The simulator of a new-firmware device at kPort of the prefix, until stopped.
class Simulator {
public:
    Simulator(const QString &prefix)
    {
        const QString state = prefix + QStringLiteral("/state");
        QDir().mkpath(state);
        m_pid = spawn({ZOVT_DEVSIM, "--port", std::to_string(kPort), "--new-firmware", "--quiet"},
                      environmentWith({"WINEPREFIX=" + prefix.toStdString(), "XDG_STATE_HOME=" + state.toStdString()}),
                      -1);
        const QString link = prefix + QStringLiteral("/dosdevices/com%1").arg(kPort);
        for (int i = 0; i < 100 && !QFileInfo(link).isSymLink(); ++i)
            usleep(50000);
        if (!QFileInfo(link).isSymLink())
            qFatal("the device simulator did not serve COM%d", kPort);
    }
    ~Simulator()
    {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }

private:
    pid_t m_pid;
};

struct Run {
    QMap<QString, double> marksMs; // mark -> ms from just before fork
    double peakMiB = 0;
};

// One start of the controller, until its event loop has turned once; then an
// orderly end through SIGTERM.
Run startOnce(const QString &prefix, const char *platform)
{
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        qFatal("pipe: %s", std::strerror(errno));
    const std::vector<std::string> env = environmentWith(
        {"WINEPREFIX=" + prefix.toStdString(), "ZOVT_START_MARKS=1", std::string("QT_QPA_PLATFORM=") + platform});
    const qint64 t0 = monotonicNs();
    const pid_t pid = spawn({ZOVT_GENERATOR}, env, pipeFds[1]);
    close(pipeFds[1]);

    Run run;
    std::string pending;
    const qint64 bound = t0 + qint64(kMarkBoundMs) * 1000000;
    while (!run.marksMs.contains(QStringLiteral("idle")) && monotonicNs() < bound) {
        pollfd p{pipeFds[0], POLLIN, 0};
        if (poll(&p, 1, 200) <= 0)
            continue;
        char buf[4096];
        const ssize_t n = read(pipeFds[0], buf, sizeof buf);
        if (n <= 0)
            break;
        pending.append(buf, size_t(n));
        for (size_t eol; (eol = pending.find('\n')) != std::string::npos; pending.erase(0, eol + 1)) {
            char name[32];
            long long ns = 0;
            if (std::sscanf(pending.c_str(), "zovt-generator: start mark %31s at %lld", name, &ns) == 2)
                run.marksMs.insert(QString::fromLatin1(name), double(ns - t0) / 1e6);
            else
                std::fprintf(stderr, "  controller: %s\n", pending.substr(0, eol).c_str());
        }
    }
    kill(pid, SIGTERM);
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) < 0)
        qFatal("wait4: %s", std::strerror(errno));
    close(pipeFds[0]);
    run.peakMiB = usage.ru_maxrss / 1024.0;
    if (!run.marksMs.contains(QStringLiteral("listed")))
        qFatal("the controller did not finish starting within %d ms", kMarkBoundMs);
    return run;
}

void writeLines(const QString &windowsPath, const QStringList &lines)
{
    QFile f(winpath::toNative(windowsPath));
    QDir().mkpath(QFileInfo(f).path());
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(f.fileName()));
    f.write(text::encode(lines, text::Encoding::Ansi));
}

QString loadAverage()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()).section(QLatin1Char(' '), 0, 2) : QString();
}

void printSpread(const char *what, std::vector<double> v, const char *unit)
{
    std::sort(v.begin(), v.end());
    std::printf("  %-34s min %8.1f  median %8.1f  max %8.1f %s\n", what, v.front(), v[v.size() / 2], v.back(), unit);
}

void runCase(const char *title, const QString &program, int runs, const char *platform, double goalMs, double goalMiB)
{
    QTemporaryDir prefix;
    qputenv("WINEPREFIX", prefix.path().toLocal8Bit());
    winpath::ensureDriveC();
    writeLines(paths::ComNrFile, {QString::number(kPort)});
    writeLines(paths::NewFirmwareFlag, {});
    if (!program.isEmpty())
        bench::writeBigProgramFile(winpath::toNative(program));
    Simulator simulator(prefix.path());

    std::vector<Run> all;
    for (int i = 0; i < runs + 1; ++i) {
        if (program.isEmpty())
            QFile::remove(winpath::toNative(paths::ProgramHandOff));
        else
            writeLines(paths::ProgramHandOff, {program});
        Run r = startOnce(prefix.path(), platform);
        // The first start lays the pictures into the data folder; the
        // operator's everyday start is the one after.
        if (i > 0)
            all.push_back(r);
    }
    std::printf("%s (%d starts after a first one, %s):\n", title, runs, platform);
    for (const char *mark : kMarks) {
        std::vector<double> v;
        for (const Run &r : all)
            v.push_back(r.marksMs.value(QString::fromLatin1(mark)));
        printSpread(qPrintable(QStringLiteral("exec to mark \"%1\"").arg(QLatin1String(mark))), v, "ms");
    }
    std::vector<double> listed, peak;
    for (const Run &r : all) {
        listed.push_back(r.marksMs.value(QStringLiteral("listed")));
        peak.push_back(r.peakMiB);
    }
    printSpread("peak resident memory", peak, "MiB");
    std::sort(listed.begin(), listed.end());
    std::sort(peak.begin(), peak.end());
    if (goalMs > 0)
        std::printf("  goal: listed <= %g ms and <= %g MiB (medians): %s\n", goalMs, goalMiB,
                    listed[listed.size() / 2] <= goalMs && peak[peak.size() / 2] <= goalMiB ? "ok" : "MISSED");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int runs = 5;
    const char *platform = "offscreen";
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--runs") && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--platform") && i + 1 < argc)
            platform = argv[++i];
        else {
            std::fprintf(stderr, "usage: bench_startup [--runs N] [--platform NAME]\n");
            return 2;
        }
    }
    std::printf("load average before: %s\n", qPrintable(loadAverage()));
    runCase("no program handed over", QString(), runs, platform, 0, 0);
    runCase("5,000 programs x 100 rows handed over", QStringLiteral("C:\\Zov_Tool Data\\Program\\Big.txt"), runs,
            platform, 500, 100);
    std::printf("load average after: %s\n", qPrintable(loadAverage()));
    return 0;
}
