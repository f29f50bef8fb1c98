// Start-up, the delayed stand-by lighting, the exits and the exception
// handler, run headless in virtual time with scripted dialogs.

#include "app/Application.h"
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/ErrorPolicy.h"
#include "device/DeviceLink.h"
#include "device/PortLink.h"
#include "panels/SettingsPanel.h"
#include "device/Waits.h"
#include "playback/PlaybackController.h"
#include "i18n/Catalogue.h"
#include "program/ProgramController.h"
#include "program/RowParser.h"
#include "storage/DataFolder.h"
#include "storage/FileError.h"
#include "storage/Paths.h"
#include "support/HeadlessApp.h"
#include "support/Rows.h"
#include "support/TempDrive.h"
#include "core/ControlSurface.h"
#include "ui/MainWindowDesign.h"

#include <QtTest>

using namespace zovt;
using Writes = QVector<RecordingPort::Write>;

namespace {

const char *const kNoFile = "<no file>";

struct Fixture : test::HeadlessApp {
    explicit Fixture(bool pictures = true) : HeadlessApp(options(pictures)) {}
    static Options options(bool pictures)
    {
        Options o;
        o.pictures = pictures;
        return o;
    }
    // Lets virtual time run; an exit that begins meanwhile ends the run.
    void runFor(qint64 ms)
    {
        try {
            clock.advance(ms);
        } catch (const ExitUnwind &) {
        }
    }
    // A list of programs of one row each, the first selected.
    void loadPrograms(int programs, const char *rowText)
    {
        QStringList lines;
        for (int i = 1; i <= programs; ++i)
            lines << QStringLiteral("[P%1]").arg(i) << test::row(rowText);
        lines << QStringLiteral("[STOP]");
        ui.setLines("NacistMemo", lines);
        app->program().VyplnZaklMemo();
        ui.setIndex("Zakladmemo", 0);
        app->program().ZakladMemoCliknul();
        app->playback().playStarted = [this](int e) { started << e; };
    }
    QList<int> started;
};

const char *const kZeroRow = "a||10.000|0|Hz|0|0|0";
const char *const kMinuteRow = "a||10.000|0|Hz|0|1|0";

} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void firstStartOnEmptyDrive();
    void shippedFilesAreFoundBesideTheProgram_data();
    void shippedFilesAreFoundBesideTheProgram();
    void dataFolderIsCompletedFromTheShippedFiles_data();
    void dataFolderIsCompletedFromTheShippedFiles();
    void installedFirstStartListsTheDemo();
    void hooksBetweenSubsystemsAreBound();
    void unboundCallIsRefused_data();
    void unboundCallIsRefused();
    void errorKinds_data();
    void errorKinds();
    void oldFirmwareStream();
    void newFirmwareSendsOnlyStandBy();
    void settingsFiles_data();
    void settingsFiles();
    void malformedFileStopsBeforeThePort_data();
    void malformedFileStopsBeforeThePort();
    void markerQuestion_data();
    void markerQuestion();
    void konecEndsAndRemovesMarker();
    void exitInsideAWaitWritesNothingMore();
    void formCloseDeletesOnlyTheMarker();
    void portErrorAtStartUp_data();
    void portErrorAtStartUp();
    void portErrorAfterStartUp();
    void portStripKeepsANumberNotTyped_data();
    void portStripKeepsANumberNotTyped();
    void otherErrorsAreDroppedSilently();
    void waitPictures();
    void cycleUnwoundByErrorReleasesThePort();
    void standByLightingWaitsForAPlaybackToEnd();
    void playAllRightAfterStartUp();
    void playWaitsForTheDeviceOperation_data();
    void playWaitsForTheDeviceOperation();
    void portErrorInAnEarlyPlaybackIsNoStartUpError();
    void lostDeviceEndsAtOnce();
    void deviceGoneBetweenCyclesEndsWithinATick();
    void closeBoxDuringAPlayback();
    void settingsPanelStopsAtABadLightingLine();
    void portNumberCheck_data();
    void portNumberCheck();
    void settingsPanelSavesTheOptions();
};

void TestStartup::firstStartOnEmptyDrive()
{
    Fixture f;
    f.start();
    for (const char *dir : {"C:\\OrvaTherapy", "C:\\OrvaTherapy\\QDBZ5", "C:\\WooZovDaz9"})
        QVERIFY2(f.drive.has(QString::fromLatin1(dir)), dir);
    QVERIFY(f.drive.has(paths::RunMarker));
    QVERIFY(f.dialogs.shown().empty());
    const WindowState &st = f.app->state();
    QCOMPARE(st.Languagem, 0);
    QCOMPARE(st.comPort, 3);
    QCOMPARE(st.ScaleFontTXT, 10);
    for (const char *g : {"R_Night", "R_Stadby", "R_Power"})
        QCOMPARE(f.ui.index(QString::fromLatin1(g)), 0);
    for (const char *hidden : {"Wishes", "OpenSBZ", "Kikratebar", "Kolikrate"})
        QVERIFY2(!f.ui.isVisible(QString::fromLatin1(hidden)), hidden);
    QCOMPARE(f.ui.text("Konec"), QString::fromUtf8("Konec"));
    QCOMPARE(f.ui.text("WritedCom"), QStringLiteral("I12"));
    QCOMPARE(f.ui.picture("COMconct"), paths::PicGreen);
    QVERIFY(f.ui.isEnabled("Open"));
    QVERIFY(st.Staruji);
    f.clock.advance(4000);
    QVERIFY(!st.Staruji);
}

namespace {

// A folder of shipped files as the package lays them out: the project's
// default pictures and demo programs.
void shipInto(const QString &dir)
{
    QVERIFY(QDir().mkpath(dir + QStringLiteral("/PicWorvat")));
    QVERIFY(QDir().mkpath(dir + QStringLiteral("/examples")));
    const QDir pictures(QStringLiteral(ZOVT_SOURCE_DIR "/data/PicWorvat"));
    for (const QString &name : pictures.entryList(QDir::Files))
        QVERIFY(QFile::copy(pictures.filePath(name), dir + QStringLiteral("/PicWorvat/") + name));
    QVERIFY(QFile::copy(QStringLiteral(ZOVT_SOURCE_DIR "/examples/demo.txt"), dir + QStringLiteral("/examples/demo.txt")));
}

int shippedPictureCount() { return int(QDir(QStringLiteral(ZOVT_SOURCE_DIR "/data/PicWorvat")).entryList(QDir::Files).size()); }

} // namespace

void TestStartup::shippedFilesAreFoundBesideTheProgram_data()
{
    QTest::addColumn<QString>("shipped");    // where the shipped files lie, below the scratch folder; empty: nowhere
    QTest::addColumn<QString>("executable"); // the program's folder, below the scratch folder
    QTest::newRow("installed prefix") << "usr/share/zovt-generator" << "usr/bin";
    QTest::newRow("build tree") << "build/share/zovt-generator" << "build";
    QTest::newRow("build tree, a tool") << "build/share/zovt-generator" << "build/tools";
    QTest::newRow("nothing shipped") << "" << "usr/bin";
}

// The package, `cmake --install` to any prefix and the build tree all find
// their pictures.
void TestStartup::shippedFilesAreFoundBesideTheProgram()
{
    QFETCH(QString, shipped);
    QFETCH(QString, executable);
    QTemporaryDir scratch;
    QVERIFY(QDir().mkpath(scratch.filePath(executable)));
    if (!shipped.isEmpty())
        QVERIFY(QDir().mkpath(scratch.filePath(shipped + QStringLiteral("/PicWorvat"))));
    const QString found = datafolder::shippedDir(scratch.filePath(executable));
    QCOMPARE(found, shipped.isEmpty() ? QString() : QDir::cleanPath(scratch.filePath(shipped)));
}

void TestStartup::dataFolderIsCompletedFromTheShippedFiles_data()
{
    QTest::addColumn<bool>("dataFolder");   // the data folder exists already
    QTest::addColumn<bool>("ownRed");       // the user's own red picture lies there as "1red.JPG"
    QTest::addColumn<bool>("ownDemo");      // a demo file lies at the demo's place already
    QTest::addColumn<bool>("shipped");      // the shipped files are found
    QTest::addColumn<int>("added");
    QTest::addColumn<bool>("handedOver");
    QTest::addColumn<bool>("problem");
    const int all = shippedPictureCount();
    QTest::newRow("first start") << false << false << false << true << all << true << false;
    QTest::newRow("first start, a demo of the user's") << false << false << true << true << all << true << false;
    // The user's red picture stays, and the default's sharper twin stays out.
    QTest::newRow("later start, own picture kept") << true << true << false << true << all - 2 << false << false;
    QTest::newRow("nothing shipped") << false << false << false << false << 0 << false << true;
}

void TestStartup::dataFolderIsCompletedFromTheShippedFiles()
{
    QFETCH(bool, dataFolder);
    QFETCH(bool, ownRed);
    QFETCH(bool, ownDemo);
    QFETCH(bool, shipped);
    QFETCH(int, added);
    QFETCH(bool, handedOver);
    QFETCH(bool, problem);
    test::TempDrive drive;
    QTemporaryDir from;
    shipInto(from.path());
    if (dataFolder)
        drive.put(paths::DataDir + QStringLiteral("\\COM_Nr.dat"), "3\r\n");
    if (ownRed)
        drive.put(paths::PicDir + QStringLiteral("\\1red.JPG"), "mine");
    if (ownDemo)
        drive.put(datafolder::DemoProgram, "[Mine]\r\n[STOP]\r\n");

    const datafolder::Prepared p = datafolder::prepare(shipped ? from.path() : QString());
    QCOMPARE(p.firstStart, !dataFolder);
    QCOMPARE(p.picturesAdded.size(), added);
    QCOMPARE(p.problems.isEmpty(), !problem);
    QVERIFY(drive.has(paths::PicDir));
    if (ownRed)
        QCOMPARE(drive.get(paths::PicRed), QByteArray("mine"));
    else if (shipped)
    {
        QFile red(from.filePath(QStringLiteral("PicWorvat/1RED.jpg")));
        QVERIFY(red.open(QIODevice::ReadOnly));
        QCOMPARE(drive.get(paths::PicRed), red.readAll());
    }
    QCOMPARE(p.demoHandedOver, handedOver ? datafolder::DemoProgram : QString());
    QCOMPARE(drive.has(paths::ProgramHandOff), handedOver);
    if (handedOver)
        QCOMPARE(drive.get(paths::ProgramHandOff), datafolder::DemoProgram.toLatin1() + "\r\n");
    if (ownDemo)
        QCOMPARE(drive.get(datafolder::DemoProgram), QByteArray("[Mine]\r\n[STOP]\r\n"));
    // A second start finds nothing to do.
    const datafolder::Prepared again = datafolder::prepare(shipped ? from.path() : QString());
    QVERIFY(!again.firstStart && again.picturesAdded.isEmpty() && again.demoHandedOver.isEmpty());
}

// An installed copy started with no data folder: no message, the pictures
// shown, the demo listed, the window usable.
void TestStartup::installedFirstStartListsTheDemo()
{
    Fixture f(false);
    QTemporaryDir from;
    shipInto(from.path());
    datafolder::prepare(from.path());
    f.start();
    for (const auto &shown : f.dialogs.shown())
        QFAIL(qPrintable(shown.text));
    QCOMPARE(f.ui.picture("COMconct"), paths::PicGreen);
    const QStringList listed = f.ui.lines(QStringLiteral("Zakladmemo"));
    QVERIFY2(!listed.isEmpty() && listed.first().trimmed() == QStringLiteral("Single frequency 10 Hz"), qPrintable(listed.join(QLatin1Char('|'))));
    QVERIFY(f.ui.isEnabled("Open"));
}

// A hook nobody binds would make its subsystem silently do nothing.
void TestStartup::hooksBetweenSubsystemsAreBound()
{
    Fixture f;
    QCOMPARE(f.app->unboundHooks(), QStringList());
}

// Every call between subsystems, left unbound, refuses the application at
// construction (the check the constructor runs last), naming the call.
void TestStartup::unboundCallIsRefused_data()
{
    QTest::addColumn<QString>("call");
    Operations none;
    QCOMPARE(none.unbound().size(), 19); // a new call needs its row in the check
    for (const QString &name : none.unbound())
        QTest::newRow(qPrintable(name)) << name;
}

void TestStartup::unboundCallIsRefused()
{
    QFETCH(QString, call);
    Fixture f;
    Operations ops = f.app->ctx().ops;
    ops.requireBound();
    QVERIFY(ops.unbind(call));
    QCOMPARE(ops.unbound(), QStringList{call});
    try {
        ops.requireBound();
        QFAIL("an unbound call was accepted");
    } catch (const std::logic_error &e) {
        QVERIFY2(QString::fromUtf8(e.what()).endsWith(call), e.what());
    }
    // Made all the same, the call is a programming error, never a quiet no-op.
    QVERIFY_THROWS_EXCEPTION(std::logic_error, Operations::run({}));
    QCOMPARE(errorKind(std::make_exception_ptr(std::logic_error("unbound"))), ErrorKind::Programming);

    // A test composes only what it looks at and records the rest by name.
    QStringList recorded;
    ops.bindUnbound([&recorded](const QString &name) { recorded << name; });
    QVERIFY(ops.unbound().isEmpty());
    if (call == QLatin1String("protocolEnd")) {
        Operations::run(ops.protocolEnd);
        QCOMPARE(recorded, QStringList{call});
    }
}

// One policy says what an error does: the exit's unwind is none, a port
// error ends the program, a logic error is a programming error, and every
// other error ends its operation only. Each says what it is about in its
// message, read as UTF-8; one that is no standard exception has none.
void TestStartup::errorKinds_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("exit") << 0 << int(ErrorKind::Exit) << "application exit";
    QTest::newRow("port") << 1 << int(ErrorKind::EndsProgram) << "Specified device not found (COM3).";
    QTest::newRow("logic") << 2 << int(ErrorKind::Programming) << "no control named X";
    QTest::newRow("file") << 3 << int(ErrorKind::EndsOperation) << "C:\\x";
    QTest::newRow("not std") << 4 << int(ErrorKind::EndsOperation) << "unknown error";
    QTest::newRow("accented file") << 5 << int(ErrorKind::EndsOperation) << QStringLiteral("C:\\Klienti\\Nováková.txt");
}

void TestStartup::errorKinds()
{
    QFETCH(int, which);
    QFETCH(int, kind);
    QFETCH(QString, message);
    const std::exception_ptr errors[] = {
        std::make_exception_ptr(ExitUnwind()),
        std::make_exception_ptr(EVaCommError(QStringLiteral("Specified device not found (COM3)."))),
        std::make_exception_ptr(std::logic_error("no control named X")),
        std::make_exception_ptr(WriteError("C:\\x")),
        std::make_exception_ptr(42),
        std::make_exception_ptr(WriteError(QStringLiteral("C:\\Klienti\\Nováková.txt").toStdString())),
    };
    QCOMPARE(int(errorKind(errors[which])), kind);
    QCOMPARE(endsOperationOnly(errors[which]), kind == int(ErrorKind::EndsOperation));
    QCOMPARE(errorMessage(errors[which]), message);
}

void TestStartup::oldFirmwareStream()
{
    Fixture f;
    f.start();
    f.clock.advance(5000);
    // Five commands a second apart; the port closes (300 ms) and the stand-by
    // lighting follows 3000 ms after start-up has finished.
    const Writes expected{{0, "22"}, {1000, "88"}, {2000, "66"}, {3000, "44"}, {4000, "12"}, {8300, "20"}};
    QCOMPARE(f.port.writes(), expected);
    QCOMPARE(f.port.openCount(), 2);
    QVERIFY(!f.port.active());
    QVERIFY(!f.ui.isChecked("PortOpen"));
}

void TestStartup::newFirmwareSendsOnlyStandBy()
{
    Fixture f;
    f.drive.put(paths::NewFirmwareFlag, {});
    f.drive.put(paths::LightSettingsFile, "2\r\n1\r\n4\r\n\r\n\r\n\r\n\r\n");
    f.start();
    f.clock.advance(5000);
    const Writes expected{{3300, "21"}};
    QCOMPARE(f.port.writes(), expected);
    QCOMPARE(f.ui.index("R_Power"), 4);
    QCOMPARE(f.ui.text("WritedCom"), QStringLiteral("21"));
}

void TestStartup::settingsFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("check");
    QTest::newRow("dLangv english") << paths::LangFile << QByteArray("\x01\x00\x00\x00", 4) << "lang=1";
    QTest::newRow("dLangv german") << paths::LangFile << QByteArray("\x02\x00\x00\x00", 4) << "lang=2";
    QTest::newRow("companion language text") << paths::ZovToolLangFile << QByteArray("1") << "lang=1";
    QTest::newRow("font scale 12") << paths::FontScaleFile << QByteArray("\x0c") << "font=12/10";
    QTest::newRow("companion font scale") << paths::ZovToolFontScaleFile << QByteArray("\x09") << "font=9/9";
    QTest::newRow("smaller fonts") << paths::ScaleWindowsFlag << QByteArray() << "font=10/8";
    QTest::newRow("port 7") << paths::ComNrFile << QByteArray("7\r\n") << "port=7";
    QTest::newRow("DBZ button") << paths::VisDbzFlag << QByteArray() << "visible=OpenSBZ";
    QTest::newRow("repeat counter") << paths::RepeatAllFlag << QByteArray() << "visible=Kikratebar";
    QTest::newRow("client folder") << paths::ClientDirFile << QByteArray("D:\\Clients\\\r\n") << "text=PRSAdresaDBZ=D:\\Clients\\";
    QTest::newRow("export root") << paths::ExportRootFile << QByteArray("E:\\Export\r\n") << "text=PRSAdresaPresmerovani=E:\\Export";
    QTest::newRow("wish flag is deleted first") << paths::WishesFlag << QByteArray() << "hidden=Wishes";
}

void TestStartup::settingsFiles()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, check);
    Fixture f;
    f.drive.put(file, bytes);
    f.start();
    const WindowState &st = f.app->state();
    const QStringList c = check.split(QLatin1Char('='));
    if (c[0] == "lang")
        QCOMPARE(st.Languagem, c[1].toInt());
    else if (c[0] == "font")
        QCOMPARE(QStringLiteral("%1/%2").arg(st.ScaleFontTXT).arg(st.ScaleFontTXTSec), c[1]);
    else if (c[0] == "port") {
        QCOMPARE(st.comPort, c[1].toInt());
        QCOMPARE(f.port.portNum(), c[1].toInt());
    } else if (c[0] == "visible")
        QVERIFY(f.ui.isVisible(c[1]));
    else if (c[0] == "hidden") {
        QVERIFY(!f.ui.isVisible(c[1]));
        QVERIFY(!f.drive.has(file));
    } else if (c[0] == "text")
        QCOMPARE(f.ui.text(c[1]), c[2]);
    QVERIFY(f.dialogs.shown().empty());
}

void TestStartup::malformedFileStopsBeforeThePort_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty dLangv") << paths::LangFile << QByteArray();
    QTest::newRow("empty font scale") << paths::FontScaleFile << QByteArray();
    QTest::newRow("port not a number") << paths::ComNrFile << QByteArray("COM3");
    QTest::newRow("lighting line not a number") << paths::LightSettingsFile << QByteArray("1\r\nx\r\n2\r\n");
    QTest::newRow("lighting too short") << paths::LightSettingsFile << QByteArray("1\r\n2\r\n");
    QTest::newRow("stand-by and power beyond their items") << paths::LightSettingsFile << QByteArray("0\r\n5\r\n9\r\n");
    QTest::newRow("power beyond its items") << paths::LightSettingsFile << QByteArray("0\r\n1\r\n6\r\n");
    QTest::newRow("night below its items") << paths::LightSettingsFile << QByteArray("-1\r\n0\r\n0\r\n");
    QTest::newRow("two numbers on a line") << paths::LightSettingsFile << QByteArray("1 2\r\n0\r\n0\r\n");
    QTest::newRow("missing picture") << paths::PicRed << QByteArray();
}

void TestStartup::malformedFileStopsBeforeThePort()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, bytes);
    Fixture f;
    if (file == paths::PicRed)
        QFile::remove(f.drive.native(file));
    else
        f.drive.put(file, bytes);
    f.start();
    f.clock.advance(5000);
    QCOMPARE(int(f.dialogs.shown().size()), 1);
    QCOMPARE(f.dialogs.shown().front().kind, ScriptedDialogs::Shown::Error);
    QCOMPARE(f.port.openCount(), 0);
    QVERIFY(f.port.writes().isEmpty());
    QVERIFY(!f.ui.isEnabled("Open"));
    QVERIFY(f.ui.isEnabled("Konec"));
    QVERIFY(!f.app->shell().ended());
}

void TestStartup::markerQuestion_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("yes runs") << true;
    QTest::newRow("no ends at once") << false;
}

void TestStartup::markerQuestion()
{
    QFETCH(bool, yes);
    Fixture f;
    f.drive.put(paths::RunMarker, "keep");
    yes ? f.dialogs.answerYes() : f.dialogs.answerNo();
    f.start();
    QCOMPARE(int(f.dialogs.shown().size()), 1);
    QCOMPARE(f.dialogs.shown().front().text,
             QString::fromUtf8("Program je již spuštěn, nebo nebyl správně ukončen. Chcete opravdu spustit?"));
    QCOMPARE(f.app->shell().ended(), !yes);
    QCOMPARE(f.port.openCount(), yes ? 1 : 0);
    // Yes recreates the marker empty; No leaves it untouched.
    QCOMPARE(f.drive.get(paths::RunMarker), yes ? QByteArray() : QByteArray("keep"));
}

void TestStartup::konecEndsAndRemovesMarker()
{
    Fixture f;
    f.start();
    f.clock.advance(4000);
    f.app->run("Konec", [&] { f.app->shell().Konec(); });
    QVERIFY(f.app->shell().ended());
    QVERIFY(!f.drive.has(paths::RunMarker));
    QVERIFY(f.clock.exiting());
}

void TestStartup::exitInsideAWaitWritesNothingMore()
{
    Fixture f;
    auto click = f.clock.createTimer();
    click->setSingleShot(true);
    click->setInterval(1500);
    click->setCallback([&] { f.app->shell().Konec(); });
    click->start();
    f.start();
    const Writes expected{{0, "22"}, {1000, "88"}};
    QCOMPARE(f.port.writes(), expected);
    QVERIFY(!f.port.active());
    QVERIFY(!f.drive.has(paths::RunMarker));
}

void TestStartup::formCloseDeletesOnlyTheMarker()
{
    Fixture f;
    f.start();
    f.app->shell().FormClose();
    QVERIFY(!f.drive.has(paths::RunMarker));
    QVERIFY(!f.app->shell().ended());
}

void TestStartup::portErrorAtStartUp_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("yes shows the port strip") << true;
    QTest::newRow("no ends") << false;
}

void TestStartup::portErrorAtStartUp()
{
    QFETCH(bool, yes);
    Fixture f;
    f.drive.put(paths::ComNrFile, "7\r\n");
    f.port.setFailOpen(true);
    yes ? f.dialogs.answerYes() : f.dialogs.answerNo();
    f.start();
    QCOMPARE(int(f.dialogs.shown().size()), 1);
    QCOMPARE(f.dialogs.shown().front().kind, ScriptedDialogs::Shown::Confirm);
    QVERIFY(f.dialogs.shown().front().text.startsWith(QString::fromUtf8("Chyba portu, zařízení nebude pracovat.")));
    QVERIFY(!f.ui.isChecked("PortOpen"));
    if (!yes) {
        QVERIFY(f.app->shell().ended());
        QVERIFY(!f.drive.has(paths::RunMarker));
        return;
    }
    QVERIFY(!f.app->shell().ended());
    QVERIFY(f.ui.isVisible("PanelSettigCOM"));
    QVERIFY(!f.ui.isVisible("PanelSettig"));
    QCOMPARE(f.ui.text("COM_Nr"), QStringLiteral("7"));
    // Port 7 leads nowhere in the test's prefix: the hint says so.
    QVERIFY2(f.ui.toolTip("COM_Nr").startsWith(QStringLiteral("COM7 (")), qPrintable(f.ui.toolTip("COM_Nr")));
    QVERIFY(f.ui.toolTip("COM_Nr").contains(QStringLiteral("no such device")));
    f.drive.put(paths::VisDbzFlag, {});
    f.ui.setText("COM_Nr", QStringLiteral("5"));
    f.app->run("SettSave", [&] {
        QVERIFY(f.app->settings().COM_NrExit());
        f.app->settings().SettSaveClick();
    });
    QCOMPARE(f.drive.get(paths::ComNrFile), QByteArray("5\r\n"));
    QVERIFY(f.drive.has(paths::VisDbzFlag)); // the strip alone leaves the options
    QVERIFY(f.app->shell().ended());
}

void TestStartup::portStripKeepsANumberNotTyped_data()
{
    QTest::addColumn<QByteArray>("stored"); // kNoFile: none
    QTest::addColumn<QString>("typed");     // "=": the field as offered
    QTest::addColumn<QByteArray>("after");  // kNoFile: none

    QTest::newRow("offered number kept") << QByteArray("7\r\n") << "=" << QByteArray("7\r\n");
    QTest::newRow("blank-padded number not deleted") << QByteArray(" 7 \r\n") << "=" << QByteArray(" 7 \r\n");
    QTest::newRow("no number, nothing typed") << QByteArray(kNoFile) << "=" << QByteArray(kNoFile);
    QTest::newRow("typed number saved") << QByteArray(" 7 \r\n") << "5" << QByteArray("5\r\n");
    QTest::newRow("field emptied deletes") << QByteArray("7\r\n") << "" << QByteArray(kNoFile);
}

// OK on the COM strip after a start-up port error stores only what the
// operator typed.
void TestStartup::portStripKeepsANumberNotTyped()
{
    QFETCH(QByteArray, stored);
    QFETCH(QString, typed);
    QFETCH(QByteArray, after);
    Fixture f;
    if (stored != kNoFile)
        f.drive.put(paths::ComNrFile, stored);
    f.port.setFailOpen(true);
    f.dialogs.answerYes();
    f.start();
    QVERIFY(f.ui.isVisible("PanelSettigCOM"));
    if (typed != QLatin1String("="))
        f.ui.setText("COM_Nr", typed);
    f.app->run("SettSave", [&] { f.app->settings().SettSaveClick(); });
    QVERIFY(f.app->shell().ended());
    if (after == kNoFile)
        QVERIFY(!f.drive.has(paths::ComNrFile));
    else
        QCOMPARE(f.drive.get(paths::ComNrFile), after);
}

void TestStartup::portErrorAfterStartUp()
{
    Fixture f;
    f.start();
    f.clock.advance(4000);
    QVERIFY(!f.app->state().Staruji);
    f.port.setFailOpen(true); // the device was pulled
    f.app->run("C_Max", [&] { f.app->settings().C_MaxClick(); });
    QCOMPARE(int(f.dialogs.shown().size()), 1);
    QCOMPARE(f.dialogs.shown().front().kind, ScriptedDialogs::Shown::Message);
    QCOMPARE(f.dialogs.shown().front().text,
             QString::fromUtf8("Chyba portu, zařízení nebude pracovat.") + QString(36, QLatin1Char(' ')) +
                 QStringLiteral("Alt+F4    (Ctrl+ Alt+ Delete)"));
    QVERIFY(f.app->shell().ended());
}

void TestStartup::otherErrorsAreDroppedSilently()
{
    Fixture f;
    f.start();
    f.clock.advance(4000);
    QFile::remove(f.drive.native(paths::PicRed));
    const int writes = f.port.writes().size();
    f.app->run("C_Max", [&] { f.app->settings().C_MaxClick(); });
    QVERIFY(f.dialogs.shown().empty());
    QVERIFY(!f.app->shell().ended());
    QCOMPARE(f.port.writes().size(), writes + 1); // "98" went out before the wait failed
    // The next cycle is not blocked by a port left held.
    f.drive.installPictures();
    f.app->run("C_Max", [&] { f.app->settings().C_MaxClick(); });
    QCOMPARE(f.port.writes().size(), writes + 2);
}

void TestStartup::waitPictures()
{
    Fixture f;
    QStringList seen;
    auto probe = f.clock.createTimer();
    probe->setInterval(250);
    probe->setCallback([&] { seen << f.ui.picture("COMconct").section(QLatin1Char('\\'), -1); });
    probe->start();
    f.app->waits().TimenZapsatPul();
    QCOMPARE(seen, (QStringList{"1RED.jpg", "2ORANGE.jpg", "2ORANGE.jpg"}));
    QCOMPARE(f.ui.picture("COMconct"), paths::PicGreen);
    seen.clear();
    probe->start();
    f.app->waits().TimenZapsat();
    QCOMPARE(seen, (QStringList{"2ORANGE.jpg", "1RED.jpg", "1RED.jpg"}));
    QVERIFY(!f.app->waits().running(Waits::Timer3));
}

void TestStartup::cycleUnwoundByErrorReleasesThePort()
{
    Fixture f;
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, f.app->device().cycle([] { throw std::runtime_error("x"); }));
    QVERIFY(!f.ui.isChecked("PortOpen"));
    QVERIFY(!f.port.active());
}

// The delayed stand-by lighting falls due while a playback runs: it waits
// for the playback to end, and start-up is over when it fell due.
void TestStartup::standByLightingWaitsForAPlaybackToEnd()
{
    Fixture f;
    f.start();
    f.loadPrograms(1, kMinuteRow);
    bool starting = true;
    QStringList before;
    f.at(6000, [&] { f.app->playback().Play(); });
    f.at(9000, [&] {
        starting = f.app->state().Staruji;
        before = f.texts();
    });
    f.runFor(80000);
    QVERIFY(!starting);
    QVERIFY(!before.contains(QStringLiteral("20")));
    QCOMPARE(f.texts().mid(f.texts().size() - 3), (QStringList{"12", "12", "20"}));
    QVERIFY(!f.ui.isChecked("PortOpen"));
    QVERIFY(f.dialogs.shown().empty());
}

// ">>" at once after start-up: the stand-by lighting, due during the first
// program, goes out after it; the next program waits for it and the whole
// list plays.
void TestStartup::playAllRightAfterStartUp()
{
    Fixture f;
    f.start();
    f.loadPrograms(3, kZeroRow);
    f.at(6000, [&] { f.app->playback().PlayVse(); });
    f.runFor(60000);
    QCOMPARE(f.started, (QList<int>{0, 1, 2}));
    QVERIFY(f.dialogs.shown().empty());
    QVERIFY(!f.app->shell().ended());
    QVERIFY(!f.app->state().playopakTl);
    const QStringList w = f.writes();
    // The first program ends at 14700; the lighting holds the port until
    // 16000, when the second program begins.
    QVERIFY2(w.contains(QStringLiteral("14700 20")), qPrintable(w.join(", ")));
    QVERIFY2(w.contains(QStringLiteral("16000 44")), qPrintable(w.join(", ")));
    QVERIFY(!f.ui.isChecked("PortOpen"));
}

void TestStartup::playWaitsForTheDeviceOperation_data()
{
    QTest::addColumn<bool>("newFirmware");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("play");
    QTest::addColumn<QStringList>("writes"); // from the operation on

    // Old firmware: the lighting holds the port from 8300 to 9600.
    QTest::newRow("stand-by lighting") << false << "" << 8800 << QStringList{"8300 20", "9600 44"};
    QTest::newRow("MAX") << false << "C_Max" << 10500 << QStringList{"10000 98", "11300 44"};
    QTest::newRow("OK") << true << "SettSave" << 10500 << QStringList{"10000 20", "12300 30"};
}

// Play pressed while another operation holds the port waits for it to end,
// then plays.
void TestStartup::playWaitsForTheDeviceOperation()
{
    QFETCH(bool, newFirmware);
    QFETCH(QString, operation);
    QFETCH(int, play);
    QFETCH(QStringList, writes);
    Fixture f;
    if (newFirmware)
        f.drive.put(paths::NewFirmwareFlag, {});
    f.start();
    f.loadPrograms(1, kZeroRow);
    if (operation == QLatin1String("C_Max"))
        f.at(10000, [&] { f.app->settings().C_MaxClick(); });
    if (operation == QLatin1String("SettSave"))
        f.at(10000, [&] {
            f.app->settings().SettingClick();
            f.app->settings().SettSaveClick();
        });
    f.at(play, [&] { f.app->playback().Play(); });
    f.runFor(30000);
    QVERIFY(f.dialogs.shown().empty());
    QCOMPARE(f.started, QList<int>{0});
    const QString first = writes.first();
    const QStringList w = f.writes();
    QCOMPARE(w.mid(w.indexOf(first), 2), writes);
    QVERIFY(!f.ui.isChecked("PortOpen"));
}

// A playback started before the stand-by lighting fell due: once start-up is
// over, a port error in it is the port error of a running program.
void TestStartup::portErrorInAnEarlyPlaybackIsNoStartUpError()
{
    Fixture f;
    f.start();
    f.loadPrograms(1, kMinuteRow);
    f.at(6000, [&] { f.app->playback().Play(); });
    f.at(20000, [&] { f.port.setFailOpen(true); });
    f.runFor(80000);
    QCOMPARE(int(f.dialogs.shown().size()), 1);
    QCOMPARE(f.dialogs.shown().front().kind, ScriptedDialogs::Shown::Message);
    QVERIFY(f.app->shell().ended());
}

// The device lost in the middle of a cycle: the port error comes with that
// cycle's close, not as a success.
void TestStartup::lostDeviceEndsAtOnce()
{
    Fixture f;
    f.start();
    f.loadPrograms(1, kMinuteRow);
    f.at(10000, [&] { f.app->playback().Play(); });
    f.at(10500, [&] { f.port.loseDevice(); });
    f.runFor(80000);
    QCOMPARE(int(f.dialogs.shown().size()), 1);
    QCOMPARE(f.dialogs.shown().front().kind, ScriptedDialogs::Shown::Message);
    QVERIFY(f.app->shell().ended());
    // "44" went out; the first value (11300) never did, and its close (12300) ended it.
    QCOMPARE(f.writes().mid(f.writes().size() - 1), QStringList{"10000 44"});
    QVERIFY(!f.port.active());
}

// A device that goes away while the port is closed between two writes (a
// single frequency is written only every 23 ticks) is reported within the
// tick, not at the next write.
void TestStartup::deviceGoneBetweenCyclesEndsWithinATick()
{
    Fixture f;
    f.start();
    f.loadPrograms(1, kMinuteRow);
    f.at(10000, [&] { f.app->playback().Play(); });
    f.at(15000, [&] { f.port.removeDevice(); });
    f.runFor(80000);
    QVERIFY(f.app->shell().ended());
    // The exit stops the clock where it began.
    QVERIFY2(f.clock.nowMs() <= 16300, qPrintable(QString::number(f.clock.nowMs())));
    QCOMPARE(int(f.dialogs.shown().size()), 1);
    QCOMPARE(f.dialogs.shown().front().kind, ScriptedDialogs::Shown::Message);
    QCOMPARE(f.dialogs.shown().front().text, Catalogue::mainWindow().FATisk(902, 0));
}

// The close box during a playback ends the playback first, as Stop does:
// the device goes to stand-by and the protocol is closed; then the window
// closes. At any other moment it closes at once.
void TestStartup::closeBoxDuringAPlayback()
{
    Fixture f;
    f.start();
    QStringList protocol;
    f.app->ctx().ops.protocolEnd = [&] { protocol << QStringLiteral("%1 end").arg(f.clock.nowMs()); };
    f.loadPrograms(2, kMinuteRow);
    bool closedAtOnce = true;
    f.at(10000, [&] { f.app->playback().PlayVse(); });
    f.at(20000, [&] { closedAtOnce = f.app->closeQuery(); });
    f.runFor(80000);
    QVERIFY(!closedAtOnce);
    QCOMPARE(f.started, QList<int>{0});
    // The tick that Stop fell into ends at 20600; then the end light.
    QCOMPARE(f.writes().mid(f.writes().size() - 2), (QStringList{"22100 12", "24900 12"}));
    QCOMPARE(protocol, QStringList{"26700 end"});
    QVERIFY(f.app->shell().ended());
    QVERIFY(!f.drive.has(paths::RunMarker));
    QVERIFY(!f.port.active());

    Fixture idle;
    idle.start();
    QVERIFY(idle.app->closeQuery());
}

// A lighting line that is no item of its group stops the panel's opening at
// that line; OK then writes back only items, never the bad value.
void TestStartup::settingsPanelStopsAtABadLightingLine()
{
    Fixture f;
    f.drive.put(paths::NewFirmwareFlag, {});
    f.start();
    f.clock.advance(4000);
    f.drive.put(paths::LightSettingsFile, "1\r\n7\r\n2\r\n\r\n\r\n\r\n\r\n");
    f.app->run("Setting", [&] { f.app->settings().SettingClick(); });
    QVERIFY(f.ui.isVisible("PanelSettig"));
    QVERIFY(f.dialogs.shown().empty());
    QCOMPARE(f.ui.index("R_Night"), 1);
    QCOMPARE(f.ui.index("R_Stadby"), 0);
    QCOMPARE(f.ui.index("R_Power"), 0);
    f.app->run("SettSave", [&] { f.app->settings().SettSaveClick(); });
    QCOMPARE(f.drive.get(paths::LightSettingsFile), QByteArray("1\r\n0\r\n0\r\n\r\n\r\n\r\n\r\n"));
    f.clock.advance(2000);
    QCOMPARE(f.texts().last(), QStringLiteral("20"));
}

void TestStartup::portNumberCheck_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("7") << "7" << true;
    QTest::newRow("12") << "12" << true;
    QTest::newRow("empty") << "" << true;
    QTest::newRow("service code") << "2649" << true;
    QTest::newRow("0") << "0" << false;
    QTest::newRow("03") << "03" << false;
    QTest::newRow("100") << "100" << false;
    QTest::newRow("leading blank") << " 1" << false;
    QTest::newRow("letter") << "a" << false;
}

void TestStartup::portNumberCheck()
{
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    Fixture f;
    f.ui.setText("COM_Nr", text);
    QCOMPARE(f.app->settings().COM_NrExit(), accepted);
    QCOMPARE(f.ui.isVisible("C_Max"), text == QLatin1String("2649"));
    if (accepted) {
        QVERIFY(f.dialogs.shown().empty());
        QCOMPARE(f.ui.text("COM_Nr"), text);
    } else {
        QCOMPARE(f.dialogs.shown().front().text, QString::fromUtf8("POZOR: špatně zadaný COM port!"));
        QCOMPARE(f.ui.text("COM_Nr"), QString());
    }
}

void TestStartup::settingsPanelSavesTheOptions()
{
    Fixture f;
    f.drive.put(paths::LightSettingsFile, "1\r\n2\r\n5\r\n\r\n\r\n\r\n\r\n");
    f.drive.put(paths::NewFirmwareFlag, {});
    f.start();
    f.clock.advance(4000);
    f.app->run("Setting", [&] { f.app->settings().SettingClick(); });
    QVERIFY(f.ui.isVisible("PanelSettig"));
    QCOMPARE(f.ui.index("R_Power"), 5);
    f.ui.setIndex("R_Stadby", 1);
    f.ui.setChecked("OpakVSEZ", true);
    f.ui.setText("COM_Nr", QString());
    const int before = f.port.writes().size();
    f.app->run("SettSave", [&] { f.app->settings().SettSaveClick(); });
    QCOMPARE(f.drive.get(paths::LightSettingsFile), QByteArray("1\r\n1\r\n5\r\n\r\n\r\n\r\n\r\n"));
    QVERIFY(f.drive.has(paths::RepeatAllFlag));
    QVERIFY(!f.drive.has(paths::ComNrFile));
    QVERIFY(f.ui.isVisible("Kikratebar"));
    QCOMPARE(f.port.writes().size(), before + 1);
    QCOMPARE(f.port.writes().last().text, QByteArray("21"));
    QVERIFY(!f.ui.isVisible("PanelSettig"));
    QVERIFY(!f.app->shell().ended());
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
