// The meaning of device texts, and the device simulator driven by the real
// serial component: its stable path beside Wine's links, its log, and the
// port it must not leave locked.

#include "app/SimulatorProcess.h"
#include "device/CommandMeaning.h"
#include "device/PortPath.h"
#include "device/VaComm.h"
#include "storage/Paths.h"
#include "storage/WinPath.h"
#include "support/TempDrive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

using namespace zovt;
using zovt::test::TempDrive;

Q_DECLARE_METATYPE(zovt::CommandKind)

namespace {

QString devsimPath() { return QStringLiteral(ZOVT_BINARY_DIR "/tools/zovt-devsim"); }

QStringList logLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The texts of the received-text lines, as shown: time of day, gap, text, meaning.
QStringList textsIn(const QStringList &lines)
{
    static const QRegularExpression re(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d +(first|\\+\\d+\\.\\d\\d\\d s)  (\\S+) \u2192 "));
    QStringList out;
    for (const QString &l : lines)
        if (const auto m = re.match(l); m.hasMatch())
            out << m.captured(2);
    return out;
}

QString stablePath(int port)
{
    return qEnvironmentVariable("XDG_STATE_HOME") + QStringLiteral("/zovt/devsim-com%1").arg(port);
}

// Whether the terminal behind path is marked for exclusive use. The test runs
// as root or as the user, so it can open the terminal either way: as root past
// the mark, as a user only when there is none.
bool markedExclusive(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == EBUSY;
    int on = 0;
    const bool marked = ::ioctl(fd, TIOCGEXCL, &on) == 0 && on != 0;
    ::close(fd);
    return marked;
}

// Sends one text through the serial component, as one port cycle.
void sendText(int port, const QByteArray &text)
{
    TVaComm comm;
    comm.setCloseDelay({});
    comm.SetPortNum(port);
    comm.Open();
    comm.WriteText(text);
    comm.Close();
}

} // namespace

class TestDevsim : public QObject {
    Q_OBJECT

private slots:
    void meaning_data();
    void meaning();

    void initTestCase();
    void cleanupTestCase();

    void showsWhatTheControllerSends();
    void linkPlacement_data();
    void linkPlacement();
    void stablePathSurvivesRecreatedLink_data();
    void stablePathSurvivesRecreatedLink();
    void logIsAppendedAndASecondSimulatorRefused();
    void exclusiveUseEndsWithTheController();
    void abandonedMark_data();
    void abandonedMark();
    void followsTheRecordedFirmware();
    void startedBesideTheController_data();
    void startedBesideTheController();

private:
    bool startSim(QProcess &sim, const QStringList &args);
    QByteArray waitListening(QProcess &sim);

    QTemporaryDir m_state;
    QTemporaryDir m_locks;
};

void TestDevsim::initTestCase()
{
    // The simulators' stable paths and locks go here, never to the user's state folder.
    QVERIFY(m_state.isValid() && m_locks.isValid());
    qputenv("XDG_STATE_HOME", QFile::encodeName(m_state.path()));
    TVaComm::setLockDirectories({m_locks.path()});
}

void TestDevsim::cleanupTestCase()
{
    TVaComm::setLockDirectories({});
    qunsetenv("XDG_STATE_HOME");
}

void TestDevsim::meaning_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("newFirmware");
    QTest::addColumn<CommandKind>("kind");
    QTest::addColumn<QString>("meaning");
    const auto C = CommandKind::Command, O = CommandKind::OtherFirmware, V = CommandKind::Value, L = CommandKind::LowValue,
               I = CommandKind::Invalid;

    // Texts read differently by the two firmware variants.
    QTest::newRow("12 old") << QByteArray("12") << false << C << "old firmware: stand-by";
    QTest::newRow("12 new") << QByteArray("12") << true << C << "new firmware: night lighting yellow";
    QTest::newRow("22 old") << QByteArray("22") << false << C << "old firmware: lighting on";
    QTest::newRow("22 new") << QByteArray("22") << true << C << "new firmware: stand-by lighting yellow, brightness on";
    QTest::newRow("33 old") << QByteArray("33") << false << C << "old firmware: night";
    QTest::newRow("33 new") << QByteArray("33") << true << C << "new firmware: run lighting, constant light yellow, brightness on";
    QTest::newRow("44 old") << QByteArray("44") << false << C << "old firmware: constant light";
    QTest::newRow("44 new") << QByteArray("44") << true << C << "new firmware: run lighting, constant light orange, brightness off";
    // The rest of the vocabularies, at their edges.
    QTest::newRow("10") << QByteArray("10") << true << C << "new firmware: night lighting blue";
    QTest::newRow("13") << QByteArray("13") << true << C << "new firmware: end of playback";
    QTest::newRow("20") << QByteArray("20") << true << C << "new firmware: stand-by lighting blue, brightness on";
    QTest::newRow("27") << QByteArray("27") << true << C << "new firmware: stand-by lighting yellow, brightness off";
    QTest::newRow("30") << QByteArray("30") << true << C << "new firmware: run lighting, constant light violet, brightness on";
    QTest::newRow("45") << QByteArray("45") << true << C << "new firmware: run lighting, constant light red, brightness off";
    QTest::newRow("50") << QByteArray("50") << true << C << "new firmware: run lighting, colour blending, brightness on, slow-down on";
    QTest::newRow("51") << QByteArray("51") << true << C << "new firmware: run lighting, colour blending, brightness on, slow-down off";
    QTest::newRow("52") << QByteArray("52") << true << C << "new firmware: run lighting, colour blending, brightness off, slow-down on";
    QTest::newRow("53") << QByteArray("53") << true << C << "new firmware: run lighting, colour blending, brightness off, slow-down off";
    QTest::newRow("98 new") << QByteArray("98") << true << C << "new firmware: maximum (service)";
    QTest::newRow("98 old") << QByteArray("98") << false << C << "old firmware: maximum (service)";
    QTest::newRow("55") << QByteArray("55") << false << C << "old firmware: colour blending";
    QTest::newRow("66") << QByteArray("66") << false << C << "old firmware: brightness on";
    QTest::newRow("77") << QByteArray("77") << false << C << "old firmware: brightness off";
    QTest::newRow("88") << QByteArray("88") << false << C << "old firmware: slow-down on";
    QTest::newRow("99") << QByteArray("99") << false << C << "old firmware: slow-down off";
    // The start-up lighting sends the new stand-by text to old devices too.
    QTest::newRow("20 old") << QByteArray("20") << false << O
                            << "not a command of the old firmware (new firmware: stand-by lighting blue, brightness on)";
    QTest::newRow("88 new") << QByteArray("88") << true << O << "not a command of the new firmware (old firmware: slow-down on)";
    QTest::newRow("28 new") << QByteArray("28") << true << L << "0.28 Hz (below 100, never sent as a frequency)";
    // Frequency values.
    QTest::newRow("100") << QByteArray("100") << false << V << "1.00 Hz";
    QTest::newRow("783") << QByteArray("783") << true << V << "7.83 Hz";
    QTest::newRow("1000") << QByteArray("1000") << false << V << "10.00 Hz";
    // Values that a MHz or GHz row can send read two ways.
    QTest::newRow("3 MHz") << QByteArray("173205") << false << V << "1732.05 Hz or 3.000 MHz";
    QTest::newRow("0.001 MHz") << QByteArray("3162") << false << V << "31.62 Hz or 0.001 MHz";
    QTest::newRow("below any MHz row") << QByteArray("3161") << false << V << "31.61 Hz";
    QTest::newRow("1 GHz") << QByteArray("3162278") << true << V << "31622.78 Hz or 1.000 GHz";
    QTest::newRow("int max") << QByteArray("2147483647") << false << V << "21474836.47 Hz or 461168.601 GHz";
    QTest::newRow("negative") << QByteArray("-1500") << false << L << "-15.00 Hz (below 100, never sent as a frequency)";
    QTest::newRow("beyond 32 bits") << QByteArray("2147483648") << false << I << "malformed number (beyond 32 bits)";
    QTest::newRow("very long") << QByteArray(40, '9') << false << I << "malformed number (beyond 32 bits)";
    QTest::newRow("leading zero") << QByteArray("0100") << false << I << "malformed number (leading zero)";
    QTest::newRow("zero-padded command") << QByteArray("012") << false << I << "malformed number (leading zero)";
    QTest::newRow("label text") << QByteArray("I12") << false << I << "unknown text";
    QTest::newRow("terminator") << QByteArray("12\r") << false << I << "unknown text";
    QTest::newRow("minus only") << QByteArray("-") << false << I << "unknown text";
    QTest::newRow("empty") << QByteArray() << false << I << "empty text";
}

void TestDevsim::meaning()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, newFirmware);
    QFETCH(CommandKind, kind);
    QFETCH(QString, meaning);
    const CommandInfo info = describeCommand(text, newFirmware);
    QCOMPARE(info.meaning, meaning);
    QCOMPARE(int(info.kind), int(kind));
    QCOMPARE(commandMeaning(text, newFirmware), meaning);
}

bool TestDevsim::startSim(QProcess &sim, const QStringList &args)
{
    if (!QFileInfo::exists(devsimPath()))
        return false;
    sim.setProcessChannelMode(QProcess::MergedChannels);
    sim.start(devsimPath(), args);
    return sim.waitForStarted(5000);
}

QByteArray TestDevsim::waitListening(QProcess &sim)
{
    QByteArray out;
    for (int i = 0; i < 100 && !out.contains("listening on") && sim.state() == QProcess::Running; ++i) {
        sim.waitForReadyRead(100);
        out += sim.readAll();
    }
    return out;
}

void TestDevsim::showsWhatTheControllerSends()
{
    TempDrive drive;
    QTemporaryDir work;
    const QString log = work.filePath(QStringLiteral("received.log"));
    QProcess sim;
    if (!startSim(sim, {QStringLiteral("--port"), QStringLiteral("4"), QStringLiteral("--new-firmware"), QStringLiteral("--log"), log,
                        QStringLiteral("--duration"), QStringLiteral("60")}))
        QSKIP("zovt-devsim is not built");
    QByteArray out = waitListening(sim);
    const QString link = portpath::dosDeviceLink(4);
    QVERIFY2(out.contains(link.toLocal8Bit()), out.constData());
    QVERIFY2(out.contains(stablePath(4).toLocal8Bit()), out.constData());
    QCOMPARE(QFileInfo(link).symLinkTarget(), stablePath(4));
    QVERIFY(QFileInfo(stablePath(4)).canonicalFilePath().startsWith(QLatin1String("/dev/pts/")));

    const QList<QByteArray> texts{"22", "1000", "13"};
    for (int i = 0; i < texts.size(); ++i) {
        sendText(4, texts[i]);
        // The next text goes out only once this one has been logged, so the
        // simulator always sees separate bursts.
        QTRY_COMPARE_WITH_TIMEOUT(textsIn(logLines(log)).size(), i + 1, 10000);
    }

    // A writer that leaves the line as it found it: 2 stop bits.
    {
        const int fd = ::open(QFile::encodeName(link).constData(), O_RDWR | O_NOCTTY);
        QVERIFY(fd >= 0);
        termios t;
        QVERIFY(::tcgetattr(fd, &t) == 0);
        t.c_cflag |= CSTOPB;
        QVERIFY(::tcsetattr(fd, TCSANOW, &t) == 0);
        QCOMPARE(::write(fd, "98", 2), ssize_t(2));
        ::close(fd);
    }
    QTRY_COMPARE_WITH_TIMEOUT(textsIn(logLines(log)).size(), 4, 10000);

    sim.terminate();
    QVERIFY(sim.waitForFinished(10000));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
    out += sim.readAll();
    const QString shown = QString::fromUtf8(out);
    QVERIFY2(!QFileInfo(link).isSymLink(), "the link outlived the simulator");
    QVERIFY2(!QFileInfo(stablePath(4)).isSymLink(), "the stable path outlived the simulator");

    QVERIFY2(shown.contains(QStringLiteral("22 \u2192 new firmware: stand-by lighting yellow, brightness on")), qPrintable(shown));
    QVERIFY2(shown.contains(QStringLiteral("1000 \u2192 10.00 Hz")), qPrintable(shown));
    QVERIFY2(shown.contains(QStringLiteral("13 \u2192 new firmware: end of playback")), qPrintable(shown));
    QVERIFY2(QRegularExpression(QStringLiteral("\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d +\\+\\d+\\.\\d\\d\\d s  1000 ")).match(shown).hasMatch(),
             qPrintable(shown));
    // The settings the component sets pass; the stray writer's do not.
    QCOMPARE(shown.count(QStringLiteral("line settings wrong")), 1);
    QVERIFY2(shown.contains(QStringLiteral("line settings wrong for \"98\": 2 stop bits")), qPrintable(shown));

    // The log holds what the terminal showed, line for line: time of day,
    // gap, text and meaning, and the start and end lines.
    const QStringList lines = logLines(log);
    QCOMPARE(lines, shown.split(QLatin1Char('\n'), Qt::SkipEmptyParts));
    QCOMPARE(textsIn(lines), QStringList({"22", "1000", "13", "98"}));
    QVERIFY(lines.first().startsWith(QLatin1String("zovt-devsim: listening on ")));
    QCOMPARE(lines.last(), QStringLiteral("zovt-devsim: 4 texts received"));
}

void TestDevsim::linkPlacement_data()
{
    QTest::addColumn<QString>("existing"); // target of the comN link already there
    QTest::addColumn<bool>("force");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("stale link") << "/nonexistent/pts/99" << false << true;
    QTest::newRow("live device kept") << "/dev/null" << false << false;
    QTest::newRow("live device forced") << "/dev/null" << true << true;
}

void TestDevsim::linkPlacement()
{
    QFETCH(QString, existing);
    QFETCH(bool, force);
    QFETCH(bool, replaced);
    TempDrive drive;
    const QString link = portpath::dosDeviceLink(3);
    QVERIFY(QDir().mkpath(QFileInfo(link).path()));
    QVERIFY(QFile::link(existing, link));
    QStringList args{QStringLiteral("--duration"), QStringLiteral("30"), QStringLiteral("--quiet")};
    if (force)
        args << QStringLiteral("--force");
    QProcess sim;
    if (!startSim(sim, args))
        QSKIP("zovt-devsim is not built");
    if (!replaced) {
        QVERIFY(sim.waitForFinished(10000));
        QCOMPARE(sim.exitCode(), 1);
        QVERIFY(sim.readAll().contains("--force"));
        QCOMPARE(QFileInfo(link).symLinkTarget(), existing);
        return;
    }
    QVERIFY(waitListening(sim).contains("listening on"));
    QCOMPARE(QFileInfo(link).symLinkTarget(), stablePath(3));
    QVERIFY(QFileInfo(link).canonicalFilePath().startsWith(QLatin1String("/dev/pts/")));
    sim.terminate();
    QVERIFY(sim.waitForFinished(10000));
    QCOMPARE(sim.exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

void TestDevsim::stablePathSurvivesRecreatedLink_data()
{
    QTest::addColumn<QString>("wineTarget"); // what Wine's session start links comN to; "stable": the stable path
    QTest::newRow("Wine links the pinned port to the stable path") << "stable";
    QTest::newRow("Wine links its own guess; the pin leads past it") << "/dev/null";
}

void TestDevsim::stablePathSurvivesRecreatedLink()
{
    QFETCH(QString, wineTarget);
    TempDrive drive;
    const int port = 6;
    const QString stable = stablePath(port);
    if (wineTarget == QLatin1String("stable"))
        wineTarget = stable;
    // Pinned once, as the README shows: HKLM\Software\Wine\Ports, COM6 = the stable path.
    {
        QFile reg(drive.prefix() + QStringLiteral("/system.reg"));
        QVERIFY(reg.open(QIODevice::WriteOnly));
        reg.write("WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n[Software\\\\Wine\\\\Ports] 1700000000\n"
                  "\"COM6\"=\"" + QFile::encodeName(stable) + "\"\n");
    }
    const QString link = portpath::dosDeviceLink(port);
    const auto wineSessionStarts = [&] {
        QDir().mkpath(QFileInfo(link).path());
        QFile::remove(link);
        return QFile::link(wineTarget, link);
    };
    QTemporaryDir work;
    const QString log = work.filePath(QStringLiteral("devsim.log"));
    const QStringList args{QStringLiteral("--port"), QString::number(port), QStringLiteral("--log"), log,
                           QStringLiteral("--duration"), QStringLiteral("60")};

    QProcess first;
    if (!startSim(first, args))
        QSKIP("zovt-devsim is not built");
    QVERIFY(waitListening(first).contains("listening on"));
    QVERIFY(wineSessionStarts());
    QCOMPARE(portpath::devicePath(port), stable);
    sendText(port, "22");
    QTRY_COMPARE_WITH_TIMEOUT(textsIn(logLines(log)), QStringList{"22"}, 10000);
    first.terminate();
    QVERIFY(first.waitForFinished(10000));
    // Wine's link is not the simulator's to remove; the stable path leads nowhere now.
    QCOMPARE(QFileInfo(link).symLinkTarget(), wineTarget);
    QVERIFY(!QFileInfo(stable).isSymLink());

    // The next simulator gets another pseudo-terminal, the same stable path,
    // and the link Wine made stays as it is.
    QVERIFY(wineSessionStarts());
    QProcess second;
    QVERIFY(startSim(second, args));
    QVERIFY(waitListening(second).contains("listening on"));
    QCOMPARE(QFileInfo(link).symLinkTarget(), wineTarget);
    QVERIFY(QFileInfo(stable).canonicalFilePath().startsWith(QLatin1String("/dev/pts/")));
    sendText(port, "13");
    QTRY_COMPARE_WITH_TIMEOUT(textsIn(logLines(log)), QStringList({"22", "13"}), 10000);
    second.terminate();
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitCode(), 0);
}

void TestDevsim::logIsAppendedAndASecondSimulatorRefused()
{
    TempDrive drive;
    QTemporaryDir work;
    const QString log = work.filePath(QStringLiteral("devsim.log"));
    {
        QFile f(log);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("earlier session\n");
    }
    const QStringList args{QStringLiteral("--port"), QStringLiteral("7"), QStringLiteral("--log"), log,
                           QStringLiteral("--duration"), QStringLiteral("60")};
    QProcess first;
    if (!startSim(first, args))
        QSKIP("zovt-devsim is not built");
    QVERIFY(waitListening(first).contains("listening on"));
    const QString pts = QFileInfo(stablePath(7)).canonicalFilePath();

    // A second run of the run command: refused, and the first one's log and links stay.
    QProcess second;
    QVERIFY(startSim(second, args));
    QVERIFY(second.waitForFinished(10000));
    QCOMPARE(second.exitCode(), 1);
    const QByteArray refusal = second.readAll();
    QVERIFY2(refusal.contains("COM7 is already served by another zovt-devsim (pid " + QByteArray::number(first.processId()) + ")"),
             refusal.constData());
    QVERIFY(!refusal.contains("listening on"));
    QCOMPARE(QFileInfo(stablePath(7)).canonicalFilePath(), pts);
    QCOMPARE(QFileInfo(portpath::dosDeviceLink(7)).symLinkTarget(), stablePath(7));

    sendText(7, "22");
    QTRY_COMPARE_WITH_TIMEOUT(textsIn(logLines(log)), QStringList{"22"}, 10000);
    first.terminate();
    QVERIFY(first.waitForFinished(10000));

    // Once the first is gone the port is free again, and the log grows on.
    QProcess third;
    QVERIFY(startSim(third, args));
    QVERIFY(waitListening(third).contains("listening on"));
    third.terminate();
    QVERIFY(third.waitForFinished(10000));
    QCOMPARE(third.exitCode(), 0);
    const QStringList lines = logLines(log);
    QCOMPARE(lines.first(), QStringLiteral("earlier session"));
    QCOMPARE(lines.filter(QStringLiteral("listening on")).size(), 2);
    QCOMPARE(textsIn(lines), QStringList{"22"});
}

void TestDevsim::startedBesideTheController_data()
{
    QTest::addColumn<QString>("setup"); // what is at COM7 before
    QTest::addColumn<bool>("serves");
    QTest::addColumn<QString>("says");
    QTest::newRow("nothing there") << "" << true << "the device simulator zovt-devsim serves COM7";
    QTest::newRow("a real device linked") << "device" << false << "the device simulator did not start";
    QTest::newRow("not installed") << "no program" << false << "zovt-devsim is not installed";
}

// --simulator: the port leads to the simulator while the controller runs,
// a port that leads to a device is left alone, and the simulator's links go
// when it is stopped.
void TestDevsim::startedBesideTheController()
{
    QFETCH(QString, setup);
    QFETCH(bool, serves);
    QFETCH(QString, says);
    if (!QFileInfo::exists(devsimPath()))
        QSKIP("zovt-devsim is not built");
    TempDrive drive;
    QTemporaryDir work;
    if (setup == QLatin1String("device")) {
        QVERIFY(QDir().mkpath(drive.prefix() + QStringLiteral("/dosdevices")));
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), portpath::dosDeviceLink(7)));
    }
    const QString program = setup == QLatin1String("no program") ? QString() : devsimPath();
    const QString log = work.filePath(QStringLiteral("devsim.log"));
    SimulatorProcess sim;
    const QStringList said = sim.start(program, 7, log, 10000);
    QVERIFY2(said.join(QLatin1Char('\n')).contains(says), qPrintable(said.join(QLatin1Char('\n'))));
    QCOMPARE(sim.running(), serves);
    if (!serves) {
        if (setup == QLatin1String("device"))
            QCOMPARE(QFileInfo(portpath::dosDeviceLink(7)).symLinkTarget(), QStringLiteral("/dev/null"));
        return;
    }
    QVERIFY(QFileInfo(portpath::devicePath(7)).canonicalFilePath().startsWith(QLatin1String("/dev/pts/")));
    sendText(7, "22");
    QTRY_COMPARE_WITH_TIMEOUT(textsIn(logLines(log)), QStringList{"22"}, 10000);
    sim.stop();
    QVERIFY(!sim.running());
    QVERIFY(!QFileInfo(portpath::devicePath(7)).canonicalFilePath().startsWith(QLatin1String("/dev/pts/")));
}

void TestDevsim::exclusiveUseEndsWithTheController()
{
    TempDrive drive;
    QProcess sim;
    if (!startSim(sim, {QStringLiteral("--port"), QStringLiteral("8"), QStringLiteral("--duration"), QStringLiteral("60")}))
        QSKIP("zovt-devsim is not built");
    QByteArray out = waitListening(sim);
    QVERIFY(out.contains("listening on"));
    const QString stable = stablePath(8);
    const QByteArray link = QFile::encodeName(portpath::dosDeviceLink(8));

    // A controller holds the port exclusively and is killed before it can close it.
    int ready[2];
    QVERIFY(::pipe(ready) == 0);
    const pid_t controller = ::fork();
    QVERIFY(controller >= 0);
    if (controller == 0) {
        const int fd = ::open(link.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd < 0 || ::ioctl(fd, TIOCEXCL) != 0)
            ::_exit(1);
        [[maybe_unused]] const ssize_t n = ::write(ready[1], "x", 1);
        for (;;)
            ::pause();
    }
    ::close(ready[1]);
    char c = 0;
    const bool opened = ::read(ready[0], &c, 1) == 1;
    ::close(ready[0]);
    bool reaped = false;
    const auto reap = qScopeGuard([&] {
        if (!reaped) {
            ::kill(controller, SIGKILL);
            ::waitpid(controller, nullptr, 0);
        }
    });
    QVERIFY2(opened, "the stand-in controller could not open the port");
    QVERIFY(markedExclusive(stable));
    // While the controller lives, the port stays its own.
    QTest::qWait(1000);
    QVERIFY(markedExclusive(stable));

    QCOMPARE(::kill(controller, SIGKILL), 0);
    QCOMPARE(::waitpid(controller, nullptr, 0), controller);
    reaped = true;
    QTRY_VERIFY_WITH_TIMEOUT(!markedExclusive(stable), 5000);

    // The next controller's port cycle goes through.
    sendText(8, "22");
    QTRY_VERIFY_WITH_TIMEOUT((out += sim.readAll()).contains("22 \u2192 "), 10000);
    QVERIFY2(out.contains("in exclusive use by a controller that is gone; released"), out.constData());
    sim.terminate();
    QVERIFY(sim.waitForFinished(10000));
}

// Looks of the simulator, one a row: "M" the mark is on, "H" someone holds
// the port, "S" the mark was still on after the holders were looked up, "B"
// bytes arrived since the look before; the last column the looks that
// release the mark.
void TestDevsim::abandonedMark_data()
{
    QTest::addColumn<QStringList>("looks");
    QTest::addColumn<QString>("released");
    QTest::newRow("controller killed") << QStringList{"MS", "MS", "MS"} << "010";
    QTest::newRow("held all along") << QStringList{"MHS", "MHS", "MHS"} << "000";
    QTest::newRow("no mark") << QStringList{"", "", "S"} << "000";
    // A controller clears the mark and closes while its holders are looked up.
    QTest::newRow("cleared during the look") << QStringList{"M", "M", "M"} << "000";
    // Port cycles in a row: between two looks the controller wrote.
    QTest::newRow("cycles between looks") << QStringList{"MS", "MSB", "MSB", "MS"} << "0000";
    QTest::newRow("held in between") << QStringList{"MS", "MHS", "MS"} << "000";
    QTest::newRow("gone after its last write") << QStringList{"MSB", "MS", "MS"} << "001";
}

void TestDevsim::abandonedMark()
{
    QFETCH(QStringList, looks);
    QFETCH(QString, released);
    AbandonedMark mark;
    QString got;
    for (const QString &l : looks)
        got += mark.look(l.contains('M'), l.contains('H'), l.contains('S'), l.contains('B')) ? '1' : '0';
    QCOMPARE(got, released);
}

// Without a firmware option the texts are read for the firmware that the
// data folder records, looked up anew for every text.
void TestDevsim::followsTheRecordedFirmware()
{
    TempDrive drive;
    drive.put(paths::NewFirmwareFlag, QByteArray());
    QProcess sim;
    if (!startSim(sim, {QStringLiteral("--port"), QStringLiteral("6"), QStringLiteral("--duration"), QStringLiteral("60")}))
        QSKIP("zovt-devsim is not built");
    QByteArray out = waitListening(sim);
    QVERIFY2(out.contains("as the data folder records it, now new"), out.constData());
    sendText(6, "22");
    QTRY_VERIFY_WITH_TIMEOUT((out += sim.readAll()).contains("22 \u2192 "), 10000);
    QVERIFY(QFile::remove(winpath::toNative(paths::NewFirmwareFlag)));
    sendText(6, "12");
    QTRY_VERIFY_WITH_TIMEOUT((out += sim.readAll()).contains("12 \u2192 "), 10000);
    sim.terminate();
    QVERIFY(sim.waitForFinished(10000));
    const QString shown = QString::fromUtf8(out + sim.readAll());
    QVERIFY2(shown.contains(QStringLiteral("22 \u2192 new firmware: stand-by lighting yellow, brightness on")), qPrintable(shown));
    QVERIFY2(shown.contains(QStringLiteral("now records the old firmware")), qPrintable(shown));
    QVERIFY2(shown.contains(QStringLiteral("12 \u2192 old firmware: stand-by")), qPrintable(shown));
    QVERIFY2(!shown.contains(QStringLiteral("not a command")), qPrintable(shown));
}

QTEST_GUILESS_MAIN(TestDevsim)
#include "tst_devsim.moc"
