// The main window's resize rule and the column stops of the program display,
// without widgets.

#include "ui/LayoutRules.h"
#include "ui/MainWindowDesign.h"

#include <QtTest>

#include <stdexcept>

using namespace zovt;
using layout::Geometries;

namespace {

// The controls the rule works on as the window holds them after start-up:
// design places, with OpenZov and OpenSBZ already given their start-up widths.
Geometries startupGeometries()
{
    Geometries g;
    for (const QString &name : layout::resizedControls()) {
        const design::Control *c = design::findControl(name);
        g.insert(name, c ? c->geometry : QRect());
    }
    g[QStringLiteral("OpenZov")].setWidth(100);
    g[QStringLiteral("OpenSBZ")].setWidth(40);
    return g;
}

QRect rect(int left, int top, int width, int height) { return QRect(left, top, width, height); }

// Each line laid out with the fake metric: where each field starts when a tab
// moves to the first stop right of the text so far (beyond the array, every
// 80 px, as Qt does).
QList<int> fieldStarts(const QString &line, const QList<qreal> &stops, const std::function<int(const QString &)> &width)
{
    QList<int> starts;
    qreal x = 0;
    const QStringList fields = line.split(QLatin1Char('\t'));
    for (qsizetype k = 0; k < fields.size(); ++k) {
        if (k > 0) {
            qreal next = -1;
            for (qreal s : stops)
                if (s > x) {
                    next = s;
                    break;
                }
            x = next >= 0 ? next : (std::floor(x / 80) + 1) * 80;
        }
        starts.append(int(x));
        x += width(fields.at(k));
    }
    return starts;
}

// A proportional fake: digits and "." narrow, capitals wide, 6 px otherwise.
int fakeWidth(const QString &s)
{
    int w = 0;
    for (QChar c : s) {
        if (c.isDigit() || c == QLatin1Char('.') || c == QLatin1Char(':'))
            w += 5;
        else if (c.isUpper())
            w += 9;
        else
            w += 6;
    }
    return w;
}

} // namespace

class TestLayout : public QObject {
    Q_OBJECT
private slots:
    void roundsHalvesToEven_data();
    void roundsHalvesToEven();
    void resize_data();
    void resize();
    void resizeNeedsEveryControl();

    void fontListsNameDesignControls();

    void tabStopsLineUpColumns_data();
    void tabStopsLineUpColumns();
    void tabStopsReserveTheMarker();
    void columnSampleIsBounded_data();
    void columnSampleIsBounded();
    void displayLineIsCut();
};

void TestLayout::roundsHalvesToEven_data()
{
    QTest::addColumn<qint64>("num");
    QTest::addColumn<qint64>("den");
    QTest::addColumn<int>("expected");
    QTest::newRow("397.48") << qint64(39748) << qint64(100) << 397;
    QTest::newRow("10.46") << qint64(1046) << qint64(100) << 10;
    QTest::newRow("82.5 down to even") << qint64(165) << qint64(2) << 82;
    QTest::newRow("13.5 up to even") << qint64(27) << qint64(2) << 14;
    QTest::newRow("6.5 (0.01 x 650) down") << qint64(650) << qint64(100) << 6;
    QTest::newRow("7.5 (0.01 x 750) up") << qint64(750) << qint64(100) << 8;
    QTest::newRow("16.375") << qint64(16375) << qint64(1000) << 16;
    QTest::newRow("32.75") << qint64(3275) << qint64(100) << 33;
    QTest::newRow("0") << qint64(0) << qint64(100) << 0;
    QTest::newRow("-2.5 to even") << qint64(-5) << qint64(2) << -2;
    QTest::newRow("-3.5 to even") << qint64(-7) << qint64(2) << -4;
    QTest::newRow("-0.6") << qint64(-6) << qint64(10) << -1;
}

void TestLayout::roundsHalvesToEven()
{
    QFETCH(qint64, num);
    QFETCH(qint64, den);
    QFETCH(int, expected);
    QCOMPARE(layout::roundHalfEven(num, den), expected);
}

void TestLayout::resize_data()
{
    QTest::addColumn<int>("W");
    QTest::addColumn<int>("H");
    QTest::addColumn<bool>("wish");
    // Only the controls named here are compared; every width is checked too.
    QTest::addColumn<Geometries>("expected");

    QTest::newRow("880 keeps the design layout") << 880 << 655 << false << startupGeometries();
    QTest::newRow("880 keeps it in wish mode and when low") << 880 << 100 << true << startupGeometries();

    // W 881: x = R(334.78) = 335, u = R(8.81) = 9, R(1.5 u) = R(13.5) = 14;
    // H 617: v = R(30.85) = 31, R(2.5 v) = R(77.5) = 78, R(2.4 v) = R(74.4) = 74,
    // R(0.67 H) = 413, R(0.4 H) = 247, R(0.01 H) = 6, w = R(15.425) = 15,
    // R(24.5 w) = R(367.5) = 368.
    QTest::newRow("881 applies every rule") << 881 << 617 << false
        << Geometries{
               {QStringLiteral("Open"), rect(84, 38, 98, 34)},
               {QStringLiteral("OpenZov"), rect(182, 38, 100, 34)},
               {QStringLiteral("OpenSBZ"), rect(282, 38, 40, 34)},
               {QStringLiteral("Zakladmemo"), rect(335, 27, 160, 543 - 27)},
               {QStringLiteral("CasWriteSUMA"), rect(335, 8, 160, 21)},
               {QStringLiteral("ZovToolEdit"), rect(334, 543, 162, 33)},
               {QStringLiteral("MemoPlayShow"), rect(420, 249, 420, 543 + 33 - 249)},
               {QStringLiteral("MemoWish"), rect(420, 270, 420, 576 - 270)},
               {QStringLiteral("ZovTWisch"), rect(420, 249, 420, 21)},
               {QStringLiteral("TherapyL1Pan"), rect(853, 3, 14, 617 - 42)},
               {QStringLiteral("Wishes1dole"), rect(730, 586, 110, 22)},
               {QStringLiteral("PanelPlay"), rect(420, 8, 192, 144)},
               {QStringLiteral("OrvatrinPowerPcPanel"), rect(420, 617 - 450, 419, 413)},
               {QStringLiteral("Panelprani"), rect(420 + 192 + 18, 8, 193, 144)},
               {QStringLiteral("Setting"), rect(5, 539, 42, 37)},
               {QStringLiteral("Konec"), rect(53, 543, 311, 33)},
               {QStringLiteral("PanelJmeno"), rect(8, 247, 354, 305)},
           };

    // The worked example: x 397, u 10, v 33, w 16; R(0.67 H) = R(438.85) = 439,
    // R(0.01 H) = R(6.55) = 7.
    const Geometries example{
        {QStringLiteral("Open"), rect(84, 38, 98, 34)},
        {QStringLiteral("OpenZov"), rect(182, 38, 100, 34)},
        {QStringLiteral("OpenSBZ"), rect(282, 38, 40, 34)},
        {QStringLiteral("Zakladmemo"), rect(397, 27, 160, 576 - 27)},
        {QStringLiteral("CasWriteSUMA"), rect(397, 8, 160, 21)},
        {QStringLiteral("ZovToolEdit"), rect(396, 576, 162, 33)},
        {QStringLiteral("MemoPlayShow"), rect(582, 263, 420, 609 - 263)},
        {QStringLiteral("MemoWish"), rect(582, 284, 420, 609 - 284)},
        {QStringLiteral("ZovTWisch"), rect(582, 263, 420, 21)},
        {QStringLiteral("TherapyL1Pan"), rect(1017, 3, 14, 655 - 49)},
        {QStringLiteral("Wishes1dole"), rect(892, 586, 110, 22)},
        {QStringLiteral("PanelPlay"), rect(582, 8, 192, 144)},
        {QStringLiteral("OrvatrinPowerPcPanel"), rect(582, 175, 419, 439)},
        {QStringLiteral("Panelprani"), rect(794, 8, 193, 144)},
        {QStringLiteral("Setting"), rect(5, 573, 42, 37)},
        {QStringLiteral("Konec"), rect(53, 576, 311, 33)},
        {QStringLiteral("PanelJmeno"), rect(8, 262, 354, 305)},
    };
    QTest::newRow("1046 x 655") << 1046 << 655 << false << example;
    Geometries exampleWish = example;
    exampleWish[QStringLiteral("OrvatrinPowerPcPanel")].setHeight(98); // R(98.25)
    QTest::newRow("1046 x 655 in wish mode") << 1046 << 655 << true << exampleWish;

    // H 650: R(0.01 H) = R(6.5) = 6, v = R(32.5) = 32, R(0.67 H) = R(435.5) = 436.
    QTest::newRow("halves of the height go to even") << 1000 << 650 << false
        << Geometries{
               {QStringLiteral("TherapyL1Pan"), rect(1000 - 14 - 15, 3, 14, 650 - 42)},
               {QStringLiteral("Setting"), rect(5, 650 - 80, 42, 37)},
               {QStringLiteral("Konec"), rect(53, 650 - 77, 311, 33)},
               {QStringLiteral("OrvatrinPowerPcPanel"), rect(1000 - 420 - 14 - 30, 650 - 480, 419, 436)},
           };

    // H 20: v 1, Konec at 18, so the list above it gets a negative height; w 0
    // puts the program display and the picture panel at the very bottom.
    QTest::newRow("a very low window is not clamped") << 900 << 20 << false
        << Geometries{
               {QStringLiteral("Konec"), rect(53, 18, 311, 33)},
               {QStringLiteral("Zakladmemo"), rect(342, 27, 160, -9)},
               {QStringLiteral("MemoPlayShow"), rect(900 - 420 - 14 - 27, 20, 420, 18 + 33 - 20)},
               {QStringLiteral("OrvatrinPowerPcPanel"), rect(900 - 420 - 14 - 27, 20, 419, 13)},
               {QStringLiteral("TherapyL1Pan"), rect(900 - 14 - 14, 3, 14, 20)},
           };
}

void TestLayout::resize()
{
    QFETCH(int, W);
    QFETCH(int, H);
    QFETCH(bool, wish);
    QFETCH(Geometries, expected);
    const Geometries before = startupGeometries();
    const Geometries after = layout::FormResize(W, H, before, wish);
    QCOMPARE(after.size(), before.size());
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        QVERIFY2(after.contains(it.key()), qPrintable(it.key()));
        if (after.value(it.key()) != it.value())
            QFAIL(qPrintable(QStringLiteral("%1: got %2,%3 %4x%5, expected %6,%7 %8x%9")
                                 .arg(it.key())
                                 .arg(after.value(it.key()).left())
                                 .arg(after.value(it.key()).top())
                                 .arg(after.value(it.key()).width())
                                 .arg(after.value(it.key()).height())
                                 .arg(it.value().left())
                                 .arg(it.value().top())
                                 .arg(it.value().width())
                                 .arg(it.value().height())));
    }
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        QCOMPARE(after.value(it.key()).width(), it.value().width());
}

void TestLayout::resizeNeedsEveryControl()
{
    Geometries g = startupGeometries();
    g.remove(QStringLiteral("TherapyL1Pan"));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, layout::FormResize(1046, 655, g, false));
    // At the design width nothing is read, so nothing is missing either.
    QCOMPARE(layout::FormResize(880, 655, g, false), g);
}

// The font size lists name real controls, once each.
void TestLayout::fontListsNameDesignControls()
{
    QSet<QString> seen;
    for (const QStringList *list : {&design::secondaryFontControls(), &design::mainFontControls()})
        for (const QString &name : *list) {
            QVERIFY2(design::findControl(name), qPrintable(name));
            QVERIFY2(!seen.contains(name), qPrintable(name));
            seen.insert(name);
        }
    QCOMPARE(design::mainFontControls(), (QStringList{QStringLiteral("MemoWish"), QStringLiteral("Konec")}));
}

void TestLayout::tabStopsLineUpColumns_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QList<qreal>>("stops");

    // A short name and a long one; the band row has every column.
    const QStringList rows = {
        QStringLiteral(" Program "),
        QStringLiteral("A\t \t728.000\t \tHz\t0:3:0"),
        QStringLiteral("Very Long Row Name\t100.000\t10000.000\t50.000\tkHz\t1:20:30"),
    };
    // Widest per column: "Very Long Row Name" 4 capitals and 14 others = 120;
    // "100.000" 35; "10000.000" 45; "50.000" 30; "kHz" 6 + 9 + 6 = 21.
    QTest::newRow("program rows") << rows << QList<qreal>{124, 163, 212, 246, 271};

    // The header has no tab and does not widen the first column.
    QStringList longHeader = rows;
    longHeader[0] = QStringLiteral(" A header far wider than any row name of the program ");
    QTest::newRow("header line ignored") << longHeader << QList<qreal>{124, 163, 212, 246, 271};

    // Masked rows: name, asterisks, an empty field, then the duration.
    QTest::newRow("masked rows") << QStringList{QStringLiteral(" P "), QStringLiteral("Ab\t********************\t\t0:5:0"),
                                                QStringLiteral("Abc\t********************\t\t1:0:0")}
                                 << QList<qreal>{9 + 12 + 4, 25 + 120 + 4, 149 + 0 + 4};

    QTest::newRow("no rows") << QStringList{} << QList<qreal>{};
    QTest::newRow("only a header") << QStringList{QStringLiteral(" P ")} << QList<qreal>{};
    QTest::newRow("a row with fewer columns") << QStringList{QStringLiteral("Ab\t1.000"),
                                                             QStringLiteral("A\t10.000\tHz\t0:1:0")}
                                              << QList<qreal>{19, 19 + 30 + 4, 53 + 15 + 4};
}

void TestLayout::tabStopsLineUpColumns()
{
    QFETCH(QStringList, lines);
    QFETCH(QList<qreal>, stops);
    const QList<qreal> got = layout::columnTabStops(lines, fakeWidth, 4);
    QCOMPARE(got, stops);
    // Laid out with these stops, field k of every row starts at stop k - 1.
    for (const QString &line : lines) {
        const QList<int> starts = fieldStarts(line, got, fakeWidth);
        for (qsizetype k = 1; k < starts.size(); ++k)
            QCOMPARE(starts.at(k), int(got.at(k - 1)));
    }
}

// The stops of a huge program come from a bounded sample: few lines, short
// fields, and the longest field of each column wherever it stands.
void TestLayout::columnSampleIsBounded_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("maxLines");
    QTest::addColumn<QStringList>("sample");
    const QStringList rows{QStringLiteral("A\t1.000\tHz"), QStringLiteral("Abc\t10.000\tkHz"),
                           QStringLiteral("B\t2.000\tHz")};
    QTest::newRow("few lines stay") << rows << 3 << rows;
    QTest::newRow("no lines") << QStringList{} << 2 << QStringList{};
    QTest::newRow("spread, then the longest fields")
        << (rows + QStringList{QStringLiteral("C\t3.000\tHz")}) << 2
        << QStringList{QStringLiteral("A\t1.000\tHz"), QStringLiteral("B\t2.000\tHz"), QStringLiteral("Abc\t10.000\t")};
    // The long name of the last row counts though the sample skips that row.
    QTest::newRow("a wide field outside the sample")
        << QStringList{QStringLiteral("A\t1\tHz"), QStringLiteral("B\t2\tHz"), QStringLiteral("C\t3\tHz"),
                       QString(30, QLatin1Char('n')) + QStringLiteral("\t4\tHz")}
        << 1 << QStringList{QStringLiteral("A\t1\tHz"), QString(8, QLatin1Char('n')) + QStringLiteral("\t1\t")};
    QTest::newRow("fields cut") << QStringList{QString(20, QLatin1Char('x')) + QStringLiteral("\t") + QString(20, QLatin1Char('y'))}
                                << 5 << QStringList{QString(8, QLatin1Char('x')) + QStringLiteral("\t") + QString(8, QLatin1Char('y'))};
}

void TestLayout::columnSampleIsBounded()
{
    QFETCH(QStringList, lines);
    QFETCH(int, maxLines);
    QFETCH(QStringList, sample);
    QCOMPARE(layout::columnSample(lines, maxLines, 8), sample);
}

void TestLayout::displayLineIsCut()
{
    const QString fits(layout::DisplayLineCap, QLatin1Char('a'));
    QCOMPARE(layout::displayLine(fits), fits);
    const QString cut = layout::displayLine(fits + QLatin1Char('b'));
    QCOMPARE(cut.size(), layout::DisplayLineCap);
    QVERIFY(cut.startsWith(fits.left(layout::DisplayLineCap - 1)));
    QCOMPARE(cut.back(), QChar(0x2026));
}

void TestLayout::tabStopsReserveTheMarker()
{
    const QStringList lines = {QStringLiteral("A\t1.000\tHz\t0:1:0"), QStringLiteral("Abc\t2.000\tHz\t0:1:0")};
    const QString marker = QStringLiteral("\u2022 ");
    const QList<qreal> stops = layout::columnTabStops(lines, fakeWidth, 4, marker);
    QCOMPARE(stops.first(), qreal(fakeWidth(marker + QStringLiteral("Abc")) + 4));
    // The row being played, marker and all, still lines up.
    QStringList playing = lines;
    playing[1] = marker + playing[1];
    for (const QString &line : playing) {
        const QList<int> starts = fieldStarts(line, stops, fakeWidth);
        for (qsizetype k = 1; k < starts.size(); ++k)
            QCOMPARE(starts.at(k), int(stops.at(k - 1)));
    }
}

QTEST_GUILESS_MAIN(TestLayout)
#include "tst_layout.moc"
