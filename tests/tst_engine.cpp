// The row loop: device values, the write cadence of single and band rows,
// the fall-backs to a single frequency, random mode, pause and stop. Runs the
// loop on its own (no start or end lighting), so the first write of the
// first row is at virtual time 0.

#include "playback/DeviceValue.h"
#include "playback/PlaybackEngine.h"
#include "program/RowParser.h"
#include "program/Totals.h"
#include "support/Headless.h"

#include <QtTest>

#include <algorithm>

using namespace zovt;

namespace {

using test::row;

const QString kMarker = QString(QChar(0x2022)) + QLatin1Char(' ');

// The row loop with a headless window and a recording port.
struct Loop : test::Headless {
    PlaybackEngine engine{ctx};

    // Puts the rows into MemoPlay and its display, as selecting the program
    // does, and runs the loop as a playback does (Stop enabled, not paused).
    void play(const QStringList &rows)
    {
        QStringList memo{QStringLiteral("[P]")};
        memo += rows;
        ui.setLines(QStringLiteral("MemoPlay"), memo);
        state.PocetRadkfr = qint32(rows.size());
        RowVars scratch = state.row;
        QStringList show{QStringLiteral(" P ")};
        try {
            for (const QString &r : rows) {
                Nactiradekdata(r, scratch);
                show << rowDisplayLine(scratch, false);
            }
        } catch (const ConvertError &) {
            // The display ends at a bad row, as selecting the program leaves it.
        }
        ui.setLines(QStringLiteral("MemoPlayShow"), show);
        scratch = state.row;
        qint32 total = 0;
        try {
            CasCelkSUM(memo, state.PocetRadkfr, scratch, total, nullptr);
        } catch (const ConvertError &) {
        }
        state.engine.CasCelkFIX = state.engine.CasCelkp = total;
        ui.setEnabled(QStringLiteral("Stop"), true);
        ui.setText(QStringLiteral("Pause"), QStringLiteral("||"));
        engine.run();
    }

    void pause() { ui.setText(QStringLiteral("Pause"), ui.text(QStringLiteral("Pause")) == QLatin1String("||") ? ">" : "||"); }
};

// The values of a sweep that starts at 'from', moves by 'step' every third
// tick and turns at the limits, 'count' writes after the first.
QStringList sweep(int from, int lower, int upper, int step, int count)
{
    QStringList out{QString::number(from)};
    qint64 v = from;
    int s = step;
    for (int i = 0; i < count; ++i) {
        v -= s;
        v = std::clamp<qint64>(v, lower, upper);
        out << QString::number(v);
        if (v >= upper || v <= lower)
            s = -s;
    }
    return out;
}

} // namespace

class TestEngine : public QObject {
    Q_OBJECT
private slots:
    void roundingHalfEven_data();
    void roundingHalfEven();
    void deviceValues_data();
    void deviceValues();
    void deviceValueErrors_data();
    void deviceValueErrors();
    void generatorValues();

    void singleRowCadence();
    void bandRows_data();
    void bandRows();
    void bandExampleTimes();
    void zeroDurationRows();
    void unknownUnitFirstRow();
    void randomMode();
    void badRowKeepsMarker();
    void writeComesBeforeTheDisplay();

    void pauseFreezesTimeAndWrites();
    void stopAtEndOfTick();
    void lateWakeKeepsTheGrid_data();
    void lateWakeKeepsTheGrid();
    void stopReleasesPause();
};

void TestEngine::roundingHalfEven_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("r");
    QTest::newRow("0.5") << 0.5 << 0.0;
    QTest::newRow("1.5") << 1.5 << 2.0;
    QTest::newRow("2.5") << 2.5 << 2.0;
    QTest::newRow("2.5000001") << 2.5000001 << 3.0;
    QTest::newRow("-1.5") << -1.5 << -2.0;
    QTest::newRow("-2.5") << -2.5 << -2.0;
    QTest::newRow("-2.6") << -2.6 << -3.0;
    QTest::newRow("112.5") << 112.5 << 112.0;
    QTest::newRow("137.5") << 137.5 << 138.0;
}

void TestEngine::roundingHalfEven()
{
    QFETCH(double, x);
    QFETCH(double, r);
    QCOMPARE(double(roundHalfEven(x)), r);
}

void TestEngine::deviceValues_data()
{
    QTest::addColumn<double>("f");
    QTest::addColumn<int>("HzkHz");
    QTest::addColumn<int>("value");
    QTest::newRow("10.000 Hz") << 10.0 << 1 << 1000;
    QTest::newRow("7.830 Hz") << 7.83 << 1 << 783;
    QTest::newRow("1.125 Hz half to even") << 1.125 << 1 << 112;
    QTest::newRow("1.375 Hz half to even") << 1.375 << 1 << 138;
    QTest::newRow("0.500 Hz") << 0.5 << 1 << 50;
    QTest::newRow("2.500 kHz") << 2.5 << 1000 << 250000;
    QTest::newRow("21474.836 kHz, the largest") << 21474.836 << 1000 << 2147483600;
    QTest::newRow("1.000 MHz") << 1.0 << 1000000 << 100000;
    QTest::newRow("3.000 MHz") << 3.0 << 1000000 << 173205;
    QTest::newRow("1.000 GHz") << 1.0 << 1000000000 << 3162278;
    QTest::newRow("no unit yet") << 10.0 << 0 << 0;
    QTest::newRow("negative Hz") << -1.5 << 1 << -150;
}

void TestEngine::deviceValues()
{
    QFETCH(double, f);
    QFETCH(int, HzkHz);
    QFETCH(int, value);
    QCOMPARE(deviceValue(f, HzkHz), value);
}

void TestEngine::deviceValueErrors_data()
{
    QTest::addColumn<double>("f");
    QTest::addColumn<int>("HzkHz");
    QTest::newRow("21474.837 kHz") << 21474.837 << 1000;
    QTest::newRow("-21474.837 kHz") << -21474.837 << 1000;
    QTest::newRow("negative MHz") << -1.0 << 1000000;
    QTest::newRow("negative GHz") << -0.001 << 1000000000;
    QTest::newRow("GHz beyond 32 bits") << 500000.0 << 1000000000;
}

void TestEngine::deviceValueErrors()
{
    QFETCH(double, f);
    QFETCH(int, HzkHz);
    QVERIFY_THROWS_EXCEPTION(DeviceValueError, deviceValue(f, HzkHz));
}

void TestEngine::generatorValues()
{
    QCOMPARE(generatorValue({0, 0, 0, 0, 0}), 9467);
    QCOMPARE(generatorValue({9, 9, 9, 9, 9}), 22713639);
    // Five digits drawn in order from the program's generator.
    std::mt19937 a(7), b(7);
    std::uniform_int_distribution<int> digit(0, 9);
    int d[5];
    for (int &v : d)
        v = digit(b);
    QCOMPARE(generatorValue(a), generatorValue(d));
    QCOMPARE(a(), b());
}

void TestEngine::singleRowCadence()
{
    Loop l;
    QStringList caswrite;
    l.at(1500, [&] { caswrite << l.ui.text(QStringLiteral("CasWrite")); });
    l.at(61500, [&] { caswrite << l.ui.text(QStringLiteral("CasWrite")); });
    l.play({row("a||10.000|0|Hz|0|1|0")});
    // First write and 1 s wait and close (1.3 s), then ticks of 1 s; ticks 23
    // and 46 write again and pay 0.3 s for the close.
    QCOMPARE(l.writes(), (QStringList{"0 1000", "23300 1000", "46600 1000"}));
    QCOMPARE(l.clock.nowMs(), 61900);
    QCOMPARE(caswrite, (QStringList{" 0:1:0 / 0:0:59", " 0:1:0 / 0:0:0"}));
    QCOMPARE(l.ui.line(QStringLiteral("MemoPlayShow"), 1).startsWith(kMarker), false);
    QVERIFY(!l.ui.isChecked(QStringLiteral("PortOpen")));

    Loop low;
    low.play({row("a||0.500|0|Hz|0|0|5")});
    QCOMPARE(low.writes(), QStringList{"0 1000"});
}

void TestEngine::bandRows_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("values");

    QTest::newRow("100-200 Hz, empty step, 1 min: step 526, clamped at the end")
        << QStringList{row("b|100.000|200.000||Hz|0|1|0")} << sweep(20000, 10000, 20000, 526, 20);
    QTest::newRow("turns at both limits")
        << QStringList{row("b|1.000|2.000|0.100|Hz|0|1|10")} << sweep(200, 100, 200, 10, 23);
    QTest::newRow("1-2 Hz, step 0.010, 5 min: reaches 100 at the end")
        << QStringList{row("b|1.000|2.000|0.010|Hz|0|5|0")} << sweep(200, 100, 200, 1, 100);
    QTest::newRow("band shorter than 10 s plays single")
        << QStringList{row("b|100.000|200.000|1.000|Hz|0|0|9")} << QStringList{"20000"};
    QTest::newRow("span not above the step plays single")
        << QStringList{row("b|1.000|1.500|0.500|Hz|0|1|0")} << QStringList{"150", "150", "150"};
    QTest::newRow("MHz band with a step beyond the span plays single")
        << QStringList{row("b|1.000|2.000|0.001|MHz|0|1|0")} << QStringList{"141421", "141421", "141421"};
    QTest::newRow("single row after a band keeps single")
        << QStringList{row("b|1.000|2.000|0.100|Hz|0|0|3"), row("s||1.500|0|Hz|0|0|30")}
        << QStringList{"200", "150", "150"};
    // A band reaching below 100 turns at 100 instead of staying there.
    QTest::newRow("lower value below 100 turns at 100")
        << QStringList{row("b|0.000|2.000|0.500|Hz|0|1|0")} << sweep(200, 100, 200, 50, 20);
    // 100 x sqrt(Hz): 1.001 MHz is 100050, the span 50 spread over 119
    // periods rounds to 0; the band still sweeps by 1.
    QTest::newRow("recomputed step rounding to 0 sweeps by 1")
        << QStringList{row("b|1.000|1.001||MHz|0|6|0")} << sweep(100050, 100000, 100050, 1, 120);
}

void TestEngine::bandRows()
{
    QFETCH(QStringList, rows);
    QFETCH(QStringList, values);
    Loop l;
    l.play(rows);
    QCOMPARE(l.texts(), values);
}

void TestEngine::bandExampleTimes()
{
    Loop l;
    l.play({row("b|100.000|200.000||Hz|0|1|0")});
    // Every third tick: two ticks of waiting (2 s) and one write (1.3 s).
    const auto w = l.port.writes();
    QCOMPARE(w.size(), 21);
    for (int j = 0; j < w.size(); ++j)
        QCOMPARE(w.at(j).ms, qint64(3300) * j);
    QCOMPARE(w.at(1).text, QByteArray("19474"));
    QCOMPARE(w.at(2).text, QByteArray("18948"));
    QCOMPARE(w.at(20).text, QByteArray("10000"));
    QCOMPARE(l.state.engine.SunCOM, -526); // turned upwards
}

void TestEngine::zeroDurationRows()
{
    Loop l;
    l.play({row("z||10.000|0|Hz|0|0|0"), row("z||20.000|0|Hz|0|0|0")});
    QCOMPARE(l.writes(), (QStringList{"0 1000", "1300 2000"}));
    QCOMPARE(l.clock.nowMs(), 2600);
}

void TestEngine::unknownUnitFirstRow()
{
    Loop l;
    QCOMPARE(l.state.row.HzkHz, 0);
    l.play({row("u||10.000|0|hz|0|0|5")});
    QCOMPARE(l.writes(), QStringList{"0 1000"});
}

void TestEngine::randomMode()
{
    Loop l;
    l.ui.setChecked(QStringLiteral("OrvaTGener"), true);
    l.state.rng.seed(2024);
    std::mt19937 copy = l.state.rng;
    const qint32 first = generatorValue(copy);
    const qint32 second = generatorValue(copy);
    // Bands play their random value as a single frequency too.
    l.play({row("r||10.000|0|Hz|0|0|30"), row("r|1.000|2.000|0.010|Hz|0|0|30")});
    QCOMPARE(l.texts(), (QStringList{QString::number(first), QString::number(first), QString::number(second),
                                     QString::number(second)}));
    for (qint32 v : {first, second})
        QVERIFY(v >= 9467 && v <= 22713639);
}

void TestEngine::badRowKeepsMarker()
{
    Loop l;
    QVERIFY_THROWS_EXCEPTION(ConvertError, l.play({row("a||10.000|0|Hz|0|0|2"), row("b||1x.000|0|Hz|0|0|2")}));
    QCOMPARE(l.engine.currentRow(), 2);
    // The display stops short of the bad row: marking it adds no stray line.
    QCOMPARE(l.ui.lineCount(QStringLiteral("MemoPlayShow")), 2);
    QVERIFY(!l.ui.line(QStringLiteral("MemoPlayShow"), 1).startsWith(kMarker));
    QCOMPARE(l.texts(), QStringList{"1000"});

    Loop big;
    QVERIFY_THROWS_EXCEPTION(DeviceValueError, big.play({row("k||30000.000|0|kHz|0|0|2")}));
    QVERIFY(big.port.writes().isEmpty());
}

// Re-laying the row display or the countdown must not stand between a tick
// and its write: at each write the window still shows the moment before, and
// it catches up before the write's wait lets any event in.
void TestEngine::writeComesBeforeTheDisplay()
{
    Loop l;
    QStringList seen;
    const auto shown = [&l] {
        QString marked;
        for (int k = 1; k < l.ui.lineCount(QStringLiteral("MemoPlayShow")); ++k)
            if (l.ui.line(QStringLiteral("MemoPlayShow"), k).startsWith(kMarker))
                marked += QString::number(k);
        return QStringLiteral("%1 [%2]%3").arg(l.clock.nowMs()).arg(marked, l.ui.text(QStringLiteral("CasWrite")));
    };
    l.port.setOnWrite([&](const RecordingPort::Write &) { seen << shown(); });
    l.at(100, [&] { seen << shown(); });
    l.at(24000, [&] { seen << shown(); });
    l.play({row("a||10.000|0|Hz|0|0|25"), row("b||20.000|0|Hz|0|0|0"), row("c||30.000|0|Hz|0|0|0")});
    QCOMPARE(l.writes(), (QStringList{"0 1000", "23300 1000", "26600 2000", "27900 3000"}));
    QCOMPARE(seen, (QStringList{"0 []", "100 [1]", "23300 [1] 0:0:25 / 0:0:3", "24000 [1] 0:0:25 / 0:0:2",
                                "26600 [1] 0:0:25 / 0:0:0", "27900 [2] 0:0:25 / 0:0:0"}));
    QVERIFY(!l.ui.line(QStringLiteral("MemoPlayShow"), 3).startsWith(kMarker));

    // A row whose port does not open is marked all the same, and the row
    // before it is not.
    Loop gone;
    gone.at(500, [&] { gone.port.removeDevice(); });
    QVERIFY_THROWS_EXCEPTION(EVaCommError, gone.play({row("a||10.000|0|Hz|0|0|0"), row("b||20.000|0|Hz|0|0|0")}));
    QVERIFY(!gone.ui.line(QStringLiteral("MemoPlayShow"), 1).startsWith(kMarker));
    QVERIFY(gone.ui.line(QStringLiteral("MemoPlayShow"), 2).startsWith(kMarker));
}

void TestEngine::pauseFreezesTimeAndWrites()
{
    Loop l;
    QString atPause, duringPause;
    // Tick 4 runs from 4300 to 5300; the pause holds from its end to 35000.
    l.at(5000, [&] { l.pause(); });
    l.at(5400, [&] { atPause = l.ui.text(QStringLiteral("CasWrite")); });
    l.at(20000, [&] { duringPause = l.ui.text(QStringLiteral("CasWrite")); });
    l.at(35000, [&] { l.pause(); });
    l.play({row("a||10.000|0|Hz|0|1|0")});
    QCOMPARE(atPause, QStringLiteral(" 0:1:0 / 0:0:56"));
    QCOMPARE(duringPause, atPause);
    QCOMPARE(l.writes(), (QStringList{"0 1000", "53000 1000", "76300 1000"}));
    QCOMPARE(l.clock.nowMs(), 61900 + 29700);
}

void TestEngine::lateWakeKeepsTheGrid_data()
{
    QTest::addColumn<qint64>("dueMs");
    QTest::addColumn<qint64>("lateMs");
    QTest::addColumn<QStringList>("writes");
    // A band of 15 s: a write every third tick, each paying 0.3 s for the
    // port's close; the ticks between them are due at 2300, 5600, ...
    const QStringList onTime{"0 20000", "3300 17500", "6600 15000", "9900 12500", "13200 10000", "16500 12500"};
    QTest::newRow("on time") << qint64(0) << qint64(0) << onTime;
    QStringList writingTickLate = onTime;
    writingTickLate[1] = QStringLiteral("3700 17500");
    QTest::newRow("the wake of a writing tick, 400 ms late") << qint64(3300) << qint64(400) << writingTickLate;
    QTest::newRow("the wake of a silent tick, 512 ms late") << qint64(2300) << qint64(512) << onTime;
    QTest::newRow("a wake within a write's wait, 189 ms late") << qint64(3800) << qint64(189) << onTime;
}

// A loaded machine wakes the playback late from one tick's wait: the write
// of that tick is late by the wake delay alone, and every later tick is on
// the grid the schedule preview predicts.
void TestEngine::lateWakeKeepsTheGrid()
{
    QFETCH(qint64, dueMs);
    QFETCH(qint64, lateMs);
    QFETCH(QStringList, writes);
    Loop l;
    if (lateMs > 0)
        l.clock.wakeLate(dueMs, lateMs);
    l.play({row("b|100.000|200.000|20.000|Hz|0|0|15")});
    QCOMPARE(l.writes(), writes);
}

void TestEngine::stopAtEndOfTick()
{
    Loop l;
    // Tick 10 runs from 10300 to 11300.
    l.at(10500, [&] { l.ui.setEnabled(QStringLiteral("Stop"), false); });
    l.play({row("a||10.000|0|Hz|0|1|0"), row("b||20.000|0|Hz|0|1|0")});
    QCOMPARE(l.clock.nowMs(), 11300);
    QCOMPARE(l.writes(), QStringList{"0 1000"});
    QCOMPARE(l.ui.line(QStringLiteral("MemoPlayShow"), 1), row("a| |10.000| |Hz|0:1:0"));
    QCOMPARE(l.ui.line(QStringLiteral("MemoPlayShow"), 2), row("b| |20.000| |Hz|0:1:0"));
}

void TestEngine::stopReleasesPause()
{
    Loop l;
    l.at(5000, [&] { l.pause(); });
    l.at(20000, [&] {
        l.ui.setText(QStringLiteral("Pause"), QStringLiteral("||"));
        l.ui.setEnabled(QStringLiteral("Stop"), false);
    });
    l.play({row("a||10.000|0|Hz|0|1|0")});
    QCOMPARE(l.clock.nowMs(), 20000);
    QCOMPARE(l.writes(), QStringList{"0 1000"});
}

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
