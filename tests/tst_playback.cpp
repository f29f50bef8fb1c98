// The playback operation around the row loop: start and end lighting for
// both firmware variants and the colour modes, control states in every
// phase, the played marks, play-all sequencing with and without repetition,
// closing at the end, Stop, the running bar, and how errors end a playback.

#include "panels/SettingsPanel.h"
#include "device/PortLink.h"
#include "playback/PlaybackController.h"
#include "program/ProgramController.h"
#include "program/RowParser.h"
#include "storage/Paths.h"
#include "support/Headless.h"
#include "support/TempDrive.h"

#include <QtTest>


using namespace zovt;

namespace {

using test::row;

// A window after start-up with default settings, headless.
struct Window : test::WithDrive, test::Headless {
    ProgramController programs{ctx};
    PlaybackController playback{ctx};
    QStringList calls;     // hooks in the order they ran, with their time
    QList<int> started;    // entries as their playbacks began
    int konec = 0;

    Window()
    {
        ui.enable({"Open", "OpenZov", "OpenSBZ", "JasLED", "VykonIR", "ZpomalLED", "Wishes", "Konec"}, true);
        ui.setText(QStringLiteral("Pause"), QStringLiteral("||"));
        ui.setIndex(QStringLiteral("Kikratebar"), 1);
        playback.KikratebarChange();
        ui.showPicture(QStringLiteral("PlayUkaz"), paths::PicGreen);
        ctx.ops.ZakladMemoCliknul = [this] { select(ui.index(QStringLiteral("Zakladmemo"))); };
        ctx.ops.Konec = [this] { ++konec; };
        ctx.ops.protocolStart = [this] { log("protocolStart"); };
        ctx.ops.protocolEnd = [this] { log("protocolEnd"); };
        ctx.ops.wishPlayStart = [this] { log("wishPlayStart"); };
        ctx.ops.wishPlayEnd = [this] { log("wishPlayEnd"); };
        ctx.ops.reloadWishText = [this] { log("reloadWishText"); };
        ctx.ops.fillClientFromRecord = [this](const QString &r) { log("client " + r); };
        playback.playStarted = [this](int e) { started << e; };
    }

    void log(const QString &what) { calls << QStringLiteral("%1 %2").arg(clock.nowMs()).arg(what); }

    void load(const QStringList &lines) { test::loadProgram(ui, programs, lines); }
    void select(int entry) { test::selectEntry(ui, programs, entry); }
    // Lets a play-all run go on until no further program is due.
    void finishRun() { clock.processUntil([this] { return !playback.TimerStrtVse().isActive(); }); }

    QString entry(int i) const { return ui.line(QStringLiteral("Zakladmemo"), i); }

    // The playback controls as the operator sees them.
    QString controls() const
    {
        const auto on = [this](const char *n) { return ui.isEnabled(QString::fromLatin1(n)) ? "1" : "0"; };
        const auto shown = [this](const char *n) { return ui.isVisible(QString::fromLatin1(n)) ? "1" : "0"; };
        QString pic = ui.picture(QStringLiteral("PlayUkaz"));
        pic = pic.mid(pic.lastIndexOf(QLatin1Char('\\')) + 1);
        return QStringLiteral("play %1%2 pause %3'%4' stop %5%6 ukaz %7 open %8%9%10%11 konec %12 colortype %13 "
                              "other %14%15%16%17%18%19 lights %20%21%22 aux %23%24%25 orvatrin %26 caswrite '%27'")
            .arg(on("Play"), on("PlayVse"), on("Pause"), ui.text(QStringLiteral("Pause")), on("Stop"), on("StopVse"), pic)
            .arg(on("Open"), on("ZovToolEdit"), on("OpenZov"), on("OpenSBZ"), on("Konec"), on("Colortype"))
            .arg(on("Orva_Tlac"), on("Wishes"), on("KlientOpen"), on("Novy"), on("DeleteJm"), on("Play"))
            .arg(shown("JasLED"), shown("VykonIR"), shown("ZpomalLED"), shown("JasLED_Pom"), shown("VykonIR_Pom"),
                 shown("ZpomalLED_Pom"), shown("OrvatrinPowerPc"))
            .arg(ui.text(QStringLiteral("CasWrite")));
    }
};

QStringList programFile(int programs, const char *rowText, const char *header = "[P%1]")
{
    QStringList lines;
    for (int i = 1; i <= programs; ++i)
        lines << QString::fromLatin1(header).arg(i) << row(rowText);
    lines << QStringLiteral("[STOP]");
    return lines;
}

const char *const kZeroRow = "a||10.000|0|Hz|0|0|0";
const char *const kMinuteRow = "a||10.000|0|Hz|0|1|0";

} // namespace

class TestPlayback : public QObject {
    Q_OBJECT
private slots:
    void whatFollowsAPlayback_data();
    void whatFollowsAPlayback();
    void lights_data();
    void lights();
    void lightingCommands_data();
    void lightingCommands();
    void controlStates();
    void controlStatesBetweenPrograms();
    void playedMarks();
    void clientEntry();
    void playWhileWriteShown_data();
    void playWhileWriteShown();
    void wishModeHooks();
    void playAllOrder_data();
    void playAllOrder();
    void closeAtEnd_data();
    void closeAtEnd();
    void stopDuringPlayAll_data();
    void stopDuringPlayAll();
    void errorRunsEndSteps_data();
    void errorRunsEndSteps();
    void errorEndsTheRun_data();
    void errorEndsTheRun();
    void playAllEndsAtAProgramThatCannotBeSelected();
    void portErrorAndExitPassThrough();
    void pausedPlaybackRestoresTheWindow();
    void missingPictures_data();
    void missingPictures();
    void settingsCommandsWaitForThePlayback_data();
    void settingsCommandsWaitForThePlayback();
    void barFrames_data();
    void barFrames();
    void barAnimation();
};

void TestPlayback::lights_data()
{
    QTest::addColumn<bool>("newFirmware");
    QTest::addColumn<int>("colortype");
    QTest::addColumn<bool>("orvatrin");
    QTest::addColumn<QStringList>("writes");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QStringList>("protocol");

    const QStringList oldTail{"1300 1000", "4100 12", "6900 12"};
    const QStringList oldProtocol{"1300 protocolStart", "8700 protocolEnd"};
    QTest::newRow("old, predefined, plain") << false << 0 << false << QStringList{"0 44"} + oldTail << "I12" << oldProtocol;
    QTest::newRow("old, predefined, Orvatrin") << false << 0 << true << QStringList{"0 55"} + oldTail << "I12" << oldProtocol;
    QTest::newRow("old, blending") << false << 1 << false << QStringList{"0 55"} + oldTail << "I12" << oldProtocol;
    QTest::newRow("old, constant, Orvatrin") << false << 2 << true << QStringList{"0 44"} + oldTail << "I12" << oldProtocol;

    // Run lighting before and after the protocol start, "13" twice, then the
    // stand-by lighting twice.
    const auto newFw = [](const char *run) {
        return QStringList{QStringLiteral("1000 %1").arg(run), QStringLiteral("4300 %1").arg(run), "6600 1000",
                           "9400 13", "12200 13", "14000 20", "16800 20"};
    };
    const QStringList newProtocol{"3300 protocolStart", "18600 protocolEnd"};
    QTest::newRow("new, predefined, plain") << true << 0 << false << newFw("30") << "20" << newProtocol;
    QTest::newRow("new, predefined, Orvatrin") << true << 0 << true << newFw("50") << "20" << newProtocol;
    QTest::newRow("new, blending") << true << 1 << false << newFw("50") << "20" << newProtocol;
    QTest::newRow("new, constant, Orvatrin") << true << 2 << true << newFw("30") << "20" << newProtocol;
}

void TestPlayback::lights()
{
    QFETCH(bool, newFirmware);
    QFETCH(int, colortype);
    QFETCH(bool, orvatrin);
    QFETCH(QStringList, writes);
    QFETCH(QString, shown);
    QFETCH(QStringList, protocol);

    Window w;
    w.ui.setChecked(QStringLiteral("VerzeSwZovT"), newFirmware);
    w.load(programFile(1, kZeroRow, orvatrin ? "[QQZovT %1]" : "[P%1]"));
    w.ui.setIndex(QStringLiteral("Colortype"), colortype);
    QString atStart;
    w.at(1100, [&] { atStart = w.ui.text(QStringLiteral("WritedCom")); });
    w.select(0);
    QCOMPARE(w.state.OrvatrinPower, orvatrin);
    w.playback.Play();
    QCOMPARE(w.writes(), writes);
    QCOMPARE(w.ui.text(QStringLiteral("WritedCom")), shown);
    QCOMPARE(w.calls, protocol);
    if (!newFirmware)
        QCOMPARE(atStart, QStringLiteral("I") + writes.first().section(QLatin1Char(' '), 1));
    QVERIFY(!w.ui.isChecked(QStringLiteral("PortOpen")));
}

void TestPlayback::lightingCommands_data()
{
    QTest::addColumn<int>("colortype");
    QTest::addColumn<bool>("orvatrin");
    QTest::addColumn<bool>("bright");
    QTest::addColumn<bool>("slow");
    QTest::addColumn<bool>("night");
    QTest::addColumn<int>("power");
    QTest::addColumn<int>("standby");
    QTest::addColumn<QString>("run");
    QTest::addColumn<QString>("pause");

    QTest::newRow("blending, bright, slow") << 1 << false << true << true << true << 0 << 0 << "50" << "20";
    QTest::newRow("blending, bright, fast") << 1 << false << true << false << true << 0 << 0 << "51" << "20";
    QTest::newRow("blending, dim, slow") << 1 << false << false << true << true << 0 << 1 << "52" << "26";
    QTest::newRow("blending, dim, fast") << 1 << false << false << false << true << 0 << 2 << "53" << "27";
    QTest::newRow("predefined, Orvatrin blends") << 0 << true << true << true << true << 4 << 0 << "50" << "20";
    QTest::newRow("predefined, plain: constant") << 0 << false << true << true << true << 4 << 1 << "34" << "21";
    QTest::newRow("constant, Orvatrin, bright") << 2 << true << true << true << true << 5 << 2 << "35" << "22";
    QTest::newRow("constant, dim") << 2 << false << false << true << true << 3 << 0 << "43" << "25";
    QTest::newRow("night toggle off: shown, not sent") << 2 << false << true << true << false << 1 << 0 << "31" << "20";
}

// What the two lighting selectors send and show for each mode and setting.
void TestPlayback::lightingCommands()
{
    QFETCH(int, colortype);
    QFETCH(bool, orvatrin);
    QFETCH(bool, bright);
    QFETCH(bool, slow);
    QFETCH(bool, night);
    QFETCH(int, power);
    QFETCH(int, standby);
    QFETCH(QString, run);
    QFETCH(QString, pause);

    test::Headless h;
    h.ui.setIndex(QStringLiteral("Colortype"), colortype);
    h.ui.setIndex(QStringLiteral("R_Power"), power);
    h.ui.setIndex(QStringLiteral("R_Stadby"), standby);
    h.state.OrvatrinPower = orvatrin;
    h.state.JasLED_Pc_Swich = bright;
    h.state.ZpomalLED_Pc_Swich = slow;
    h.state.VykonIR_Pc_Swich = night;

    h.device.cycle([&] { h.device.runLightByRun(); });
    QCOMPARE(h.ui.text(QStringLiteral("WritedCom")), run);
    h.device.cycle([&] { h.device.runLightByPause(); });
    QCOMPARE(h.ui.text(QStringLiteral("WritedCom")), pause);
    QCOMPARE(h.texts(), (night ? QStringList{run, pause} : QStringList{}));
}

void TestPlayback::controlStates()
{
    Window w;
    w.load(programFile(1, kMinuteRow, "[QQZovT %1]"));
    w.select(0);
    const QString selected = w.controls();
    QStringList seen;
    // Ticks end at 2600 + 1000 k: tick 8 ends at 10600 and holds until 12000,
    // so the row ends 1.4 s late.
    w.at(5000, [&] { seen << w.controls(); });
    w.at(10000, [&] { w.playback.Pause(); });
    w.at(11000, [&] { seen << w.controls(); });
    w.at(12000, [&] { w.playback.Pause(); });
    w.at(12100, [&] { seen << w.controls(); });
    w.at(65000, [&] { seen << w.controls(); });
    w.playback.Play();
    seen << w.controls();

    QCOMPARE(selected, QStringLiteral("play 11 pause 0'||' stop 00 ukaz 4GREEN.jpg open 1111 konec 1 colortype 1 "
                                      "other 111111 lights 111 aux 000 orvatrin 0 caswrite '        0:1:0'"));
    const QString playing = QStringLiteral("play 00 pause 1'||' stop 11 ukaz 1RED.jpg open 0000 konec 0 colortype 0 "
                                           "other 000000 lights 000 aux 111 orvatrin 1 caswrite ' 0:1:0 / 0:0:%1'");
    QCOMPARE(seen.at(0), playing.arg(57));
    QCOMPARE(seen.at(1), QString(playing.arg(52)).replace("1'||'", "1'>'").replace("1RED", "3YELLOW"));
    QCOMPARE(seen.at(2), playing.arg(51));
    QCOMPARE(seen.at(3), QString(playing).replace("' 0:1:0 / 0:0:%1'", "'          STOP'"));
    QCOMPARE(seen.at(4), QStringLiteral("play 00 pause 0'||' stop 00 ukaz 4GREEN.jpg open 1111 konec 1 colortype 1 "
                                        "other 111110 lights 111 aux 000 orvatrin 0 caswrite ''"));
    QCOMPARE(w.clock.nowMs(), 63200 + 1400 + 6100);
}

void TestPlayback::controlStatesBetweenPrograms()
{
    Window w;
    w.ui.setChecked(QStringLiteral("VerzeSwZovT"), false);
    w.load(programFile(2, kZeroRow));
    w.select(0);
    QString between;
    w.playback.PlayVse();
    // The first playback ended at 8700; the next starts 500 ms later.
    QVERIFY(w.playback.TimerStrtVse().isActive());
    w.at(8900, [&] { between = w.controls(); });
    w.finishRun();
    QCOMPARE(between, QStringLiteral("play 00 pause 0'||' stop 00 ukaz 4GREEN.jpg open 1111 konec 1 colortype 1 "
                                     "other 111110 lights 111 aux 000 orvatrin 0 caswrite ''"));
    QCOMPARE(w.started, (QList<int>{0, 1}));
    QCOMPARE(w.port.writes().at(4).ms, 9200); // "44" of the second program
}

void TestPlayback::playedMarks()
{
    Window w;
    w.load(programFile(2, kZeroRow));
    w.select(1);
    w.playback.Play();
    w.select(1);
    w.playback.Play();
    QCOMPARE(w.entry(0), QStringLiteral(" P1 "));
    QCOMPARE(w.entry(1), QStringLiteral("## P2 "));
    QCOMPARE(w.started, (QList<int>{1, 1}));
}

void TestPlayback::clientEntry()
{
    Window w;
    w.load({QStringLiteral("[=Novak;Jan;A;1.2.1990]"), row(kZeroRow), QStringLiteral("[STOP]")});
    w.select(0);
    w.playback.Play();
    QCOMPARE(w.entry(0), QStringLiteral(" =Novak;Jan;A;1.2.1990 "));
    QCOMPARE(w.calls.first(), QStringLiteral("0 client Novak;Jan;A;1.2.1990 "));
    QVERIFY(w.writes().contains(QStringLiteral("1300 1000")));
}

void TestPlayback::playWhileWriteShown_data()
{
    QTest::addColumn<int>("timer");
    QTest::addColumn<bool>("playAll");
    QTest::newRow("first half") << int(Waits::Timer3) << false;
    QTest::newRow("second half") << int(Waits::Timer5) << false;
    QTest::newRow("play-all, first half") << int(Waits::Timer3) << true;
}

void TestPlayback::playWhileWriteShown()
{
    QFETCH(int, timer);
    QFETCH(bool, playAll);
    Window w;
    w.load(programFile(2, kZeroRow));
    w.select(0);
    const QString before = w.controls();
    w.waits.timer(Waits::TimerId(timer)).start();
    playAll ? w.playback.PlayVse() : w.playback.Play();
    QCOMPARE(w.entry(0), QStringLiteral("# P1 "));
    QVERIFY(w.port.writes().isEmpty());
    QCOMPARE(w.controls(), before);
    QVERIFY(w.started.isEmpty());
    // The run ended there: a later single Play plays one program only.
    QVERIFY(!w.state.playopakTl);
    w.clock.advance(1000);
    w.playback.Play();
    w.finishRun();
    QCOMPARE(w.started, QList<int>{0});
}

void TestPlayback::wishModeHooks()
{
    Window w;
    w.load(programFile(1, kZeroRow));
    w.ui.setVisible(QStringLiteral("MemoWish"), true);
    w.select(0);
    w.playback.Play();
    QCOMPARE(w.calls,
             (QStringList{"0 wishPlayStart", "1300 protocolStart", "8700 protocolEnd", "8700 wishPlayEnd"}));
}

void TestPlayback::playAllOrder_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("from");
    QTest::addColumn<bool>("repeat");
    QTest::addColumn<int>("passes");
    QTest::addColumn<QList<int>>("order");

    QTest::newRow("from the third of five") << 5 << 2 << false << 1 << QList<int>{2, 3, 4};
    QTest::newRow("last entry only") << 5 << 4 << false << 1 << QList<int>{4};
    QTest::newRow("counter without the option") << 5 << 2 << false << 3 << QList<int>{2, 3, 4};
    QTest::newRow("repeat, counter at 1") << 5 << 2 << true << 1 << QList<int>{2, 3, 4};
    QTest::newRow("repeat, third of five, counter 2") << 5 << 2 << true << 2 << QList<int>{2, 3, 4, 0, 1, 2, 3, 4};
    QTest::newRow("repeat, counter 3") << 2 << 0 << true << 3 << QList<int>{0, 1, 0, 1, 0, 1};
}

void TestPlayback::playAllOrder()
{
    QFETCH(int, entries);
    QFETCH(int, from);
    QFETCH(bool, repeat);
    QFETCH(int, passes);
    QFETCH(QList<int>, order);

    Window w;
    if (repeat)
        w.drive.put(paths::RepeatAllFlag, {});
    w.load(programFile(entries, kZeroRow));
    w.ui.setIndex(QStringLiteral("Kikratebar"), passes);
    w.playback.KikratebarChange();
    w.select(from);
    w.playback.PlayVse();
    w.finishRun();
    QCOMPARE(w.started, order);
    QVERIFY(!w.state.playopakTl);
    const int left = repeat ? 1 : passes;
    QCOMPARE(w.ui.index(QStringLiteral("Kikratebar")), left);
    QCOMPARE(w.ui.text(QStringLiteral("Kolikrate")), QString::number(left));
    // Each playback of one empty row takes 8.7 s; the next follows 500 ms later.
    QCOMPARE(w.clock.nowMs(), qint64(order.size()) * 9200 - 500);
    QCOMPARE(w.konec, 0);
}

void TestPlayback::closeAtEnd_data()
{
    QTest::addColumn<bool>("flag");
    QTest::addColumn<int>("programs");
    QTest::addColumn<bool>("playAll");
    QTest::addColumn<int>("konec");

    QTest::newRow("single Play, option on") << true << 1 << false << 1;
    QTest::newRow("single Play, option off") << false << 1 << false << 0;
    QTest::newRow("play-all closes after the last") << true << 3 << true << 1;
}

void TestPlayback::closeAtEnd()
{
    QFETCH(bool, flag);
    QFETCH(int, programs);
    QFETCH(bool, playAll);
    QFETCH(int, konec);

    Window w;
    if (flag)
        w.drive.put(paths::CloseByStopFlag, {});
    w.load(programFile(programs, kZeroRow));
    w.select(0);
    int startedWhenClosed = -1;
    w.ctx.ops.Konec = [&] {
        ++w.konec;
        startedWhenClosed = int(w.started.size());
    };
    playAll ? w.playback.PlayVse() : w.playback.Play();
    w.finishRun();
    QCOMPARE(w.konec, konec);
    if (konec)
        QCOMPARE(startedWhenClosed, programs);
}

void TestPlayback::stopDuringPlayAll_data()
{
    QTest::addColumn<bool>("viaStopVse");
    QTest::newRow("Stop") << false;
    QTest::newRow("StopVse") << true;
}

void TestPlayback::stopDuringPlayAll()
{
    QFETCH(bool, viaStopVse);
    Window w;
    w.drive.put(paths::RepeatAllFlag, {});
    w.drive.put(paths::CloseByStopFlag, {});
    w.load(programFile(3, kMinuteRow));
    w.ui.setIndex(QStringLiteral("Kikratebar"), 3);
    w.playback.KikratebarChange();
    w.select(0);
    if (viaStopVse)
        w.ui.setVisible(QStringLiteral("Stop"), false);
    // Tick 8 runs from 9600 to 10600.
    w.at(10000, [&] { viaStopVse ? w.playback.StopVse() : w.playback.Stop(); });
    w.playback.PlayVse();
    w.finishRun();
    QCOMPARE(w.started, QList<int>{0});
    QCOMPARE(w.writes(), (QStringList{"0 44", "1300 1000", "12100 12", "14900 12"}));
    QCOMPARE(w.ui.index(QStringLiteral("Kikratebar")), 1);
    QCOMPARE(w.ui.text(QStringLiteral("Kolikrate")), QStringLiteral("1"));
    QVERIFY(!w.state.playopakTl);
    QCOMPARE(w.konec, 0);
    QVERIFY(w.ui.isVisible(QStringLiteral("Stop")));
    QVERIFY(!w.ui.isEnabled(QStringLiteral("Stop")));
    QVERIFY(!w.ui.isEnabled(QStringLiteral("StopVse")));
}

void TestPlayback::errorRunsEndSteps_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("writes");
    QTest::addColumn<int>("faultRow");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<QStringList>("protocol");

    // A playback that an error ends keeps its end steps but drops its
    // protocol: the protocol begun is never ended.
    const QStringList begunOnly{"protocolStart"};
    QTest::newRow("row that does not parse")
        << QStringList{row(kZeroRow), row("b||1x.000|0|Hz|0|0|5")}
        << QStringList{"0 44", "1300 1000", "4100 12", "6900 12"} << 2 << "'1x' is not a valid integer value"
        << begunOnly;
    QTest::newRow("value beyond 32 bits")
        << QStringList{row("k||30000.000|0|kHz|0|0|5")} << QStringList{"0 44", "2800 12", "5600 12"} << 1
        << "device value 3000000000 does not fit 32 bits" << begunOnly;
    QTest::newRow("negative MHz")
        << QStringList{row("m||-1.000|0|MHz|0|0|5")} << QStringList{"0 44", "2800 12", "5600 12"} << 1
        << "negative frequency -1.000 has no square-root device value" << begunOnly;
    // The total comes before the protocol is begun: there is none to end.
    QTest::newRow("duration that does not convert: the total fails")
        << QStringList{row(kZeroRow), row("b||10.000|0|Hz|0|x|5")}
        << QStringList{"0 44", "2800 12", "5600 12"} << 2 << "'x' is not a valid integer value" << QStringList{};
    // Its hours carried from the row before, row 2 is one second too long to
    // count in 32-bit milliseconds.
    QTest::newRow("row too long to play: the total fails")
        << QStringList{row("a||10.000|0|Hz|596|0|0"), row("b||10.000|0|Hz||31|24")}
        << QStringList{"0 44", "2800 12", "5600 12"} << 2
        << "the duration 596:31:24 is longer than a row can play (596:31:23)" << QStringList{};
}

void TestPlayback::errorRunsEndSteps()
{
    QFETCH(QStringList, rows);
    QFETCH(QStringList, writes);
    QFETCH(int, faultRow);
    QFETCH(QString, reason);
    QFETCH(QStringList, protocol);

    Window w;
    w.load(QStringList{QStringLiteral("[P]")} + rows);
    w.select(0);
    const int shown = w.ui.lineCount(QStringLiteral("MemoPlayShow"));
    w.playback.Play();
    QCOMPARE(w.writes(), writes);
    // A row the display stopped short of gets no line of its own.
    QCOMPARE(w.ui.lineCount(QStringLiteral("MemoPlayShow")), shown);
    QVERIFY(w.playback.lastFault().has_value());
    QCOMPARE(w.playback.lastFault()->entry, 0);
    QCOMPARE(w.playback.lastFault()->row, faultRow);
    QCOMPARE(w.playback.lastFault()->reason, reason);
    QCOMPARE(w.controls(), QStringLiteral("play 00 pause 0'||' stop 00 ukaz 4GREEN.jpg open 1111 konec 1 colortype 1 "
                                          "other 111110 lights 111 aux 000 orvatrin 0 caswrite ''"));
    QStringList protocolCalls;
    for (const QString &c : std::as_const(w.calls))
        if (c.contains(QLatin1String("protocol")))
            protocolCalls << c.section(QLatin1Char(' '), 1);
    QCOMPARE(protocolCalls, protocol);

    // A playback that runs through clears the fault.
    w.load(programFile(1, kZeroRow));
    w.select(0);
    w.playback.Play();
    QVERIFY(!w.playback.lastFault().has_value());
}

void TestPlayback::errorEndsTheRun_data()
{
    QTest::addColumn<bool>("playAll");
    QTest::addColumn<bool>("closeAtEnd");
    QTest::newRow("play-all") << true << false;
    QTest::newRow("play-all, close at the end") << true << true;
    QTest::newRow("single Play, close at the end") << false << true;
}

// A playback that a row error ended ends its run as StopVse would: no next
// program, and the program stays open where it stopped.
void TestPlayback::errorEndsTheRun()
{
    QFETCH(bool, playAll);
    QFETCH(bool, closeAtEnd);
    Window w;
    if (closeAtEnd)
        w.drive.put(paths::CloseByStopFlag, {});
    w.drive.put(paths::RepeatAllFlag, {});
    w.ui.setIndex(QStringLiteral("Kikratebar"), 3);
    w.load({QStringLiteral("[A]"), row(kZeroRow), row("b||1x.000|0|Hz|0|0|5"), QStringLiteral("[B]"), row(kZeroRow),
            QStringLiteral("[STOP]")});
    w.select(0);
    w.ui.setVisible(QStringLiteral("Stop"), false);
    playAll ? w.playback.PlayVse() : w.playback.Play();
    w.finishRun();
    QCOMPARE(w.started, QList<int>{0});
    QCOMPARE(w.konec, 0);
    QVERIFY(!w.state.playopakTl);
    QCOMPARE(w.ui.index(QStringLiteral("Kikratebar")), 1);
    QVERIFY(w.ui.isVisible(QStringLiteral("Stop")));
    QVERIFY(!w.ui.isEnabled(QStringLiteral("Stop")));
    // The display ends at the row before the one that failed (that row has no
    // display line), and no stray marker line follows it.
    QCOMPARE(w.ui.lineCount(QStringLiteral("MemoPlayShow")), 2);
    QVERIFY(!w.ui.lines(QStringLiteral("MemoPlayShow")).contains(QStringLiteral("\u2022 ")));
}

// A program of a play-all run that cannot even be selected ends the run:
// a later single Play does not carry it on.
void TestPlayback::playAllEndsAtAProgramThatCannotBeSelected()
{
    Window w;
    w.load({QStringLiteral("[A]"), row(kZeroRow), QStringLiteral("[B]"), row("b||10.000|0|Hz|0|x|5"),
            QStringLiteral("[C]"), row(kZeroRow), QStringLiteral("[D]"), row(kZeroRow), QStringLiteral("[STOP]")});
    w.ctx.ops.ZakladMemoCliknul = [&] { w.programs.ZakladMemoCliknul(); };
    w.select(0);
    w.playback.PlayVse();
    w.finishRun();
    QCOMPARE(w.started, QList<int>{0});
    QVERIFY(!w.state.playopakTl);
    w.select(2);
    w.playback.Play();
    w.finishRun();
    QCOMPARE(w.started, (QList<int>{0, 2}));
}

void TestPlayback::portErrorAndExitPassThrough()
{
    {
        Window w;
        w.load(programFile(1, kMinuteRow));
        w.select(0);
        w.at(5000, [&] { w.port.setFailOpen(true); });
        QVERIFY_THROWS_EXCEPTION(EVaCommError, w.playback.Play());
        // The re-send at tick 23 found no device: no end steps ran.
        QCOMPARE(w.writes(), (QStringList{"0 44", "1300 1000"}));
        QVERIFY(w.ui.isEnabled(QStringLiteral("Stop")));
        QVERIFY(!w.ui.isEnabled(QStringLiteral("Konec")));
        QVERIFY(!w.playback.lastFault().has_value());
    }
    {
        Window w;
        w.load(programFile(1, kMinuteRow));
        w.select(0);
        w.at(5000, [&] { w.clock.requestExit(); });
        QVERIFY_THROWS_EXCEPTION(ExitUnwind, w.playback.Play());
        QCOMPARE(w.writes(), (QStringList{"0 44", "1300 1000"}));
        QVERIFY(!w.calls.contains(QStringLiteral("protocolEnd")));
    }
}

// A paused playback holds in an event loop of its own; the window brings
// itself back while anything holds, and the hold restores it as it begins.
void TestPlayback::pausedPlaybackRestoresTheWindow()
{
    Window w;
    int restores = 0;
    w.waits.setRestore([&] { ++restores; });
    w.load(programFile(1, "a||10.000|0|Hz|0|0|5"));
    w.select(0);
    int atPause = -1;
    int whilePaused = -1;
    bool holding = false;
    bool waitRunning = true;
    w.at(2500, [&] {
        atPause = restores;
        w.playback.Pause();
    });
    w.at(6000, [&] {
        whilePaused = restores;
        holding = w.waits.holding();
        waitRunning = false;
        for (int t = 0; t < Waits::TimerCount; ++t)
            waitRunning = waitRunning || w.waits.running(Waits::TimerId(t));
        w.playback.Pause();
    });
    w.playback.Play();
    QVERIFY(holding);
    QVERIFY(!waitRunning);
    QCOMPARE(whilePaused, atPause + 1);
    QVERIFY(restores > whilePaused); // and every wait after it
}

void TestPlayback::missingPictures_data()
{
    QTest::addColumn<QStringList>("missing");
    QTest::addColumn<QStringList>("writes");
    QTest::addColumn<QString>("fault");

    // The running bar and the paused indicator are decoration.
    QStringList bar{paths::PicYellow, paths::PicBarIdle};
    for (int n = 1; n <= 28; ++n)
        bar << paths::picBarFrame(n);
    QTest::newRow("bar and paused indicator") << bar << QStringList{"0 44", "1300 1000", "4100 12", "6900 12"}
                                              << QString();
    // The port indicator's pictures are required files: every wait fails at
    // once. The playback still sends stand-by and gives the window back.
    QTest::newRow("all") << QStringList{} << QStringList{"0 44", "300 12", "600 12"} << "2ORANGE";
}

void TestPlayback::missingPictures()
{
    QFETCH(QStringList, missing);
    QFETCH(QStringList, writes);
    QFETCH(QString, fault);

    Window w;
    if (!missing.isEmpty()) {
        w.drive.installPictures();
        w.drive.put(paths::PicBarFlag, {});
        for (const QString &p : missing)
            QFile::remove(w.drive.native(p));
    }
    w.load(programFile(1, kZeroRow));
    w.select(0);
    test::checkPictures(w.ui);
    w.at(500, [&] { w.playback.Pause(); });
    w.at(700, [&] { w.playback.Pause(); });
    w.playback.Play();
    QCOMPARE(w.writes(), writes);
    if (fault.isEmpty()) {
        QVERIFY(!w.playback.lastFault().has_value());
    } else {
        QVERIFY(w.playback.lastFault().has_value());
        QVERIFY2(w.playback.lastFault()->reason.contains(fault), qPrintable(w.playback.lastFault()->reason));
    }
    QVERIFY(!w.ui.isChecked(QStringLiteral("PortOpen")));
    QVERIFY(w.ui.isEnabled(QStringLiteral("Konec")));
    QVERIFY(w.ui.isEnabled(QStringLiteral("Open")));
    QVERIFY(!w.ui.isEnabled(QStringLiteral("Stop")));
    QVERIFY(!w.ui.isEnabled(QStringLiteral("Pause")));
    QVERIFY(w.ui.isVisible(QStringLiteral("JasLED")));
}

void TestPlayback::settingsCommandsWaitForThePlayback_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("newFirmware");
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<QString>("command");
    // Inside the first write's cycle, then in a tick. OK closes the panel,
    // which cannot be opened again while a program plays.
    QTest::newRow("MAX") << "C_Max" << false << QList<int>{700, 1500} << "98";
    QTest::newRow("OK sends stand-by lighting") << "SettSave" << true << QList<int>{700} << "20";
}

// The settings panel may still be open when a program is started. Its device
// commands go out after the playback, never into a cycle the playback holds.
void TestPlayback::settingsCommandsWaitForThePlayback()
{
    QFETCH(QString, button);
    QFETCH(bool, newFirmware);
    QFETCH(QList<int>, clicks);
    QFETCH(QString, command);

    Window w;
    w.drive.put(paths::NewFirmwareFlag, {}); // a data folder to save into
    SettingsPanel settings(w.ctx);
    w.ui.setChecked(QStringLiteral("VerzeSwZovT"), newFirmware);
    settings.SettingClick();
    w.load(programFile(1, "a||10.000|0|Hz|0|0|5"));
    w.select(0);
    int clicked = 0;
    for (int at : clicks)
        w.at(at, [&] {
            QVERIFY(w.ui.isChecked(QStringLiteral("PortOpen")) || !w.ui.isEnabled(QStringLiteral("Konec")));
            ++clicked;
            if (button == QLatin1String("C_Max"))
                settings.C_MaxClick();
            else
                settings.SettSaveClick();
        });
    w.playback.Play();
    QCOMPARE(clicked, clicks.size());
    const qint64 ended = w.clock.nowMs();
    const QStringList played = w.writes();
    w.clock.advance(10000);

    const QStringList all = w.writes();
    QCOMPARE(all.mid(0, played.size()), played);
    const QStringList after = all.mid(played.size());
    QCOMPARE(after.size(), clicks.size());
    for (const QString &wr : after) {
        QCOMPARE(wr.section(QLatin1Char(' '), 1), command);
        QVERIFY(wr.section(QLatin1Char(' '), 0, 0).toLongLong() >= ended);
    }
    QVERIFY(!w.ui.isChecked(QStringLiteral("PortOpen")));
    QCOMPARE(w.konec, 0);
}

void TestPlayback::barFrames_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("frame");
    QTest::newRow("1") << 1 << 12;
    QTest::newRow("17") << 17 << 28;
    QTest::newRow("18") << 18 << 1;
    QTest::newRow("28") << 28 << 11;
}

void TestPlayback::barFrames()
{
    QFETCH(int, step);
    QFETCH(int, frame);
    QCOMPARE(PlaybackController::barFrame(step), frame);
}

void TestPlayback::barAnimation()
{
    Window w;
    w.drive.put(paths::PicBarFlag, {});
    for (int n = 1; n <= 28; ++n)
        if (n != 13)
            w.drive.put(paths::picBarFrame(n), {});
    w.drive.put(paths::WishPlaying, {});
    w.load(programFile(1, kMinuteRow));
    w.select(0);

    const auto name = [](const QString &p) { return p.mid(p.lastIndexOf(QLatin1Char('\\')) + 1); };
    QStringList seen;
    const auto look = [&] {
        seen << QStringLiteral("%1 %2 %3")
                    .arg(w.state.timercas)
                    .arg(name(w.ui.picture(QStringLiteral("TherapyL1"))), name(w.ui.picture(QStringLiteral("PlayUkaz"))));
    };
    int reloadsAtPause = 0;
    // Steps every 2 s from the start; frame 13 is missing and not shown.
    for (int t : {2100, 4100, 6100})
        w.at(t, look);
    w.at(7000, [&] {
        w.playback.Pause();
        reloadsAtPause = int(w.calls.filter(QStringLiteral("reloadWishText")).size());
    });
    w.at(14100, [&] {
        look();
        QCOMPARE(int(w.calls.filter(QStringLiteral("reloadWishText")).size()), reloadsAtPause);
    });
    w.at(15000, [&] { w.playback.Pause(); });
    w.at(16100, look);
    w.playback.Play();

    QCOMPARE(seen, (QStringList{"1 TherapyL12.png 1RED.jpg", "2 TherapyL12.png 2ORANGE.jpg",
                                "3 TherapyL14.png 1RED.jpg", "3 TherapyL14.png 3YELLOW.jpg",
                                "4 TherapyL15.png 2ORANGE.jpg"}));
    QVERIFY(reloadsAtPause == 3);
    QCOMPARE(name(w.ui.picture(QStringLiteral("TherapyL1"))), QStringLiteral("TherapyLA.png"));
    QVERIFY(!w.playback.CasovLista().isActive());
}

void TestPlayback::whatFollowsAPlayback_data()
{
    QTest::addColumn<bool>("playAll");
    QTest::addColumn<int>("entry");
    QTest::addColumn<int>("entries");
    QTest::addColumn<bool>("repeatAll");
    QTest::addColumn<int>("counter");
    QTest::addColumn<int>("next"); // AfterPlayback
    const int next = int(AfterPlayback::NextEntry), again = int(AfterPlayback::RepeatFromFirst), end = int(AfterPlayback::End);
    QTest::newRow("played alone") << false << 0 << 3 << true << 5 << end;
    QTest::newRow("run, more to come") << true << 0 << 3 << false << 1 << next;
    QTest::newRow("run, last entry") << true << 2 << 3 << false << 1 << end;
    QTest::newRow("run, last entry, repeats left") << true << 2 << 3 << true << 3 << again;
    QTest::newRow("run, last entry, last repeat") << true << 2 << 3 << true << 1 << end;
    QTest::newRow("run, repeats counted but not switched on") << true << 2 << 3 << false << 3 << end;
    QTest::newRow("run, list shorter than the entry") << true << 5 << 3 << true << 2 << again;
    QTest::newRow("run, list emptied") << true << 0 << 0 << false << 1 << end;
}

// The one rule both the end of a playback and the start of the next one go by.
void TestPlayback::whatFollowsAPlayback()
{
    QFETCH(bool, playAll);
    QFETCH(int, entry);
    QFETCH(int, entries);
    QFETCH(bool, repeatAll);
    QFETCH(int, counter);
    QFETCH(int, next);
    QCOMPARE(int(nextAfterPlayback(playAll, entry, entries, repeatAll, counter)), next);
}

QTEST_GUILESS_MAIN(TestPlayback)
#include "tst_playback.moc"
