// How a run ends and how the next start finds it: one controller per data
// folder, the journal of a playback that ended unexpectedly (recorded in the
// protocol, and its rest played on request), the temporary files of saves a
// kill cut short, and signals that take the closing path.

#include "app/Shell.h"
#include "app/SignalExit.h"
#include "playback/PlaybackController.h"
#include "playback/PlaybackJournal.h"
#include "program/ProgramController.h"
#include "program/Totals.h"
#include "storage/FileIO.h"
#include "storage/InstanceLock.h"
#include "storage/Paths.h"
#include "support/Headless.h"
#include "support/HeadlessApp.h"
#include "support/Rows.h"

#include <csignal>

#include <unistd.h>

using namespace zovt;

namespace {

const QString kProgramFile = QStringLiteral("C:\\Programs\\three.txt");
const QString kProtocolFile = QStringLiteral("C:\\OrvaTherapy\\Protocol\\Novak SUMA.txt");

// Three rows of three minutes: 10, 20 and 30 Hz.
QByteArray threeRows()
{
    QStringList lines{QStringLiteral("[Three rows]"), test::row("a||10.000|0|Hz|0|3|0"),
                      test::row("b||20.000|0|Hz|0|3|0"), test::row("c||30.000|0|Hz|0|3|0"), QStringLiteral("[STOP]")};
    return lines.join(QStringLiteral("\r\n")).toLatin1() + "\r\n";
}

// A drive with the program handed over and the protocol on.
struct Start : test::HeadlessApp {
    Start()
    {
        drive.put(kProgramFile, threeRows());
        drive.put(paths::ProgramHandOff, kProgramFile.toLatin1() + "\r\n");
        drive.put(paths::ProtocolFlag, {});
    }
    void runFor(qint64 ms)
    {
        try {
            clock.advance(ms);
        } catch (const ExitUnwind &) {
        }
    }
    // The times of the writes of one text, from the mark.
    QList<qint64> timesOf(const char *text) const
    {
        QList<qint64> out;
        for (const auto &w : port.writes()) {
            if (w.text == text)
                out << w.ms - mark;
        }
        return out;
    }
};

JournalRecord sample()
{
    JournalRecord r;
    r.started = QDateTime(QDate(2026, 12, 11), QTime(9, 15, 0, 250));
    r.updated = QDateTime(QDate(2026, 12, 11), QTime(9, 47, 30));
    r.programFile = kProgramFile;
    r.entry = 2;
    r.entryText = QStringLiteral("Three = rows");
    r.header = QStringLiteral(" Three rows]");
    r.clientFile = QStringLiteral("C:\\OrvaTherapy\\QDBZ5\\Novák Jan.txt");
    r.clientName = QStringLiteral("Jan Novák");
    r.totalSeconds = 540;
    r.playedSeconds = 250;
    r.row = 2;
    r.rowLeftMs = 110000;
    r.protocolFile = kProtocolFile;
    r.clientHeader = QStringList{QStringLiteral("Jan Novák x"), QStringLiteral("Narození:1.2.1980")};
    r.protocolStartLine = QStringLiteral("ZovT Gener:  11. 12. 2026 9:15:00");
    return r;
}

} // namespace

class TestLastRun : public QObject {
    Q_OBJECT
private slots:
    void decision_data();
    void decision();
    void journalRoundTrip();
    void tornJournalIsNoRecord_data();
    void tornJournalIsNoRecord();
    void secondControllerIsRefused();
    void interruptedPlaybackIsRecordedAndItsRestPlayed();
    void minuteRecordWaitsForTheTicksWrite();
    void minuteRecordDueAtTheEndIsKept_data();
    void minuteRecordDueAtTheEndIsKept();
    void journalGoesWithAnOrderlyEnd_data();
    void journalGoesWithAnOrderlyEnd();
    void abandonedTemporaries_data();
    void abandonedTemporaries();
    void signalTakesTheClosingPath();
};

void TestLastRun::decision_data()
{
    QTest::addColumn<bool>("marker");
    QTest::addColumn<bool>("held");
    QTest::addColumn<bool>("journal");
    QTest::addColumn<LastRun>("expected");
    QTest::newRow("nothing") << false << false << false << LastRun::Orderly;
    QTest::newRow("marker alone") << true << false << false << LastRun::NotClosed;
    QTest::newRow("marker and journal") << true << false << true << LastRun::Interrupted;
    QTest::newRow("journal alone") << false << false << true << LastRun::Interrupted;
    QTest::newRow("live holder") << true << true << false << LastRun::StillRunning;
    QTest::newRow("live holder's journal") << true << true << true << LastRun::StillRunning;
    QTest::newRow("live holder, no marker") << false << true << false << LastRun::StillRunning;
}

void TestLastRun::decision()
{
    QFETCH(bool, marker);
    QFETCH(bool, held);
    QFETCH(bool, journal);
    QFETCH(LastRun, expected);
    QCOMPARE(lastRun(marker, held, journal), expected);
}

void TestLastRun::journalRoundTrip()
{
    JournalRecord r = sample();
    // Whatever a file brought in, the record stays one value per line.
    r.header = QStringLiteral(" Three\r\nrows]\x01");
    const std::optional<JournalRecord> back = journal::decode(journal::encode(r));
    QVERIFY(back);
    QCOMPARE(back->header, QStringLiteral(" Three  rows] "));
    QCOMPARE(back->started, r.started);
    QCOMPARE(back->updated, r.updated);
    QCOMPARE(back->clientName, r.clientName);
    QCOMPARE(back->clientFile, r.clientFile);
    QCOMPARE(back->entryText, r.entryText);
    QCOMPARE(back->clientHeader, r.clientHeader);
    QCOMPARE(back->protocolStartLine, r.protocolStartLine);
    QCOMPARE(back->row, 2);
    QCOMPARE(back->rowLeftMs, 110000);
    QCOMPARE(back->playedSeconds, 250);
    QCOMPARE(back->totalSeconds, 540);
    QVERIFY(back->resumable());
    QCOMPARE(journal::interruptedLines(*back, QStringLiteral("(interrupted)")),
             (QStringList{r.protocolStartLine, QStringLiteral("0:4:10  Three  rows] (interrupted)"),
                          QString(43, QLatin1Char('_'))}));
}

void TestLastRun::tornJournalIsNoRecord_data()
{
    const QByteArray whole = journal::encode(sample());
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("cut before its end") << whole.left(whole.indexOf("row="));
    QTest::newRow("not a journal") << QByteArray("[P1]\r\nend\r\n");
    QByteArray badNumber = whole;
    badNumber.replace("rowLeftMs=110000", "rowLeftMs=11x");
    QTest::newRow("a number that is none") << badNumber;
    QByteArray negative = whole;
    negative.replace("playedSeconds=250", "playedSeconds=-5");
    QTest::newRow("negative time") << negative;
}

void TestLastRun::tornJournalIsNoRecord()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(!journal::decode(bytes));
}

void TestLastRun::secondControllerIsRefused()
{
    Start f;
    f.drive.put(paths::RunMarker, {});
    // The first controller, as another process would hold it.
    InstanceLock first;
    QCOMPARE(first.acquire(paths::RunLock, paths::RunOwner), InstanceLock::Result::Taken);
    f.start();
    QVERIFY(f.app->shell().ended());
    QCOMPARE(f.app->shell().exitCode(), 1);
    QCOMPARE(f.dialogs.shown().size(), size_t(1));
    const QString said = f.dialogs.shown().front().text;
    QVERIFY2(said.contains(QStringLiteral("(proces %1 na počítači ").arg(::getpid())), qPrintable(said));
    QVERIFY2(said.endsWith(QStringLiteral("): C:\\WooZovDaz9. Tato kopie se ukončí.")), qPrintable(said));
    QVERIFY(f.port.writes().isEmpty());
    // Its end leaves the first one's marker and note.
    f.app->shell().FormClose();
    f.app->shell().Konec();
    QVERIFY(f.drive.has(paths::RunMarker));
    QVERIFY(f.drive.has(paths::RunOwner));
    // Once the first has gone, the marker alone asks the usual question.
    first.release();
    QVERIFY(!f.drive.has(paths::RunOwner));
    Start again;
    again.drive.put(paths::RunMarker, {});
    again.start();
    QCOMPARE(again.dialogs.shown().size(), size_t(1));
    QVERIFY(again.dialogs.shown().front().text.startsWith(QStringLiteral("Program je již spuštěn")));
}

void TestLastRun::interruptedPlaybackIsRecordedAndItsRestPlayed()
{
    QByteArray journalBytes;
    QList<qint64> fullRows; // when each row's value was first written in a whole playback
    {
        Start a;
        a.drive.put(kProtocolFile, "earlier\r\n");
        a.start();
        a.runFor(4000);
        a.ui.setText("PRSAdresaProt", kProtocolFile);
        a.ui.setIndex("Zakladmemo", 0);
        a.app->program().ZakladMemoCliknul();
        a.mark = a.clock.nowMs();
        a.at(0, [&a] { a.app->playback().Play(); });
        // 4.5 minutes in: the journal was last written in the middle of row 2.
        a.at(270000, [&] { journalBytes = a.drive.get(paths::PlayJournal); });
        a.runFor(600000);
        fullRows = {a.timesOf("1000").value(0), a.timesOf("2000").value(0)};
        // A playback that ran its end steps leaves no journal behind.
        QVERIFY(!a.drive.has(paths::PlayJournal));
    }
    const std::optional<JournalRecord> j = journal::decode(journalBytes);
    QVERIFY(j);
    QCOMPARE(j->row, 2);
    QCOMPARE(j->programFile, kProgramFile);
    QCOMPARE(j->protocolFile, kProtocolFile);
    QCOMPARE(j->totalSeconds, 540);
    // Written at most a minute apart: the row had at most a minute more played.
    const qint64 leftThen = 180000 - (270000 - fullRows.at(1));
    QVERIFY2(j->rowLeftMs >= leftThen - 1000 && j->rowLeftMs <= leftThen + 60000,
             qPrintable(QStringLiteral("%1 %2").arg(j->rowLeftMs).arg(leftThen)));
    QCOMPARE(j->earlierSeconds, 0);
    QCOMPARE(j->playedSeconds * 1000 + j->rowLeftMs, 360000);

    // The controller was killed then; the next start finds marker and journal.
    Start b;
    b.drive.put(paths::RunMarker, {});
    b.drive.put(paths::PlayJournal, journalBytes);
    b.drive.put(kProtocolFile, "earlier\r\n");
    b.dialogs.answerYes();
    b.start();
    QCOMPARE(b.dialogs.shown().size(), size_t(1));
    const QString asked = b.dialogs.shown().front().text;
    const QString rest = CasPrevod(j->restSeconds());
    QCOMPARE(asked, QStringLiteral("Poslední běh skončil neočekávaně v %1 během programu Three rows. "
                                   "Chcete nyní přehrát zbytek programu (%2)?")
                        .arg(j->updated.toString(QStringLiteral("HH:mm")), rest));
    QVERIFY(!b.drive.has(paths::PlayJournal));
    const QByteArray recorded = "earlier\r\n" + j->protocolStartLine.toUtf8() + "\r\n"
        + CasPrevod(j->playedSeconds).toLatin1() + "  Three rows (p\xf8" "eru\x9a" "eno)\r\n" + QByteArray(43, '_') + "\r\n";
    QCOMPARE(b.drive.get(kProtocolFile), recorded);

    // The rest: row 2 for what it had left, then row 3 whole; the device
    // hears what it hears from a program that is just that.
    b.mark = b.clock.nowMs();
    QByteArray againBytes;
    b.at(60000, [&] { againBytes = b.drive.get(paths::PlayJournal); });
    b.runFor(600000);
    // Interrupted once more, it would record only what it played itself.
    const std::optional<JournalRecord> again = journal::decode(againBytes);
    QVERIFY(again);
    QCOMPARE(again->earlierSeconds, 540 - j->restSeconds());
    QVERIFY(again->playedSeconds <= 60);
    QVERIFY(b.timesOf("1000").isEmpty());
    QVERIFY(!b.drive.has(paths::PlayJournal));
    Start c;
    const qint64 left = j->rowLeftMs / 1000;
    c.drive.put(kProgramFile, (QStringList{QStringLiteral("[Three rows]"),
                                           test::row(QStringLiteral("b||20.000|0|Hz|0|%1|%2").arg(left / 60).arg(left % 60)),
                                           test::row("c||30.000|0|Hz|0|3|0"), QStringLiteral("[STOP]")})
                                  .join(QStringLiteral("\r\n"))
                                  .toLatin1());
    c.start();
    c.runFor(4000);
    c.ui.setIndex("Zakladmemo", 0);
    c.app->program().ZakladMemoCliknul();
    c.at(c.clock.nowMs() - c.mark, [&c] { c.app->playback().Play(); });
    c.runFor(600000);
    const auto fromRow2 = [](const Start &s) {
        QStringList out;
        qint64 t0 = -1;
        for (const auto &w : s.port.writes()) {
            if (t0 < 0 && w.text == "2000")
                t0 = w.ms;
            if (t0 >= 0)
                out << QStringLiteral("%1 %2").arg(w.ms - t0).arg(QString::fromLatin1(w.text));
        }
        return out;
    };
    const QStringList reference = fromRow2(c);
    QVERIFY(reference.size() > 4);
    // The start-up's delayed stand-by lighting waited for its turn behind it.
    QCOMPARE(fromRow2(b), reference + QStringList{QStringLiteral("313300 20")});
}

// The minute's record is synced to disk right after a write, or on a tick
// that writes nothing; never between a wake and the value due at it. So at
// every write of a row the journal on disk is older than the tick just ended.
void TestLastRun::minuteRecordWaitsForTheTicksWrite()
{
    Start a;
    // A sweep writes every third tick: some minute records fall due on the
    // tick before a write.
    a.drive.put(kProgramFile, "[Sweep]\r\n" + test::row("s|10.000|20.000|0.010|Hz|0|6|0").toLatin1() + "\r\n[STOP]\r\n");
    a.start();
    a.runFor(4000);
    a.ui.setIndex("Zakladmemo", 0);
    a.app->program().ZakladMemoCliknul();
    int checked = 0;
    QStringList late; // "ms: played on disk / played by now"
    a.port.setOnWrite([&](const RecordingPort::Write &w) {
        const EngineVars &e = a.app->state().engine;
        const std::optional<JournalRecord> j = journal::decode(a.drive.get(paths::PlayJournal));
        // Lighting before the playback, and the row's first write, which is
        // recorded right after it.
        if (!j || e.CasPLAY == 0)
            return;
        ++checked;
        const qint64 playedByNow = qint64(e.CasCelkFIX) - e.CasCelkp;
        if (j->playedSeconds >= playedByNow - 1)
            late << QStringLiteral("%1: %2 / %3").arg(w.ms - a.mark).arg(j->playedSeconds).arg(playedByNow);
    });
    a.mark = a.clock.nowMs();
    a.at(0, [&a] { a.app->playback().Play(); });
    a.runFor(400000);
    a.port.setOnWrite({});
    QVERIFY2(checked > 100, qPrintable(QString::number(checked)));
    QVERIFY2(late.isEmpty(), qPrintable(late.join(QStringLiteral(", "))));
    QVERIFY(!a.drive.has(paths::PlayJournal));
}

// A record that falls due on a playback's last tick is written before the
// end steps, which take seconds: killed during them, the controller leaves
// the journal of the moment the rows ended.
void TestLastRun::minuteRecordDueAtTheEndIsKept_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<int>("row");           // in the journal seen at the end steps
    QTest::addColumn<qint64>("playedSeconds");
    // The row's first record comes a second before its ticks' clock starts:
    // a row of 59 s makes the minute due on its last tick.
    QTest::newRow("the row ends") << QStringList{"a||10.000|0|Hz|0|0|59"} << 1 << qint64(59);
    QTest::newRow("the next row fails before its first write")
        << QStringList{"a||10.000|0|Hz|0|0|59", "b||1x.000|0|Hz|0|1|0"} << 1 << qint64(59);
}

void TestLastRun::minuteRecordDueAtTheEndIsKept()
{
    QFETCH(QStringList, rows);
    QFETCH(int, row);
    QFETCH(qint64, playedSeconds);
    Start a;
    QByteArray program = "[Minute]\r\n";
    for (const QString &r : rows)
        program += test::row(r).toLatin1() + "\r\n";
    a.drive.put(kProgramFile, program + "[STOP]\r\n");
    a.start();
    a.runFor(4000);
    test::selectEntry(a.ui, a.app->program(), 0);
    // The end steps' device texts come after the rows' last value.
    QByteArray lastSeen;
    a.port.setOnWrite([&](const RecordingPort::Write &) {
        if (a.drive.has(paths::PlayJournal))
            lastSeen = a.drive.get(paths::PlayJournal);
    });
    a.mark = a.clock.nowMs();
    a.at(0, [&a] { a.app->run("Play", [&a] { a.app->playback().Play(); }); });
    a.runFor(120000);
    a.port.setOnWrite({});
    const std::optional<JournalRecord> j = journal::decode(lastSeen);
    QVERIFY(j);
    QCOMPARE(j->row, row);
    QCOMPARE(j->playedSeconds, playedSeconds);
    QCOMPARE(j->rowLeftMs, 0);
    QVERIFY(!a.drive.has(paths::PlayJournal));
}

void TestLastRun::journalGoesWithAnOrderlyEnd_data()
{
    QTest::addColumn<bool>("portError");
    QTest::newRow("window closed") << false;
    // Ends through Stop and Konec, the protocol left as it was: no
    // interrupted playback for the next start to record.
    QTest::newRow("port error") << true;
}

void TestLastRun::journalGoesWithAnOrderlyEnd()
{
    QFETCH(bool, portError);
    Start f;
    f.start();
    f.runFor(4000);
    f.ui.setIndex("Zakladmemo", 0);
    f.app->program().ZakladMemoCliknul();
    bool duringPlay = false;
    f.mark = f.clock.nowMs();
    f.at(0, [&f] { f.app->playback().Play(); });
    f.at(5000, [&] { duringPlay = f.drive.has(paths::PlayJournal); });
    f.at(20000, [&f, portError] {
        if (portError)
            f.port.loseDevice();
        else
            f.app->endThroughClosing();
    });
    f.runFor(60000);
    QVERIFY(duringPlay);
    QVERIFY(f.app->shell().ended());
    QVERIFY(!f.drive.has(paths::PlayJournal));
    QVERIFY(!f.drive.has(paths::RunMarker));
}

void TestLastRun::abandonedTemporaries_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint64>("age");
    QTest::addColumn<bool>("abandoned");
    QTest::newRow("writer ended") << QStringLiteral(".zovt-4242-0123456789ab.tmp") << qint64(0) << true;
    QTest::newRow("writer alive") << QStringLiteral(".zovt-77-0123456789ab.tmp") << qint64(3600) << false;
    QTest::newRow("old name, old") << QStringLiteral(".zovt-0123456789abcdef.tmp") << qint64(61) << true;
    QTest::newRow("old name, young") << QStringLiteral(".zovt-0123456789abcdef.tmp") << qint64(5) << false;
    QTest::newRow("someone else's") << QStringLiteral(".zovt-notes.tmp") << qint64(99999) << false;
    QTest::newRow("a client file") << QStringLiteral("Novak Jan.txt") << qint64(99999) << false;
}

void TestLastRun::abandonedTemporaries()
{
    QFETCH(QString, name);
    QFETCH(qint64, age);
    QFETCH(bool, abandoned);
    QCOMPARE(files::abandonedTemporary(name, age, [](qint64 pid) { return pid == 77; }), abandoned);
}

void TestLastRun::signalTakesTheClosingPath()
{
    Start f;
    // A save cut short by a kill, in the data folder, is gone after the start.
    f.drive.put(QStringLiteral("C:\\WooZovDaz9\\.zovt-999999999-0123456789ab.tmp"), "half");
    f.drive.put(QStringLiteral("C:\\WooZovDaz9\\.zovt-%1-0123456789ab.tmp").arg(::getpid()), "mine");
    f.start();
    QVERIFY(!f.drive.has(QStringLiteral("C:\\WooZovDaz9\\.zovt-999999999-0123456789ab.tmp")));
    QVERIFY(f.drive.has(QStringLiteral("C:\\WooZovDaz9\\.zovt-%1-0123456789ab.tmp").arg(::getpid())));

    QVERIFY(signalexit::install());
    QObject context;
    int received = 0;
    signalexit::watch(&context, [&](int sig) { received = sig; });
    ::raise(SIGTERM);
    QTRY_COMPARE_WITH_TIMEOUT(received, SIGTERM, 5000);
    // A logout's SIGHUP and a repeated SIGTERM no longer interrupt the
    // closing path; a second Ctrl+C would end the process.
    for (auto [sig, action] : {std::pair{SIGTERM, SIG_IGN}, std::pair{SIGHUP, SIG_IGN}, std::pair{SIGINT, SIG_DFL}}) {
        struct sigaction now {};
        ::sigaction(sig, nullptr, &now);
        QVERIFY2(now.sa_handler == action, qPrintable(QString::number(sig)));
    }
}

QTEST_MAIN(TestLastRun)
#include "tst_lastrun.moc"
