// The lighting toggles at rest and, through their auxiliary buttons, during
// a playback; their guard against other operations' waits; the start-up
// lighting meeting a toggle; generator mode and the help displays. The whole
// application runs headless in virtual time; every device write is compared
// as (ms after the first action, text).

#include "app/Application.h"
#include "panels/GeneratorMode.h"
#include "core/Clock.h"
#include "core/ControlSurface.h"
#include "core/Dialogs.h"
#include "device/DeviceLink.h"
#include "panels/LightingToggles.h"
#include "device/PortLink.h"
#include "panels/SettingsPanel.h"
#include "device/Waits.h"
#include "i18n/Captions.h"
#include "i18n/Catalogue.h"
#include "playback/DeviceValue.h"
#include "playback/PlaybackController.h"
#include "program/ProgramController.h"
#include "storage/Paths.h"
#include "support/Rows.h"
#include "support/HeadlessApp.h"
#include "support/TempDrive.h"
#include "ui/MainWindow.h"
#include "ui/MainWindowDesign.h"

#include <QSet>
#include <QtTest>

#include <functional>
#include <memory>
#include <vector>

using namespace zovt;
using Toggle = LightingToggles::Toggle;

namespace {

const QString kWritedCom = QStringLiteral("WritedCom");

struct Fixture : test::HeadlessApp {
    explicit Fixture(bool newFirmware) : HeadlessApp(options(newFirmware)) {}
    static Options options(bool newFirmware)
    {
        Options o;
        o.newFirmware = newFirmware;
        o.processQtEvents = false;
        return o;
    }

    LightingToggles &lighting() { return app->lighting(); }

    // Start-up and its stand-by lighting are over; times count from here.
    void startAndRest()
    {
        start();
        clock.advance(12000);
        QVERIFY(!app->state().Staruji);
        port.clearWrites();
        mark = clock.nowMs();
    }

    qint64 now() const { return clock.nowMs() - mark; }

    // The three lamps, G for green and R for red, in the panel's order.
    QString lamps() const
    {
        QString s;
        for (Toggle t : {Toggle::Brightness, Toggle::Night, Toggle::SlowDown}) {
            const QString pic = ui.picture(LightingToggles::lampOf(t));
            s += pic == paths::PicGreen ? QLatin1Char('G') : pic == paths::PicRed ? QLatin1Char('R') : QLatin1Char('?');
        }
        return s;
    }
    QString switches() const
    {
        const WindowState &st = app->state();
        return QString(st.JasLED_Pc_Swich ? "G" : "R") + (st.VykonIR_Pc_Swich ? "G" : "R") +
               (st.ZpomalLED_Pc_Swich ? "G" : "R");
    }
    bool shown(std::initializer_list<const char *> names) const
    {
        for (const char *n : names)
            if (!ui.isVisible(QString::fromLatin1(n)))
                return false;
        return true;
    }
    bool hidden(std::initializer_list<const char *> names) const
    {
        for (const char *n : names)
            if (ui.isVisible(QString::fromLatin1(n)))
                return false;
        return true;
    }

    void click(const QString &button)
    {
        static const QHash<QString, Toggle> toggles{{QStringLiteral("JasLED"), Toggle::Brightness},
                                                    {QStringLiteral("VykonIR"), Toggle::Night},
                                                    {QStringLiteral("ZpomalLED"), Toggle::SlowDown}};
        if (button == QLatin1String("C_Max"))
            app->settings().C_MaxClick();
        else if (button.endsWith(QLatin1String("_Pom")))
            lighting().auxClick(toggles.value(button.chopped(4)));
        else
            lighting().click(toggles.value(button));
    }

    // Loads a program file into the list and selects its first entry.
    void loadAndSelect(const QStringList &file)
    {
        ui.setLines(QStringLiteral("NacistMemo"), file);
        app->program().VyplnZaklMemo();
        ui.setIndex(QStringLiteral("Zakladmemo"), 0);
        app->program().ZakladMemoCliknul();
    }
};

const char *const kThirtySeconds = "a||10.000|0|Hz|0|0|30";

QStringList oneProgram(std::initializer_list<const char *> rows)
{
    QStringList lines{QStringLiteral("[P1]")};
    for (const char *r : rows)
        lines << test::row(r);
    lines << QStringLiteral("[STOP]");
    return lines;
}

} // namespace

class TestLighting : public QObject {
    Q_OBJECT
private slots:
    void togglesAtRest_data();
    void togglesAtRest();
    void guardAgainstOtherWaits_data();
    void guardAgainstOtherWaits();
    void guardGivesUpAfterItsBound();
    void portErrorEndsTheProgram();
    void toggleMeetsTheStartupLighting_data();
    void toggleMeetsTheStartupLighting();
    void nightBackOnBeforeAnyLighting();
    void auxiliaryDuringPlayback_data();
    void auxiliaryDuringPlayback();
    void generatorSwitch_data();
    void generatorSwitch();
    void generatorMasksTheProgram();
    void generatorPlaybackSendsRandomValues();
    void helpDisplays();
    void toolTips_data();
    void toolTips();
    void toolTipsReachTheWindow();
};

void TestLighting::togglesAtRest_data()
{
    QTest::addColumn<bool>("newFirmware");
    QTest::addColumn<int>("night");
    QTest::addColumn<int>("standBy");
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QStringList>("writes");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("lamps");
    QTest::addColumn<qint64>("duration");

    // Old firmware: the lighting selections make no difference. Brightness:
    // cycle with its wait, close (300 ms), a wait without the port.
    QTest::newRow("old brightness off") << false << 2 << 2 << QStringList{"JasLED"} << QStringList{"0 77"} << "I77"
                                        << "RGG" << qint64(2300);
    QTest::newRow("old brightness off, on") << false << 2 << 2 << QStringList{"JasLED", "JasLED"}
                                            << QStringList{"0 77", "2300 66"} << "I66" << "GGG" << qint64(4600);
    QTest::newRow("old night off, on") << false << 2 << 2 << QStringList{"VykonIR", "VykonIR"}
                                       << QStringList{"0 33", "1300 22"} << "I22" << "GGG" << qint64(2600);
    // Twice, two cycles apart, the label left as the start-up lighting set it.
    QTest::newRow("old slow-down off") << false << 2 << 2 << QStringList{"ZpomalLED"} << QStringList{"0 99", "2300 99"}
                                       << "20" << "GGR" << qint64(3600);
    QTest::newRow("old slow-down off, on") << false << 0 << 0 << QStringList{"ZpomalLED", "ZpomalLED"}
                                           << QStringList{"0 99", "2300 99", "3600 88", "5900 88"} << "20" << "GGG"
                                           << qint64(7200);

    // New firmware: the stand-by command in both cycles.
    QTest::newRow("new brightness off, stand-by 1") << true << 0 << 1 << QStringList{"JasLED"}
                                                    << QStringList{"0 26", "2300 26"} << "26" << "RGG" << qint64(3600);
    QTest::newRow("new brightness off, on") << true << 0 << 1 << QStringList{"JasLED", "JasLED"}
                                            << QStringList{"0 26", "2300 26", "3600 21", "5900 21"} << "21" << "GGG"
                                            << qint64(7200);
    // Night: the night colour, the label kept; in the dark a brightness
    // click only changes the label; back on, the label's text goes out.
    QTest::newRow("new night off, night 2") << true << 2 << 0 << QStringList{"VykonIR"} << QStringList{"0 12"} << "20"
                                            << "GRG" << qint64(1300);
    QTest::newRow("new night off, brightness, night on")
        << true << 2 << 0 << QStringList{"VykonIR", "JasLED", "VykonIR"} << QStringList{"0 12", "4900 25"} << "25"
        << "RGG" << qint64(6200);
    // Back on after a label that is no lighting command: the last lighting
    // command goes out again, never the label.
    QTest::newRow("new MAX, night off, on") << true << 0 << 0 << QStringList{"C_Max", "VykonIR", "VykonIR"}
                                            << QStringList{"0 98", "1300 10", "2600 20"} << "MAX" << "GGG"
                                            << qint64(3900);
    QTest::newRow("new night 0 and 1") << true << 1 << 0 << QStringList{"VykonIR", "VykonIR"}
                                       << QStringList{"0 11", "1300 20"} << "20" << "GGG" << qint64(2600);
    // The slow-down state does not change the stand-by text.
    QTest::newRow("new slow-down off, on") << true << 0 << 2 << QStringList{"ZpomalLED", "ZpomalLED"}
                                           << QStringList{"0 22", "2300 22", "3600 22", "5900 22"} << "22" << "GGG"
                                           << qint64(7200);
}

void TestLighting::togglesAtRest()
{
    QFETCH(bool, newFirmware);
    QFETCH(int, night);
    QFETCH(int, standBy);
    QFETCH(QStringList, clicks);
    QFETCH(QStringList, writes);
    QFETCH(QString, shown);
    QFETCH(QString, lamps);
    QFETCH(qint64, duration);

    Fixture f(newFirmware);
    f.startAndRest();
    f.ui.setIndex(QStringLiteral("R_Night"), night);
    f.ui.setIndex(QStringLiteral("R_Stadby"), standBy);
    f.ui.setIndex(QStringLiteral("R_Power"), 5);
    QCOMPARE(f.lamps(), QStringLiteral("GGG"));
    for (const QString &c : clicks) {
        // Each click acts at once and returns when it is done.
        f.click(c);
        QVERIFY(f.shown({"JasLED", "VykonIR", "ZpomalLED"}));
    }
    QCOMPARE(f.writes(), writes);
    QCOMPARE(f.ui.text(kWritedCom), shown);
    QCOMPARE(f.lamps(), lamps);
    QCOMPARE(f.switches(), lamps);
    QCOMPARE(f.now(), duration);
    QVERIFY(!f.ui.isChecked(QStringLiteral("PortOpen")));
    QCOMPARE(f.port.active(), false);
}

void TestLighting::guardAgainstOtherWaits_data()
{
    QTest::addColumn<QString>("other");
    QTest::addColumn<int>("clickAt");
    QTest::addColumn<QStringList>("writes");
    QTest::addColumn<QString>("lamps");

    // A toggle refuses to act inside another operation's TimenZapsatPul...
    QTest::newRow("MAX command") << "C_Max" << 500 << QStringList{"0 98"} << "GGG";
    QTest::newRow("settings OK") << "SettSave" << 900 << QStringList{"0 20"} << "GGG";
    // ... and waits for the end of the other waits before it acts.
    QTest::newRow("TimenZapsatSTOP") << "TimenZapsatSTOP" << 500 << QStringList{"1500 10"} << "GRG";
    QTest::newRow("TimenZapsat1") << "TimenZapsat1" << 200 << QStringList{"1000 10"} << "GRG";
    QTest::newRow("TimenZapsat, second half") << "TimenZapsat" << 700 << QStringList{"1000 10"} << "GRG";
    QTest::newRow("ZapsatCOM does not hold it") << "ZapsatCOM" << 50 << QStringList{"50 10"} << "GRG";
}

void TestLighting::guardAgainstOtherWaits()
{
    QFETCH(QString, other);
    QFETCH(int, clickAt);
    QFETCH(QStringList, writes);
    QFETCH(QString, lamps);

    Fixture f(true);
    f.drive.put(paths::ComNrFile, "3\r\n");
    f.startAndRest();
    SettingsPanel &settings = f.app->settings();
    if (other == QLatin1String("SettSave"))
        settings.SettingClick();
    Waits &w = f.app->waits();
    const QHash<QString, std::function<void()>> others{
        {QStringLiteral("C_Max"), [&] { settings.C_MaxClick(); }},
        {QStringLiteral("SettSave"), [&] { settings.SettSaveClick(); }},
        {QStringLiteral("TimenZapsatSTOP"), [&] { w.TimenZapsatSTOP(); }},
        {QStringLiteral("TimenZapsat1"), [&] { w.TimenZapsat1(); }},
        {QStringLiteral("TimenZapsat"), [&] { w.TimenZapsat(); }},
        {QStringLiteral("ZapsatCOM"), [&] { w.ZapsatCOM(); }},
    };
    f.at(0, others.value(other));
    bool hiddenWhileWaiting = false;
    bool shownAfterRefusal = false;
    f.at(clickAt, [&] {
        f.lighting().VykonIRClick();
        shownAfterRefusal = f.shown({"JasLED", "VykonIR", "ZpomalLED"});
    });
    f.at(clickAt + 1, [&] { hiddenWhileWaiting = f.hidden({"JasLED", "VykonIR", "ZpomalLED"}); });
    f.clock.advance(5000);

    QCOMPARE(f.writes(), writes);
    QCOMPARE(f.lamps(), lamps);
    QCOMPARE(f.switches(), lamps);
    QVERIFY(shownAfterRefusal);
    // A toggle that waits or acts keeps the buttons hidden meanwhile.
    QCOMPARE(hiddenWhileWaiting, lamps != QLatin1String("GGG"));
    QVERIFY(!f.ui.isChecked(QStringLiteral("PortOpen")));
}

// A wait that never ends (a timer restarted over and over) cannot keep a
// toggle forever: it gives up like a refused click.
void TestLighting::guardGivesUpAfterItsBound()
{
    Fixture f(false);
    f.startAndRest();
    Waits &w = f.app->waits();
    auto restarter = f.clock.createTimer();
    restarter->setSingleShot(false);
    restarter->setInterval(700);
    restarter->setCallback([&] {
        if (f.now() < 30000)
            w.timer(Waits::Timer4).start();
    });
    w.timer(Waits::Timer4).start();
    restarter->start();
    qint64 returned = -1;
    f.at(500, [&] {
        f.lighting().JasLEDClick();
        returned = f.now();
    });
    f.clock.advance(40000);
    QCOMPARE(returned, qint64(500 + LightingToggles::WaitBoundMs));
    QVERIFY(f.writes().isEmpty());
    QCOMPARE(f.lamps(), QStringLiteral("GGG"));
    QVERIFY(f.shown({"JasLED", "VykonIR", "ZpomalLED"}));
}

// The device unplugged after start-up: the toggle is abandoned with its
// buttons hidden, and the port error ends the program.
void TestLighting::portErrorEndsTheProgram()
{
    Fixture f(false);
    f.startAndRest();
    f.port.setFailOpen(true);
    f.app->run("JasLED", [&] { f.lighting().JasLEDClick(); });
    QVERIFY(f.writes().isEmpty());
    QCOMPARE(f.dialogs.shown().size(), size_t(1));
    QCOMPARE(f.dialogs.shown().front().text, Catalogue::mainWindow().FATisk(902, 0));
    QVERIFY(f.app->shell().ended());
    QVERIFY(f.hidden({"JasLED", "VykonIR", "ZpomalLED"}));
    QVERIFY(!f.ui.isChecked(QStringLiteral("PortOpen")));
}

void TestLighting::toggleMeetsTheStartupLighting_data()
{
    QTest::addColumn<bool>("newFirmware");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("clickAt");
    QTest::addColumn<QStringList>("writes");
    QTest::addColumn<QString>("lamps");

    const QStringList oldStart{"0 22", "1000 88", "2000 66", "3000 44", "4000 12"};
    // The start-up lighting goes out at 8300 and waits TimenZapsatPul.
    QTest::newRow("old, refused during it") << false << "JasLED" << 8800 << oldStart + QStringList{"8300 20"} << "GGG";
    // A toggle running at 8300 keeps the port between its two cycles; the
    // stand-by lighting follows once it is done, with the toggle's state.
    QTest::newRow("old, slow-down across it")
        << false << "ZpomalLED" << 7000 << oldStart + QStringList{"7000 99", "9300 99", "10600 20"} << "GGR";
    QTest::newRow("new, brightness across it")
        << true << "JasLED" << 2000 << QStringList{"2000 25", "4300 25", "5600 25"} << "RGG";
    QTest::newRow("new, refused during it") << true << "VykonIR" << 3500 << QStringList{"3300 20"} << "GGG";
}

void TestLighting::toggleMeetsTheStartupLighting()
{
    QFETCH(bool, newFirmware);
    QFETCH(QString, button);
    QFETCH(int, clickAt);
    QFETCH(QStringList, writes);
    QFETCH(QString, lamps);

    Fixture f(newFirmware);
    f.at(clickAt, [&] { f.click(button); });
    f.start();
    f.clock.advance(15000);
    QCOMPARE(f.writes(), writes);
    QCOMPARE(f.lamps(), lamps);
    QVERIFY(!f.app->state().Staruji);
    QVERIFY(f.shown({"JasLED", "VykonIR", "ZpomalLED"}));
    QVERIFY(!f.ui.isChecked(QStringLiteral("PortOpen")));
}

// Night off and on again before the stand-by lighting after start-up: no
// lighting was chosen yet, so nothing is restored, and the label "Start"
// never reaches the device.
void TestLighting::nightBackOnBeforeAnyLighting()
{
    Fixture f(true);
    f.ui.setIndex(QStringLiteral("R_Stadby"), 1);
    f.at(100, [&] { f.click(QStringLiteral("VykonIR")); });
    f.at(1500, [&] { f.click(QStringLiteral("VykonIR")); });
    f.start();
    f.clock.advance(15000);
    QCOMPARE(f.writes(), (QStringList{"300 10", "3300 21"}));
    QCOMPARE(f.lamps(), QStringLiteral("GGG"));
}

void TestLighting::auxiliaryDuringPlayback_data()
{
    QTest::addColumn<bool>("newFirmware");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("pauseAt");  // -1: the program runs
    QTest::addColumn<int>("clickAt");  // -1: no click
    QTest::addColumn<int>("resumeAt"); // -1: not resumed by the operator
    QTest::addColumn<QStringList>("writes");
    QTest::addColumn<QString>("lamps");

    // One row of 30 s: its value at 1300, again on the 23rd tick (24600).
    QTest::newRow("old, no click") << false << "" << -1 << -1 << -1
                                   << QStringList{"0 44", "1300 1000", "24600 1000", "34400 12", "37200 12"} << "GGG";
    // Clicked in the third tick (4600 to 5600): Pause, 1 s, 1 s, 1 s, the
    // toggle, Pause. The program goes on 4700 ms later than it would have.
    QTest::newRow("old, running") << false << "JasLED_Pom" << -1 << 5000 << -1
                                  << QStringList{"0 44", "1300 1000", "8000 77", "29300 1000", "39100 12", "41900 12"}
                                  << "RGG";
    // Clicked inside the re-send's cycle: that cycle is closed underneath
    // (300 ms), and the playback's own close later finds the port closed.
    QTest::newRow("old, running, inside a write")
        << false << "JasLED_Pom" << -1 << 25000 << -1
        << QStringList{"0 44", "1300 1000", "24600 1000", "28300 77", "39600 12", "42400 12"} << "RGG";
    // Paused by the operator: no Pause click, the program stays paused
    // until the operator resumes it.
    QTest::newRow("old, paused") << false << "JasLED_Pom" << 4800 << 6000 << 12000
                                 << QStringList{"0 44", "1300 1000", "7000 77", "31000 1000", "40800 12", "43600 12"}
                                 << "RGG";
    QTest::newRow("old, paused inside the first write")
        << false << "ZpomalLED_Pom" << 1500 << 1800 << 8000
        << QStringList{"0 44", "1300 1000", "3100 99", "5400 99", "29000 1000", "38800 12", "41600 12"} << "GGR";
    QTest::newRow("old, night, running") << false << "VykonIR_Pom" << -1 << 5000 << -1
                                         << QStringList{"0 44", "1300 1000", "8000 33", "28300 1000", "38100 12",
                                                        "40900 12"}
                                         << "GRG";

    // New firmware: run lighting twice at the start, "13" twice and stand-by
    // twice at the end. While the program plays the toggles send the run
    // lighting; the stand-by at the end carries the toggle's state.
    QTest::newRow("new, no click") << true << "" << -1 << -1 << -1
                                   << QStringList{"1000 30", "4300 30", "6600 1000", "29900 1000", "39700 13",
                                                  "42500 13", "44300 20", "47100 20"}
                                   << "GGG";
    QTest::newRow("new, brightness, running")
        << true << "JasLED_Pom" << -1 << 10000 << -1
        << QStringList{"1000 30", "4300 30", "6600 1000", "13000 40", "16300 40", "37600 1000", "47400 13", "50200 13",
                       "52000 25", "54800 25"}
        << "RGG";
    // Night: nothing more reaches the device in the dark, not even stand-by.
    QTest::newRow("new, night, running") << true << "VykonIR_Pom" << -1 << 10000 << -1
                                         << QStringList{"1000 30", "4300 30", "6600 1000", "13000 10", "33300 1000",
                                                        "43100 13", "45900 13"}
                                         << "GRG";
}

void TestLighting::auxiliaryDuringPlayback()
{
    QFETCH(bool, newFirmware);
    QFETCH(QString, button);
    QFETCH(int, pauseAt);
    QFETCH(int, clickAt);
    QFETCH(int, resumeAt);
    QFETCH(QStringList, writes);
    QFETCH(QString, lamps);

    Fixture f(newFirmware);
    f.startAndRest();
    f.loadAndSelect(oneProgram({kThirtySeconds}));
    PlaybackController &playback = f.app->playback();
    const QString pause = QStringLiteral("Pause");

    if (pauseAt >= 0)
        f.at(pauseAt, [&] { playback.Pause(); });
    if (resumeAt >= 0)
        f.at(resumeAt, [&] {
            QCOMPARE(f.ui.text(pause), QStringLiteral(">"));
            playback.Pause();
        });
    QString before, after, captionAfter;
    int rowBefore = -1, rowAfter = -2;
    bool coveredMeanwhile = false;
    if (clickAt >= 0) {
        f.at(clickAt, [&] {
            QVERIFY(f.shown({"JasLED_Pom", "VykonIR_Pom", "ZpomalLED_Pom"}));
            before = f.ui.text(QStringLiteral("CasWrite"));
            rowBefore = playback.engine().currentRow();
            f.click(button);
            after = f.ui.text(QStringLiteral("CasWrite"));
            rowAfter = playback.engine().currentRow();
            captionAfter = f.ui.text(pause);
            QVERIFY(f.shown({"JasLED_Pom", "VykonIR_Pom", "ZpomalLED_Pom"}));
            QVERIFY(f.hidden({"StopPrekryv", "PausePrekryv"}));
        });
        f.at(clickAt + 500, [&] {
            coveredMeanwhile = f.shown({"StopPrekryv", "PausePrekryv"}) &&
                               f.hidden({"JasLED_Pom", "VykonIR_Pom", "ZpomalLED_Pom", "JasLED", "VykonIR", "ZpomalLED"});
        });
    }
    playback.Play();

    QCOMPARE(f.writes(), writes);
    QCOMPARE(f.lamps(), lamps);
    QCOMPARE(f.switches(), lamps);
    QVERIFY(!playback.lastFault());
    QCOMPARE(f.dialogs.shown().size(), size_t(0)); // no port error
    QVERIFY(!f.ui.isChecked(QStringLiteral("PortOpen")));
    QVERIFY(f.shown({"JasLED", "VykonIR", "ZpomalLED"}));
    QVERIFY(f.hidden({"JasLED_Pom", "VykonIR_Pom", "ZpomalLED_Pom", "StopPrekryv", "PausePrekryv"}));
    if (clickAt >= 0) {
        QVERIFY(coveredMeanwhile);
        // The program stands where it stood: same row, same remaining time.
        QCOMPARE(after, before);
        QCOMPARE(rowAfter, rowBefore);
        QCOMPARE(captionAfter, pauseAt >= 0 ? QStringLiteral(">") : QStringLiteral("||"));
    }
}

void TestLighting::generatorSwitch_data()
{
    QTest::addColumn<QString>("client");
    QTest::addColumn<QString>("chosen"); // what the client choice puts in; empty: cancelled
    QTest::addColumn<int>("clicks");
    QTest::addColumn<QString>("states"); // generator mode after each click
    QTest::addColumn<int>("choices");
    QTest::addColumn<int>("messages");

    QTest::newRow("twice with a client") << "Jana" << "" << 2 << "10" << 0 << 0;
    QTest::newRow("no client, choice cancelled") << "" << "" << 1 << "0" << 1 << 1;
    QTest::newRow("no client, one chosen") << "" << "Petr" << 1 << "1" << 1 << 0;
    // Switching off asks for a client too, and the message changes nothing.
    QTest::newRow("no client, twice cancelled") << "" << "" << 2 << "00" << 2 << 2;
}

void TestLighting::generatorSwitch()
{
    QFETCH(QString, client);
    QFETCH(QString, chosen);
    QFETCH(int, clicks);
    QFETCH(QString, states);
    QFETCH(int, choices);
    QFETCH(int, messages);

    Fixture f(false);
    f.startAndRest();
    f.app->state().Languagem = 1;
    f.ui.setText(QStringLiteral("Jmeno"), client);
    int asked = 0;
    GeneratorMode &g = f.app->generator();
    f.app->ctx().ops.KlientOpen = [&] {
        ++asked;
        f.ui.setText(QStringLiteral("Jmeno"), chosen);
    };
    QString seen;
    for (int i = 0; i < clicks; ++i) {
        g.Orva_Tlac();
        const bool on = f.ui.isChecked(QStringLiteral("OrvaTGener"));
        QCOMPARE(f.ui.isVisible(QStringLiteral("Panel5")), on);
        seen += on ? QLatin1Char('1') : QLatin1Char('0');
    }
    QCOMPARE(seen, states);
    QCOMPARE(asked, choices);
    QCOMPARE(int(f.dialogs.shown().size()), messages);
    for (const auto &s : f.dialogs.shown()) {
        QCOMPARE(s.kind, ScriptedDialogs::Shown::Message);
        QCOMPARE(s.text, QStringLiteral("It is necessary to select a client for the correct function."));
    }
    QVERIFY(f.writes().isEmpty());
}

void TestLighting::generatorMasksTheProgram()
{
    Fixture f(false);
    f.startAndRest();
    f.ui.setText(QStringLiteral("Jmeno"), QStringLiteral("Jana"));
    f.loadAndSelect(oneProgram({kThirtySeconds}));
    const QString shownRow = f.ui.line(QStringLiteral("MemoPlayShow"), 1);
    QVERIFY(shownRow.contains(QLatin1String("10.000")));
    f.app->generator().Orva_Tlac();
    QVERIFY(!f.ui.line(QStringLiteral("MemoPlayShow"), 1).contains(QLatin1String("10.000")));
    f.app->generator().Orva_Tlac();
    QCOMPARE(f.ui.line(QStringLiteral("MemoPlayShow"), 1), shownRow);
}

// A playback in generator mode, outside wish mode, sends on every row a
// value drawn by the engine instead of the row's own; a band is played as a
// single value.
void TestLighting::generatorPlaybackSendsRandomValues()
{
    QSet<qint32> range;
    int d[5];
    for (int n = 0; n < 100000; ++n) {
        int v = n;
        for (int i = 4; i >= 0; --i, v /= 10)
            d[i] = v % 10;
        range.insert(generatorValue(d));
    }

    Fixture f(false);
    f.startAndRest();
    f.app->state().rng.seed(2649);
    f.ui.setText(QStringLiteral("Jmeno"), QStringLiteral("Jana"));
    f.loadAndSelect(oneProgram({"a||10.000|0|Hz|0|0|2", "b|100.000|200.000|1.000|Hz|0|0|12", "c||3.000|0|MHz|0|0|2",
                                "d||4.000|0|kHz|0|0|2"}));
    f.app->generator().Orva_Tlac();
    QVERIFY(f.ui.isChecked(QStringLiteral("OrvaTGener")));
    QVERIFY(!f.ui.isVisible(QStringLiteral("MemoWish")));
    f.app->playback().Play();

    const QStringList texts = f.texts();
    QCOMPARE(texts.size(), 1 + 4 + 2);
    QCOMPARE(texts.first(), QStringLiteral("55")); // generator mode plays as colour change
    QCOMPARE(texts.mid(5), (QStringList{"12", "12"}));
    QSet<QString> distinct;
    for (const QString &v : texts.mid(1, 4)) {
        QVERIFY2(range.contains(v.toInt()), qPrintable(v));
        distinct.insert(v);
    }
    QCOMPARE(distinct.size(), 4);
    QVERIFY(!f.app->playback().lastFault());
}

void TestLighting::helpDisplays()
{
    Fixture f(false);
    f.startAndRest();
    f.app->state().Languagem = 1;
    GeneratorMode &g = f.app->generator();
    g.BtnInfo();
    QCOMPARE(f.dialogs.shown().size(), size_t(1));
    QCOMPARE(f.dialogs.shown().front().kind, ScriptedDialogs::Shown::Message);
    QCOMPARE(f.dialogs.shown().front().text,
             QStringLiteral("The correct function of the COM port is indicated in green. Sometimes it happens that "
                            "Windows does for example during updates, disables port operation and communication "
                            "collapses. You must run the program again."));

    const auto panels = [&] {
        return QString::number(f.ui.isVisible(QStringLiteral("PopisP1"))) +
               QString::number(f.ui.isVisible(QStringLiteral("PopisP2")));
    };
    QCOMPARE(panels(), QStringLiteral("00"));
    g.InfoPopis();
    QCOMPARE(panels(), QStringLiteral("10"));
    g.InfoPopis2();
    QCOMPARE(panels(), QStringLiteral("11"));
    g.ClosePopis();
    QCOMPARE(panels(), QStringLiteral("01"));
    g.ClosePopis2();
    QCOMPARE(panels(), QStringLiteral("00"));
    // The lists hold the help texts from start-up.
    QCOMPARE(f.ui.lines(QStringLiteral("PopisPT1")).size(), 5);
    QCOMPARE(f.ui.lines(QStringLiteral("PopisPT2")).size(), 6);
}

void TestLighting::toolTips_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("tip");

    QTest::newRow("brightness, English") << "JasLED" << 1 << "Brightness control in all modes";
    QTest::newRow("night lamp, Czech") << "VykonIR_Pc_Zn" << 0 << QString::fromUtf8("Vypínání osvětlení pro režim noc");
    QTest::newRow("slow-down auxiliary") << "ZpomalLED_Pom" << 1
                                         << "Controlling the speed of color changes in Orvatrin mode";
    QTest::newRow("lighting help") << "InfoPopis" << 1
                                   << "Brightness control in all modes\nSwitching off the lighting for night "
                                      "mode\nControlling the speed of color changes in Orvatrin mode";
    QTest::newRow("light-mode help") << "InfoPopis2" << 1
                                     << "Mode of lights during the program:\npredefined\nblending of colors\nconstant "
                                        "light";
    QTest::newRow("port information, wrapped")
        << "BtnInfo" << 1
        << "The correct function of the COM port is indicated in green.\nSometimes it happens that Windows does for "
           "example during\nupdates, disables port operation and communication\ncollapses. You must run the program "
           "again.";
}

void TestLighting::toolTips()
{
    QFETCH(QString, control);
    QFETCH(int, language);
    QFETCH(QString, tip);

    const auto &tips = captions::mainWindowToolTips();
    const auto it = std::find_if(tips.begin(), tips.end(), [&](const ToolTip &t) { return t.control == control; });
    QVERIFY(it != tips.end());
    const QString text = it->text(Texts{language, &Catalogue::mainWindow()});
    QCOMPARE(text, tip);
    for (const QString &line : text.split(QLatin1Char('\n')))
        QVERIFY(line.size() <= ToolTip::WrapColumn);
}

// Every control of the table is a control of the window, so that no tip is
// skipped for a misspelt name.
void TestLighting::toolTipsReachTheWindow()
{
    TForm19 window;
    applyToolTips(&window, captions::mainWindowToolTips(), Texts{4, &Catalogue::mainWindow()});
    for (const ToolTip &t : captions::mainWindowToolTips()) {
        QWidget *w = window.widget(t.control);
        QVERIFY2(w, qPrintable(t.control));
        QVERIFY2(!w->toolTip().isEmpty(), qPrintable(t.control));
        QVERIFY(!w->toolTip().contains(Catalogue::defaultText()));
    }
}

QTEST_MAIN(TestLighting)
#include "tst_lighting.moc"
