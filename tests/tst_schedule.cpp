// The schedule preview: what the device receives for a program file, with
// times and meanings, the order of the programs, the rows that would end a
// playback, and the command-line tool around it.

#include "core/Clock.h"
#include "device/PortLink.h"
#include "app/ScheduleRun.h"
#include "storage/TextCodec.h"
#include "support/Rows.h"
#include "support/TempDrive.h"

#include <QDir>
#include <QProcess>
#include <QtTest>

using namespace zovt;

namespace {

using test::row;

QByteArray file(std::initializer_list<const char *> lines)
{
    QStringList l;
    for (const char *s : lines)
        l << row(s);
    return text::encode(l, text::Encoding::Ansi);
}

QStringList writes(const ScheduleResult &r)
{
    QStringList out;
    for (const auto &w : r.writes)
        out << QStringLiteral("%1 %2 %3").arg(w.ms).arg(QString::fromLatin1(w.text), w.meaning);
    return out;
}

QList<int> order(const ScheduleResult &r)
{
    QList<int> out;
    for (const auto &p : r.programs)
        out << p.entry;
    return out;
}

const QByteArray kThree = file({"[One]", "a||10.000|0|Hz|0|0|0", "[Two]", "b||20.000|0|Hz|0|0|0", "[Three]",
                                "c||30.000|0|Hz|0|0|0", "[STOP]"});

} // namespace

class TestSchedule : public QObject {
    Q_OBJECT
private slots:
    void times_data();
    void times();
    void writesWithMeanings();
    void valueBeforeAnyUnit();
    void eventsAsTheyHappen_data();
    void eventsAsTheyHappen();
    void options_data();
    void options();
    void entries_data();
    void entries();
    void problems();
    void rowTooLongToPlay();
    void badProgramEndsPlayAll();
    void unknownEntry();
    void deviceGoneMidRow();
    void tool();

private:
    ScheduleResult run(const QByteArray &bytes, ScheduleOptions o = {}, const ScheduleSink &sink = {})
    {
        m_drive.put(QStringLiteral("C:\\prog.txt"), bytes);
        o.file = m_drive.native(QStringLiteral("C:\\prog.txt"));
        return runSchedule(o, sink);
    }
    test::TempDrive m_drive;
};

void TestSchedule::times_data()
{
    QTest::addColumn<qint64>("ms");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << qint64(0) << "0:00:00.000";
    QTest::newRow("1:02:03.004") << qint64(3723004) << "1:02:03.004";
    QTest::newRow("over ten hours") << qint64(36000000 + 59999) << "10:00:59.999";
}

void TestSchedule::times()
{
    QFETCH(qint64, ms);
    QFETCH(QString, text);
    QCOMPARE(scheduleTime(ms), text);
}

void TestSchedule::writesWithMeanings()
{
    const ScheduleResult r = run(file({"above", "[A]", "a||10.000|0|Hz|0|0|0", "k||2.500|0|kHz|0|0|0",
                                       "m||3.000|0|MHz|0|0|0", "[STOP]"}));
    QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
    QCOMPARE(writes(r), (QStringList{"0 44 old firmware: constant light", "1300 1000 10.000 Hz",
                                     "2600 250000 2.500 kHz", "3900 173205 3.000 MHz", "6700 12 old firmware: stand-by",
                                     "9500 12 old firmware: stand-by"}));
    QCOMPARE(r.programs.size(), 1);
    QCOMPARE(r.programs.first().header, QStringLiteral("[A]"));
    QCOMPARE(r.programs.first().startMs, 0);
    QCOMPARE(r.programs.first().endMs, 11300);
    QCOMPARE(r.totalMs, 11300);
    QVERIFY(r.problems.isEmpty());
}

void TestSchedule::valueBeforeAnyUnit()
{
    const ScheduleResult r = run(file({"[U]", "u||10.000|0|hz|0|0|0"}));
    QCOMPARE(writes(r).at(1), QStringLiteral("1300 1000 10.00 Hz (no unit read yet)"));
}

void TestSchedule::eventsAsTheyHappen_data()
{
    QTest::addColumn<bool>("keep");
    QTest::newRow("kept in the result too") << true;
    QTest::newRow("only to the sink") << false;
}

void TestSchedule::eventsAsTheyHappen()
{
    // The sink hears every write, with the unit of its row, and every row
    // as it begins; a run that does not keep them holds none of them, so
    // that a long program costs no memory per row.
    QFETCH(bool, keep);
    QStringList heard;
    ScheduleSink sink;
    sink.write = [&](const ScheduleWrite &w) {
        heard << QStringLiteral("%1 %2 %3").arg(w.ms).arg(QString::fromLatin1(w.text)).arg(w.unit);
    };
    sink.rowStarted = [&](const ScheduleRow &r) {
        heard << QStringLiteral("%1 row %2 %3 %4").arg(r.startMs).arg(r.entry).arg(r.row).arg(r.name);
    };
    ScheduleOptions o;
    o.keepEvents = keep;
    const ScheduleResult r = run(file({"[A]", "a||10.000|0|Hz|0|0|0", "k||2.500|0|kHz|0|0|0", "m||3.000|0|MHz|0|0|0",
                                       "[STOP]"}),
                                 o, sink);
    QCOMPARE(heard, (QStringList{"0 44 0", "1300 row 1 1 a", "1300 1000 1", "2600 row 1 2 k", "2600 250000 1000",
                                 "3900 row 1 3 m", "3900 173205 1000000", "6700 12 0", "9500 12 0"}));
    QCOMPARE(r.writes.size(), keep ? 6 : 0);
    QCOMPARE(r.rows.size(), keep ? 3 : 0);
    QCOMPARE(r.programs.size(), 1);
    QCOMPARE(r.totalMs, 11300);
}

void TestSchedule::options_data()
{
    QTest::addColumn<bool>("newFirmware");
    QTest::addColumn<int>("colortype");
    QTest::addColumn<QString>("first");
    QTest::newRow("defaults") << false << 0 << "0 44 old firmware: constant light";
    QTest::newRow("blending") << false << 1 << "0 55 old firmware: colour blending";
    QTest::newRow("new firmware")
        << true << 0 << "1000 30 new firmware: run lighting, constant light violet, brightness on";
}

void TestSchedule::options()
{
    QFETCH(bool, newFirmware);
    QFETCH(int, colortype);
    QFETCH(QString, first);
    ScheduleOptions o;
    o.newFirmware = newFirmware;
    o.colortype = colortype;
    QCOMPARE(writes(run(kThree, o)).first(), first);
}

void TestSchedule::entries_data()
{
    QTest::addColumn<QList<int>>("given");
    QTest::addColumn<bool>("all");
    QTest::addColumn<QList<int>>("played");
    QTest::addColumn<qint64>("secondStart");

    QTest::newRow("none: the first") << QList<int>{} << false << QList<int>{1} << qint64(-1);
    QTest::newRow("several, one after another") << QList<int>{3, 1} << false << QList<int>{3, 1} << qint64(8700);
    QTest::newRow("play-all from the second") << QList<int>{2} << true << QList<int>{2, 3} << qint64(9200);
    QTest::newRow("play-all from the start") << QList<int>{} << true << QList<int>{1, 2, 3} << qint64(9200);
}

void TestSchedule::entries()
{
    QFETCH(QList<int>, given);
    QFETCH(bool, all);
    QFETCH(QList<int>, played);
    QFETCH(qint64, secondStart);
    ScheduleOptions o;
    o.entries = given;
    o.playAll = all;
    const ScheduleResult r = run(kThree, o);
    QCOMPARE(order(r), played);
    if (secondStart >= 0)
        QCOMPARE(r.programs.at(1).startMs, secondStart);
    QCOMPARE(r.totalMs, r.programs.last().endMs);
}

void TestSchedule::problems()
{
    ScheduleOptions o;
    o.entries = {2, 1};
    const ScheduleResult r = run(file({"[A]", "a||10.000|0|Hz|0|0|0", "[B]", "b||10.000|0|Hz|0|0|0",
                                       "c||1x.000|0|Hz|0|0|0", "[C]", "[STOP]"}),
                                 o);
    QCOMPARE(r.problems.size(), 1);
    const ScheduleProblem &p = r.problems.first();
    QCOMPARE(p.line, 5);
    QCOMPARE(p.entry, 2);
    QCOMPARE(p.row, 2);
    QCOMPARE(p.ms, 2600);
    QCOMPARE(p.reason, QStringLiteral("'1x' is not a valid integer value"));
    QCOMPARE(p.consequence, QStringLiteral("the playback ends here"));
    // The playback still ended with its end steps, and the next one ran.
    QCOMPARE(order(r), (QList<int>{2, 1}));
    QCOMPARE(writes(r).at(2), QStringLiteral("4100 12 old firmware: stand-by"));
}

void TestSchedule::rowTooLongToPlay()
{
    // 596:31:24 does not fit the 32-bit milliseconds of a row: a row error
    // that ends the playback before its first row, not a row of one second.
    const ScheduleResult r
        = run(file({"[A]", "a||10.000|0|Hz|0|0|5", "b||20.000|0|Hz|596|31|24", "c||30.000|0|Hz|0|0|5", "[STOP]"}));
    QCOMPARE(r.problems.size(), 1);
    const ScheduleProblem &p = r.problems.first();
    QCOMPARE(p.line, 3);
    QCOMPARE(p.entry, 1);
    QCOMPARE(p.row, 2);
    QCOMPARE(p.reason, QStringLiteral("the duration 596:31:24 is longer than a row can play (596:31:23)"));
    for (const QString &w : writes(r))
        QVERIFY2(!w.contains(QStringLiteral(" Hz")), qPrintable(w)); // no frequency was sent
}

void TestSchedule::badProgramEndsPlayAll()
{
    // Selecting a program whose rows do not all parse fails, so a play-all
    // run ends before it.
    ScheduleOptions o;
    o.playAll = true;
    const ScheduleResult r = run(file({"[A]", "a||10.000|0|Hz|0|0|0", "[B]", "b||10.000|0|Hz|0|x|0", "[STOP]"}), o);
    QCOMPARE(order(r), QList<int>{1});
    QCOMPARE(r.problems.size(), 1);
    QCOMPARE(r.problems.first().line, 4);
    QCOMPARE(r.problems.first().consequence, QStringLiteral("the play-all run ends before this program"));
}

void TestSchedule::unknownEntry()
{
    ScheduleOptions o;
    o.entries = {4};
    const ScheduleResult r = run(kThree, o);
    QCOMPARE(r.error, QStringLiteral("entry 4 does not exist (the list has 3)"));
    QVERIFY(r.writes.isEmpty());
}

void TestSchedule::deviceGoneMidRow()
{
    // The device goes away right after the first value of a minute-long row,
    // while the port is closed between writes: the run ends with the port
    // error within the tick, not at the next write 23 ticks later.
    VirtualClock clock;
    clock.setProcessQtEvents(false);
    RecordingPort port(clock);
    port.setOnWrite([&port](const RecordingPort::Write &w) {
        if (w.text == "1000")
            port.removeDevice();
    });
    ScheduleOptions o;
    o.clock = &clock;
    o.port = &port;
    const qint64 start = clock.nowMs();
    bool reported = false;
    try {
        run(file({"[A]", "a||10.000|0|Hz|0|1|0", "[STOP]"}), o);
    } catch (const EVaCommError &e) {
        reported = e.message().contains(QStringLiteral("not found"));
    }
    QVERIFY(reported);
    QCOMPARE_LT(clock.nowMs() - start, 5000);
}

void TestSchedule::tool()
{
    const QString exe = QStringLiteral(ZOVT_BINARY_DIR "/tools/zovt-schedule");
    if (!QFileInfo::exists(exe))
        QSKIP("zovt-schedule is not built");
    m_drive.put(QStringLiteral("C:\\prog.txt"),
                file({"[A]", "a||10.000|0|Hz|0|0|5", "b||1x.000|0|Hz|0|0|0", "[STOP]"}));
    const QString program = m_drive.native(QStringLiteral("C:\\prog.txt"));
    const QStringList before = QDir(m_drive.native(QStringLiteral("C:\\"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    QProcess p;
    p.start(exe, {program});
    QVERIFY(p.waitForFinished(60000));
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    QCOMPARE(p.exitCode(), 2);
    QVERIFY2(out.contains(QStringLiteral("0:00:01.300  1000      10.000 Hz\n")), qPrintable(out));
    QVERIFY2(out.contains(QStringLiteral("0:00:07.600  line 3 (program 1, row 2): '1x' is not a valid integer value; "
                                         "the playback ends here\n")),
             qPrintable(out));
    QVERIFY2(out.contains(QStringLiteral("whole run: 1 program, real duration 0:00:13.700\n")), qPrintable(out));
    // The run had a prefix of its own: nothing appeared on the user's drive.
    QCOMPARE(QDir(m_drive.native(QStringLiteral("C:\\"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);

    p.start(exe, {program, QStringLiteral("2")});
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 1);
}

QTEST_GUILESS_MAIN(TestSchedule)
#include "tst_schedule.moc"
