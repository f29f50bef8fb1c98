// The large-file paths on the real window's controls (offscreen): listing,
// selecting and playing files far beyond what the companions write, each
// figure printed against its goal. Every scenario runs in a process of its
// own so that its peak memory is its own; the files are generated into a
// temporary drive C: and removed afterwards.
//
//   bench_files            all scenarios, one line each
//   bench_files NAME       one scenario (what the parent runs per line)

#include "app/Application.h"
#include "core/Clock.h"
#include "core/ControlSurface.h"
#include "core/Dialogs.h"
#include "core/Form19Names.h"
#include "core/WindowState.h"
#include "device/PortLink.h"
#include "device/VaComm.h"
#include "device/VaCommPort.h"
#include "device/WriteTimings.h"
#include "playback/PlaybackController.h"
#include "program/ProgramController.h"
#include "storage/Paths.h"
#include "storage/TextCodec.h"
#include "storage/WinPath.h"
#include "ui/MainWindow.h"
#include "ui/MainWindowDesign.h"
#include "ui/WidgetSurface.h"

#include "support/Pty.h"
#include "support/TempDrive.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <poll.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

using namespace zovt;

namespace {

// Counts the texts; calls onWrite after each.
class CountingPort : public PortLink {
public:
    void setPortNum(int n) override { m_n = n; }
    int portNum() const override { return m_n; }
    void open() override {}
    void close() override {}
    void write(const QByteArray &) override
    {
        ++writes;
        if (onWrite)
            onWrite();
    }
    void checkPresent() override {}
    bool active() const override { return false; }

    int writes = 0;
    std::function<void()> onWrite;

private:
    int m_n = 3;
};

double peakMiB()
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0;
}

double msSince(const QElapsedTimer &t) { return double(t.nsecsElapsed()) / 1e6; }

double cpuMs()
{
    timespec ts {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// A handler's duration: on a shared machine the wall time holds the other
// users' load too, so the goals are judged on the CPU time it took.
struct Took {
    double wallMs = 0;
    double cpuMs = 0;
};

// Writes the file a block of lines at a time, in Windows-1250 with CR LF, so
// that generating does not raise the peak.
class FileWriter {
public:
    explicit FileWriter(const QString &winPath) : m_file(winpath::toNative(winPath))
    {
        QDir().mkpath(QFileInfo(m_file).path());
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write %s", qPrintable(m_file.fileName()));
    }
    void add(const QString &line)
    {
        m_block.append(line);
        if (m_block.size() >= 4096)
            flush();
    }
    void flush()
    {
        m_file.write(text::encode(m_block, text::Encoding::Ansi));
        m_block.clear();
    }
    // A line of ASCII text with count copies of fill in its middle, written
    // a piece at a time.
    void addLong(const QByteArray &head, char fill, qint64 count, const QByteArray &tail)
    {
        flush();
        m_file.write(head);
        const QByteArray piece(1 << 20, fill);
        for (qint64 left = count; left > 0; left -= piece.size())
            m_file.write(piece.constData(), std::min<qint64>(left, piece.size()));
        m_file.write(tail + "\r\n");
    }
    ~FileWriter() { flush(); }

private:
    QFile m_file;
    QStringList m_block;
};

QString row(int r, int p)
{
    if (r % 4 == 3)
        return QStringLiteral("Band %1\t%2.250\t%3.750\t0.500\tkHz\t0\t2\t0").arg(r).arg(r % 900).arg(r % 900 + 40);
    return QStringLiteral("Step %1\t\t%2.%3\t0\tHz\t0\t1\t30").arg(r).arg(100 + p % 900).arg(r % 1000, 3, 10, QLatin1Char('0'));
}

const QString kProgram = QStringLiteral("C:\\Zov_Tool Data\\Program\\Big.txt");

// The whole program on the real window's controls, without a port.
struct Rig {
    test::TempDrive drive;
    VirtualClock clock;
    std::unique_ptr<TForm19> window;
    std::unique_ptr<WidgetSurface> ui;
    CountingPort port;
    ScriptedDialogs dialogs; // unanswered: every question is No, no file is chosen
    std::unique_ptr<Application> app;

    Rig()
    {
        drive.installPictures();
        window = std::make_unique<TForm19>();
        ui = std::make_unique<WidgetSurface>(window.get(), design::mainWindowControls());
        app = std::make_unique<Application>(clock, *ui, port, dialogs);
        clock.setErrorSink({});
        ui->setText(f19::PRSAdresaPresmerovani, paths::DefaultExportRoot);
        window->show();
        QApplication::processEvents();
    }

    // One handler and the paint after it: the longest the window stands still.
    Took handler(const std::function<void()> &f)
    {
        QElapsedTimer t;
        const double cpu0 = cpuMs();
        t.start();
        app->run("bench", f);
        QApplication::processEvents();
        return {msSince(t), cpuMs() - cpu0};
    }

    Took open()
    {
        drive.put(paths::ProgramHandOff, text::encode({kProgram}, text::Encoding::Ansi));
        return handler([this] { app->program().Open(); });
    }

    Took select(int entry)
    {
        ui->setIndex(f19::Zakladmemo, entry);
        return handler([this] { app->program().ZakladMemoCliknul(); });
    }
};

void verdict(const char *what, double value, const char *unit, double goal)
{
    std::printf("  %-46s %10.1f %-4s goal <= %-8g %s\n", what, value, unit, goal, value <= goal ? "ok" : "MISSED");
}

void verdict(const char *what, const Took &took, double goal)
{
    verdict(what, took.cpuMs, "ms", goal);
    std::printf("  %-46s %10.1f ms\n", "  (wall time on this machine)", took.wallMs);
}

// The listing cases: a generated file, the entry selected (-1: the last) and
// the goals (no listing goal: 0). Every case must stay below the same stall.
struct ListCase {
    const char *name;
    const char *title;
    void (*generate)();
    int entry;
    double listGoalMs;
    double memGoalMiB;
};
constexpr double kStallGoalMs = 1000;

// Lists a file and selects an entry; stall and memory against their goals.
int listAndSelect(const ListCase &c)
{
    std::printf("%s\n", c.title);
    Rig rig;
    c.generate();
    std::printf("  peak memory before opening: %.1f MiB\n", peakMiB());
    const Took listed = rig.open();
    const int entries = rig.ui->lineCount(f19::Zakladmemo);
    const Took selected = rig.select(c.entry < 0 ? entries - 1 : c.entry);
    std::printf("  %d entries, %d rows selected\n", entries, rig.app->state().PocetRadkfr);
    if (c.listGoalMs > 0)
        verdict("open and list, CPU", listed, c.listGoalMs);
    verdict("longest stall (list or select, paint), CPU", listed.cpuMs > selected.cpuMs ? listed : selected,
            kStallGoalMs);
    verdict("peak memory", peakMiB(), "MiB", c.memGoalMiB);
    return 0;
}

// Plays rows of one second until 100 of them are sent (a row of no duration
// has no tick that could see Stop). The pace is the CPU time from the first
// row's write to the hundredth's, per row; what Play does once for the whole
// program before its first row (totals over every row, the display) is
// reported apart, as 'startMs'.
struct Pace {
    double perRowMs = 0;
    double startMs = 0;
};

Pace playPace(int rows)
{
    Rig rig;
    {
        FileWriter f(kProgram);
        f.add(QStringLiteral("[Long]"));
        for (int r = 0; r < rows; ++r)
            f.add(QStringLiteral("Row %1\t\t%2.000\t0\tHz\t0\t0\t1").arg(r).arg(100 + r % 500));
        f.add(QStringLiteral("[STOP]"));
    }
    rig.open();
    rig.select(0);
    constexpr int kRows = 100;
    int rowWrites = 0;
    double firstRow = 0;
    double lastRow = 0;
    // Stop as its button does, at the hundredth row's write; the row's tick
    // sees it. The lighting sent before the first row
    // leaves FrqCOM empty.
    rig.port.onWrite = [&] {
        if (rig.app->state().engine.FrqCOM.isEmpty())
            return;
        ++rowWrites;
        if (rowWrites == 1)
            firstRow = cpuMs();
        if (rowWrites == kRows) {
            lastRow = cpuMs();
            rig.app->playback().Stop();
        }
    };
    const double cpu0 = cpuMs();
    rig.app->run("Play", [&rig] { rig.app->playback().Play(); });
    if (rowWrites > kRows + 10)
        std::printf("  the playback ran on past its stop: %d rows written\n", rowWrites);
    return {(lastRow - firstRow) / (kRows - 1), firstRow - cpu0};
}

// Moments, in ns of the steady clock, at which bytes came out of the other
// end of a pseudo-terminal; read by a thread of its own while it runs.
class FarEnd {
public:
    explicit FarEnd(int fd)
        : m_reader([this, fd] {
              while (!m_stop.load()) {
                  pollfd p{fd, POLLIN, 0};
                  if (::poll(&p, 1, 50) <= 0)
                      continue;
                  char buf[256];
                  if (::read(fd, buf, sizeof buf) > 0)
                      m_arrivals.push_back(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                               std::chrono::steady_clock::now().time_since_epoch())
                                               .count());
              }
          })
    {
    }
    // The arrivals, once the reader has stopped.
    const std::vector<qint64> &stop()
    {
        m_stop = true;
        if (m_reader.joinable())
            m_reader.join();
        return m_arrivals;
    }
    ~FarEnd() { stop(); }

private:
    std::atomic<bool> m_stop{false};
    std::vector<qint64> m_arrivals;
    std::thread m_reader;
};

// The real clock, the real port on a pseudo-terminal: how long the program
// itself takes from a timer's wake to the write() call, over the writes of a
// short playback (rows of zero duration: one write a row). How long the call
// took and when the text came out at the other end are shown beside it: under
// load the call can return late although the text was taken at once.
int tickPath()
{
    test::TempDrive drive;
    drive.installPictures();
    test::Pty pty;
    if (!pty.isOpen()) {
        std::printf("  no pseudo-terminal: %s\n", qPrintable(pty.error()));
        return 1;
    }
    pty.linkAsCom(3);
    {
        FileWriter f(kProgram);
        f.add(QStringLiteral("[Ticks]"));
        for (int r = 0; r < 15; ++r)
            f.add(QStringLiteral("Row %1\t\t%2.000\t0\tHz\t0\t0\t0").arg(r).arg(100 + r));
        f.add(QStringLiteral("[STOP]"));
    }
    QtClock clock;
    TForm19 window;
    WidgetSurface ui(&window, design::mainWindowControls());
    VaCommPort port(clock);
    port.setPortNum(3);
    ScriptedDialogs dialogs; // unanswered: every question is No, no file is chosen
    Application app(clock, ui, port, dialogs);
    ui.setText(f19::PRSAdresaPresmerovani, paths::DefaultExportRoot);
    window.show();
    drive.put(paths::ProgramHandOff, text::encode({kProgram}, text::Encoding::Ansi));
    app.run("Open", [&app] { app.program().Open(); });
    ui.setIndex(f19::Zakladmemo, 0);
    app.run("select", [&app] { app.program().ZakladMemoCliknul(); });

    WriteTimings timings;
    std::vector<qint64> arrivals;
    {
        FarEnd farEnd(pty.masterFd());
        app.run("Play", [&app] { app.playback().Play(); });
        arrivals = farEnd.stop();
    }
    if (timings.empty()) {
        std::printf("  nothing was written\n");
        return 1;
    }
    std::printf("  %d writes\n", int(timings.samples().size()));
    const WriteTimings::Spread own = timings.wakeToCall();
    verdict("timer's wake to the write() call, median", own.medianMs, "ms", 0.5);
    verdict("timer's wake to the write() call, max", own.maxMs, "ms", 2);
    const WriteTimings::Spread call = timings.call();
    std::printf("  the write() call itself: median %.2f ms, max %.2f ms (the kernel's share)\n", call.medianMs,
                call.maxMs);
    // Writes are a second apart: the first arrival after a call is its text.
    std::vector<qint64> late;
    for (const WriteTiming &t : timings.samples()) {
        const auto a = std::lower_bound(arrivals.begin(), arrivals.end(), t.calledNs);
        if (a != arrivals.end())
            late.push_back(*a - t.calledNs);
    }
    if (!late.empty()) {
        std::sort(late.begin(), late.end());
        std::printf("  text out at the other end after the call: median %.2f ms, max %.2f ms\n",
                    double(late[late.size() / 2]) / 1e6, double(late.back()) / 1e6);
    }
    return 0;
}

const ListCase kListCases[] = {
    {"list", "5,000 programs of 100 rows",
     [] {
         FileWriter f(kProgram);
         for (int p = 0; p < 5000; ++p) {
             f.add(QStringLiteral("[Program %1 Žluťoučký]").arg(p));
             for (int r = 0; r < 100; ++r)
                 f.add(row(r, p));
         }
         f.add(QStringLiteral("[STOP]"));
     },
     -1, 500, 100},
    {"rows", "one program of 1,000,000 rows",
     [] {
         FileWriter f(kProgram);
         f.add(QStringLiteral("[Million]"));
         for (int r = 0; r < 1000000; ++r)
             f.add(row(r, r / 100));
         f.add(QStringLiteral("[STOP]"));
     },
     0, 0, 500},
    {"longrow", "one row whose name is 50,000,000 characters",
     [] {
         FileWriter f(kProgram);
         f.add(QStringLiteral("[Long row]"));
         f.addLong({}, 'n', 50000000, "\t\t10.000\t0\tHz\t0\t1\t0");
         f.add(QStringLiteral("[STOP]"));
     },
     0, 0, 500},
    {"longheader", "one header line of 64 MiB",
     [] {
         FileWriter f(kProgram);
         // The largest file the program reads: 64 MiB, line end included.
         f.addLong("[", 'h', 64 * 1024 * 1024 - 4, "]");
     },
     0, 0, 500},
    {"programs", "1,000,000 programs of one row",
     [] {
         FileWriter f(kProgram);
         for (int p = 0; p < 1000000; ++p) {
             f.add(QStringLiteral("[P%1]").arg(p));
             f.add(row(p, p));
         }
         f.add(QStringLiteral("[STOP]"));
     },
     -1, 0, 500},
};

int scenario(const QString &name)
{
    for (const ListCase &c : kListCases)
        if (name == QLatin1String(c.name))
            return listAndSelect(c);
    if (name == QLatin1String("play")) {
        std::printf("playing 100 rows of one second on the virtual clock\n");
        const Pace small = playPace(1000);
        const Pace large = playPace(100000);
        std::printf("  CPU per row: 1,000-row program %.2f ms; 100,000-row program %.2f ms\n", small.perRowMs,
                    large.perRowMs);
        std::printf("  CPU from Play to the first row, once per playback: %.1f ms and %.1f ms\n", small.startMs,
                    large.startMs);
        verdict("100,000 rows against 1,000 rows (per cent)", 100.0 * large.perRowMs / small.perRowMs, "%", 150);
        return 0;
    }
    if (name.startsWith(QLatin1String("play:"))) {
        // One program size alone, for finding where the pace goes.
        const Pace pace = playPace(name.mid(5).toInt());
        std::printf("  CPU per row: %.2f ms; from Play to the first row: %.1f ms\n", pace.perRowMs, pace.startMs);
        return 0;
    }
    if (name == QLatin1String("tick")) {
        std::printf("one tick's path from the timer to the port (real clock, pseudo-terminal)\n");
        return tickPath();
    }
    std::fprintf(stderr, "bench_files: no scenario \"%s\"\n", qPrintable(name));
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 1)
        return scenario(args.at(1));

    int failed = 0;
    std::vector<const char *> names;
    for (const ListCase &c : kListCases)
        names.push_back(c.name);
    names.insert(names.end(), {"play", "tick"});
    for (const char *name : names) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(name)});
        child.waitForFinished(-1);
        if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
            std::printf("  scenario %s failed\n", name);
            ++failed;
        }
        std::fflush(stdout);
    }
    return failed ? 1 : 0;
}
