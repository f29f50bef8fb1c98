// Handing the program and the client over to the companion tool: the files
// left for it, the bounded wait for the program file, and starting the tool
// under wine or opening its page instead.

#include "app/Application.h"
#include "app/CompanionTool.h"
#include "app/Shell.h"
#include "core/Clock.h"
#include "core/ControlSurface.h"
#include "core/Dialogs.h"
#include "device/PortLink.h"
#include "program/ProgramController.h"
#include "ui/MainWindowDesign.h"
#include "storage/FileError.h"
#include "storage/Paths.h"
#include "storage/TextCodec.h"
#include "support/TempDrive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

using namespace zovt;
using zovt::test::TempDrive;

namespace {

struct FakeLauncher : CompanionLauncher {
    bool startable = true;
    bool startWorks = true;
    int starts = 0;
    int pages = 0;
    bool canStart() const override { return startable; }
    bool start() override
    {
        ++starts;
        return startWorks;
    }
    void openToolPage() override { ++pages; }
};

// Sets an environment variable for one test and puts the old value back.
class EnvGuard {
public:
    EnvGuard(const char *name, const QByteArray &value) : m_name(name)
    {
        m_had = qEnvironmentVariableIsSet(name);
        m_old = qgetenv(name);
        qputenv(name, value);
    }
    ~EnvGuard()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    QByteArray m_old;
    bool m_had = false;
};

const QString kSelf = QStringLiteral("C:\\Zov_Tool\\ZovT_G_Up.txt");
const QString kOrva = QStringLiteral("C:\\OrvaTherapy\\ZovT_G_Up.txt");
const QString kClient = QStringLiteral("C:\\OrvaTherapy\\QDBZ5\\Novák Jan A 1.2.1970.txt");

// A drive as start-up leaves it, with the tool installed and stale hand-off
// files from an earlier run.
void prepareDrive(const TempDrive &d)
{
    d.put(paths::ZovToolExe, "MZ");
    d.put(paths::ProgramHandOff, "C:\\old.txt\r\n");
    d.put(paths::ClientHandOff, "C:\\old client.txt\r\n");
    d.put(kSelf, "old\r\n");
    d.put(kOrva, "old\r\n");
    QDir().mkpath(d.native(paths::DataDir));
}

// The main window headless, with the tool's launcher of the test, as start-up
// leaves it: the run marker made, the hand-off files of the last run there.
struct Window {
    VirtualClock clock;
    MemorySurface ui{design::mainWindowControls()};
    RecordingPort port{clock};
    ScriptedDialogs dialogs;
    std::unique_ptr<Application> app;

    explicit Window(CompanionLauncher &launcher)
    {
        app = std::make_unique<Application>(clock, ui, port, dialogs, WindowHooks{}, nullptr, &launcher);
        clock.setErrorSink({}); // errors of an operation end it, as after start-up
    }
    // Loads a program file as the therapy database hands it over.
    void load(const TempDrive &d, const QString &winPath)
    {
        d.put(paths::ProgramHandOff, text::encode({winPath}, text::Encoding::Ansi));
        app->run("Open", [this] { app->program().Open(); });
    }
    void handOver() { app->run("ZovToolEdit", [this] { app->companion().ZovToolEditClick(); }); }
};

// Puts a fake wine into dir. Run with ZOVT_FAKE_WINE_LOG set, it records how
// it was started: the count of its arguments, each argument, the prefix and
// its working folder; without it, it does nothing.
bool putFakeWine(const QTemporaryDir &dir)
{
    QFile f(dir.filePath(QStringLiteral("wine")));
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write("#!/bin/sh\n"
            "[ -n \"$ZOVT_FAKE_WINE_LOG\" ] || exit 0\n"
            "{\n"
            "  printf 'count:%s\\n' \"$#\"\n"
            "  for a in \"$@\"; do printf 'arg:%s\\n' \"$a\"; done\n"
            "  printf 'prefix:%s\\n' \"$WINEPREFIX\"\n"
            "  printf 'cwd:%s\\n' \"$(pwd -P)\"\n"
            "} > \"$ZOVT_FAKE_WINE_LOG.part\" && /bin/mv \"$ZOVT_FAKE_WINE_LOG.part\" \"$ZOVT_FAKE_WINE_LOG\"\n");
    f.close();
    return f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace

class TestCompanion : public QObject {
    Q_OBJECT
private slots:
    void handOver_data();
    void handOver();
    void toolThatCannotRunOpensItsPage();
    void failedWriteEndsBeforeTheStart();
    void failedStartStillEndsTheHandOver();

    void buttonHandsOverAndEnds_data();
    void buttonHandsOverAndEnds();
    void buttonWithoutTheToolKeepsRunning_data();
    void buttonWithoutTheToolKeepsRunning();
    void buttonWithAFailedWriteKeepsRunning();

    void waitForFile_data();
    void waitForFile();

    void launcherAvailability_data();
    void launcherAvailability();
    void launcherStartsTheToolUnderWine();
};

void TestCompanion::handOver_data()
{
    QTest::addColumn<QString>("client");
    QTest::addColumn<QStringList>("program");
    QTest::addColumn<bool>("generatorVisible");
    // Expected afterwards: null for a deleted file.
    QTest::addColumn<QByteArray>("programHandOff");
    QTest::addColumn<QByteArray>("clientHandOff");
    QTest::addColumn<QByteArray>("self");
    QTest::addColumn<QByteArray>("orva");

    const QStringList program = {QStringLiteral("[Čistění]"), QStringLiteral("A\t\t728.000\t\tHz\t\t3\t")};

    QTest::newRow("nothing loaded") << QString() << QStringList() << true << QByteArray() << QByteArray()
                                    << QByteArray("old\r\n") << QByteArray();
    QTest::newRow("empty first line counts as nothing loaded")
        << QString() << QStringList{QString(), QStringLiteral("[X]")} << true << QByteArray() << QByteArray()
        << QByteArray("old\r\n") << QByteArray();
    QTest::newRow("program from elsewhere, client")
        << kClient << program << true << QByteArray("C:\\Zov_Tool\\ZovT_G_Up.txt\r\n")
        << QByteArray("C:\\OrvaTherapy\\QDBZ5\\Nov\xE1k Jan A 1.2.1970.txt\r\n")
        << QByteArray("[\xC8ist\xECn\xED]\r\nA\t\t728.000\t\tHz\t\t3\t\r\n") << QByteArray("old\r\n");
    QTest::newRow("program from the therapy database")
        << QString() << program << false << QByteArray("C:\\OrvaTherapy\\ZovT_G_Up.txt\r\n") << QByteArray()
        << QByteArray("old\r\n") << QByteArray("[\xC8ist\xECn\xED]\r\nA\t\t728.000\t\tHz\t\t3\t\r\n");
}

void TestCompanion::handOver()
{
    QFETCH(QString, client);
    QFETCH(QStringList, program);
    QFETCH(bool, generatorVisible);
    QFETCH(QByteArray, programHandOff);
    QFETCH(QByteArray, clientHandOff);
    QFETCH(QByteArray, self);
    QFETCH(QByteArray, orva);

    TempDrive d;
    prepareDrive(d);
    VirtualClock clock;
    FakeLauncher launcher;
    CompanionHandOver handOver(clock, launcher);
    int hidden = 0;
    const auto outcome = handOver.run({client, files::Memo{program, text::Encoding::Ansi}, generatorVisible},
                                      [&] { ++hidden; });
    QCOMPARE(outcome, CompanionHandOver::Outcome::ToolStarted);
    QCOMPARE(hidden, 1);
    QCOMPARE(launcher.starts, 1);
    QCOMPARE(launcher.pages, 0);
    QCOMPARE(clock.nowMs(), 0); // the file is there at once

    const auto check = [&](const QString &winPath, const QByteArray &expected) {
        QVERIFY2(d.has(winPath) == !expected.isNull(), qPrintable(winPath));
        if (!expected.isNull())
            QCOMPARE(d.get(winPath), expected);
    };
    check(paths::ProgramHandOff, programHandOff);
    check(paths::ClientHandOff, clientHandOff);
    check(kSelf, self);
    check(kOrva, orva);
}

void TestCompanion::toolThatCannotRunOpensItsPage()
{
    TempDrive d;
    prepareDrive(d);
    VirtualClock clock;
    FakeLauncher launcher;
    launcher.startable = false;
    int hidden = 0;
    const auto outcome = CompanionHandOver(clock, launcher)
                             .run({kClient, files::Memo{{QStringLiteral("[P]")}, {}}, true}, [&] { ++hidden; });
    QCOMPARE(outcome, CompanionHandOver::Outcome::ToolPageOpened);
    QCOMPARE(launcher.pages, 1);
    QCOMPARE(launcher.starts, 0);
    QCOMPARE(hidden, 0);
    // Nothing was handed over.
    QCOMPARE(d.get(paths::ProgramHandOff), QByteArray("C:\\old.txt\r\n"));
    QCOMPARE(d.get(paths::ClientHandOff), QByteArray("C:\\old client.txt\r\n"));
    QCOMPARE(d.get(kSelf), QByteArray("old\r\n"));
}

// The tool's folder is gone: the program file cannot be written, so the tool
// is not started; the hand-off files written before it stay.
void TestCompanion::failedWriteEndsBeforeTheStart()
{
    TempDrive d;
    QDir().mkpath(d.native(paths::DataDir));
    VirtualClock clock;
    FakeLauncher launcher;
    int hidden = 0;
    CompanionHandOver handOver(clock, launcher);
    QVERIFY_THROWS_EXCEPTION(WriteError, handOver.run({kClient, files::Memo{{QStringLiteral("[P]")}, {}}, true},
                                                      [&] { ++hidden; }));
    QCOMPARE(hidden, 1);
    QCOMPARE(launcher.starts, 0);
    QCOMPARE(d.get(paths::ProgramHandOff), QByteArray("C:\\Zov_Tool\\ZovT_G_Up.txt\r\n"));
    QVERIFY(d.has(paths::ClientHandOff));
}

void TestCompanion::failedStartStillEndsTheHandOver()
{
    TempDrive d;
    prepareDrive(d);
    VirtualClock clock;
    FakeLauncher launcher;
    launcher.startWorks = false;
    const auto outcome = CompanionHandOver(clock, launcher).run({QString(), files::Memo{}, true}, {});
    QCOMPARE(outcome, CompanionHandOver::Outcome::StartFailed);
    QCOMPARE(launcher.pages, 0);
}

void TestCompanion::buttonHandsOverAndEnds_data()
{
    QTest::addColumn<QString>("program"); // empty: none loaded
    QTest::addColumn<QString>("client");
    QTest::addColumn<QString>("handOver"); // the file the program goes to; empty: none
    QTest::addColumn<bool>("generatorShown");

    // A program read with a byte-order mark goes over in the same encoding.
    QTest::newRow("from the therapy database, with a client")
        << QStringLiteral("C:\\OrvaTherapy\\Programy\\Nov\u00e1k.txt") << kClient << kOrva << false;
    QTest::newRow("from elsewhere, no client")
        << QStringLiteral("C:\\Moje\\\u010cist\u011bn\u00ed.txt") << QString() << kSelf << true;
    QTest::newRow("no program, no client") << QString() << QString() << QString() << true;
}

// The operation as the button runs it: the files the tool and the next start
// read, the marker gone, the application ended, and not a byte to the device.
void TestCompanion::buttonHandsOverAndEnds()
{
    QFETCH(QString, program);
    QFETCH(QString, client);
    QFETCH(QString, handOver);
    QFETCH(bool, generatorShown);

    TempDrive d;
    prepareDrive(d);
    d.put(paths::RunMarker, QByteArray());
    const QByteArray bytes = QByteArray("\xEF\xBB\xBF") + QStringLiteral("[\u0418\u043c\u0443\u043d\u0438\u0442\u0430]\r\nA\t\t728.000\t\tHz\t\t3\t\r\n[STOP]\r\n").toUtf8();
    FakeLauncher launcher;
    Window w(launcher);
    if (!program.isEmpty()) {
        d.put(program, bytes);
        w.load(d, program);
        QCOMPARE(w.ui.lineCount(QStringLiteral("Zakladmemo")), 1);
    }
    QCOMPARE(w.ui.isVisible(QStringLiteral("Orva_Tlac")), !program.isEmpty() && generatorShown);
    w.ui.setText(QStringLiteral("PRSAdresaAkt"), client);

    w.handOver();
    QCOMPARE(launcher.starts, 1);
    QVERIFY(w.app->shell().ended());
    QCOMPARE(w.app->shell().exitCode(), 0);
    QVERIFY(!d.has(paths::RunMarker));
    QVERIFY(w.port.writes().isEmpty());
    QVERIFY(w.ui.isVisible(QStringLiteral("ZovToolEdit")));

    if (client.isEmpty())
        QVERIFY(!d.has(paths::ClientHandOff));
    else
        QCOMPARE(d.get(paths::ClientHandOff), text::encode({client}, text::Encoding::Ansi));
    if (handOver.isEmpty()) {
        QVERIFY(!d.has(paths::ProgramHandOff));
        QVERIFY(!d.has(kOrva));
        return;
    }
    QCOMPARE(d.get(paths::ProgramHandOff), text::encode({handOver}, text::Encoding::Ansi));
    QCOMPARE(d.get(handOver), bytes);

    // The next start takes the same program back.
    FakeLauncher unused;
    Window next(unused);
    next.app->run("Open", [&next] { next.app->program().Open(); });
    QCOMPARE(next.ui.lines(QStringLiteral("Zakladmemo")), w.ui.lines(QStringLiteral("Zakladmemo")));
}

void TestCompanion::buttonWithoutTheToolKeepsRunning_data()
{
    QTest::addColumn<bool>("exe");
    QTest::addColumn<bool>("wine");
    QTest::newRow("wine missing") << true << false;
    QTest::newRow("executable missing") << false << true;
}

// The real launcher: the tool's page opens and the window goes on as before,
// its marker and the hand-off files untouched.
void TestCompanion::buttonWithoutTheToolKeepsRunning()
{
    QFETCH(bool, exe);
    QFETCH(bool, wine);
    TempDrive d;
    prepareDrive(d);
    d.put(paths::RunMarker, QByteArray());
    if (!exe)
        QFile::remove(d.native(paths::ZovToolExe));
    QTemporaryDir bin;
    const QString log = bin.filePath(QStringLiteral("wine.log"));
    if (wine)
        QVERIFY(putFakeWine(bin));
    EnvGuard path("PATH", bin.path().toLocal8Bit());
    EnvGuard logVar("ZOVT_FAKE_WINE_LOG", log.toLocal8Bit());
    QList<QUrl> opened;
    WineCompanionLauncher launcher([&](const QUrl &u) {
        opened.append(u);
        return true;
    });
    Window w(launcher);
    w.ui.setText(QStringLiteral("PRSAdresaAkt"), kClient);

    w.handOver();
    QCOMPARE(opened, QList<QUrl>{QUrl(companion::ToolPageAddress)});
    QVERIFY(!w.app->shell().ended());
    QVERIFY(d.has(paths::RunMarker));
    QVERIFY(w.ui.isVisible(QStringLiteral("ZovToolEdit")));
    QCOMPARE(d.get(paths::ClientHandOff), QByteArray("C:\\old client.txt\r\n"));
    QVERIFY(!QFileInfo::exists(log));
    QVERIFY(w.port.writes().isEmpty());
}

// The tool's folder cannot take the program: the operation ends there, with
// its button hidden, and the application goes on.
void TestCompanion::buttonWithAFailedWriteKeepsRunning()
{
    TempDrive d;
    QDir().mkpath(d.native(paths::DataDir));
    d.put(paths::RunMarker, QByteArray());
    d.put(QStringLiteral("C:\\Moje\\P.txt"), "[P]\r\n");
    FakeLauncher launcher;
    Window w(launcher);
    w.load(d, QStringLiteral("C:\\Moje\\P.txt"));
    w.handOver();
    QCOMPARE(launcher.starts, 0);
    QVERIFY(!w.app->shell().ended());
    QVERIFY(d.has(paths::RunMarker));
    QVERIFY(!w.ui.isVisible(QStringLiteral("ZovToolEdit")));
}

void TestCompanion::waitForFile_data()
{
    QTest::addColumn<int>("appearsAt"); // -1: never, 0: already there
    QTest::addColumn<bool>("found");
    QTest::addColumn<qint64>("endsAt");
    QTest::newRow("already there") << 0 << true << qint64(0);
    QTest::newRow("appears after 320 ms") << 320 << true << qint64(320);
    QTest::newRow("never appears") << -1 << false << qint64(companion::HandOverFileWaitMs);
}

void TestCompanion::waitForFile()
{
    QFETCH(int, appearsAt);
    QFETCH(bool, found);
    QFETCH(qint64, endsAt);
    TempDrive d;
    VirtualClock clock;
    const QString file = QStringLiteral("C:\\Zov_Tool\\ZovT_G_Up.txt");
    if (appearsAt == 0)
        d.put(file, "x");
    auto writer = clock.createTimer();
    writer->setSingleShot(true);
    writer->setInterval(appearsAt);
    writer->setCallback([&] { d.put(file, "x"); });
    if (appearsAt > 0)
        writer->start();
    QCOMPARE(companion::waitForFile(clock, file, companion::HandOverFileWaitMs), found);
    QCOMPARE(clock.nowMs(), endsAt);
}

void TestCompanion::launcherAvailability_data()
{
    QTest::addColumn<bool>("exe");
    QTest::addColumn<bool>("wine");
    QTest::newRow("exe and wine") << true << true;
    QTest::newRow("exe, no wine") << true << false;
    QTest::newRow("wine, no exe") << false << true;
}

// Without the tool or without wine the page opens, through the injected
// opener, and the hand-over leaves every file alone.
void TestCompanion::launcherAvailability()
{
    QFETCH(bool, exe);
    QFETCH(bool, wine);
    TempDrive d;
    prepareDrive(d);
    if (!exe)
        QFile::remove(d.native(paths::ZovToolExe));
    QTemporaryDir bin;
    if (wine)
        QVERIFY(putFakeWine(bin));
    EnvGuard path("PATH", bin.path().toLocal8Bit());

    QList<QUrl> opened;
    WineCompanionLauncher launcher([&](const QUrl &u) {
        opened.append(u);
        return true;
    });
    QCOMPARE(launcher.canStart(), exe && wine);
    if (exe && wine)
        return; // started for real in launcherStartsTheToolUnderWine

    VirtualClock clock;
    int hidden = 0;
    const auto outcome = CompanionHandOver(clock, launcher)
                             .run({kClient, files::Memo{{QStringLiteral("[P]")}, {}}, true}, [&] { ++hidden; });
    QCOMPARE(outcome, CompanionHandOver::Outcome::ToolPageOpened);
    QCOMPARE(opened, QList<QUrl>{QUrl(QStringLiteral("https://zovt-generator.example.org/zov-tool/"))});
    QCOMPARE(opened.first().path(), QStringLiteral("/zov-tool/"));
    QCOMPARE(hidden, 0);
    QCOMPARE(d.get(paths::ProgramHandOff), QByteArray("C:\\old.txt\r\n"));
}

// A fake wine records how it was started: one argument, the tool's native
// path with its blank intact, the same prefix, the tool's folder.
void TestCompanion::launcherStartsTheToolUnderWine()
{
    TempDrive d;
    prepareDrive(d);
    QTemporaryDir bin;
    const QString log = bin.filePath(QStringLiteral("wine.log"));
    QVERIFY(putFakeWine(bin));
    EnvGuard path("PATH", bin.path().toLocal8Bit());
    EnvGuard logVar("ZOVT_FAKE_WINE_LOG", log.toLocal8Bit());

    QList<QUrl> opened;
    WineCompanionLauncher launcher([&](const QUrl &u) {
        opened.append(u);
        return true;
    });
    QVERIFY(launcher.canStart());
    VirtualClock clock;
    const auto outcome = CompanionHandOver(clock, launcher).run({QString(), files::Memo{}, true}, {});
    QCOMPARE(outcome, CompanionHandOver::Outcome::ToolStarted);
    QVERIFY(opened.isEmpty());

    // The detached process writes its record on its own time.
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(log), 10000);
    QFile f(log);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromLocal8Bit(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const QString exe = d.native(paths::ZovToolExe);
    QVERIFY(exe.endsWith(QStringLiteral("/Zov Tool.exe")));
    QCOMPARE(lines.value(0), QStringLiteral("count:1"));
    QCOMPARE(lines.value(1), QStringLiteral("arg:") + exe);
    QCOMPARE(lines.value(2), QStringLiteral("prefix:") + d.prefix());
    QCOMPARE(lines.value(3), QStringLiteral("cwd:") + QFileInfo(QFileInfo(exe).path()).canonicalFilePath());
}

QTEST_GUILESS_MAIN(TestCompanion)
#include "tst_companion.moc"
