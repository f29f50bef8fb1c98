// The serial component against a real pseudo-terminal: the bytes on the line,
// the line settings left on the terminal, exclusivity, the error texts and the
// close behaviour.

#include "core/Clock.h"
#include "device/PortPath.h"
#include "device/VaCommPort.h"
#include "device/VaComm.h"
#include "device/WritePriority.h"
#include "device/WriteTimings.h"
#include "support/Processes.h"
#include "support/Pty.h"
#include "support/TempDrive.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <memory>

#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

using namespace zovt;
using zovt::test::Pty;
using zovt::test::TempDrive;

namespace {

constexpr int kPort = 3;

QString sysText(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

QByteArray lockContent(long pid) { return QByteArray::number(qint64(pid)).rightJustified(10, ' ') + '\n'; }

// The old binary form: the pid as a native int.
QByteArray binaryLock(long pid)
{
    const int v = int(pid);
    return QByteArray(reinterpret_cast<const char *>(&v), sizeof v);
}

// Gives a file the modification time of ageSeconds ago.
bool age(const QString &path, int ageSeconds)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite) && !QFileInfo(path).isDir())
        return false;
    const QDateTime when = QDateTime::currentDateTime().addSecs(-ageSeconds);
    if (QFileInfo(path).isDir()) {
        const struct timespec times[2] = {{when.toSecsSinceEpoch(), 0}, {when.toSecsSinceEpoch(), 0}};
        return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
    }
    return f.setFileTime(when, QFileDevice::FileModificationTime);
}

termios goodSettings()
{
    termios t;
    std::memset(&t, 0, sizeof t);
    t.c_cflag = CS8 | CREAD | CLOCAL;
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    return t;
}

} // namespace

class TestVaComm : public QObject {
    Q_OBJECT

private slots:
    void writePriorityIsTakenAndGivenBack();
    void init();
    void cleanup();

    void writesExactBytes_data();
    void writesExactBytes();
    void writeOnClosedPort();
    void setsLineSettings();
    void lineSettingsProblems_data();
    void lineSettingsProblems();

    void devicePath();
    void openErrors_data();
    void openErrors();
    void refusedWhileOpen();
    void secondComponentIsRefused();
    void lockFiles_data();
    void lockFiles();
    void lockFallsBackToWritableDirectory();
    void undeletableLockIsBusy();
    void lockKeptForTheWholeRun();
    void lockNames();

    void closeDelay();
    void defaultCloseDelaySleeps();
    void destructionClosesAndUnlocks();
    void fullQueueRaisesAfterTimeout();
    void deviceGoneBetweenCycles();
    void adapterPluggedOutAndBackIn();
    void deviceLookedUpOncePerPlayback_data();
    void deviceLookedUpOncePerPlayback();
    void lockLostDuringAPlaybackIsTakenAgainAfterIt();
    void writesAreTimedFromTheClocksWake();
    void deviceGoneIsReported_data();
    void deviceGoneIsReported();

private:
    TVaComm &port();
    QString lockPath() const { return m_lockDir->path() + QLatin1Char('/') + TVaComm::lockName(m_pty->slavePath()); }

    std::unique_ptr<TempDrive> m_drive;
    std::unique_ptr<QTemporaryDir> m_lockDir;
    std::unique_ptr<Pty> m_pty;
    std::unique_ptr<TVaComm> m_port;
    QString m_link;
    QList<int> m_delays;
};

void TestVaComm::init()
{
    m_drive = std::make_unique<TempDrive>();
    m_lockDir = std::make_unique<QTemporaryDir>();
    TVaComm::setLockDirectories({m_lockDir->path()});
    m_pty = std::make_unique<Pty>();
    QVERIFY2(m_pty->isOpen(), qPrintable(m_pty->error()));
    m_link = m_pty->linkAsCom(kPort);
    QVERIFY(!m_link.isEmpty());
    m_delays.clear();
}

void TestVaComm::cleanup()
{
    m_port.reset();
    m_pty.reset();
    TVaComm::setLockDirectories({});
    m_lockDir.reset();
    m_drive.reset();
}

TVaComm &TestVaComm::port()
{
    if (!m_port) {
        m_port = std::make_unique<TVaComm>();
        m_port->setCloseDelay([this](int ms) { m_delays << ms; });
        m_port->SetPortNum(kPort);
    }
    return *m_port;
}

void TestVaComm::writesExactBytes_data()
{
    QTest::addColumn<QList<QByteArray>>("texts");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("two-digit command") << QList<QByteArray>{"12"} << QByteArray("\x31\x32", 2);
    QTest::newRow("value") << QList<QByteArray>{"1000"} << QByteArray("1000");
    QTest::newRow("several texts run together") << QList<QByteArray>{"22", "88", "66"} << QByteArray("228866");
    QTest::newRow("empty text sends nothing") << QList<QByteArray>{""} << QByteArray();
    QTest::newRow("line ends pass untranslated") << QList<QByteArray>{"1\n2\r"} << QByteArray("1\n2\r");
    QTest::newRow("full queue in one text") << QList<QByteArray>{QByteArray(TVaComm::kWriteSize, '7')}
                                            << QByteArray(TVaComm::kWriteSize, '7');
}

void TestVaComm::writesExactBytes()
{
    QFETCH(QList<QByteArray>, texts);
    QFETCH(QByteArray, line);
    port().Open();
    for (const QByteArray &t : texts)
        QVERIFY(port().WriteText(t));
    port().Close();
    // Close drains the queue, so everything is on the line by now.
    QCOMPARE(m_pty->readAvailable(), line);
}

void TestVaComm::writeOnClosedPort()
{
    QVERIFY(!port().WriteText(QByteArray("12")));
    QVERIFY(port().WriteText(QByteArray()));
    port().Open();
    QVERIFY(port().WriteText(QStringLiteral("98")));
    port().Close();
    QVERIFY(!port().WriteText("55"));
    QCOMPARE(m_pty->readAvailable(), QByteArray("98"));
}

void TestVaComm::setsLineSettings()
{
    // Start from a terminal set up the opposite way wherever a pty keeps it.
    termios t = m_pty->settings();
    t.c_cflag |= CSTOPB | CRTSCTS;
    t.c_cflag &= ~tcflag_t(CLOCAL);
    t.c_iflag |= IXON | IXOFF | ICRNL;
    t.c_oflag |= OPOST;
    t.c_lflag |= ICANON | ECHO | ISIG;
    cfsetispeed(&t, B1200);
    cfsetospeed(&t, B1200);
    QVERIFY(m_pty->setSettings(t));
    QVERIFY(!zovt::lineSettingsProblems(m_pty->settings()).isEmpty());

    port().Open();
    const termios s = m_pty->settings();
    QCOMPARE(cfgetospeed(&s), speed_t(B9600));
    QCOMPARE(cfgetispeed(&s), speed_t(B9600));
    QCOMPARE(s.c_cflag & CSIZE, tcflag_t(CS8));
    QCOMPARE(s.c_cflag & (PARENB | CSTOPB | CRTSCTS), tcflag_t(0));
    QCOMPARE(s.c_cflag & (CREAD | CLOCAL), tcflag_t(CREAD | CLOCAL));
    QCOMPARE(s.c_iflag & (IXON | IXOFF | ICRNL | INLCR | IGNCR | ISTRIP), tcflag_t(0));
    QCOMPARE(s.c_oflag & OPOST, tcflag_t(0));
    QCOMPARE(s.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), tcflag_t(0));
    QCOMPARE(int(s.c_cc[VMIN]), 0);
    QCOMPARE(int(s.c_cc[VTIME]), 0);
    QVERIFY(m_pty->exclusive());

    port().Close();
    // The settings stay with the device; the exclusive mark does not.
    QCOMPARE(zovt::lineSettingsProblems(m_pty->settings()), QStringList());
    QVERIFY(!m_pty->exclusive());
}

void TestVaComm::lineSettingsProblems_data()
{
    QTest::addColumn<int>("change");
    QTest::addColumn<QString>("problem");
    enum { None, Speed, Size, Parity, Stop, NoRead, NoLocal, Rts, XonOut, XonIn, Canon, Echo, Post, Crlf };
    QTest::newRow("right") << int(None) << QString();
    QTest::newRow("speed") << int(Speed) << "speed is not 9600 bit/s";
    QTest::newRow("7 bits") << int(Size) << "not 8 data bits";
    QTest::newRow("parity") << int(Parity) << "parity on";
    QTest::newRow("2 stop bits") << int(Stop) << "2 stop bits";
    QTest::newRow("receiver off") << int(NoRead) << "receiver off";
    QTest::newRow("modem lines") << int(NoLocal) << "modem-control lines not ignored";
    QTest::newRow("rts/cts") << int(Rts) << "RTS/CTS flow control on";
    QTest::newRow("xon out") << int(XonOut) << "XON/XOFF output flow control on";
    QTest::newRow("xon in") << int(XonIn) << "XON/XOFF input flow control on";
    QTest::newRow("canonical") << int(Canon) << "canonical (line) input on";
    QTest::newRow("echo") << int(Echo) << "echo on";
    QTest::newRow("opost") << int(Post) << "output post-processing on";
    QTest::newRow("crlf") << int(Crlf) << "input characters translated";
}

void TestVaComm::lineSettingsProblems()
{
    QFETCH(int, change);
    QFETCH(QString, problem);
    termios t = goodSettings();
    switch (change) {
    case 1: cfsetospeed(&t, B19200); break;
    case 2: t.c_cflag = (t.c_cflag & ~tcflag_t(CSIZE)) | CS7; break;
    case 3: t.c_cflag |= PARENB; break;
    case 4: t.c_cflag |= CSTOPB; break;
    case 5: t.c_cflag &= ~tcflag_t(CREAD); break;
    case 6: t.c_cflag &= ~tcflag_t(CLOCAL); break;
    case 7: t.c_cflag |= CRTSCTS; break;
    case 8: t.c_iflag |= IXON; break;
    case 9: t.c_iflag |= IXOFF; break;
    case 10: t.c_lflag |= ICANON; break;
    case 11: t.c_lflag |= ECHO; break;
    case 12: t.c_oflag |= OPOST; break;
    case 13: t.c_iflag |= ICRNL; break;
    default: break;
    }
    QCOMPARE(zovt::lineSettingsProblems(t), problem.isEmpty() ? QStringList() : QStringList{problem});
}

void TestVaComm::devicePath()
{
    const QString dos = m_drive->prefix() + QStringLiteral("/dosdevices/");
    // A machine without serial nodes: numbers without a link name nothing.
    QTemporaryDir noDevices;
    portpath::setDeviceRoot(noDevices.path());
    QCOMPARE(portpath::devicePath(kPort), m_link);
    QCOMPARE(portpath::devicePath(7), dos + QStringLiteral("com7"));
    QCOMPARE(portpath::devicePath(1), dos + QStringLiteral("com1"));
    QVERIFY(QFile::link(QStringLiteral("/nonexistent/ttyUSB9"), dos + QStringLiteral("com8")));
    QCOMPARE(portpath::devicePath(8), dos + QStringLiteral("com8"));
    QCOMPARE(portpath::devicePath(0), dos + QStringLiteral("com0"));
    QCOMPARE(portpath::devicePath(-2), dos + QStringLiteral("com-2"));
    portpath::setDeviceRoot(QString());
}

void TestVaComm::openErrors_data()
{
    QTest::addColumn<int>("portNum");
    QTest::addColumn<QString>("setup");
    QTest::addColumn<int>("err"); // 0: the device is missing

    QTest::newRow("link to a missing device") << 7 << "dangling" << 0;
    QTest::newRow("port 0") << 0 << "" << 0;
    QTest::newRow("negative port") << -2 << "" << 0;
    QTest::newRow("not a terminal") << 5 << "file" << int(ENOTTY);
    QTest::newRow("a folder") << 6 << "folder" << int(EISDIR);
}

void TestVaComm::openErrors()
{
    QFETCH(int, portNum);
    QFETCH(QString, setup);
    QFETCH(int, err);
    const QString path = portpath::dosDeviceLink(portNum);
    const QString message = err == 0 ? QStringLiteral("Specified device not found (%1).").arg(path)
                                     : QStringLiteral("Can't open specified device ") + path
                                           + QStringLiteral(" (Error %1, %2)").arg(err).arg(sysText(err));
    if (setup == QLatin1String("dangling"))
        QVERIFY(QFile::link(QStringLiteral("/nonexistent/ttyUSB0"), path));
    else if (setup == QLatin1String("file")) {
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    else if (setup == QLatin1String("folder"))
        QVERIFY(QDir().mkpath(path));

    TVaComm &p = port();
    p.SetPortNum(portNum);
    QCOMPARE(p.DeviceName(), path);
    try {
        p.Open();
        QFAIL("Open succeeded");
    } catch (const EVaCommError &e) {
        QCOMPARE(e.message(), message);
    }
    QVERIFY(!p.Active());
    QCOMPARE(QDir(m_lockDir->path()).entryList(QDir::Files), QStringList());
    if (setup == QLatin1String("file"))
        QCOMPARE(QFileInfo(path).size(), 0); // opened, never written
    // The component is usable again afterwards.
    p.SetPortNum(kPort);
    p.Open();
    QVERIFY(p.Active());
}

void TestVaComm::refusedWhileOpen()
{
    const QString refused = QStringLiteral("Can't perform this operation while port is open");
    port().Open();
    try {
        port().Open();
        QFAIL("second Open succeeded");
    } catch (const EVaCommError &e) {
        QCOMPARE(e.message(), refused);
    }
    try {
        port().SetPortNum(4);
        QFAIL("SetPortNum succeeded while open");
    } catch (const EVaCommError &e) {
        QCOMPARE(e.message(), refused);
    }
    QCOMPARE(port().PortNum(), kPort);
    QVERIFY(port().Active());
    port().Close();
    port().SetPortNum(4);
    QCOMPARE(port().PortNum(), 4);
}

void TestVaComm::secondComponentIsRefused()
{
    port().Open();
    TVaComm other;
    other.setCloseDelay({});
    other.SetPortNum(kPort);
    try {
        other.Open();
        QFAIL("a second component opened a port in use");
    } catch (const EVaCommError &e) {
        QCOMPARE(e.message(), QStringLiteral("Can't open specified device %1 (Error %2, %3)").arg(m_link).arg(EBUSY).arg(sysText(EBUSY)));
    }
    QVERIFY(!other.Active());
    // The refused open must not have disturbed the holder.
    QVERIFY(QFile::exists(lockPath()));
    QVERIFY(m_pty->exclusive());
    port().WriteText("44");
    port().Close();
    QCOMPARE(m_pty->readAvailable(), QByteArray("44"));
    other.Open();
    QVERIFY(other.Active());
}

void TestVaComm::lockFiles_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("inSecondDir");
    QTest::addColumn<int>("ageSeconds");
    QTest::addColumn<bool>("busy");
    QTest::newRow("live owner") << lockContent(long(::getppid())) << false << 0 << true;
    QTest::newRow("live owner, old lock") << lockContent(long(::getppid())) << false << 3600 << true;
    QTest::newRow("live owner in a fallback dir") << lockContent(long(::getppid())) << true << 0 << true;
    QTest::newRow("this process") << lockContent(long(::getpid())) << false << 0 << true;
    QTest::newRow("dead owner") << lockContent(test::deadPid()) << false << 0 << false;
    QTest::newRow("dead owner in a fallback dir") << lockContent(test::deadPid()) << true << 0 << false;
    QTest::newRow("binary pid, live owner") << binaryLock(long(::getppid())) << false << 0 << true;
    QTest::newRow("binary pid, dead owner") << binaryLock(test::deadPid()) << false << 0 << false;
    // Maybe still being written, or a form not known here: busy until clearly old.
    QTest::newRow("garbage") << QByteArray("not a pid\n") << false << 0 << true;
    QTest::newRow("pid with more after it") << QByteArray("  12 34\n") << false << 0 << true;
    QTest::newRow("empty") << QByteArray() << false << 0 << true;
    QTest::newRow("empty, in a fallback dir") << QByteArray() << true << 0 << true;
    QTest::newRow("garbage, a minute old") << QByteArray("not a pid\n") << false << 61 << false;
    QTest::newRow("empty, a minute old") << QByteArray() << false << 61 << false;
}

void TestVaComm::lockFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, inSecondDir);
    QFETCH(int, ageSeconds);
    QFETCH(bool, busy);
    QTemporaryDir second;
    TVaComm::setLockDirectories({m_lockDir->path(), second.path()});
    const QString name = TVaComm::lockName(m_pty->slavePath());
    const QString planted = (inSecondDir ? second.path() : m_lockDir->path()) + QLatin1Char('/') + name;
    {
        QFile f(planted);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    if (ageSeconds)
        QVERIFY(age(planted, ageSeconds));
    try {
        port().Open();
        QVERIFY2(!busy, "opened a port locked by a live process");
    } catch (const EVaCommError &e) {
        QVERIFY2(busy, qPrintable(e.message()));
        QCOMPARE(e.message(), QStringLiteral("Can't open specified device %1 (Error %2, %3)").arg(m_link).arg(EBUSY).arg(sysText(EBUSY)));
        QVERIFY(!port().Active());
        QVERIFY(!m_pty->exclusive());
        QFile f(planted);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), content); // someone else's lock stays untouched
        // ...and no second lock appeared beside it.
        QCOMPARE(QDir(inSecondDir ? m_lockDir->path() : second.path()).entryList(QDir::Files), QStringList());
        return;
    }
    // A stale lock was replaced by ours, in the first directory.
    QCOMPARE(port().lockFile(), lockPath());
    QFile f(lockPath());
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), lockContent(long(::getpid())));
    QVERIFY(!QFile::exists(second.path() + QLatin1Char('/') + name));
    port().Close();
    QVERIFY(!QFile::exists(lockPath()));
}

void TestVaComm::lockFallsBackToWritableDirectory()
{
    const QString missing = m_lockDir->path() + QStringLiteral("/no-such-dir");
    TVaComm::setLockDirectories({missing, m_lockDir->path()});
    port().Open();
    QCOMPARE(port().lockFile(), lockPath());
    QVERIFY(QFile::exists(lockPath()));
    port().Close();
    QVERIFY(!QFile::exists(lockPath()));

    // No directory takes a lock: the open fails and leaves nothing behind.
    TVaComm::setLockDirectories({missing});
    try {
        port().Open();
        QFAIL("opened without a lock");
    } catch (const EVaCommError &e) {
        QCOMPARE(e.message(), QStringLiteral("Can't open specified device %1 (Error %2, %3)").arg(m_link).arg(ENOENT).arg(sysText(ENOENT)));
    }
    QVERIFY(!port().Active());
    QVERIFY(!m_pty->exclusive());
}

// A stale lock that cannot be removed still keeps the device: no second
// lock is made for it in another directory.
void TestVaComm::undeletableLockIsBusy()
{
    QTemporaryDir second;
    TVaComm::setLockDirectories({m_lockDir->path(), second.path()});
    // Root may remove any file; nobody removes a folder with unlink.
    QVERIFY(QDir().mkpath(lockPath()));
    QVERIFY(age(lockPath(), 3600));
    try {
        port().Open();
        QFAIL("opened a port whose lock could not be removed");
    } catch (const EVaCommError &e) {
        QCOMPARE(e.message(), QStringLiteral("Can't open specified device %1 (Error %2, %3)").arg(m_link).arg(EBUSY).arg(sysText(EBUSY)));
    }
    QVERIFY(!port().Active());
    QCOMPARE(QDir(second.path()).entryList(QDir::Files), QStringList());
}

// A controller keeps its port's lock from its first open until it ends, so
// that a second controller is refused when it starts, not between two
// cycles of a playback.
void TestVaComm::lockKeptForTheWholeRun()
{
    VirtualClock clock;
    {
        VaCommPort controller(clock);
        controller.setPortNum(kPort);
        controller.open();
        controller.write("44");
        controller.close();
        QVERIFY(QFile::exists(lockPath()));
        QVERIFY(!m_pty->exclusive());

        TVaComm other;
        other.setCloseDelay({});
        other.SetPortNum(kPort);
        QVERIFY_THROWS_EXCEPTION(EVaCommError, other.Open());
        QVERIFY(QFile::exists(lockPath()));

        controller.open(); // its own lock does not keep it out
        controller.write("12");
        controller.close();
        QCOMPARE(m_pty->readAvailable(), QByteArray("4412"));
    }
    QVERIFY(!QFile::exists(lockPath()));
    // Without keeping, the lock goes with the close.
    port().Open();
    port().Close();
    QVERIFY(!QFile::exists(lockPath()));
}

void TestVaComm::lockNames()
{
    const QString slave = m_pty->slavePath();
    QVERIFY(slave.startsWith(QLatin1String("/dev/pts/")));
    const QString expected = QStringLiteral("LCK..pts_") + slave.mid(9);
    QCOMPARE(TVaComm::lockName(slave), expected);
    QCOMPARE(TVaComm::lockName(m_link), expected); // the link locks the device behind it
    QCOMPARE(TVaComm::lockName(QStringLiteral("/dev/ttyS0")), QStringLiteral("LCK..ttyS0"));
    QCOMPARE(TVaComm::lockName(QStringLiteral("/dev/serial/by-id/usb-x")).left(5), QStringLiteral("LCK.."));
}

void TestVaComm::closeDelay()
{
    port().Close();
    QCOMPARE(m_delays, QList<int>());
    port().Open();
    port().Close();
    QCOMPARE(m_delays, QList<int>{300});
    port().Close();
    QCOMPARE(m_delays, QList<int>{300});
}

void TestVaComm::defaultCloseDelaySleeps()
{
    TVaComm p;
    p.SetPortNum(kPort);
    QElapsedTimer t;
    t.start();
    p.Close();
    QVERIFY(t.elapsed() < 100);
    p.Open();
    t.restart();
    p.Close();
    QVERIFY2(t.elapsed() >= 300, qPrintable(QString::number(t.elapsed())));
}

void TestVaComm::destructionClosesAndUnlocks()
{
    auto p = std::make_unique<TVaComm>();
    int delays = 0;
    p->setCloseDelay([&](int) { ++delays; });
    p->SetPortNum(kPort);
    p->Open();
    QVERIFY(QFile::exists(lockPath()));
    QVERIFY(m_pty->exclusive());
    p->WriteText("13");
    p.reset();
    QCOMPARE(delays, 1);
    QCOMPARE(m_pty->readAvailable(), QByteArray("13"));
    QVERIFY(!QFile::exists(lockPath()));
    QVERIFY(!m_pty->exclusive());
}

void TestVaComm::fullQueueRaisesAfterTimeout()
{
    // Nobody reads the master: the terminal's buffer fills, then the queue.
    port().Open();
    QByteArray accepted;
    QElapsedTimer t;
    qint64 lastCall = 0;
    bool raised = false;
    for (int i = 0; i < 1000 && !raised; ++i) {
        const QByteArray text = QByteArray::number(i).rightJustified(600, char('a' + i % 26));
        t.start();
        try {
            port().WriteText(text);
            accepted += text;
        } catch (const EVaCommError &e) {
            QCOMPARE(e.message(), QStringLiteral("Output buffer is full. Please check comm status."));
            raised = true;
        }
        lastCall = t.elapsed();
    }
    QVERIFY(raised);
    QVERIFY2(lastCall >= TVaComm::kWriteTimeoutMs - 20 && lastCall < 3 * TVaComm::kWriteTimeoutMs,
             qPrintable(QString::number(lastCall)));
    QVERIFY(port().Active()); // the error leaves the port open
    // Everything accepted arrives in order, nothing of the refused text.
    QByteArray line = m_pty->read(int(accepted.size()), 10000);
    port().Close();
    line += m_pty->readAvailable();
    QCOMPARE(line.size(), accepted.size());
    QVERIFY(line == accepted);
}

void TestVaComm::deviceGoneIsReported_data()
{
    QTest::addColumn<bool>("writeAgain");
    QTest::newRow("close") << false;
    QTest::newRow("next write") << true;
}

// A device lost in the middle of a cycle is a port error: the bytes it never
// took are not passed off as sent. The close does not hang on it, and the
// port and its lock are given back.
void TestVaComm::deviceGoneIsReported()
{
    QFETCH(bool, writeAgain);
    port().Open();
    m_pty->closeMaster();
    QVERIFY(port().WriteText("1000"));
    const QString prefix = QStringLiteral("Error writing to device (");
    QElapsedTimer t;
    t.start();
    if (writeAgain) {
        // The writer finds out on its own; the next text brings the news.
        bool raised = false;
        while (!raised && t.elapsed() < 2000) {
            try {
                port().WriteText("1");
                QTest::qWait(10);
            } catch (const EVaCommError &e) {
                QVERIFY2(e.message().startsWith(prefix), qPrintable(e.message()));
                raised = true;
            }
        }
        QVERIFY(raised);
        t.restart();
    }
    try {
        port().Close();
        QFAIL("the close passed lost bytes off as sent");
    } catch (const EVaCommError &e) {
        QVERIFY2(e.message().startsWith(prefix), qPrintable(e.message()));
    }
    QVERIFY(t.elapsed() < 2 * TVaComm::kDrainLimitMs);
    QVERIFY(!port().Active());
    QVERIFY(!QFile::exists(lockPath()));
    port().Close(); // closed: nothing more to report
}

// Between cycles the port is closed: a device that went away meanwhile (its
// simulator ended, an adapter unplugged) is found by the presence check.
// An adapter pulled while the port is closed and plugged in again at the same
// path serves the next cycle; pulled during a cycle, the cycle fails.
void TestVaComm::adapterPluggedOutAndBackIn()
{
    TVaComm &p = port();
    p.setKeepLock(true); // as the controller runs it
    p.Open();
    QVERIFY(p.WriteText("22"));
    p.Close();
    QCOMPARE(m_pty->read(2, 2000), QByteArray("22"));

    m_pty.reset(); // unplugged: the terminal and its link are gone
    QVERIFY_THROWS_EXCEPTION(EVaCommError, p.CheckPresent());
    QVERIFY_THROWS_EXCEPTION(EVaCommError, p.Open());
    QVERIFY(!p.Active());

    m_pty = std::make_unique<Pty>(); // plugged in again
    QVERIFY2(m_pty->isOpen(), qPrintable(m_pty->error()));
    QCOMPARE(m_pty->linkAsCom(kPort), m_link);
    p.CheckPresent();
    p.Open();
    QVERIFY(p.WriteText("44"));
    p.Close();
    QCOMPARE(m_pty->read(2, 2000), QByteArray("44"));

    p.Open();
    QVERIFY(p.WriteText("20"));
    QCOMPARE(m_pty->read(2, 2000), QByteArray("20"));
    m_pty.reset(); // unplugged in the middle of a cycle
    try {
        p.WriteText("30");
        p.Close();
        QFAIL("the lost device went unnoticed");
    } catch (const EVaCommError &) {
    }
    QVERIFY(!p.Active());
}

void TestVaComm::deviceGoneBetweenCycles()
{
    port().Open();
    port().Close();
    port().CheckPresent(); // still there
    m_pty->closeMaster();
    try {
        port().CheckPresent();
        QFAIL("a device that is gone passed the presence check");
    } catch (const EVaCommError &e) {
        QVERIFY2(e.message().startsWith(QStringLiteral("Specified device not found")), qPrintable(e.message()));
    }
}

// A playback holds the device it found first; idle cycles look it up anew, so
// that an adapter plugged in again (the link now naming another tty) is used
// by the next cycle.
void TestVaComm::deviceLookedUpOncePerPlayback_data()
{
    QTest::addColumn<bool>("held");
    QTest::newRow("playback") << true;
    QTest::newRow("idle") << false;
}

void TestVaComm::deviceLookedUpOncePerPlayback()
{
    QFETCH(bool, held);
    port().HoldDevice(held);
    port().Open();
    QVERIFY(port().WriteText(QByteArray("11")));
    port().Close();
    Pty other;
    QVERIFY2(other.isOpen(), qPrintable(other.error()));
    QCOMPARE(other.linkAsCom(kPort), m_link);
    port().CheckPresent();
    port().Open();
    QVERIFY(port().WriteText(QByteArray("22")));
    port().Close();
    QCOMPARE(m_pty->readAvailable(), held ? QByteArray("1122") : QByteArray("11"));
    QCOMPARE(other.readAvailable(), held ? QByteArray() : QByteArray("22"));

    // The playback over, the next cycle looks again.
    port().HoldDevice(false);
    port().Open();
    QVERIFY(port().WriteText(QByteArray("33")));
    port().Close();
    QCOMPARE(other.readAvailable(), QByteArray("33"));
    QVERIFY(!QFileInfo(m_link).isSymLink() || QFileInfo(m_link).symLinkTarget() == other.slavePath());
}

// A playback trusts the lock it found its own at its first cycle, so that no
// tick waits for the lock file to be read; once it is over, a lock that went
// missing meanwhile is taken again.
void TestVaComm::lockLostDuringAPlaybackIsTakenAgainAfterIt()
{
    port().setKeepLock(true);
    port().HoldDevice(true);
    port().Open();
    port().Close();
    QVERIFY(QFile::remove(lockPath()));
    port().Open();
    QVERIFY(port().WriteText(QByteArray("5")));
    port().Close();
    QVERIFY(!QFile::exists(lockPath())); // not looked at during the playback
    port().HoldDevice(false);
    port().Open();
    port().Close();
    QVERIFY(QFile::exists(lockPath()));
    QCOMPARE(m_pty->readAvailable(), QByteArray("5"));
}

void TestVaComm::writePriorityIsTakenAndGivenBack()
{
    // Granted or not, the thread ends where it began, and nothing the
    // program starts meanwhile inherits the class.
    const auto policyNow = [] {
        int policy = -1;
        sched_param p{};
        pthread_getschedparam(pthread_self(), &policy, &p);
        return std::pair{policy, p.sched_priority}; // the class with its flags
    };
    const auto before = policyNow();
    QCOMPARE(before.first, SCHED_OTHER);
    WritePriority priority;
    if (priority.raise()) {
        QCOMPARE(policyNow(), std::pair(SCHED_RR | SCHED_RESET_ON_FORK, WritePriority::kPriority));
        QVERIFY(priority.raise()); // again: nothing more
        const pid_t child = fork();
        if (child == 0)
            _exit(sched_getscheduler(0) == SCHED_OTHER ? 0 : 1);
        int status = -1;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    } else {
        QVERIFY(!priority.refusal().isEmpty());
        QCOMPARE(policyNow(), before);
    }
    priority.lower();
    QVERIFY(!priority.raised());
    QCOMPARE(policyNow(), before);
}

void TestVaComm::writesAreTimedFromTheClocksWake()
{
    QtClock clock;
    WriteTimings timings;
    port().Open();
    clock.sleep(2); // a wake of the clock, as a tick's timer gives
    QVERIFY(port().WriteText(QByteArray("100")));
    port().Close();
    QCOMPARE(m_pty->readAvailable(), QByteArray("100"));
    QCOMPARE(timings.samples().size(), size_t(1));
    const WriteTiming t = timings.samples().front();
    QVERIFY(t.wakeNs > 0 && t.wakeNs <= t.calledNs && t.calledNs <= t.returnedNs);
    QVERIFY(t.wakeLateNs >= 0); // a sleep never ends before its due time
    QVERIFY2(t.wakeToCallNs() < 1'000'000'000, qPrintable(QString::number(t.wakeToCallNs())));
    QVERIFY(timings.summary().startsWith(QLatin1String("timer to write: median ")));
    QVERIFY(timings.summary().contains(QLatin1String(" over 1 write; the write() call itself: median ")));
    QVERIFY(timings.summary().contains(QLatin1String("; the timer's wake after its due time: median ")));

    // A write that follows an operator's press is no timer's: it is not timed
    // from the wake before the press.
    port().Open();
    clock.sleep(2);
    clock.guarded("press", [this] { QVERIFY(port().WriteText(QByteArray("200"))); });
    port().Close();
    QCOMPARE(m_pty->readAvailable(), QByteArray("200"));
    QCOMPARE(timings.samples().size(), size_t(1));
}

QTEST_GUILESS_MAIN(TestVaComm)
#include "tst_vacomm.moc"
