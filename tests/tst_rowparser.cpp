// The row parser: field splitting, number and duration reading, the values
// that carry over from the rows before, and the display line of a row.

#include "program/RowParser.h"
#include "support/Rows.h"

#include <QRandomGenerator>
#include <QtTest>

#include <bit>
#include <limits>

using namespace zovt;

namespace {

using test::row;

QString valueOf(const RowVars &v, const QString &name)
{
    const auto num = [](double d) { return QString::number(d, 'f', 6); };
    if (name == u"FrJm") return v.FrJm;
    if (name == u"FrDw") return QString::number(v.FrDw);
    if (name == u"FrUp") return QString::number(v.FrUp);
    if (name == u"Sun") return QString::number(v.Sun);
    if (name == u"FrDwD") return QString::number(v.FrDwD);
    if (name == u"FrUpD") return QString::number(v.FrUpD);
    if (name == u"SunD") return QString::number(v.SunD);
    if (name == u"FrDwF") return num(v.FrDwF);
    if (name == u"FrUpF") return num(v.FrUpF);
    if (name == u"SunF") return num(v.SunF);
    if (name == u"HzkHz") return QString::number(v.HzkHz);
    if (name == u"InfoMEZ") return QString::number(v.InfoMEZ);
    if (name == u"CasH") return QString::number(v.CasH);
    if (name == u"CasM") return QString::number(v.CasM);
    if (name == u"CasS") return QString::number(v.CasS);
    return QStringLiteral("<unknown variable %1>").arg(name);
}

} // namespace

class TestRowParser : public QObject {
    Q_OBJECT
private slots:
    void fields_data();
    void fields();
    void parse_data();
    void parse();
    void extendedPrecision_data();
    void extendedPrecision();
    void readDecimalLimits_data();
    void readDecimalLimits();
    void errorQuotesAnExcerpt_data();
    void errorQuotesAnExcerpt();
    void displayLine_data();
    void displayLine();
    void displayNumbersAsQtPrintsThem();
};

void TestRowParser::fields_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("expected"); // fields 1 to 8

    QTest::newRow("eight fields") << row("n|1|2|3|Hz|4|5|6")
                                  << QStringList{"n", "1", "2", "3", "Hz", "4", "5", "6"};
    QTest::newRow("ninth field ignored") << row("n|1|2|3|Hz|4|5|6|7")
                                         << QStringList{"n", "1", "2", "3", "Hz", "4", "5", "6"};
    QTest::newRow("seven fields repeat the last") << row("n||2|0|Hz|0|5")
                                                  << QStringList{"n", "", "2", "0", "Hz", "0", "5", "5"};
    QTest::newRow("no tab: every field is the text") << row("abc")
                                                    << QStringList{"abc", "abc", "abc", "abc", "abc", "abc", "abc", "abc"};
    QTest::newRow("trailing tab leaves empty fields") << row("n|")
                                                     << QStringList{"n", "", "", "", "", "", "", ""};
    QTest::newRow("blank") << QString() << QStringList{"", "", "", "", "", "", "", ""};
}

void TestRowParser::fields()
{
    QFETCH(QString, text);
    QFETCH(QStringList, expected);
    for (int k = 1; k <= 8; ++k)
        QCOMPARE(rowField(text, k), expected.at(k - 1));
}

void TestRowParser::parse_data()
{
    QTest::addColumn<QStringList>("before"); // rows parsed first, into the same variables
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("fails");
    QTest::addColumn<QString>("expected"); // "Name=value;..." checked after the parse

    const QStringList none;
    const QString tenHz5min = row("p||10.000|0|Hz|0|5|0");

    // Number forms.
    QTest::newRow("10.000") << none << row("a||10.000|0|Hz|0|1|0") << false
                            << "FrUp=10;FrUpD=0;FrUpF=10.000000;InfoMEZ=1;FrDwF=0.000000";
    QTest::newRow("decimal comma") << none << row("a||10,500|0|Hz|0|1|0") << false
                                   << "FrUp=10;FrUpD=500;FrUpF=10.500000";
    QTest::newRow("12.5 is thousandths 5") << none << row("a||12.5|0|Hz|0|1|0") << false << "FrUpF=12.005000";
    QTest::newRow("12.50 is thousandths 50") << none << row("a||12.50|0|Hz|0|1|0") << false << "FrUpF=12.050000";
    QTest::newRow("no point: read twice") << none << row("a||440|0|Hz|0|1|0") << false
                                          << "FrUp=440;FrUpD=440;FrUpF=440.440000";
    QTest::newRow("sign on integer part only") << none << row("a||-1.500|0|Hz|0|1|0") << false
                                               << "FrUp=-1;FrUpD=500;FrUpF=-0.500000";
    QTest::newRow("plus sign") << none << row("a||+2.250|0|Hz|0|1|0") << false << "FrUpF=2.250000";

    // Single frequency and band.
    QTest::newRow("equal limits collapse") << none << row("a|5.000|5.000|0|Hz|0|1|0") << false
                                           << "InfoMEZ=1;FrDwF=0.000000;FrDw=5;FrUpF=5.000000";
    QTest::newRow("band from zero") << none << row("a|0.000|7.830|0.100|Hz|0|1|0") << false
                                    << "InfoMEZ=2;FrDwF=0.000000;FrUpF=7.830000;SunF=0.100000;SunD=100";
    QTest::newRow("empty upper keeps previous") << QStringList{tenHz5min} << row("q|||0|Hz|0|5|0") << false
                                                << "FrJm=q;FrUpF=10.000000;FrUp=10;InfoMEZ=1";
    QTest::newRow("empty lower after band") << QStringList{row("p|1.000|9.000|0.500|Hz|0|1|0")}
                                            << row("q||4.000||Hz|0|1|0") << false
                                            << "InfoMEZ=1;FrDwF=0.000000;FrDw=1;SunF=0.000000;Sun=0;SunD=500";

    // Units.
    QTest::newRow("kHz") << none << row("a||1.000|0|kHz|0|1|0") << false << "HzkHz=1000";
    QTest::newRow("MHz") << none << row("a||1.000|0|MHz|0|1|0") << false << "HzkHz=1000000";
    QTest::newRow("GHz") << none << row("a||1.000|0|GHz|0|1|0") << false << "HzkHz=1000000000";
    QTest::newRow("small letter keeps previous unit") << QStringList{row("p||1.000|0|kHz|0|1|0")}
                                                      << row("a||1.000|0|hz|0|1|0") << false << "HzkHz=1000";
    QTest::newRow("no unit yet") << none << row("a||1.000|0|hz|0|1|0") << false << "HzkHz=0";
    QTest::newRow("empty unit keeps previous") << QStringList{row("p||1.000|0|MHz|0|1|0")}
                                               << row("a||1.000|0||0|1|0") << false << "HzkHz=1000000";

    // Durations.
    QTest::newRow("empty hours and minutes carry over") << QStringList{row("p||1.000|0|Hz|0|10|0")}
                                                        << row("a||1.000|0|Hz|||30") << false
                                                        << "CasH=0;CasM=10;CasS=30";
    QTest::newRow("seven fields: minutes are seconds too") << none << row("a||10.000|0|Hz|0|5") << false
                                                           << "CasH=0;CasM=5;CasS=5";
    QTest::newRow("fields past the eighth ignored") << none << row("a||10.000|0|Hz|1|2|3|x|y") << false
                                                    << "CasH=1;CasM=2;CasS=3";
    // Playback counts a row in 32-bit milliseconds: a longer row is one the
    // program cannot take (its fields are read all the same).
    QTest::newRow("longest row") << none << row("a||10.000|0|Hz|596|31|23") << false << "CasH=596;CasM=31;CasS=23";
    QTest::newRow("one second longer") << none << row("a||10.000|0|Hz|596|31|24") << true
                                       << "CasH=596;CasM=31;CasS=24";
    QTest::newRow("too long in seconds") << none << row("a||10.000|0|Hz|0|0|2147484") << true << "CasS=2147484";
    QTest::newRow("too long with carried hours") << QStringList{row("p||1.000|0|Hz|596|0|0")}
                                                 << row("a||1.000|0|Hz||31|24") << true << "CasH=596;CasM=31";
    QTest::newRow("negative beyond the limit") << none << row("a||10.000|0|Hz|-596|-31|-24") << true
                                               << "CasH=-596";
    QTest::newRow("hours wrapping the seconds") << none << row("a||10.000|0|Hz|1193047|0|0") << true
                                                << "CasH=1193047";

    // Blank row: single frequency, previous upper frequency, unit and duration.
    QTest::newRow("blank row") << QStringList{row("p|2.000|8.000|0.500|kHz|1|2|3")} << QString() << false
                               << "FrJm=;InfoMEZ=1;FrDwF=0.000000;SunF=0.000000;FrUpF=8.000000;HzkHz=1000;"
                                  "CasH=1;CasM=2;CasS=3";
    QTest::newRow("no tab, numeric text") << none << row("123") << false
                                          << "FrJm=123;FrDw=123;FrUpF=123.123000;InfoMEZ=1;FrDwF=0.000000;"
                                             "SunF=123.123000;HzkHz=0;CasH=123;CasM=123;CasS=123";

    // Conversion errors; what the row assigned before the bad field stays.
    QTest::newRow("no tab, text") << none << row("abc") << true << "FrJm=abc;InfoMEZ=0;FrDwD=0";
    QTest::newRow("comma and point") << QStringList{tenHz5min} << row("a||1,234.5|0|Hz|0|1|0") << true
                                     << "FrUpD=0;FrUpF=10.000000;InfoMEZ=1";
    QTest::newRow("bad integer part keeps thousandths") << QStringList{tenHz5min} << row("a||x.250|0|Hz|0|1|0")
                                                        << true << "FrUpD=250;FrUp=10;FrUpF=10.000000";
    QTest::newRow("missing integer part") << none << row("a||.500|0|Hz|0|1|0") << true << "FrUpD=500;FrUp=0";
    QTest::newRow("missing thousandths") << none << row("a||5.|0|Hz|0|1|0") << true << "FrUpD=0;FrUp=0";
    QTest::newRow("bad lower keeps mode") << QStringList{row("p|1.000|9.000|0.500|Hz|0|1|0")}
                                          << row("a|x|9.000|0.500|Hz|0|1|0") << true << "FrJm=a;InfoMEZ=2";
    QTest::newRow("leading blank is no number") << none << row("a|| 10.000|0|Hz|0|1|0") << true << "FrUpD=0";
    QTest::newRow("bad minutes after hours") << none << row("a||10.000|0|Hz|2|m|0") << true
                                             << "FrUpF=10.000000;HzkHz=1;CasH=2;CasM=0";
    QTest::newRow("integer part overflow") << none << row("a||3000000000.000|0|Hz|0|1|0") << true
                                           << "FrUpD=0;FrUp=0";
}

void TestRowParser::parse()
{
    QFETCH(QStringList, before);
    QFETCH(QString, text);
    QFETCH(bool, fails);
    QFETCH(QString, expected);

    RowVars v;
    for (const QString &b : before)
        Nactiradekdata(b, v);
    bool failed = false;
    try {
        Nactiradekdata(text, v);
    } catch (const ConvertError &) {
        failed = true;
    }
    QCOMPARE(failed, fails);
    for (const QString &pair : expected.split(QLatin1Char(';'))) {
        const qsizetype eq = pair.indexOf(QLatin1Char('='));
        const QString name = pair.left(eq);
        QCOMPARE(name + QLatin1Char('=') + valueOf(v, name), pair);
    }
}

void TestRowParser::extendedPrecision_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<double>("expected");

    // Values for which thousandths / 1000 + integer part in plain double
    // arithmetic is one unit in the last place away from the extended result.
    QTest::newRow("1.118") << "1.118" << 0x1.1e353f7ced917p+0;
    QTest::newRow("2.119") << "2.119" << 0x1.0f3b645a1cac1p+1;
    QTest::newRow("4.137") << "4.137" << 0x1.08c49ba5e353fp+2;
    QTest::newRow("10.274") << "10.274" << 0x1.48c49ba5e353fp+3;
    QTest::newRow("1.125 exact") << "1.125" << 1.125;
}

void TestRowParser::extendedPrecision()
{
    QFETCH(QString, field);
    QFETCH(double, expected);
    RowVars v;
    Nactiradekdata(QStringLiteral("a\t\t") + field + QStringLiteral("\t0\tHz\t0\t1\t0"), v);
    QCOMPARE(qint64(std::bit_cast<quint64>(v.FrUpF)), qint64(std::bit_cast<quint64>(expected)));
    const long double ext = static_cast<long double>(v.FrUpD) / 1000.0L + static_cast<long double>(v.FrUp);
    QCOMPARE(v.FrUpF, static_cast<double>(ext));
}

void TestRowParser::readDecimalLimits_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("fails");
    QTest::addColumn<int>("value");
    QTest::newRow("max") << "2147483647" << false << 2147483647;
    QTest::newRow("min") << "-2147483648" << false << int(-2147483647 - 1);
    QTest::newRow("max + 1") << "2147483648" << true << 0;
    QTest::newRow("min - 1") << "-2147483649" << true << 0;
    QTest::newRow("leading zeros") << "-007" << false << -7;
    QTest::newRow("empty") << "" << true << 0;
    QTest::newRow("sign only") << "-" << true << 0;
    QTest::newRow("trailing blank") << "5 " << true << 0;
    QTest::newRow("non-ASCII digit") << QString::fromUtf8("\xd9\xa3") << true << 0;
}

void TestRowParser::readDecimalLimits()
{
    QFETCH(QString, text);
    QFETCH(bool, fails);
    QFETCH(int, value);
    if (fails) {
        QVERIFY_THROWS_EXCEPTION(ConvertError, readDecimal(text));
    } else {
        QCOMPARE(readDecimal(text), value);
    }
}

void TestRowParser::errorQuotesAnExcerpt_data()
{
    // A row of a one-line program file of many megabytes, and control bytes
    // that would cut a message short or garble a terminal.
    QTest::addColumn<QString>("row");
    QTest::addColumn<QString>("shown");
    const QString ell(QChar(0x2026));
    QTest::newRow("huge duration field") << QString("a\t1\t2\t0\tHz\t0\t0\t" + QString(3000000, QLatin1Char('7')) + "x")
                                         << QString(QString(60, QLatin1Char('7')) + ell);
    QTest::newRow("nul in a number") << QString(QStringLiteral("a\t1") + QChar(0) + QStringLiteral("2\t3\t0\tHz\t0\t0\t1"))
                                     << QString::fromUtf8("1\u24002");
}

void TestRowParser::errorQuotesAnExcerpt()
{
    QFETCH(QString, row);
    QFETCH(QString, shown);
    RowVars v;
    try {
        Nactiradekdata(row, v);
        QFAIL("no error");
    } catch (const ConvertError &e) {
        QCOMPARE(QString::fromStdString(e.what()), QStringLiteral("'%1' is not a valid integer value").arg(shown));
    }
}

void TestRowParser::displayLine_data()
{
    QTest::addColumn<QStringList>("rows"); // parsed in order; the last one is shown
    QTest::addColumn<bool>("orvatrin");
    QTest::addColumn<QString>("expected");

    QTest::newRow("Orvatrin hides frequencies") << QStringList{row("ZovT W||10.000|0|Hz|0|12|0")} << true
                                                << row("ZovT W|********************||0:12:0");
    QTest::newRow("single frequency") << QStringList{row("ZovT W||10.000|0|Hz|0|12|0")} << false
                                      << row("ZovT W| |10.000| |Hz|0:12:0");
    QTest::newRow("band") << QStringList{row("B|0.000|7.830|0.100|kHz|1|2|5")} << false
                          << row("B|0.000|7.830|0.100|kHz|1:2:5");
    QTest::newRow("negative values") << QStringList{row("N|-2.500|-1.500|0.250|MHz|0|0|30")} << false
                                     << row("N|-1.500|-0.500|0.250|MHz|0:0:30");
    QTest::newRow("unit empty until known") << QStringList{row("U||3.000|0|Hz?|0|0|59")} << false
                                            << row("U| |3.000| ||0:0:59");
    QTest::newRow("blank row repeats previous") << QStringList{row("P||440.000|0|GHz|25|0|0"), QString()} << false
                                                << row("| |440.000| |GHz|25:0:0");
}

void TestRowParser::displayLine()
{
    QFETCH(QStringList, rows);
    QFETCH(bool, orvatrin);
    QFETCH(QString, expected);
    RowVars v;
    for (const QString &r : rows)
        Nactiradekdata(r, v);
    QCOMPARE(rowDisplayLine(v, orvatrin), expected);
}

// The display prints row values without Qt's general conversion; whatever
// the value, the digits must be the ones QString::number gives.
void TestRowParser::displayNumbersAsQtPrintsThem()
{
    QList<double> values{0.0,
                         -0.0,
                         0.0005,
                         -0.0005,
                         0.0015,
                         2.675,
                         -2.675,
                         4.35,
                         1e-7,
                         -1e-7,
                         0.9995,
                         999999999.999,
                         -999999999.9995,
                         1e9,
                         1e9 + 0.5,
                         -2147483.648,
                         2147485.647,
                         1e300,
                         std::numeric_limits<double>::denorm_min(),
                         std::numeric_limits<double>::infinity(),
                         -std::numeric_limits<double>::infinity(),
                         std::numeric_limits<double>::quiet_NaN()};
    // What rows produce (whole and thousandths of 32 bits), and raw doubles.
    QRandomGenerator random(20261211);
    for (int i = 0; i < 20000; ++i) {
        values << rowNumberValue(qint32(random.generate()), qint32(random.bounded(-1000000, 1000000)));
        values << rowNumberValue(random.bounded(-5000, 5000), random.bounded(0, 1000));
        values << std::bit_cast<double>(random.generate64());
        values << (random.generateDouble() - 0.5) * 2e9;
    }
    for (const double value : values) {
        RowVars v;
        v.InfoMEZ = 2;
        v.FrDwF = v.FrUpF = v.SunF = value;
        v.HzkHz = 1;
        const QString n = QString::number(value, 'f', 3);
        const QString expected = "\t" + n + "\t" + n + "\t" + n + "\tHz\t0:0:0";
        if (rowDisplayLine(v, false) != expected)
            QFAIL(qPrintable(QStringLiteral("%1 shown as %2").arg(n, rowDisplayLine(v, false))));
    }
}

QTEST_GUILESS_MAIN(TestRowParser)
#include "tst_rowparser.moc"
