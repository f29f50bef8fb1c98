// The playback protocol: its lines, what playbacks leave in the client's
// protocol file (played headless in virtual time), the encodings it keeps,
// failed writes, and a protocol file that survives a process killed while it
// saves.

#include "app/Application.h"
#include "clients/ClientLine.h"
#include "core/Dialogs.h"
#include "core/ErrorPolicy.h"
#include "device/PortLink.h"
#include "i18n/Catalogue.h"
#include "playback/PlaybackController.h"
#include "playback/Protocol.h"
#include "program/ProgramController.h"
#include "program/RowParser.h"
#include "storage/DataFiles.h"
#include "storage/Paths.h"
#include "storage/RegionalFormats.h"
#include "support/Headless.h"
#include "support/TempDrive.h"
#include "ui/MainWindowDesign.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QThread>
#include <QtTest>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

using namespace zovt;

namespace {

using test::row;

const QString kClientFile = QStringLiteral("C:\\OrvaTherapy\\Protocol\\Novak Jan  05031980 SUMA.txt");
const QString kSeparator = QString(43, QLatin1Char('_'));

// 5 March 2024, 14:02:07 local time.
QDateTime fixedNow() { return QDateTime(QDate(2024, 3, 5), QTime(14, 2, 7)); }

// 8-bit text with CR LF line ends.
QByteArray crlf(const QStringList &lines) { return text::encode(lines, text::Encoding::Ansi); }

// The client panel as a loaded client fills it.
void loadClient(ControlSurface &ui, const QString &protocolFile)
{
    const auto set = [&](const char *name, const char *value) {
        ui.setText(QString::fromLatin1(name), QString::fromUtf8(value));
    };
    set("Prijmeni", "Novák");
    set("Jmeno", "Jan");
    set("JmenoFix", "");
    set("Datum_naroz_den", "05");
    set("Datum_naroz_mesic", "03");
    set("Datum_naroz_rok", "1980");
    set("Bydliste1", "Dlouhá 1");
    set("Bydliste2", "Praha");
    set("Poznamka1", "N1");
    set("Poznamka2", "N2");
    set("Telefon", "+420123456789");
    set("Email", "jan@example.org");
    ui.setText(QStringLiteral("PRSAdresaProt"), protocolFile);
    ui.setText(QStringLiteral("SouborProtokSumaSUM"), paths::ProtocolWorkCopy);
}

const QStringList kNovakHeader{
    "Jan Novák ", "Narození:05.03.1980", "Dlouhá 1 Praha", "N1 N2", "+420123456789", "jan@example.org", kSeparator,
};
// The formats a Czech prefix holds.
regional::Formats czech() { return regional::defaultsFor(QStringLiteral("cs_CZ.UTF-8")); }
const QString kLine1 = QStringLiteral("ZovT Gener:  5. 3. 2024 14:02:07");

// The playback operation with its protocol, after start-up with default
// settings, headless; the protocol option on and a client loaded.
struct Player : test::WithDrive, test::Headless {
    ProgramController programs{ctx};
    PlaybackController playback{ctx};
    ProtocolController protocol{ctx};
    QStringList errors; // what the error sink received

    Player()
    {
        ui.setText(QStringLiteral("Pause"), QStringLiteral("||"));
        ui.setIndex(QStringLiteral("Kikratebar"), 1);
        ctx.ops.ZakladMemoCliknul = [this] { select(ui.index(QStringLiteral("Zakladmemo"))); };
        ctx.ops.Konec = [] {};
        ctx.ops.protocolStart = [this] { protocol.start(); };
        ctx.ops.protocolEnd = [this] { protocol.end(); };
        ctx.ops.fillClientFromRecord = [this](const QString &line) {
            const ClientRecord c = parseClientLine(line);
            ui.setText(QStringLiteral("Prijmeni"), c.Prijmeni);
            ui.setText(QStringLiteral("Jmeno"), c.Jmeno);
            ui.setText(QStringLiteral("JmenoFix"), c.JmenoFix);
            ui.setText(QStringLiteral("Datum_naroz_den"), c.Datum_naroz_den);
            ui.setText(QStringLiteral("Datum_naroz_mesic"), c.Datum_naroz_mesic);
            ui.setText(QStringLiteral("Datum_naroz_rok"), c.Datum_naroz_rok);
            ui.setText(QStringLiteral("Bydliste1"), c.Bydliste1);
            ui.setText(QStringLiteral("Bydliste2"), c.Bydliste2);
            ui.setText(QStringLiteral("Poznamka1"), c.Poznamka1);
            ui.setText(QStringLiteral("Poznamka2"), c.Poznamka2);
            ui.setText(QStringLiteral("Telefon"), c.Telefon);
            ui.setText(QStringLiteral("Email"), c.Email);
        };
        protocol.now = fixedNow;
        protocol.formats = czech();
        clock.setErrorSink([this](const char *where, std::exception_ptr e) {
            errors << QStringLiteral("%1: %2").arg(QString::fromLatin1(where), errorMessage(e));
        });
        drive.put(paths::ProtocolFlag, {});
        QDir().mkpath(drive.native(paths::OrvaProtocol));
        loadClient(ui, kClientFile);
    }

    void load(const QStringList &lines) { test::loadProgram(ui, programs, lines); }
    void select(int entry) { test::selectEntry(ui, programs, entry); }
    void play(int entry)
    {
        select(entry);
        playback.Play();
    }
    void playAll(int entry)
    {
        select(entry);
        playback.PlayVse();
        clock.processUntil([this] { return !playback.TimerStrtVse().isActive(); });
    }
};

// Two programs of 2:05 and 5 seconds.
const QStringList kProgramFile{"[P1]", row("a||10.000|0|Hz|0|2|5"), "[P2]", row("b||20.000|0|Hz|0|0|5"), "[STOP]"};

} // namespace

class TestProtocol : public QObject {
    Q_OBJECT
private slots:
    void clientHeader_data();
    void clientHeader();
    void dateTime_data();
    void dateTime();
    void programLine();
    void playbacks_data();
    void playbacks();
    void encodingsAreKept_data();
    void encodingsAreKept();
    void failedWrites_data();
    void failedWrites();
    void fullDisk_data();
    void fullDisk();
    void invisibleCharactersAreKeptVisible();
    void unreadableHistoryIsNotReplaced();
    void playAllThroughTheApplication();
    void killedWhileSaving();
};

void TestProtocol::clientHeader_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QStringList>("header");

    const QStringList novak{"Jan", "Novák", "", "05", "03", "1980", "A1", "A2", "N1", "N2", "T", "E"};
    QTest::newRow("Czech, no distinguishing character: a blank stays at the end")
        << 0 << novak << QStringList{"Jan Novák ", "Narození:05.03.1980", "A1 A2", "N1 N2", "T", "E", kSeparator};
    QTest::newRow("English") << 1 << novak
                             << QStringList{"Jan Novák ", "Birth:05.03.1980", "A1 A2", "N1 N2", "T", "E", kSeparator};
    QTest::newRow("Russian caption begins with a Latin P")
        << 4 << novak << QStringList{"Jan Novák ", "Pождение:05.03.1980", "A1 A2", "N1 N2", "T", "E", kSeparator};
    QTest::newRow("language outside the catalogue")
        << 7 << novak << QStringList{"Jan Novák ", "?????????05.03.1980", "A1 A2", "N1 N2", "T", "E", kSeparator};
    QTest::newRow("cleared panel: placeholders and lone blanks")
        << 0 << QStringList{"", "", "", "88", "88", "88", "", "", "", "", "", ""}
        << QStringList{"  ", "Narození:88.88.88", " ", " ", "", "", kSeparator};
    QTest::newRow("distinguishing character")
        << 0 << QStringList{"Jan", "Novák", "B", "05", "03", "1980", "", "", "", "", "", ""}
        << QStringList{"Jan Novák B", "Narození:05.03.1980", " ", " ", "", "", kSeparator};
}

void TestProtocol::clientHeader()
{
    QFETCH(int, language);
    QFETCH(QStringList, fields);
    QFETCH(QStringList, header);
    ClientRecord c;
    QString *const order[] = {&c.Jmeno,     &c.Prijmeni,  &c.JmenoFix,  &c.Datum_naroz_den, &c.Datum_naroz_mesic, &c.Datum_naroz_rok,
                              &c.Bydliste1, &c.Bydliste2, &c.Poznamka1, &c.Poznamka2,       &c.Telefon,           &c.Email};
    for (int i = 0; i < 12; ++i)
        *order[i] = fields[i];
    QCOMPARE(protocol::clientHeader(c, Catalogue::mainWindow().FATisk(150, language)), header);
    QCOMPARE(protocol::separator().size(), 43);
}

void TestProtocol::dateTime_data()
{
    QTest::addColumn<QString>("shortDate");
    QTest::addColumn<QString>("timeFormat");
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("text");

    const QDate day(2024, 3, 5);
    const auto at = [&](int h, int m, int s, int ms = 0) { return QDateTime(day, QTime(h, m, s, ms)); };
    const QString csDate = QStringLiteral("d. M. yyyy"), csTime = QStringLiteral("H:mm:ss");
    const QString enDate = QStringLiteral("M/d/yyyy"), enTime = QStringLiteral("h:mm:ss tt");
    QTest::newRow("Czech afternoon") << csDate << csTime << at(14, 2, 7) << "ZovT Gener:  5. 3. 2024 14:02:07";
    QTest::newRow("English afternoon") << enDate << enTime << at(14, 2, 7) << "ZovT Gener:  3/5/2024 2:02:07 PM";
    QTest::newRow("German morning") << "d.M.yyyy" << "HH:mm:ss" << at(9, 5, 0) << "ZovT Gener:  5.3.2024 09:05:00";
    QTest::newRow("Russian") << "dd.MM.yyyy" << "HH:mm:ss" << at(9, 5, 0) << "ZovT Gener:  05.03.2024 09:05:00";
    QTest::newRow("exactly midnight: the date alone") << csDate << csTime << at(0, 0, 0) << "ZovT Gener:  5. 3. 2024";
    QTest::newRow("a millisecond past midnight") << csDate << csTime << at(0, 0, 0, 1)
                                                 << "ZovT Gener:  5. 3. 2024 0:00:00";
    QTest::newRow("a second before midnight") << enDate << enTime << at(23, 59, 59)
                                              << "ZovT Gener:  3/5/2024 11:59:59 PM";
    QTest::newRow("half past midnight, 12-hour") << enDate << enTime << at(0, 30, 0) << "ZovT Gener:  3/5/2024 12:30:00 AM";
    QTest::newRow("noon, 12-hour") << enDate << enTime << at(12, 0, 0) << "ZovT Gener:  3/5/2024 12:00:00 PM";
    QTest::newRow("a zone is never written") << csDate << csTime
                                             << QDateTime(day, QTime(14, 2, 7), Qt::OffsetFromUTC, 3600)
                                             << "ZovT Gener:  5. 3. 2024 14:02:07";
    QTest::newRow("quoted text, names, two-digit year")
        << "ddd, MMM d 'of' ''yy" << "hh'h'mm t" << at(9, 5, 0) << "ZovT Gener:  Tue, Mar 5 of 24 09h05 A";
    QTest::newRow("a quote inside quotes; an unclosed quote runs to the end")
        << "'it''s' d ''''" << "H 'h" << at(9, 5, 0) << "ZovT Gener:  it's 5 ' 9 h";
}

void TestProtocol::dateTime()
{
    QFETCH(QString, shortDate);
    QFETCH(QString, timeFormat);
    QFETCH(QDateTime, when);
    QFETCH(QString, text);
    const regional::Formats f{shortDate, timeFormat, QStringLiteral("AM"), QStringLiteral("PM"), QStringLiteral("en")};
    QCOMPARE(protocol::startLine(when, f), text);
}

void TestProtocol::programLine()
{
    // The header display text begins with the blank of the replaced "[".
    QCOMPARE(protocol::programLine(3725, QStringLiteral(" P1 ")), QStringLiteral("1:2:5  P1 "));
    QCOMPARE(protocol::programLine(0, QString()), QStringLiteral("0:0:0 "));
    QCOMPARE(protocol::programLine(90061, QStringLiteral(" Q")), QStringLiteral("25:1:1  Q"));
}

void TestProtocol::playbacks_data()
{
    QTest::addColumn<QByteArray>("before"); // the client's file; empty: none
    QTest::addColumn<QStringList>("program");
    QTest::addColumn<QString>("how");       // play, playAll, stop, noOption, noClient
    QTest::addColumn<QStringList>("after"); // the client's file; empty: as before

    const QByteArray history = crlf(kNovakHeader) + crlf({kLine1, "0:0:5  Old ", kSeparator});
    const QStringList historyLines = kNovakHeader + QStringList{kLine1, "0:0:5  Old ", kSeparator};
    const QStringList p1{kLine1, "0:2:5  P1 ", kSeparator};
    const QStringList p2{kLine1, "0:0:5  P2 ", kSeparator};

    QTest::newRow("first playback: the header and three lines") << QByteArray() << kProgramFile << "play"
                                                               << kNovakHeader + p1;
    QTest::newRow("a second playback appends three lines") << history << kProgramFile << "play" << historyLines + p1;
    QTest::newRow("play-all: three lines per program, each reading the last one's file")
        << QByteArray() << kProgramFile << "playAll" << kNovakHeader + p1 + p2;
    QTest::newRow("stopped: the separator all the same, and the full total")
        << history << kProgramFile << "stop" << historyLines + p1;
    QTest::newRow("no option file: untouched") << history << kProgramFile << "noOption" << QStringList{};
    QTest::newRow("no client: nothing written") << QByteArray() << kProgramFile << "noClient" << QStringList{};
    QTest::newRow("a row error ends the playback: both files as they were")
        << history << QStringList{"[P1]", row("a||1x.000|0|Hz|0|0|5"), "[STOP]"} << "play" << QStringList{};
    QTest::newRow("a client entry: its client in the header, the file the panel's")
        << QByteArray() << QStringList{"[K=Svoboda;Petr;;01.02.1990;;;;;;;]", row("a||10.000|0|Hz|0|0|5"), "[STOP]"}
        << "play"
        << QStringList{"Petr Svoboda ", "Narození:01.02.1990", " ", " ", "", "", kSeparator, kLine1,
                       "0:0:5  K=Svoboda;Petr;;01.02.1990;;;;;;; ", kSeparator};
}

void TestProtocol::playbacks()
{
    QFETCH(QByteArray, before);
    QFETCH(QStringList, program);
    QFETCH(QString, how);
    QFETCH(QStringList, after);

    Player p;
    if (!before.isEmpty())
        p.drive.put(kClientFile, before);
    if (how == QLatin1String("noOption"))
        files::remove(paths::ProtocolFlag);
    if (how == QLatin1String("noClient"))
        p.ui.setText(QStringLiteral("PRSAdresaProt"), QString());
    p.load(program);

    if (how == QLatin1String("playAll")) {
        p.playAll(0);
    } else {
        if (how == QLatin1String("stop"))
            p.at(5000, [&] { p.playback.Stop(); });
        p.play(0);
    }
    if (how == QLatin1String("noOption"))
        p.play(1); // any number of playbacks

    if (after.isEmpty()) {
        QCOMPARE(p.drive.get(kClientFile), before);
        QCOMPARE(p.drive.has(kClientFile), !before.isEmpty());
        // Without a protocol neither file is touched; a protocol that began
        // has only copied the client's file.
        if (how.startsWith(QLatin1String("no")))
            QVERIFY(!p.drive.has(paths::ProtocolWorkCopy));
        else
            QCOMPARE(p.drive.get(paths::ProtocolWorkCopy), before);
    } else {
        QVERIFY(!p.protocol.started());
        QCOMPARE(text::decode(p.drive.get(kClientFile)).lines, after);
        // The working copy holds what was copied back; 8-bit, CR LF.
        QCOMPARE(p.drive.get(paths::ProtocolWorkCopy), p.drive.get(kClientFile));
        QCOMPARE(p.drive.get(kClientFile), text::encode(after, text::Encoding::Ansi));
    }
    QCOMPARE(p.errors, QStringList{});
}

void TestProtocol::encodingsAreKept_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("added");

    // "Novák Jan" with an old playback, then what a playback of P1 adds.
    const QByteArray oldAnsi = "Jan Nov\xE1k \r\nStar\xFD z\xE1znam \x8A\r\n";
    const QByteArray newAnsi = "ZovT Gener:  5. 3. 2024 14:02:07\r\n0:2:5  P1 \r\n" + kSeparator.toLatin1() + "\r\n";
    QTest::newRow("Windows-1250") << oldAnsi << newAnsi;
    QTest::newRow("UTF-8 with its mark") << QByteArray("\xEF\xBB\xBF") + QString::fromLatin1(oldAnsi).toUtf8() << newAnsi;
    QStringEncoder utf16(QStringEncoder::Utf16LE);
    const QString oldText = QStringDecoder("windows-1250").decode(oldAnsi);
    QTest::newRow("UTF-16 LE with its mark")
        << QByteArray("\xFF\xFE") + QByteArray(utf16.encode(oldText + QStringLiteral("Жуков\r\n")))
        << QByteArray(utf16.encode(QString::fromLatin1(newAnsi)));
}

void TestProtocol::encodingsAreKept()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, added);
    Player p;
    p.drive.put(kClientFile, before);
    p.load(kProgramFile);
    p.play(0);
    // Byte for byte: the old text as it was, mark included, then the new lines.
    QCOMPARE(p.drive.get(kClientFile), before + added);
    QCOMPARE(p.errors, QStringList{});
}

void TestProtocol::failedWrites_data()
{
    QTest::addColumn<QString>("broken"); // what is made unwritable once the protocol began
    QTest::addColumn<QString>("error");

    QTest::newRow("the working copy cannot be saved: the client's file stays")
        << paths::ProtocolWorkCopy << "protocolEnd: Cannot replace file \"C:\\WooZovDaz9\\SUMAsumGener.txt\"";
    QTest::newRow("the client's folder is gone: the working copy keeps the protocol")
        << QStringLiteral("C:\\OrvaTherapy\\Protocol")
        << "protocolEnd: Cannot create file \"C:\\OrvaTherapy\\Protocol\\Novak Jan  05031980 SUMA.txt\"";
}

void TestProtocol::failedWrites()
{
    QFETCH(QString, broken);
    QFETCH(QString, error);

    Player p;
    const QByteArray history = crlf(kNovakHeader);
    p.drive.put(kClientFile, history);
    p.load(kProgramFile);
    p.select(0);
    // Once the protocol began, its target turns into something no file can
    // replace: a folder where the working copy was, or no folder at all.
    p.ctx.ops.protocolStart = [&] {
        p.protocol.start();
        QDir dir(p.drive.native(broken));
        if (broken == paths::ProtocolWorkCopy) {
            files::remove(broken);
            QVERIFY(QDir().mkpath(dir.path()));
        } else {
            QVERIFY(dir.removeRecursively());
        }
    };
    p.playback.Play();

    QCOMPARE(p.errors.size(), 1);
    QVERIFY2(p.errors.first().startsWith(error), qPrintable(p.errors.first()));
    if (broken == paths::ProtocolWorkCopy) {
        QCOMPARE(p.drive.get(kClientFile), history);
    } else {
        QVERIFY(!p.drive.has(kClientFile));
        const QStringList saved = kNovakHeader + QStringList{kLine1, "0:2:5  P1 ", kSeparator};
        QCOMPARE(text::decode(p.drive.get(paths::ProtocolWorkCopy)).lines, saved);
    }
    // The playback itself ended as usual.
    QVERIFY(p.ui.isEnabled(QStringLiteral("Open")));
    QVERIFY(!p.protocol.started());
}

void TestProtocol::fullDisk_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("spared"); // writes of the protocol end that succeed first
    using files::testing::WriteStep;
    const std::pair<const char *, WriteStep> steps[] = {
        {"create", WriteStep::Create}, {"write", WriteStep::Write}, {"sync", WriteStep::Sync},
        {"close", WriteStep::Close},   {"rename", WriteStep::Rename},
    };
    for (const auto &[name, step] : steps) {
        QTest::addRow("working copy, %s", name) << int(step) << 0;
        QTest::addRow("copy back, %s", name) << int(step) << 1;
    }
}

// The disk fills up while the protocol is saved: the client's history stays
// whole, and the failure is reported.
void TestProtocol::fullDisk()
{
    QFETCH(int, step);
    QFETCH(int, spared);

    Player p;
    QStringList history = kNovakHeader;
    for (int i = 0; crlf(history).size() < 800; ++i)
        history << kLine1 << QStringLiteral("0:0:%1  Old %1 ").arg(i) << kSeparator;
    // The size of the history the fault was found with.
    history << QString(934 - crlf(history).size() - 2, QLatin1Char('.'));
    const QByteArray before = crlf(history);
    QCOMPARE(before.size(), 934);
    p.drive.put(kClientFile, before);
    p.load(kProgramFile);
    p.select(0);
    p.ctx.ops.protocolEnd = [&] {
        files::testing::WriteFault full(files::testing::WriteStep(step), ENOSPC, spared);
        p.protocol.end();
    };
    p.playback.Play();

    QCOMPARE(p.drive.get(kClientFile), before);
    QCOMPARE(p.errors.size(), 1);
    QVERIFY2(p.errors.first().startsWith(QLatin1String("protocolEnd: Cannot")), qPrintable(p.errors.first()));
    QVERIFY2(p.errors.first().contains(QString::fromLocal8Bit(std::strerror(ENOSPC))), qPrintable(p.errors.first()));
    // No temporary file is left behind beside either file.
    for (const QString &folder : {paths::OrvaProtocol, paths::DataDir})
        QCOMPARE(QDir(p.drive.native(folder)).entryList({QStringLiteral(".zovt-*")}, QDir::Hidden | QDir::Files),
                 QStringList());
    // The next playback still finds the whole history.
    p.ctx.ops.protocolEnd = [&] { p.protocol.end(); };
    p.play(1);
    QCOMPARE(text::decode(p.drive.get(kClientFile)).lines, (history + QStringList{kLine1, "0:0:5  P2 ", kSeparator}));
}

// A program header holding a character an 8-bit file cannot hold, invisible
// or not, leaves a "?" in the protocol, in the client's file and in the
// working copy alike.
void TestProtocol::invisibleCharactersAreKeptVisible()
{
    Player p;
    p.load({QStringLiteral("[Kurz\u200B]"), row("a||10.000|0|Hz|0|0|5"), QStringLiteral("[\u200E\uFEFFN\uFE0F\u00F1]"),
            row("b||10.000|0|Hz|0|0|5"), QStringLiteral("[STOP]")});
    p.play(0);
    p.play(1);
    const QByteArray file = p.drive.get(kClientFile);
    QVERIFY2(file.contains("\r\n0:0:5  Kurz? \r\n"), file.constData());
    QVERIFY2(file.contains("\r\n0:0:5  ??N?n \r\n"), file.constData());
    QCOMPARE(p.drive.get(paths::ProtocolWorkCopy), file);
}

// A client file that exists but cannot be brought in: the playback goes on
// with a protocol of its own, which never takes the history's place.
void TestProtocol::unreadableHistoryIsNotReplaced()
{
    Player p;
    const QByteArray history = crlf(kNovakHeader + QStringList{kLine1, "0:0:5  Old ", kSeparator});
    p.drive.put(kClientFile, history);
    // A working copy in a folder that is missing when the copy is made, and
    // there when the protocol ends.
    const QString work = QStringLiteral("C:\\Later\\SUMAsumGener.txt");
    p.ui.setText(QStringLiteral("SouborProtokSumaSUM"), work);
    p.load(kProgramFile);
    p.select(0);
    p.ctx.ops.protocolStart = [&] {
        p.protocol.start();
        files::makeDir(QStringLiteral("C:\\Later"));
    };
    const qint64 t0 = p.clock.nowMs();
    p.playback.Play();
    const qint64 took = p.clock.nowMs() - t0;

    QCOMPARE(p.drive.get(kClientFile), history);
    const QStringList fresh = kNovakHeader + QStringList{kLine1, "0:2:5  P1 ", kSeparator};
    QCOMPARE(text::decode(p.drive.get(work)).lines, fresh);
    QCOMPARE(p.errors.size(), 2);
    QVERIFY2(p.errors.at(0).startsWith(QLatin1String("protocolStart: Cannot create file \"C:\\Later\\SUMAsumGener.txt\"")),
             qPrintable(p.errors.at(0)));
    QVERIFY2(p.errors.at(1).startsWith(QLatin1String("protocolEnd: " ) + kClientFile), qPrintable(p.errors.at(1)));
    // The wait for the copy has its bound: three seconds more than the same
    // playback whose copy is there at once.
    Player q;
    q.drive.put(kClientFile, history);
    q.load(kProgramFile);
    q.select(0);
    const qint64 q0 = q.clock.nowMs();
    q.playback.Play();
    QCOMPARE(took - (q.clock.nowMs() - q0), 3000);
}

// As the operator would: the program handed over at start-up, a client in
// the panel, both programs played with ">>"; then a stopped playback; then,
// without the option file, one more that leaves the file alone.
void TestProtocol::playAllThroughTheApplication()
{
    test::TempDrive drive;
    drive.installPictures();
    const QString programPath = QStringLiteral("C:\\Zov_Tool Data\\Program\\Two.txt");
    drive.put(programPath, crlf(kProgramFile));
    drive.put(paths::ProgramHandOff, programPath.toLatin1() + "\r\n");
    drive.put(paths::ProtocolFlag, {});

    VirtualClock clock;
    MemorySurface ui{design::mainWindowControls()};
    test::checkPictures(ui);
    RecordingPort port{clock};
    ScriptedDialogs dialogs;
    Application app(clock, ui, port, dialogs);
    app.protocol().now = fixedNow;
    app.protocol().formats = czech();
    app.run("Nastav", [&] { app.shell().Nastav(); });
    clock.advance(5000); // the stand-by lighting after start-up
    QCOMPARE(ui.lineCount(QStringLiteral("Zakladmemo")), 2);
    QDir().mkpath(drive.native(paths::OrvaProtocol));
    loadClient(ui, kClientFile);

    const auto playFrom = [&](int entry, bool all) {
        ui.setIndex(QStringLiteral("Zakladmemo"), entry);
        app.run("ZakladMemoCliknul", [&] { app.program().ZakladMemoCliknul(); });
        app.run("Play", [&] { all ? app.playback().PlayVse() : app.playback().Play(); });
        clock.processUntil([&] { return !app.playback().TimerStrtVse().isActive(); });
    };
    playFrom(0, true);
    const QStringList two =
        kNovakHeader + QStringList{kLine1, QStringLiteral("0:2:5  P1 "), kSeparator, kLine1, "0:0:5  P2 ", kSeparator};
    QCOMPARE(text::decode(drive.get(kClientFile)).lines, two);

    auto stopper = clock.createTimer();
    stopper->setSingleShot(true);
    stopper->setInterval(10000);
    stopper->setCallback([&] { app.playback().StopVse(); });
    stopper->start();
    playFrom(0, false);
    const QStringList three = two + QStringList{kLine1, "0:2:5  P1 ", kSeparator};
    QCOMPARE(text::decode(drive.get(kClientFile)).lines, three);

    files::remove(paths::ProtocolFlag);
    const QByteArray before = drive.get(kClientFile);
    playFrom(1, false);
    QCOMPARE(drive.get(kClientFile), before);
}

namespace {

// The child of killedWhileSaving: plays protocols into the client's file
// (under the drive it inherits) until it is killed.
[[noreturn]] void saveProtocolsUntilKilled(const QString &clientFile)
{
    test::Headless h;
    ProtocolController protocol(h.ctx);
    protocol.now = fixedNow;
    protocol.formats = czech();
    loadClient(h.ui, clientFile);
    h.ui.setLines(QStringLiteral("MemoPlayShow"), {QStringLiteral(" P1 ")});
    h.state.engine.CasCelkp = 3725;
    // Bounded, should the parent never come to kill it.
    for (int i = 0; i < 1000; ++i) {
        protocol.start();
        protocol.end();
    }
    ::_exit(0);
}

} // namespace

// A process killed at any moment of its protocol saves leaves the client's
// file as it was before that save or as it is after it: a whole protocol of
// some number of playbacks, never a shorter or a cut one.
void TestProtocol::killedWhileSaving()
{
    test::TempDrive drive;
    drive.put(paths::ProtocolFlag, {});
    QStringList history = kNovakHeader;
    for (int i = 0; i < 1000; ++i)
        history << kLine1 << QStringLiteral("0:0:5  Old %1 ").arg(i) << kSeparator;
    const QByteArray initial = text::encode(history, text::Encoding::Ansi);
    drive.put(kClientFile, initial);
    const QByteArray playbackLines = text::encode({kLine1, "1:2:5  P1 ", kSeparator}, text::Encoding::Ansi);

    // A forked child starts at once, so that many kills fit in the test's
    // time; it only writes files and never returns.
    std::fflush(stdout);
    std::fflush(stderr);
    const auto startSaver = [&] {
        const pid_t child = ::fork();
        if (child == 0)
            saveProtocolsUntilKilled(kClientFile);
        return child;
    };
    const auto killSaver = [](pid_t child) {
        ::kill(child, SIGKILL);
        int status = 0;
        return ::waitpid(child, &status, 0) == child && WIFSIGNALED(status);
    };

    // How long one playback's protocol takes here: the kills then spread
    // over the first few, however loaded the machine is.
    QElapsedTimer budget;
    budget.start();
    const pid_t first = startSaver();
    QVERIFY(first > 0);
    while (drive.get(kClientFile).size() == initial.size() && budget.elapsed() < 5000)
        QThread::usleep(500);
    const qint64 firstSaveUs = budget.nsecsElapsed() / 1000;
    QVERIFY(killSaver(first));
    QVERIFY2(firstSaveUs < 5000000, "no protocol was saved in 5 s");

    int kills = 0;
    qsizetype playbacks = 0;
    QMap<qsizetype, int> seen; // playbacks saved between two kills: how often
    QRandomGenerator random(20240305);
    const auto check = [&] {
        const QByteArray now = drive.get(kClientFile);
        QVERIFY2(now.startsWith(initial), qPrintable(QStringLiteral("kill %1: the history is cut").arg(kills)));
        const qsizetype added = now.size() - initial.size();
        QVERIFY2(added % playbackLines.size() == 0,
                 qPrintable(QStringLiteral("kill %1: %2 bytes after the history").arg(kills).arg(added)));
        const qsizetype n = added / playbackLines.size();
        QCOMPARE(now.mid(initial.size()), playbackLines.repeated(n));
        QVERIFY2(n >= playbacks, "a playback saved before is lost");
        seen[n - playbacks] += 1;
        playbacks = n;
    };
    check();
    if (QTest::currentTestFailed())
        return;
    // The kills wait up to twice the first save each, so the time they get
    // grows with it: a loaded machine still sees enough of them.
    const qint64 killBudgetMs = std::clamp<qint64>(40 * firstSaveUs / 1000, 5000, 60000);
    budget.restart();
    while (kills < 400 && budget.elapsed() < killBudgetMs) {
        const pid_t child = startSaver();
        QVERIFY(child > 0);
        QThread::usleep(random.bounded(quint32(2 * firstSaveUs)));
        QVERIFY(killSaver(child));
        ++kills;
        check();
        if (QTest::currentTestFailed())
            return;
    }
    QStringList spread;
    for (auto it = seen.cbegin(); it != seen.cend(); ++it)
        spread << QStringLiteral("%1 after %2").arg(it.value()).arg(it.key());
    qInfo("first protocol saved after %lld ms; %d kills in %lld ms; kills by playbacks saved before them: %s",
          firstSaveUs / 1000, kills, qint64(budget.elapsed()), qPrintable(spread.join(QStringLiteral(", "))));
    // Kills fell before the first save and after later ones.
    QVERIFY(kills >= 20);
    QVERIFY(seen.contains(0) && seen.size() >= 2);
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    TestProtocol t;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&t, argc, argv);
}

#include "tst_protocol.moc"
