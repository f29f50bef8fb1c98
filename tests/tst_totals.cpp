// Time totals: the duration text, the selected program's total and the
// whole file's total.

#include "program/RowParser.h"
#include "program/Totals.h"
#include "support/Rows.h"

#include <QTime>
#include <QtTest>

using namespace zovt;

namespace {

using test::row;
using test::rows;

QString timeOfDay(int secs) { return QTime(0, 0).addSecs(secs).toString(longTimeFormat()); }

} // namespace

class TestTotals : public QObject {
    Q_OBJECT
private slots:
    void casPrevod_data();
    void casPrevod();
    void programTotal_data();
    void programTotal();
    void programTotalStopsAtBadRow_data();
    void programTotalStopsAtBadRow();
    void fileTotal_data();
    void fileTotal();
    void fileTotalLeavesZeroDurations();
    void fileTotalBadRow_data();
    void fileTotalBadRow();
    void fileTotalAheadSameAsInPlace_data() { fileTotal_data(); }
    void fileTotalAheadSameAsInPlace();
    void fileTotalAheadLeavesBadRowsToTheWindow_data() { fileTotalBadRow_data(); }
    void fileTotalAheadLeavesBadRowsToTheWindow();
    void cLocaleFormat();
    void zoneStripped_data();
    void zoneStripped();
};

void TestTotals::casPrevod_data()
{
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("3725") << qint64(3725) << "1:2:5";
    QTest::newRow("0") << qint64(0) << "0:0:0";
    QTest::newRow("59") << qint64(59) << "0:0:59";
    QTest::newRow("60") << qint64(60) << "0:1:0";
    QTest::newRow("3600") << qint64(3600) << "1:0:0";
    QTest::newRow("90000") << qint64(90000) << "25:0:0";
    QTest::newRow("-5") << qint64(-5) << "0:0:-5";
    QTest::newRow("-3725") << qint64(-3725) << "-1:-2:-5";
}

void TestTotals::casPrevod()
{
    QFETCH(qint64, seconds);
    QFETCH(QString, text);
    QCOMPARE(CasPrevod(seconds), text);
}

void TestTotals::programTotal_data()
{
    QTest::addColumn<QStringList>("memoPlay");
    QTest::addColumn<int>("count");     // PocetRadkfr
    QTest::addColumn<int>("hoursBefore"); // CasH left by the last parse
    QTest::addColumn<int>("total");
    QTest::addColumn<QStringList>("texts"); // CasWrite after each row

    QTest::newRow("no rows") << rows({"[P]"}) << 0 << 0 << 0 << QStringList();
    QTest::newRow("negative count") << rows({"[P]", "a||1.000|0|Hz|0|1|0"}) << -1 << 0 << 0 << QStringList();
    QTest::newRow("running text") << rows({"[P]", "a||1.000|0|Hz|0|30|0", "b||1.000|0|Hz|1|0|0"}) << 2 << 0
                                  << 5400 << QStringList{"        0:30:0", "        1:30:0"};
    QTest::newRow("empty fields carry over") << rows({"[P]", "a||1.000|0|Hz||10|0", "b||1.000|0|Hz|||5"}) << 2 << 2
                                             << 7800 + 7805
                                             << QStringList{"        2:10:0", "        4:20:5"};
    QTest::newRow("missing trailing field repeats") << rows({"[P]", "a||1.000|0|Hz|0|5"}) << 1 << 0 << 305
                                                    << QStringList{"        0:5:5"};
    QTest::newRow("only PocetRadkfr rows") << rows({"[P]", "a||1.000|0|Hz|0|1|0", "b||1.000|0|Hz|0|7|0"}) << 1 << 0
                                           << 60 << QStringList{"        0:1:0"};
    QTest::newRow("blank row repeats previous duration") << rows({"[P]", "a||1.000|0|Hz|0|1|0", ""}) << 2 << 0
                                                         << 120 << QStringList{"        0:1:0", "        0:2:0"};
}

void TestTotals::programTotal()
{
    QFETCH(QStringList, memoPlay);
    QFETCH(int, count);
    QFETCH(int, hoursBefore);
    QFETCH(int, total);
    QFETCH(QStringList, texts);

    RowVars v;
    v.CasH = hoursBefore;
    QStringList shown;
    const qint32 CasCelk = CasCelkSUM(memoPlay, count, v, [&](qint32 t) { shown << runningTotalText(t); });
    QCOMPARE(CasCelk, total);
    QCOMPARE(shown, texts);
}

void TestTotals::programTotalStopsAtBadRow_data()
{
    QTest::addColumn<QStringList>("memo");
    QTest::addColumn<qint32>("total"); // of the rows before the bad one
    QTest::addColumn<qint32>("CasH");  // after the bad row
    QTest::newRow("minutes not a number")
        << rows({"[P]", "a||1.000|0|Hz|0|3|0", "b||1.000|0|Hz|1|x|0", "c||1.000|0|Hz|0|9|0"}) << 180 << 1;
    // Longer than a row can play; with its hours carried from the row before.
    QTest::newRow("row too long")
        << rows({"[P]", "a||1.000|0|Hz|0|3|0", "b||1.000|0|Hz|596|31|24", "c||1.000|0|Hz|0|9|0"}) << 180 << 596;
    QTest::newRow("carried hours make a row too long")
        << rows({"[P]", "a||1.000|0|Hz|596|0|0", "b||1.000|0|Hz||31|24", "c||1.000|0|Hz|0|9|0"}) << 2145600 << 596;
}

void TestTotals::programTotalStopsAtBadRow()
{
    QFETCH(QStringList, memo);
    QFETCH(qint32, total);
    QFETCH(qint32, CasH);
    RowVars v;
    QString casWrite = QStringLiteral("before");
    qint32 CasCelk = -1;
    int counted = 0;
    QVERIFY_THROWS_EXCEPTION(ConvertError, CasCelkSUM(memo, 3, v, CasCelk, [&](qint32 t) {
                                 casWrite = runningTotalText(t);
                                 ++counted;
                             }));
    QCOMPARE(counted, 1);
    QCOMPARE(CasCelk, total);
    QCOMPARE(casWrite, QStringLiteral("        ") + CasPrevod(total));
    QCOMPARE(v.CasH, CasH); // assigned before the bad field
}

void TestTotals::fileTotal_data()
{
    QTest::addColumn<QStringList>("memo");
    QTest::addColumn<QString>("expected");

    const QString eight = QStringLiteral("        ");
    QTest::newRow("empty file") << QStringList() << QString();
    QTest::newRow("two programs of 12 hours") << rows({"[A]", "a||1.000|0|Hz|12|0|0", "[B]", "b||2.000|0|Hz|12|0|0",
                                                       "[STOP]"})
                                              << "   1 D + " + timeOfDay(0);
    QTest::newRow("23:59:59") << rows({"[A]", "a||1.000|0|Hz|23|59|59", "[STOP]"}) << eight + timeOfDay(86399);
    QTest::newRow("2:15") << rows({"[A]", "a||1.000|0|Hz|2|0|0", "b||1.000|0|Hz|0|15|0"}) << eight + timeOfDay(8100);
    QTest::newRow("days and time") << rows({"[A]", "a||1.000|0|Hz|50|15|0"}) << "   2 D + " + timeOfDay(2 * 3600 + 900);
    QTest::newRow("line above first header counts") << rows({"x||1.000|0|Hz|1|0|0", "[A]", "a||1.000|0|Hz|0|30|0"})
                                                    << eight + timeOfDay(5400);
    QTest::newRow("empty fields count zero") << rows({"[A]", "a||1.000|0|Hz|2|0|0", "b||1.000|0|Hz||10|0"})
                                             << eight + timeOfDay(7800);
    QTest::newRow("header only") << rows({"[A]"}) << eight + timeOfDay(0);
    // Ten tenths of a day do not add up to exactly 1.0 in binary.
    QTest::newRow("ten tenths make a day") << QStringList(10, row("a||1.000|0|Hz|2|24|0"))
                                           << "   1 D + " + timeOfDay(0);
}

void TestTotals::fileTotal()
{
    QFETCH(QStringList, memo);
    QFETCH(QString, expected);
    RowVars v;
    QCOMPARE(CasSUMASUM(memo, v), expected);
}

void TestTotals::fileTotalLeavesZeroDurations()
{
    // The next parse sees 0, not the previous row's value, for empty fields.
    RowVars v;
    v.CasH = 7;
    CasSUMASUM(rows({"[A]", "a||1.000|0|Hz|||"}), v);
    QCOMPARE(v.CasH, 0);
    QCOMPARE(v.CasM, 0);
    QCOMPARE(v.CasS, 0);
}

void TestTotals::fileTotalBadRow_data()
{
    QTest::addColumn<QStringList>("memo");
    // A text line without tabs is every field at once and no number.
    QTest::newRow("text line") << rows({"Comment", "[A]", "a||1.000|0|Hz|1|0|0"});
    QTest::newRow("row too long") << rows({"[A]", "a||1.000|0|Hz|1|0|0", "b||1.000|0|Hz|0|35791|24"});
}

void TestTotals::fileTotalBadRow()
{
    QFETCH(QStringList, memo);
    RowVars v;
    QVERIFY_THROWS_EXCEPTION(ConvertError, CasSUMASUM(memo, v));
    // Empty fields count 0 here, so no carried hours make a row too long.
    QVERIFY(!CasSUMASUM(rows({"[A]", "a||1.000|0|Hz|596|0|0", "b||1.000|0|Hz||31|24"}), v).isEmpty());
}

void TestTotals::fileTotalAheadSameAsInPlace()
{
    // Worked out ahead and then applied, the total reads and leaves the row
    // variables as the window's own computation does, whatever they held.
    QFETCH(QStringList, memo);
    RowVars inPlace;
    inPlace.CasH = 7;
    inPlace.CasM = 8;
    inPlace.CasS = 9;
    RowVars applied = inPlace;
    const std::optional<FileTotal> ahead = fileTotalAhead(memo);
    QVERIFY(ahead);
    QCOMPARE(CasSUMASUM(*ahead, applied), CasSUMASUM(memo, inPlace));
    QCOMPARE(applied.CasH, inPlace.CasH);
    QCOMPARE(applied.CasM, inPlace.CasM);
    QCOMPARE(applied.CasS, inPlace.CasS);
}

void TestTotals::fileTotalAheadLeavesBadRowsToTheWindow()
{
    QFETCH(QStringList, memo);
    QVERIFY(!fileTotalAhead(memo));
}

void TestTotals::cLocaleFormat()
{
    // main() runs the test in the C locale.
    QCOMPARE(longTimeFormat(), QStringLiteral("H:mm:ss"));
    RowVars v;
    QCOMPARE(CasSUMASUM(rows({"[A]", "a||1.000|0|Hz|26|15|0"}), v), QStringLiteral("   1 D + 2:15:00"));
    QCOMPARE(CasSUMASUM(rows({"[A]", "a||1.000|0|Hz|2|15|0"}), v), QStringLiteral("        2:15:00"));
}

void TestTotals::zoneStripped_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("zone after") << "HH:mm:ss t" << "HH:mm:ss";
    QTest::newRow("zone before") << "t HH:mm:ss" << "HH:mm:ss";
    QTest::newRow("am/pm kept") << "h:mm:ss AP t" << "h:mm:ss AP";
    QTest::newRow("quoted t kept") << "HH'h't mm" << "HH'h' mm";
    QTest::newRow("no zone") << "H:mm:ss" << "H:mm:ss";
}

void TestTotals::zoneStripped()
{
    QFETCH(QString, format);
    QFETCH(QString, expected);
    QCOMPARE(timeFormatWithoutZone(format), expected);
}

int main(int argc, char **argv)
{
    qputenv("LC_ALL", "C");
    qputenv("LANG", "C");
    QCoreApplication app(argc, argv);
    TestTotals t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_totals.moc"
