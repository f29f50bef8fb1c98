// The controller end to end: the real window on the real clock and serial
// component, talking to the device simulator binary through a pseudo-terminal.
// Also checks that the schedule preview predicts what the window plays.

#include "app/Application.h"
#include "core/Clock.h"
#include "app/MainWindowController.h"
#include "device/PortLink.h"
#include "device/Waits.h"
#include "playback/PlaybackController.h"
#include "app/ScheduleRun.h"
#include "program/ProgramController.h"
#include "storage/Paths.h"
#include "support/TempDrive.h"
#include "ui/MainWindowDesign.h"

#include <QProcess>
#include <QRegularExpression>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace zovt;

class TestSmoke : public QObject {
    Q_OBJECT
private slots:
    void startUpPlaysToSimulatorAndExitsCleanly();
    void schedulePreviewAgreesWithTheController();
};

void TestSmoke::startUpPlaysToSimulatorAndExitsCleanly()
{
    const QString devsim = QStringLiteral(ZOVT_BINARY_DIR "/tools/zovt-devsim");
    if (!QFileInfo::exists(devsim))
        QSKIP("zovt-devsim not built");
    test::TempDrive drive;
    drive.installPictures();
    const QString log = drive.prefix() + QStringLiteral("/devsim.log");
    QProcess sim;
    // The simulator's stable path and lock stay inside the test's prefix.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_STATE_HOME"), drive.prefix() + QStringLiteral("/state"));
    sim.setProcessEnvironment(env);
    sim.start(devsim, {"--port", "3", "--log", log, "--quiet", "--duration", "60"});
    QVERIFY(sim.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(drive.prefix() + QStringLiteral("/dosdevices/com3")).isSymLink(), 5000);

    QtClock clock;
    {
        MainWindowController form(clock);
        form.FormCreate(); // the start-up stream takes a little over five seconds
        QVERIFY(form.window().isVisible());
        QVERIFY(!form.ended());
        QVERIFY(drive.has(paths::RunMarker));
        QTRY_VERIFY_WITH_TIMEOUT(!form.app().state().Staruji, 5000); // stand-by lighting sent

        // Minimised during a wait, the window comes back; while idle it stays down.
        QTimer::singleShot(200, &form.window(), [&form] { form.window().showMinimized(); });
        form.app().waits().TimenZapsat1();
        QVERIFY(!form.window().isMinimized());
        form.window().showMinimized();
        QTest::qWait(100);
        QVERIFY(form.window().isMinimized());
        form.window().showNormal();
        form.window().control<QPushButton>("Konec")->click();
        QVERIFY(form.ended());
        QVERIFY(!drive.has(paths::RunMarker));
    }
    sim.terminate();
    QVERIFY(sim.waitForFinished(5000));

    QFile f(log);
    QVERIFY(f.open(QIODevice::ReadOnly));
    // Each received text is logged as shown: time of day, gap, text, meaning.
    static const QRegularExpression received(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3} +(?:first|\\+[\\d.]+ s)  (\\S+) \u2192 "));
    QStringList texts;
    for (const QString &line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n')))
        if (const auto m = received.match(line); m.hasMatch())
            texts << m.captured(1);
    QCOMPARE(texts, (QStringList{"22", "88", "66", "44", "12", "20"}));
}

void TestSmoke::schedulePreviewAgreesWithTheController()
{
    test::TempDrive drive;
    drive.installPictures();
    const QString program = drive.native(QStringLiteral("C:\\OrvaTherapy\\demo.txt"));
    drive.put(QStringLiteral("C:\\OrvaTherapy\\demo.txt"),
              "[One]\r\nA\t\t10.000\t0\tHz\t0\t0\t30\r\nB\t100.000\t200.000\t\tHz\t0\t0\t40\r\n[STOP]\r\n");

    // The controller as the window runs it, headless in virtual time.
    VirtualClock clock;
    MemorySurface ui{design::mainWindowControls()};
    RecordingPort port(clock);
    ScriptedDialogs dialogs;
    Application app(clock, ui, port, dialogs);
    app.run("Nastav", [&] { app.shell().Nastav(); });
    clock.advance(4000); // stand-by lighting done
    dialogs.chooseFile(QStringLiteral("C:\\OrvaTherapy\\demo.txt"));
    app.run("Open", [&] { app.program().Open(); });
    ui.setIndex("Zakladmemo", 0);
    app.run("ZakladMemoCliknul", [&] { app.program().ZakladMemoCliknul(); });
    port.clearWrites();
    const qint64 t0 = clock.nowMs();
    app.run("Play", [&] { app.playback().Play(); });
    QVector<RecordingPort::Write> played;
    for (const auto &w : port.writes())
        played.push_back({w.ms - t0, w.text});

    ScheduleOptions o;
    o.file = program;
    o.entries = {1};
    const ScheduleResult r = runSchedule(o);
    QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
    QVector<RecordingPort::Write> predicted;
    for (const auto &w : r.writes)
        predicted.push_back({w.ms, w.text});
    QVERIFY(played.size() > 10);
    QCOMPARE(predicted, played);
}

QTEST_MAIN(TestSmoke)
#include "tst_smoke.moc"
