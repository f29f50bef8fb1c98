// The guardian, which sends a playback's end to the device when the
// controller dies during the playback: the end texts it is given are exactly
// what the playback's own end writes; a playback arms it from its start light
// to its end, and lighting changes meanwhile re-arm it; and the guardian
// process itself, forked by a controller that is then killed, against a
// pseudo-terminal in real time: what it writes, when, and when it keeps off
// the device.

#include "device/Guardian.h"
#include "device/UucpLock.h"
#include "device/VaComm.h"
#include "panels/LightingToggles.h"
#include "playback/PlaybackController.h"
#include "program/ProgramController.h"
#include "support/Headless.h"
#include "support/Pty.h"
#include "support/TempDrive.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <stdexcept>

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

using namespace zovt;

namespace {

QStringList shown(const QVector<EndText> &texts)
{
    QStringList out;
    for (const EndText &t : texts)
        out << QStringLiteral("%1 %2").arg(t.gapMs).arg(QString::fromLatin1(t.text));
    return out;
}

QVector<EndText> endTexts(std::initializer_list<std::pair<int, const char *>> list)
{
    QVector<EndText> out;
    for (const auto &[gap, text] : list)
        out.push_back({gap, QByteArray(text)});
    return out;
}

// ---- The controller's side, headless ----------------------------------------

// What the guard was told, in order with what the device received.
struct RecordingGuard : EndGuard {
    QStringList *log = nullptr;
    void arm(const QString &path, const QVector<EndText> &texts) override
    {
        *log << QStringLiteral("arm %1 %2").arg(path, shown(texts).join(QLatin1Char('/')));
    }
    void disarm() override { *log << QStringLiteral("disarm"); }
};

// A window after start-up, headless, with the guard bound as the program binds
// the guardian.
struct Window : test::WithDrive, test::Headless {
    ProgramController programs{ctx};
    PlaybackController playback{ctx};
    LightingToggles lighting{ctx};
    RecordingGuard guard;
    QStringList log; // device texts and the guard's messages, in order

    explicit Window(bool newFirmware)
    {
        ui.enable({"Open", "OpenZov", "OpenSBZ", "JasLED", "VykonIR", "ZpomalLED", "Wishes", "Konec"}, true);
        ui.setText(QStringLiteral("Pause"), QStringLiteral("||"));
        ui.setIndex(QStringLiteral("Kikratebar"), 1);
        ui.setChecked(QStringLiteral("VerzeSwZovT"), newFirmware);
        ctx.ops.ZakladMemoCliknul = [this] { test::selectEntry(ui, programs, ui.index(QStringLiteral("Zakladmemo"))); };
        ctx.ops.Pause = [this] { playback.Pause(); };
        ctx.ops.Konec = [] {};
        ctx.ops.protocolStart = [] {};
        ctx.ops.protocolEnd = [] {};
        guard.log = &log;
        port.setOnWrite([this](const RecordingPort::Write &w) { log << QString::fromLatin1(w.text); });
    }
};

// ---- The guardian process ----------------------------------------------------

// What the dying controller did with its guardian.
enum class Step { Arm, ArmAgain, ArmOutside, Disarm, Bye };

const QVector<EndText> kArmed = endTexts({{0, "13"}, {600, "13"}, {300, "21"}});
const QVector<EndText> kArmedAgain = endTexts({{0, "12"}, {500, "12"}});
// A frequency value among the commands: not a text of the command set.
const QVector<EndText> kOutside = endTexts({{0, "13"}, {300, "1000"}});

// A user the controller becomes when the tests run as root: root passes over
// another process's exclusive-use mark, a user does not.
constexpr uid_t kNobody = 65534;

bool dropToNobody()
{
    return ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
}

char processState(pid_t pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray s = f.readAll();
    const qsizetype close = s.lastIndexOf(')');
    return close >= 0 && close + 2 < s.size() ? s[close + 2] : 0;
}

// Waits for a child to end without reaping it: it stays a zombie.
bool waitEndedUnreaped(pid_t pid)
{
    siginfo_t info{};
    int r;
    do
        r = ::waitid(P_PID, id_t(pid), &info, WEXITED | WNOWAIT);
    while (r < 0 && errno == EINTR);
    return r == 0;
}

// Whether a process of ours (a child, or one orphaned to this subreaper) has
// ended; it is reaped then.
bool endedNow(pid_t pid)
{
    const pid_t r = ::waitpid(pid, nullptr, WNOHANG);
    if (r == pid)
        return true;
    if (r < 0 && errno == ECHILD)
        return ::kill(pid, 0) != 0 || processState(pid) == 'Z';
    return false;
}

void writeLock(const QString &dir, const QString &device, pid_t pid)
{
    QFile f(dir + QLatin1Char('/') + UucpLock::nameFor(device));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QByteArray::number(qint64(pid)).rightJustified(10, ' ') + '\n');
}

struct Arrival {
    qint64 ms;
    QByteArray text;
};

} // namespace

class TestGuardian : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void endTexts_data();
    void endTexts();
    void armingFollowsThePlayback_data();
    void armingFollowsThePlayback();
    void messages_data();
    void messages();
    void lockOfAnEndedProcess_data();
    void lockOfAnEndedProcess();
    void guardianKeepsNothingOfTheController();
    void aGuardianThatHasGoneEndsNothing();
    void controllerDies_data();
    void controllerDies();

private:
    bool m_markHolds = true; // another process's exclusive-use mark keeps the controller out
};

void TestGuardian::initTestCase()
{
    // The guardians of killed controllers come to this process, which reaps them.
    QCOMPARE(::prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0), 0);
    if (::geteuid() == 0) {
        const pid_t child = ::fork();
        if (child == 0)
            ::_exit(dropToNobody() ? 0 : 1);
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        m_markHolds = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
}

void TestGuardian::endTexts_data()
{
    QTest::addColumn<bool>("newFirmware");
    QTest::addColumn<bool>("night");
    QTest::addColumn<bool>("bright");
    QTest::addColumn<int>("standBy"); // the item of R_Stadby; -1: none
    QTest::addColumn<QStringList>("texts");

    QTest::newRow("old firmware") << false << true << true << 0 << QStringList{"0 12", "2800 12"};
    QTest::newRow("old firmware, dark, no stand-by item") << false << false << false << -1 << QStringList{"0 12", "2800 12"};
    QTest::newRow("new, bright, first stand-by")
        << true << true << true << 0 << QStringList{"0 13", "2800 13", "1800 20", "2800 20"};
    QTest::newRow("new, dim, last stand-by")
        << true << true << false << 2 << QStringList{"0 13", "2800 13", "1800 27", "2800 27"};
    // Dark: the stand-by lighting is not written at all.
    QTest::newRow("new, dark") << true << false << true << 1 << QStringList{"0 13", "2800 13"};
    // The stand-by parts fail; the "13"s are written all the same.
    QTest::newRow("new, stand-by on no item") << true << true << true << -1 << QStringList{"0 13", "2800 13"};
}

void TestGuardian::endTexts()
{
    QFETCH(bool, newFirmware);
    QFETCH(bool, night);
    QFETCH(bool, bright);
    QFETCH(int, standBy);
    QFETCH(QStringList, texts);

    test::Headless h;
    h.ui.setChecked(QStringLiteral("VerzeSwZovT"), newFirmware);
    h.ui.setIndex(QStringLiteral("R_Stadby"), standBy);
    h.state.VykonIR_Pc_Swich = night;
    h.state.JasLED_Pc_Swich = bright;
    const QVector<EndText> given = h.device.playbackEndTexts();
    QCOMPARE(shown(given), texts);

    // What the end light really writes, on the clock that paces it.
    h.device.playbackEndLight([](const std::function<void()> &part) {
        try {
            part();
        } catch (const std::range_error &) {
        }
    });
    QVector<EndText> written;
    qint64 previous = h.port.writes().isEmpty() ? 0 : h.port.writes().first().ms;
    for (const RecordingPort::Write &w : h.port.writes()) {
        written.push_back({int(w.ms - previous), w.text});
        previous = w.ms;
    }
    QCOMPARE(shown(written), shown(given));
}

void TestGuardian::armingFollowsThePlayback_data()
{
    QTest::addColumn<bool>("newFirmware");
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("click");    // an auxiliary lighting button during the playback
    QTest::addColumn<bool>("stop");        // Stop during the playback
    QTest::addColumn<QStringList>("log");

    const QString dev = QStringLiteral("/dev/ttyUSB0");
    // Armed from the start light, before the first value, until the last end text.
    QTest::newRow("old, to its end") << false << dev << QString() << false
                                     << QStringList{"44", "arm /dev/ttyUSB0 0 12/2800 12", "1000", "1000", "12", "12", "disarm"};
    QTest::newRow("old, stopped") << false << dev << QString() << true
                                  << QStringList{"44", "arm /dev/ttyUSB0 0 12/2800 12", "1000", "12", "12", "disarm"};
    // The end's texts do not change with the old firmware's toggles.
    QTest::newRow("old, brightness") << false << dev << "JasLED_Pom" << false
                                     << QStringList{"44", "arm /dev/ttyUSB0 0 12/2800 12", "1000", "77", "1000", "12", "12", "disarm"};
    QTest::newRow("new, to its end")
        << true << dev << QString() << false
        << QStringList{"30", "arm /dev/ttyUSB0 0 13/2800 13/1800 20/2800 20", "30", "1000", "1000", "13", "13", "20", "20", "disarm"};
    // Brightness off: the stand-by at the end is the dim one.
    QTest::newRow("new, brightness")
        << true << dev << "JasLED_Pom" << false
        << QStringList{"30", "arm /dev/ttyUSB0 0 13/2800 13/1800 20/2800 20", "30", "1000", "40",
                       "40", "arm /dev/ttyUSB0 0 13/2800 13/1800 25/2800 25", "1000", "13", "13", "25", "25", "disarm"};
    // Dark: no stand-by at the end any more.
    QTest::newRow("new, night")
        << true << dev << "VykonIR_Pom" << false
        << QStringList{"30", "arm /dev/ttyUSB0 0 13/2800 13/1800 20/2800 20", "30", "1000", "10",
                       "arm /dev/ttyUSB0 0 13/2800 13", "1000", "13", "13", "disarm"};
    // Slow-down changes the run lighting only: the guard is not told again.
    QTest::newRow("new, slow-down")
        << true << dev << "ZpomalLED_Pom" << false
        << QStringList{"30", "arm /dev/ttyUSB0 0 13/2800 13/1800 20/2800 20", "30", "1000", "30", "30", "1000",
                       "13", "13", "20", "20", "disarm"};
    // A port that names no device: nothing to guard.
    QTest::newRow("no device") << false << QString() << QString() << false << QStringList{"44", "1000", "1000", "12", "12"};
}

void TestGuardian::armingFollowsThePlayback()
{
    QFETCH(bool, newFirmware);
    QFETCH(QString, device);
    QFETCH(QString, click);
    QFETCH(bool, stop);
    QFETCH(QStringList, log);

    Window w(newFirmware);
    w.port.setDevicePath(device);
    w.device.setEndGuard(&w.guard);
    test::loadProgram(w.ui, w.programs, {QStringLiteral("[P1]"), test::row("a||10.000|0|Hz|0|0|30"), QStringLiteral("[STOP]")});
    test::selectEntry(w.ui, w.programs, 0);
    using Toggle = LightingToggles::Toggle;
    const QHash<QString, Toggle> toggles{{QStringLiteral("JasLED_Pom"), Toggle::Brightness},
                                         {QStringLiteral("VykonIR_Pom"), Toggle::Night},
                                         {QStringLiteral("ZpomalLED_Pom"), Toggle::SlowDown}};
    if (!click.isEmpty())
        w.at(12000, [&] { w.lighting.auxClick(toggles.value(click)); });
    if (stop)
        w.at(10000, [&] { w.playback.Stop(); });
    w.playback.Play();
    QVERIFY(!w.playback.lastFault());
    QCOMPARE(w.log, log);
}

void TestGuardian::messages_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("meaning"); // "refused", "disarm", "bye", or the arm's path and texts

    QTest::newRow("arm") << QByteArray("arm /dev/ttyS0\t0:12\t2800:12") << "/dev/ttyS0 0 12/2800 12";
    QTest::newRow("both firmware's commands") << QByteArray("arm /dev/pts/3\t0:13\t10000:98\t0:53") << "/dev/pts/3 0 13/10000 98/0 53";
    QTest::newRow("disarm") << QByteArray("disarm") << "disarm";
    QTest::newRow("bye") << QByteArray("bye") << "bye";
    QTest::newRow("a frequency value") << QByteArray("arm /dev/ttyS0\t0:12\t100:1000") << "refused";
    QTest::newRow("a command of neither firmware") << QByteArray("arm /dev/ttyS0\t0:19") << "refused";
    QTest::newRow("a command with more around it") << QByteArray("arm /dev/ttyS0\t0:012") << "refused";
    QTest::newRow("a command and a blank") << QByteArray("arm /dev/ttyS0\t0:12 ") << "refused";
    QTest::newRow("an empty text") << QByteArray("arm /dev/ttyS0\t0:") << "refused";
    QTest::newRow("no texts") << QByteArray("arm /dev/ttyS0") << "refused";
    QTest::newRow("a relative path") << QByteArray("arm ttyS0\t0:12") << "refused";
    QTest::newRow("a gap beyond the bound") << QByteArray("arm /dev/ttyS0\t10001:12") << "refused";
    QTest::newRow("a negative gap") << QByteArray("arm /dev/ttyS0\t-1:12") << "refused";
    QTest::newRow("no gap") << QByteArray("arm /dev/ttyS0\t12") << "refused";
    QTest::newRow("a carriage return") << QByteArray("bye\r") << "refused";
    QByteArray many("arm /dev/ttyS0");
    for (int i = 0; i <= Guardian::kMaxTexts; ++i)
        many += "\t0:12";
    QTest::newRow("more texts than the bound") << many << "refused";
}

void TestGuardian::messages()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, meaning);

    const Guardian::Message m = Guardian::parse(line);
    switch (m.kind) {
    case Guardian::Message::Kind::Arm:
        QCOMPARE(QString::fromLatin1(m.devicePath) + QLatin1Char(' ') + shown(m.texts).join(QLatin1Char('/')), meaning);
        // What the controller says is what the guardian reads.
        QCOMPARE(Guardian::armMessage(QString::fromLatin1(m.devicePath), m.texts), line);
        break;
    case Guardian::Message::Kind::Disarm:
        QCOMPARE(QStringLiteral("disarm"), meaning);
        break;
    case Guardian::Message::Kind::Bye:
        QCOMPARE(QStringLiteral("bye"), meaning);
        break;
    case Guardian::Message::Kind::Refused:
        QCOMPARE(QStringLiteral("refused"), meaning);
        break;
    }
}

void TestGuardian::lockOfAnEndedProcess_data()
{
    QTest::addColumn<QString>("holder");
    QTest::addColumn<bool>("stale");

    QTest::newRow("running") << "running" << false;
    // Killed and not yet reaped by its parent: it still answers kill(pid, 0).
    QTest::newRow("zombie") << "zombie" << true;
    QTest::newRow("reaped") << "reaped" << true;
}

void TestGuardian::lockOfAnEndedProcess()
{
    QFETCH(QString, holder);
    QFETCH(bool, stale);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const pid_t child = ::fork();
    if (child == 0) {
        ::pause();
        ::_exit(0);
    }
    QVERIFY(child > 0);
    if (holder != QLatin1String("running")) {
        ::kill(child, SIGKILL);
        QVERIFY(waitEndedUnreaped(child));
        if (holder == QLatin1String("reaped"))
            QCOMPARE(::waitpid(child, nullptr, 0), child);
        else
            QCOMPARE(processState(child), 'Z');
    }
    writeLock(dir.path(), QStringLiteral("/dev/ttyS0"), child);
    const auto state = UucpLock::inspect(dir.path() + QStringLiteral("/LCK..ttyS0"), std::time(nullptr));
    if (holder != QLatin1String("reaped")) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
    QCOMPARE(state, stale ? UucpLock::State::Stale : UucpLock::State::Held);
}

void TestGuardian::guardianKeepsNothingOfTheController()
{
    test::Pty pty; // descriptors of this process, which the guardian must not keep
    QVERIFY2(pty.isOpen(), qPrintable(pty.error()));
    Guardian g;
    QVERIFY(g.start("tst_guardian"));
    const pid_t pid = g.pid();
    const auto name = [pid] {
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        return comm.open(QIODevice::ReadOnly) ? comm.readAll().trimmed() : QByteArray();
    };
    // Every descriptor but /dev/null, as "fd kind".
    const auto kept = [pid] {
        QStringList out;
        const QString dir = QStringLiteral("/proc/%1/fd").arg(pid);
        for (const QString &fd : QDir(dir).entryList(QDir::System | QDir::NoDotAndDotDot)) {
            char target[256];
            const ssize_t n = ::readlink(QFile::encodeName(dir + QLatin1Char('/') + fd).constData(), target, sizeof target);
            const QByteArray t(target, n > 0 ? qsizetype(n) : 0);
            if (t != "/dev/null")
                out << fd + QLatin1Char(' ') + QString::fromLatin1(t.left(t.indexOf(':')));
        }
        return out;
    };
    // Both are set as the guardian begins.
    QTRY_COMPARE_WITH_TIMEOUT(name(), QByteArray("zovt-guardian"), 2000);
    QTRY_COMPARE_WITH_TIMEOUT(kept(), QStringList{QStringLiteral("3 socket")}, 2000);
    // Away from this process's session: the terminal's signals do not reach it.
    QVERIFY(::getsid(pid) != ::getsid(0));
    // bye and the pipe's end: it ends at once, and is reaped.
    g.farewell();
    QCOMPARE(g.pid(), pid_t(-1));
    QVERIFY(!g.running());
}

void TestGuardian::aGuardianThatHasGoneEndsNothing()
{
    Guardian g;
    QVERIFY(g.start("tst_guardian"));
    const pid_t pid = g.pid();
    QCOMPARE(::kill(pid, SIGKILL), 0);
    QCOMPARE(::waitpid(pid, nullptr, 0), pid);
    // The writes find the pipe broken: neither a signal that would end this
    // process nor a wait, and the guardian counts as gone.
    QElapsedTimer took;
    took.start();
    g.arm(QStringLiteral("/dev/ttyS0"), kArmed);
    g.disarm();
    g.farewell();
    QVERIFY(took.elapsed() < 100);
    QVERIFY(!g.running());
}

void TestGuardian::controllerDies_data()
{
    QTest::addColumn<bool>("holdsPort");   // the controller holds the lock and the device as it dies
    QTest::addColumn<QList<int>>("steps"); // Step values, what it did with the guardian before
    QTest::addColumn<bool>("otherHolder"); // a live process holds the device's lock
    QTest::addColumn<int>("clearMarkAt");  // ms after the death the dead controller's mark goes; -1: never
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<bool>("lockLeft");    // the other holder's, or the dead controller's the guardian never looked at

    const auto steps = [](std::initializer_list<Step> s) {
        QList<int> out;
        for (Step x : s)
            out << int(x);
        return out;
    };
    const QStringList armed = shown(kArmed);
    // The device is held open by whoever serves it, so the dead controller's
    // exclusive-use mark stays until that side notices, as the simulator does.
    QTest::newRow("killed during a playback") << true << steps({Step::Arm}) << false << 300 << armed << false;
    QTest::newRow("killed before it opened the port") << false << steps({Step::Arm}) << false << -1 << armed << false;
    QTest::newRow("armed again") << true << steps({Step::Arm, Step::ArmAgain}) << false << 300 << shown(kArmedAgain) << false;
    QTest::newRow("a refused arm keeps the one before")
        << true << steps({Step::Arm, Step::ArmOutside}) << false << 300 << armed << false;
    QTest::newRow("disarmed") << true << steps({Step::Arm, Step::Disarm}) << false << 300 << QStringList() << true;
    QTest::newRow("said bye") << true << steps({Step::Arm, Step::Bye}) << false << 300 << QStringList() << true;
    QTest::newRow("never armed") << true << steps({}) << false << 300 << QStringList() << true;
    QTest::newRow("a text outside the command set") << false << steps({Step::ArmOutside}) << false << -1 << QStringList() << false;
    QTest::newRow("the lock of another live process") << false << steps({Step::Arm}) << true << -1 << QStringList() << true;
    // The guardian gives up within its bound, gives the lock back and ends.
    QTest::newRow("the mark never goes") << true << steps({Step::Arm}) << false << -1 << QStringList() << false;
}

void TestGuardian::controllerDies()
{
    QFETCH(bool, holdsPort);
    QFETCH(QList<int>, steps);
    QFETCH(bool, otherHolder);
    QFETCH(int, clearMarkAt);
    QFETCH(QStringList, texts);
    QFETCH(bool, lockLeft);

    if (holdsPort && !m_markHolds)
        QSKIP("the exclusive-use mark binds no process here (root, and no other user to become)");

    QTemporaryDir locks;
    QVERIFY(locks.isValid());
    QVERIFY(::chmod(QFile::encodeName(locks.path()).constData(), 0777) == 0);
    UucpLock::setDirectories({locks.path()});
    struct RestoreLockDirs {
        ~RestoreLockDirs() { UucpLock::setDirectories({}); }
    } restore;

    test::Pty pty;
    QVERIFY2(pty.isOpen(), qPrintable(pty.error()));
    const QString slave = pty.slavePath();
    QVERIFY(::chmod(QFile::encodeName(slave).constData(), 0666) == 0 || ::geteuid() != 0);
    // Line settings the guardian must put right before it writes.
    termios wrong = pty.settings();
    cfsetispeed(&wrong, B1200);
    cfsetospeed(&wrong, B1200);
    wrong.c_lflag |= ECHO | ICANON;
    QVERIFY(pty.setSettings(wrong));

    pid_t other = -1;
    if (otherHolder) {
        char sleepName[] = "sleep", seconds[] = "60";
        char *argv[] = {sleepName, seconds, nullptr};
        QCOMPARE(::posix_spawnp(&other, "sleep", nullptr, nullptr, argv, environ), 0);
        writeLock(locks.path(), slave, other);
    }
    struct EndOther {
        pid_t &pid;
        ~EndOther()
        {
            if (pid > 0) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, nullptr, 0);
            }
        }
    } endOther{other};

    int ready[2];
    QCOMPARE(::pipe2(ready, O_CLOEXEC), 0);
    const pid_t controller = ::fork();
    if (controller == 0) {
        // The controller: its guardian, the port as the serial component
        // leaves it during a playback, what it tells the guardian, then it waits
        // for its death.
        ::close(ready[0]);
        if (::geteuid() == 0 && m_markHolds && !dropToNobody())
            ::_exit(2);
        Guardian guardian;
        if (!guardian.start("tst_guardian"))
            ::_exit(3);
        const pid_t guardianPid = guardian.pid();
        if (holdsPort) {
            auto *lock = new UucpLock; // held until the kill
            const int fd = lock->acquire(slave) == 0 ? ::open(QFile::encodeName(slave).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK) : -1;
            if (fd < 0 || ::ioctl(fd, TIOCEXCL) != 0 || ::write(fd, "1000", 4) != 4)
                ::_exit(4);
        }
        for (int s : steps) {
            switch (Step(s)) {
            case Step::Arm:
                guardian.arm(slave, kArmed);
                break;
            case Step::ArmAgain:
                guardian.arm(slave, kArmedAgain);
                break;
            case Step::ArmOutside:
                guardian.arm(slave, kOutside);
                break;
            case Step::Disarm:
                guardian.disarm();
                break;
            case Step::Bye:
                guardian.farewell();
                break;
            }
        }
        if (::write(ready[1], &guardianPid, sizeof guardianPid) != ssize_t(sizeof guardianPid))
            ::_exit(5);
        for (;;)
            ::pause();
    }
    ::close(ready[1]);
    QVERIFY(controller > 0);
    // However the row ends, the controller does not outlive it.
    struct EndController {
        pid_t pid;
        ~EndController()
        {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    } endController{controller};
    pid_t guardianPid = -1;
    pollfd p{ready[0], POLLIN, 0};
    const bool started = ::poll(&p, 1, 10000) == 1 && ::read(ready[0], &guardianPid, sizeof guardianPid) == ssize_t(sizeof guardianPid);
    ::close(ready[0]);
    QVERIFY2(started, "the controller did not start");
    if (holdsPort)
        QCOMPARE(pty.read(4, 2000), QByteArray("1000"));

    // Killed; its parent (this process) does not reap it until the end, so
    // it stays a zombie meanwhile, with its lock in place.
    QElapsedTimer sinceDeath;
    sinceDeath.start();
    ::kill(controller, SIGKILL);
    QVERIFY(waitEndedUnreaped(controller));

    QVector<Arrival> got;
    qint64 lastByte = -1000;
    bool guardianEnded = false;
    bool markCleared = false;
    const qint64 limit = Guardian::kBusyRetryMs + 8000;
    while (sinceDeath.elapsed() < limit) {
        if (clearMarkAt >= 0 && !markCleared && sinceDeath.elapsed() >= clearMarkAt) {
            ::ioctl(pty.slaveFd(), TIOCNXCL);
            markCleared = true;
        }
        if (pty.waitReadable(10)) {
            const QByteArray bytes = pty.readAvailable();
            const qint64 now = sinceDeath.elapsed();
            // A text is a burst; the next comes hundreds of milliseconds later.
            if (now - lastByte > 100)
                got.push_back({now, bytes});
            else
                got.back().text += bytes;
            lastByte = now;
            continue;
        }
        if (guardianEnded)
            break;
        guardianEnded = endedNow(guardianPid);
    }
    const qint64 guardianTook = sinceDeath.elapsed();
    QVERIFY2(guardianEnded, "the guardian outlived its controller");

    QStringList arrived;
    for (const Arrival &a : got)
        arrived << QString::fromLatin1(a.text);
    QStringList expected;
    for (const QString &t : texts)
        expected << t.section(QLatin1Char(' '), 1);
    QCOMPARE(arrived, expected);
    if (texts.isEmpty()) {
        if (holdsPort && clearMarkAt < 0)
            QVERIFY2(guardianTook >= Guardian::kBusyRetryMs, "gave up on the busy device too soon");
    } else {
        // The first text as soon as the device can be had; the others with their gaps.
        const qint64 from = std::max<qint64>(holdsPort ? clearMarkAt : 0, Guardian::kQuietMs);
        QVERIFY2(got.first().ms >= from && got.first().ms <= from + 1500,
                 qPrintable(QStringLiteral("first text %1 ms after the death").arg(got.first().ms)));
        for (qsizetype i = 1; i < got.size(); ++i) {
            const qint64 gap = got[i].ms - got[i - 1].ms;
            const int want = texts[i].section(QLatin1Char(' '), 0, 0).toInt();
            QVERIFY2(gap >= want - 30 && gap <= want + 400,
                     qPrintable(QStringLiteral("text %1: %2 ms after the one before, not %3").arg(i).arg(gap).arg(want)));
        }
        QVERIFY2(lineSettingsProblems(pty.settings()).isEmpty(),
                 qPrintable(lineSettingsProblems(pty.settings()).join(QStringLiteral(", "))));
        // The exclusive-use mark and the lock are given back.
        QVERIFY(!pty.exclusive());
    }
    // The dead controller's lock goes once the guardian has taken the device,
    // the guardian's own with it.
    QCOMPARE(QDir(locks.path()).entryList(QDir::Files), lockLeft ? QStringList{UucpLock::nameFor(slave)} : QStringList());
}

QTEST_GUILESS_MAIN(TestGuardian)
#include "tst_guardian.moc"
