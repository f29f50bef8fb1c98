// The meaning of device texts, and the device simulator driven by the real
// serial component.

#include "device/CommandMeaning.h"
#include "device/PortPath.h"
#include "device/VaComm.h"
#include "support/TempDrive.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
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
    return QString::fromLatin1(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

class TestDevsim : public QObject {
    Q_OBJECT

private slots:
    void meaning_data();
    void meaning();

    void showsWhatTheControllerSends();
    void linkPlacement_data();
    void linkPlacement();

private:
    bool startSim(QProcess &sim, const QStringList &args);
};

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
    QTest::newRow("1 GHz") << QByteArray("3162278") << true << V << "31622.78 Hz";
    QTest::newRow("int max") << QByteArray("2147483647") << false << V << "21474836.47 Hz";
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

void TestDevsim::showsWhatTheControllerSends()
{
    TempDrive drive;
    QTemporaryDir work;
    TVaComm::setLockDirectories({work.path()});
    const QString log = work.filePath(QStringLiteral("received.tsv"));
    QProcess sim;
    if (!startSim(sim, {QStringLiteral("--port"), QStringLiteral("4"), QStringLiteral("--new-firmware"), QStringLiteral("--log"), log,
                        QStringLiteral("--duration"), QStringLiteral("60")}))
        QSKIP("zovt-devsim is not built");
    QByteArray out;
    QTRY_VERIFY_WITH_TIMEOUT((out += sim.readAll()).contains("listening on"), 10000);
    const QString link = portpath::dosDeviceLink(4);
    QVERIFY2(out.contains(link.toLocal8Bit()), out.constData());
    QVERIFY(QFileInfo(link).isSymLink());

    TVaComm port;
    port.setCloseDelay({});
    port.SetPortNum(4);
    const QList<QByteArray> texts{"22", "1000", "13"};
    for (int i = 0; i < texts.size(); ++i) {
        port.Open();
        port.WriteText(texts[i]);
        port.Close();
        // The next text goes out only once this one has been logged, so the
        // simulator always sees separate bursts.
        QTRY_COMPARE_WITH_TIMEOUT(logLines(log).size(), i + 1, 10000);
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
    QTRY_COMPARE_WITH_TIMEOUT(logLines(log).size(), 4, 10000);

    sim.terminate();
    QVERIFY(sim.waitForFinished(10000));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
    out += sim.readAll();
    const QString shown = QString::fromUtf8(out);
    QVERIFY2(!QFileInfo(link).isSymLink(), "the link outlived the simulator");

    QVERIFY2(shown.contains(QStringLiteral("22 \u2192 new firmware: stand-by lighting yellow, brightness on")), qPrintable(shown));
    QVERIFY2(shown.contains(QStringLiteral("1000 \u2192 10.00 Hz")), qPrintable(shown));
    QVERIFY2(shown.contains(QStringLiteral("13 \u2192 new firmware: end of playback")), qPrintable(shown));
    QVERIFY2(QRegularExpression(QStringLiteral("\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d +\\+\\d+\\.\\d\\d\\d s  1000 ")).match(shown).hasMatch(),
             qPrintable(shown));
    // The settings the component sets pass; the stray writer's do not.
    QCOMPARE(shown.count(QStringLiteral("line settings wrong")), 1);
    QVERIFY2(shown.contains(QStringLiteral("line settings wrong for \"98\": 2 stop bits")), qPrintable(shown));

    const QStringList lines = logLines(log);
    QCOMPARE(lines.size(), 4);
    qint64 previous = -1;
    const QByteArrayList expected{"22", "1000", "13", "98"};
    for (int i = 0; i < lines.size(); ++i) {
        const QStringList fields = lines[i].split(QLatin1Char('\t'));
        QCOMPARE(fields.size(), 2);
        bool ok = false;
        const qint64 ms = fields[0].toLongLong(&ok);
        QVERIFY(ok && ms > previous);
        previous = ms;
        QCOMPARE(fields[1].toLatin1(), expected[i]);
    }
    TVaComm::setLockDirectories({});
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
    QByteArray out;
    QTRY_VERIFY_WITH_TIMEOUT((out += sim.readAll()).contains("listening on"), 10000);
    QVERIFY(QFileInfo(link).symLinkTarget().startsWith(QLatin1String("/dev/pts/")));
    sim.terminate();
    QVERIFY(sim.waitForFinished(10000));
    QCOMPARE(sim.exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

QTEST_GUILESS_MAIN(TestDevsim)
#include "tst_devsim.moc"
