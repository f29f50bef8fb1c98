// What a port number leads to on a machine with real serial devices: Wine's
// numbering of the tty nodes, the list of ports, and the reason given when a
// port cannot be opened. Every device tree here is a fake one made by the
// test (plain files for nodes, a sysfs tree of folders and links), except the
// pseudo-terminals.

#include "device/PortList.h"
#include "device/PortPath.h"
#include "device/UucpLock.h"
#include "device/VaComm.h"
#include "support/Processes.h"
#include "support/Pty.h"
#include "support/TempDrive.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace zovt;
using zovt::test::Pty;
using zovt::test::TempDrive;

namespace {

// A /dev and a /sys of the test's own.
class FakeTree {
public:
    FakeTree()
    {
        m_root = QFileInfo(m_dir.path()).canonicalFilePath();
        QDir().mkpath(dev());
        QDir().mkpath(sys() + QStringLiteral("/class/tty"));
        portpath::setDeviceRoot(dev());
        portlist::setSysRoot(sys());
    }
    ~FakeTree()
    {
        portpath::setDeviceRoot(QString());
        portlist::setSysRoot(QString());
    }
    QString dev() const { return m_root + QStringLiteral("/dev"); }
    QString sys() const { return m_root + QStringLiteral("/sys"); }

    void node(const QString &name) const
    {
        QFile f(dev() + QLatin1Char('/') + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    // An on-board UART of the given kernel type (0: nothing behind it).
    void uart(const QString &name, int type) const
    {
        node(name);
        const QString d = sys() + QStringLiteral("/class/tty/") + name;
        QVERIFY(QDir().mkpath(d));
        put(d + QStringLiteral("/type"), QByteArray::number(type) + '\n');
    }
    // A USB serial adapter: the tty's device link leads into the USB device's
    // interface, whose parent carries the descriptors.
    void usb(const QString &name, const QByteArray &vendor, const QByteArray &product, const QByteArray &maker,
             const QByteArray &productName, const QByteArray &serial) const
    {
        node(name);
        const QString usbDev = sys() + QStringLiteral("/devices/pci0000:00/usb1/1-2");
        const QString iface = usbDev + QStringLiteral("/1-2:1.0/") + name;
        QVERIFY(QDir().mkpath(iface));
        put(usbDev + QStringLiteral("/idVendor"), vendor + '\n');
        put(usbDev + QStringLiteral("/idProduct"), product + '\n');
        put(usbDev + QStringLiteral("/manufacturer"), maker + '\n');
        put(usbDev + QStringLiteral("/product"), productName + '\n');
        put(usbDev + QStringLiteral("/serial"), serial + '\n');
        const QString cls = sys() + QStringLiteral("/class/tty/") + name;
        QVERIFY(QDir().mkpath(cls));
        QVERIFY(QFile::link(iface, cls + QStringLiteral("/device")));
    }

private:
    static void put(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(bytes), bytes.size());
    }
    QTemporaryDir m_dir;
    QString m_root;
};

void putPins(const TempDrive &d, const QByteArray &ports)
{
    QFile f(d.prefix() + QStringLiteral("/system.reg"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("WINE REGISTRY Version 2\n\n[Software\\\\Wine\\\\Ports] 1700000000\n" + ports + "\n");
}

void linkPort(int port, const QString &target)
{
    const QString l = portpath::dosDeviceLink(port);
    QVERIFY(QDir().mkpath(QFileInfo(l).path()));
    QVERIFY(QFile::link(target, l));
}

// "@" for the fake /dev, "$" for the prefix: the rows read the same on every
// machine.
QString shortPath(QString p, const FakeTree &t, const TempDrive &d)
{
    p.replace(t.dev(), QStringLiteral("@"));
    p.replace(d.prefix(), QStringLiteral("$"));
    return p;
}

QString expand(QString p, const FakeTree &t, const TempDrive &d)
{
    if (p.startsWith(QLatin1Char('@')))
        p = t.dev() + p.mid(1);
    if (p.startsWith(QLatin1Char('$')))
        p = d.prefix() + p.mid(1);
    return p;
}

// A live process whose command name is 'name', for a lock to name.
class Holder {
public:
    explicit Holder(const QString &name)
    {
        const QString exe = m_dir.path() + QLatin1Char('/') + name;
        QVERIFY(QFile::copy(QStringLiteral("/bin/sleep"), exe));
        QVERIFY(QFile::setPermissions(exe, QFile::ReadOwner | QFile::ExeOwner));
        m_proc.start(exe, {QStringLiteral("30")});
        QVERIFY(m_proc.waitForStarted(5000));
    }
    ~Holder()
    {
        m_proc.kill();
        m_proc.waitForFinished(5000);
    }
    long pid() const { return long(m_proc.processId()); }
    // Writes this process's lock for device into dir.
    void lock(const QString &dir, const QString &device) const
    {
        QFile f(dir + QLatin1Char('/') + UucpLock::nameFor(device));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray::number(qint64(pid())).rightJustified(10, ' ') + '\n');
    }

private:
    QTemporaryDir m_dir;
    QProcess m_proc;
};

bool makeOld(const QString &path)
{
    const struct timespec times[2] = {{std::time(nullptr) - 3600, 0}, {std::time(nullptr) - 3600, 0}};
    return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

QString ownCommandName()
{
    QFile f(QStringLiteral("/proc/self/comm"));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).trimmed() : QString();
}

} // namespace

class TestPortList : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void numbering_data();
    void numbering();
    void listsEveryKindOfPort();
    void reasons_data();
    void reasons();
    void listAndOpenAgreeOnLocks_data();
    void listAndOpenAgreeOnLocks();

private:
    std::unique_ptr<QTemporaryDir> m_lockDir;
};

void TestPortList::init()
{
    m_lockDir = std::make_unique<QTemporaryDir>();
    UucpLock::setDirectories({m_lockDir->path()});
}

void TestPortList::cleanup()
{
    UucpLock::setDirectories({});
    m_lockDir.reset();
}

void TestPortList::numbering_data()
{
    QTest::addColumn<QStringList>("nodes");  // in the fake /dev
    QTest::addColumn<QByteArray>("pins");    // values of HKLM\Software\Wine\Ports
    QTest::addColumn<QStringList>("links");  // "N=target": dosdevices/comN
    QTest::addColumn<QStringList>("ports");  // every port that names something

    const QStringList none;
    QTest::newRow("no serial devices") << none << QByteArray() << none << none;
    QTest::newRow("on-board ports, then an adapter")
        << QStringList{"ttyS0", "ttyS1", "ttyS2", "ttyS3", "ttyUSB0"} << QByteArray() << none
        << QStringList{"COM1 @/ttyS0 Wine's order", "COM2 @/ttyS1 Wine's order", "COM3 @/ttyS2 Wine's order",
                       "COM4 @/ttyS3 Wine's order", "COM5 @/ttyUSB0 Wine's order"};
    QTest::newRow("a gap ends the family") << QStringList{"ttyS0", "ttyS2", "ttyUSB0"} << QByteArray() << none
                                           << QStringList{"COM1 @/ttyS0 Wine's order", "COM2 @/ttyUSB0 Wine's order"};
    QTest::newRow("no ttyS nodes, several adapters")
        << QStringList{"ttyACM0", "ttyUSB1", "ttyUSB0"} << QByteArray() << none
        << QStringList{"COM1 @/ttyUSB0 Wine's order", "COM2 @/ttyUSB1 Wine's order", "COM3 @/ttyACM0 Wine's order"};
    QTest::newRow("an adapter without its 0 is not numbered") << QStringList{"ttyUSB1"} << QByteArray() << none << none;
    QTest::newRow("pinned numbers are skipped")
        << QStringList{"ttyS0", "ttyS1", "ttyUSB0"} << QByteArray("\"COM1\"=\"@/ttyUSB0\"\n\"com3\"=\"/dev/ttyS9\"\n") << none
        << QStringList{"COM1 @/ttyUSB0 pin", "COM2 @/ttyS0 Wine's order", "COM3 /dev/ttyS9 pin",
                       "COM4 @/ttyS1 Wine's order", "COM5 @/ttyUSB0 Wine's order"};
    QTest::newRow("a link shadows Wine's number")
        << QStringList{"ttyS0", "ttyUSB0"} << QByteArray() << QStringList{"1=@/ttyUSB0", "9=/nonexistent/ttyUSB3"}
        << QStringList{"COM1 $/dosdevices/com1 link", "COM2 @/ttyUSB0 Wine's order", "COM9 $/dosdevices/com9 link"};
    QTest::newRow("a pin beats a link") << QStringList{"ttyUSB0"} << QByteArray("\"COM1\"=\"/dev/ttyUSB7\"\n")
                                        << QStringList{"1=@/ttyUSB0"}
                                        << QStringList{"COM1 /dev/ttyUSB7 pin", "COM2 @/ttyUSB0 Wine's order"};
}

void TestPortList::numbering()
{
    QFETCH(QStringList, nodes);
    QFETCH(QByteArray, pins);
    QFETCH(QStringList, links);
    QFETCH(QStringList, ports);
    TempDrive d;
    FakeTree t;
    for (const QString &n : nodes)
        t.node(n);
    putPins(d, pins.replace('@', t.dev().toUtf8()));
    for (const QString &l : links)
        linkPort(l.section(QLatin1Char('='), 0, 0).toInt(), expand(l.section(QLatin1Char('='), 1), t, d));

    QStringList got;
    for (const auto &r : portpath::allPorts()) {
        got << QStringLiteral("COM%1 %2 %3").arg(r.port).arg(shortPath(r.path, t, d), portlist::sourceText(r.source));
        QCOMPARE(portpath::devicePath(r.port), r.path);
    }
    QCOMPARE(got, ports);
    // A number nothing gives names its dosdevices entry, which is not there.
    QCOMPARE(portpath::devicePath(12), portpath::dosDeviceLink(12));
    QCOMPARE(portpath::resolve(12).source, portpath::Source::None);
}

void TestPortList::listsEveryKindOfPort()
{
    TempDrive d;
    FakeTree t;
    t.uart(QStringLiteral("ttyS0"), 4);
    t.uart(QStringLiteral("ttyS1"), 0);
    t.usb(QStringLiteral("ttyUSB0"), "0403", "6001", "FTDI", "FT232R USB UART", "A10K1234");
    Pty pty;
    QVERIFY2(pty.isOpen(), qPrintable(pty.error()));
    QVERIFY(!pty.linkAsCom(7).isEmpty());
    linkPort(9, QStringLiteral("/nonexistent/ttyUSB3"));
    Holder holder(QStringLiteral("sleep"));
    holder.lock(m_lockDir->path(), t.dev() + QStringLiteral("/ttyUSB0"));

    QStringList got;
    for (const QString &l : portlist::lines())
        got << shortPath(l, t, d);
    const QStringList want{
        "COM1  @/ttyS0, UART: 16550A, number: Wine's order, free",
        "COM2  @/ttyS1, UART: unknown (no hardware), number: Wine's order, free",
        QStringLiteral("COM3  @/ttyUSB0, USB: 0403:6001 FTDI FT232R USB UART, serial A10K1234, number: Wine's order, "
                       "held by process %1 (sleep)")
            .arg(holder.pid()),
        QStringLiteral("COM7  $/dosdevices/com7 -> %1, pseudo-terminal (a device simulator), number: link, free")
            .arg(pty.slavePath()),
        "COM9  $/dosdevices/com9, missing, number: link",
    };
    QCOMPARE(got, want);
    for (const QString &l : got)
        qInfo("%s", qPrintable(l));
}

void TestPortList::reasons_data()
{
    QTest::addColumn<QString>("tree");      // "adapter": a UART without hardware and a USB adapter; "uart": that UART alone; "empty"
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("setup");     // "held", "controller", "denied" or empty
    QTest::addColumn<QString>("error");     // the port error's text
    QTest::addColumn<QString>("reason");    // "%1": the holder's pid, "%2": the holder's name

    const QString ioError = QStringLiteral("Can't open specified device @/ttyS0 (Error 5, Input/output error)");
    QTest::newRow("no such device") << "adapter" << 4 << "" << ""
                                    << "COM4 ($/dosdevices/com4): no such device; serial ports here: COM2 "
                                       "(@/ttyUSB0) (zovt-generator --list-ports tells them apart); without a generator, "
                                       "zovt-generator --simulator starts the device simulator zovt-devsim at COM4 first";
    QTest::newRow("no serial port at all") << "empty" << 3 << "" << ""
                                           << "COM3 ($/dosdevices/com3): no such device, and no serial port is present: "
                                              "plug the generator in, or try the controller without one: zovt-generator "
                                              "--simulator starts the device simulator zovt-devsim at COM3 first";
    QTest::newRow("only a UART without hardware")
        << "uart" << 3 << "" << ""
        << "COM3 ($/dosdevices/com3): no such device, and no serial port is present: plug the generator in, or try the "
           "controller without one: zovt-generator --simulator starts the device simulator zovt-devsim at COM3 first";
    QTest::newRow("that UART itself") << "uart" << 1 << "" << "Can't open specified device @/ttyS0 (Error 5, Input/output error)"
                                      << "COM1 (@/ttyS0) is an on-board serial port with no hardware behind it; no other "
                                         "serial port is present: plug the generator in, or try the controller without one: "
                                         "zovt-generator --simulator starts the device simulator zovt-devsim at COM1 first";
    QTest::newRow("UART without hardware") << "adapter" << 1 << "" << ioError
                                           << "COM1 (@/ttyS0) is an on-board serial port with no hardware behind it; a "
                                              "USB adapter is at COM2 (@/ttyUSB0)";
    QTest::newRow("held by another program") << "adapter" << 2 << "held" << ""
                                             << "COM2 (@/ttyUSB0) is held by process %1 (%2): close that program and start again";
    QTest::newRow("held by another controller")
        << "adapter" << 2 << "controller" << ""
        << "COM2 (@/ttyUSB0) is held by another copy of this controller, process %1 (%2): close that copy, or end it, and "
           "start again";
    QTest::newRow("permission denied") << "adapter" << 2 << "denied" << ""
                                       << "COM2 (@/ttyUSB0): permission denied; serial ports belong to the dialout group: "
                                          "sudo usermod -aG dialout %3, then log out and in again";
    QTest::newRow("opens but says nothing more") << "adapter" << 2 << "" << "" << "";
}

void TestPortList::reasons()
{
    QFETCH(QString, tree);
    QFETCH(int, port);
    QFETCH(QString, setup);
    QFETCH(QString, error);
    QFETCH(QString, reason);
    if (setup == QLatin1String("denied") && ::geteuid() == 0)
        QSKIP("root may open every device");
    TempDrive d;
    FakeTree t;
    if (tree == QLatin1String("uart"))
        t.uart(QStringLiteral("ttyS0"), 0);
    if (tree == QLatin1String("adapter")) {
        t.uart(QStringLiteral("ttyS0"), 0);
        t.usb(QStringLiteral("ttyUSB0"), "1a86", "7523", "QinHeng", "USB Serial", "");
    }
    const QString usb = t.dev() + QStringLiteral("/ttyUSB0");
    std::unique_ptr<Holder> holder;
    if (setup == QLatin1String("held") || setup == QLatin1String("controller")) {
        holder = std::make_unique<Holder>(setup == QLatin1String("held") ? QStringLiteral("minicom") : ownCommandName());
        holder->lock(m_lockDir->path(), usb);
        reason = reason.arg(holder->pid()).arg(setup == QLatin1String("held") ? QStringLiteral("minicom") : ownCommandName());
    }
    if (setup == QLatin1String("denied")) {
        QVERIFY(QFile::setPermissions(usb, QFile::Permissions()));
        const passwd *pw = ::getpwuid(::geteuid());
        QVERIFY(pw);
        reason = reason.arg(QString::fromLocal8Bit(pw->pw_name));
    }
    QCOMPARE(shortPath(portlist::explainFailure(port, error.replace(QLatin1Char('@'), t.dev())), t, d), reason);
}

void TestPortList::listAndOpenAgreeOnLocks_data()
{
    QTest::addColumn<QString>("shape");   // what is planted as the port's lock, or "link loop" for the port's link
    QTest::addColumn<QByteArray>("content"); // a regular lock's bytes
    QTest::addColumn<bool>("old");        // planted an hour ago
    QTest::addColumn<QString>("verdict"); // in both the list's line and the failed open's reason; "free": it opens
                                          // "%L": the lock file, "%P": the live holder's pid

    const QString notValid = QStringLiteral("lock file %L is not a valid lock: ");
    const QByteArray none;
    QTest::newRow("no lock") << "none" << none << false << "free";
    QTest::newRow("FIFO") << "fifo" << none << false << notValid + "it is a FIFO";
    QTest::newRow("directory") << "directory" << none << false << notValid + "it is a directory";
    QTest::newRow("old directory") << "directory" << none << true << notValid + "it is a directory";
    QTest::newRow("symbolic link") << "symlink" << none << true << notValid + "it is a symbolic link";
    QTest::newRow("non-numeric") << "file" << QByteArray("not a pid\n") << false << notValid + "it holds no pid";
    QTest::newRow("old non-numeric") << "file" << QByteArray("not a pid\n") << true << "free";
    QTest::newRow("NUL-padded") << "file" << QByteArray::number(qint64(::getppid())) + QByteArray(6, '\0') << false
                                << notValid + "it holds NUL bytes, not a pid as text";
    QTest::newRow("valid live pid") << "file" << QByteArray::number(qint64(::getppid())).rightJustified(10, ' ') + '\n'
                                    << false << "held by process %P";
    QTest::newRow("dead pid") << "file" << QByteArray::number(qint64(test::deadPid())).rightJustified(10, ' ') + '\n' << false
                              << "free";
    QTest::newRow("link loop") << "link loop" << none << false << "its links lead round in a loop";
}

void TestPortList::listAndOpenAgreeOnLocks()
{
    QFETCH(QString, shape);
    QFETCH(QByteArray, content);
    QFETCH(bool, old);
    QFETCH(QString, verdict);
    constexpr int kPort = 7;
    TempDrive d;
    FakeTree t;
    Pty pty;
    QVERIFY2(pty.isOpen(), qPrintable(pty.error()));
    const QString lock = m_lockDir->path() + QLatin1Char('/') + UucpLock::nameFor(pty.slavePath());
    const QByteArray lockNative = QFile::encodeName(lock);
    if (shape == QLatin1String("link loop"))
        linkPort(kPort, portpath::dosDeviceLink(kPort));
    else
        QVERIFY(!pty.linkAsCom(kPort).isEmpty());
    if (shape == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(lockNative.constData(), 0644), 0);
    if (shape == QLatin1String("directory"))
        QVERIFY(QDir().mkpath(lock));
    if (shape == QLatin1String("symlink"))
        QVERIFY(QFile::link(QStringLiteral("/nonexistent/lock"), lock));
    if (shape == QLatin1String("file")) {
        QFile f(lock);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(content), content.size());
    }
    if (old)
        QVERIFY(makeOld(lock));
    verdict.replace(QStringLiteral("%L"), lock).replace(QStringLiteral("%P"), QString::number(::getppid()));

    const QString listed = portlist::line(portlist::describe(portpath::resolve(kPort)));
    QVERIFY2(listed.contains(verdict), qPrintable(listed));

    TVaComm port;
    port.setCloseDelay([](int) {});
    port.SetPortNum(kPort);
    try {
        port.Open();
        QVERIFY2(verdict == QLatin1String("free"), "opened a port the list says is not free");
        port.Close();
        return;
    } catch (const EVaCommError &e) {
        const QString reason = portlist::explainFailure(kPort, e.message());
        QVERIFY2(reason.contains(verdict), qPrintable(e.message() + QStringLiteral(" -> ") + reason));
    }
    // What is no lock of ours is left for the operator to look at.
    struct stat st;
    QCOMPARE(::lstat(lockNative.constData(), &st) == 0, shape != QLatin1String("none") && shape != QLatin1String("link loop"));
}

QTEST_GUILESS_MAIN(TestPortList)
#include "tst_portlist.moc"
