// Program files and the program list: list entries, extraction of a program,
// names from paths, and the open and selection operations on a headless
// window.

#include "core/AppContext.h"
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/WindowState.h"
#include "device/DeviceLink.h"
#include "device/PortLink.h"
#include "device/Waits.h"
#include "program/ProgramController.h"
#include "program/ProgramList.h"
#include "program/ReadAhead.h"
#include "program/RowParser.h"
#include "storage/FileError.h"
#include "storage/Paths.h"
#include "storage/TextCodec.h"
#include "support/Rows.h"
#include "support/TempDrive.h"
#include "core/ControlSurface.h"
#include "ui/MainWindowDesign.h"

#include <QtTest>

#include <cstdio>

using namespace zovt;

namespace {

using test::row;
using test::rows;

QByteArray ansiFile(const QStringList &lines) { return text::encode(lines, text::Encoding::Ansi); }

const QString kStars = QStringLiteral("********************");
const QString kQQ = QString(QChar(0x25D8)) + QLatin1Char(' ');

class NullPort : public PortLink {
public:
    void setPortNum(int n) override { m_n = n; }
    int portNum() const override { return m_n; }
    void open() override { m_open = true; }
    void close() override { m_open = false; }
    void write(const QByteArray &) override {}
    void checkPresent() override {}
    bool active() const override { return m_open; }

private:
    int m_n = 3;
    bool m_open = false;
};

// The main window as far as the program list is concerned, after start-up.
struct Window {
    test::TempDrive drive;
    VirtualClock clock;
    MemorySurface ui{design::mainWindowControls()};
    WindowState state;
    Waits waits{clock, ui};
    NullPort port;
    DeviceLink device{clock, ui, state, waits, port};
    ScriptedDialogs dialogs;
    AppContext ctx{clock, ui, state, waits, device, dialogs, {}};
    ProgramController pc{ctx};
    // The calls into other subsystems that ran, by name.
    QStringList calls;

    Window()
    {
        ctx.ops.bindUnbound([this](const QString &name) { calls << name; });
        ui.enable({"Open", "OpenZov", "OpenSBZ", "JasLED", "VykonIR", "ZpomalLED", "Wishes"}, false);
        ui.enable({"Stop", "StopVse", "Play", "PlayVse", "Pause"}, false);
        ui.setText(QStringLiteral("PRSAdresaPresmerovani"), paths::DefaultExportRoot);
        ui.setIndex(QStringLiteral("Colortype"), 2);
    }

    // Loads a file through OpenZov and its dialog.
    void load(const QString &winPath, const QByteArray &bytes)
    {
        drive.put(winPath, bytes);
        dialogs.chooseFile(winPath);
        pc.OpenZov();
    }
    void select(int entry)
    {
        ui.setIndex(QStringLiteral("Zakladmemo"), entry);
        pc.ZakladMemoCliknul();
    }
    QStringList lines(const char *name) const { return ui.lines(QString::fromLatin1(name)); }
    QString text(const char *name) const { return ui.text(QString::fromLatin1(name)); }
};

const QStringList kTwoPrograms = rows({
    "[Alpha]",
    "a1||10.000|0|Hz|0|10|0",
    "a2|1.000|3.000|0.500|kHz|1|0|0",
    "[QQZovT W]",
    "w1||10.000|0|Hz|0|12|0",
    "[STOP]",
});

} // namespace

class TestProgramList : public QObject {
    Q_OBJECT
private slots:
    void entries_data();
    void entries();
    void extraction_data();
    void extraction();
    void soborJm_data();
    void soborJm();
    void zOrvaT_data();
    void zOrvaT();
    void entryFoundAgain_data();
    void entryFoundAgain();
    void headerDisplay_data();
    void headerDisplay();

    void open1WithHandOff();
    void handOffToMissingFile_data();
    void handOffToMissingFile();
    void open1WithBadDuration();
    void open1WithoutHandOff();
    void readAheadOnlyForTheSameUnchangedFile_data();
    void readAheadOnlyForTheSameUnchangedFile();
    void open1TakesTheFileReadAhead();
    void openFolders();
    void openCancelledClearsMarks();
    void openFromTherapyFolderOnAnyDrive();
    void companionOpenFolders_data();
    void companionOpenFolders();
    void companionOpenCancelledChangesNothing();
    void busyTimerBlocksOpen();
    void failedLoadKeepsPreviousFile();
    void encodings_data();
    void encodings();
    void emptyFile();

    void selection();
    void selectionIgnoredWhileBusy_data();
    void selectionIgnoredWhileBusy();
    void selectionWithoutEntryRebuildsDisplay();
    void badRowStopsDisplay();
    void orvatrinDisplay_data();
    void orvatrinDisplay();
    void listFromAnotherOperation();
};

void TestProgramList::entries_data()
{
    QTest::addColumn<QStringList>("file");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("plain and QQ headers") << kTwoPrograms << QStringList{" Alpha ", kQQ + "ZovT W "};
    QTest::newRow("text before the bracket") << rows({"1) [Name]", "r||1.000|0|Hz|0|1|0"})
                                             << QStringList{"1)  Name "};
    QTest::newRow("row with a bracket is a header") << rows({"[A]", "step [x]||1.000|0|Hz|0|1|0"})
                                                    << QStringList{" A ", row("step  x ||1.000|0|Hz|0|1|0")};
    QTest::newRow("lines above first header ignored") << rows({"note", "", "[A]", "r"}) << QStringList{" A "};
    QTest::newRow("STOP anywhere in a line is not listed") << rows({"[A]", "x [STOP] y", "[B]", "[STOP]"})
                                                           << QStringList{" A ", " B "};
    QTest::newRow("only first brackets become spaces") << rows({"[A] [B]"}) << QStringList{" A  [B]"};
    QTest::newRow("unclosed") << rows({"[A"}) << QStringList{" A"};
    QTest::newRow("short QQ-like header") << rows({"[Q"}) << QStringList{" Q"};
    QTest::newRow("no headers") << rows({"r||1.000|0|Hz|0|1|0"}) << QStringList();
}

void TestProgramList::entries()
{
    QFETCH(QStringList, file);
    QFETCH(QStringList, expected);
    QCOMPARE(ProgramFile(file).listEntries(), expected);
}

void TestProgramList::extraction_data()
{
    QTest::addColumn<QStringList>("file");
    QTest::addColumn<int>("entry");
    QTest::addColumn<QStringList>("memoPlay");
    QTest::addColumn<int>("count");

    QTest::newRow("first program") << kTwoPrograms << 0 << kTwoPrograms.mid(0, 3) << 2;
    QTest::newRow("last program ends at STOP") << kTwoPrograms << 1 << kTwoPrograms.mid(3, 2) << 1;
    const QStringList noStop = rows({"[A]", "a", "[B]", "b1", "b2"});
    QTest::newRow("no STOP: runs to the end") << noStop << 1 << noStop.mid(2) << 2;
    const QStringList stopBetween = rows({"[A]", "a", "[STOP]", "s", "[C]", "c"});
    QTest::newRow("STOP between programs shifts later entries") << stopBetween << 1 << stopBetween.mid(2, 2) << 1;
    const QStringList blanks = rows({"x above", "[A]", "", "a", "", "[STOP]"});
    QTest::newRow("blank rows count") << blanks << 0 << blanks.mid(1, 4) << 3;
    QTest::newRow("header without rows") << rows({"[A]", "[B]"}) << 0 << rows({"[A]"}) << 0;
    QTest::newRow("beyond the file") << rows({"[A]", "a"}) << 1 << QStringList() << 0;
}

void TestProgramList::extraction()
{
    QFETCH(QStringList, file);
    QFETCH(int, entry);
    QFETCH(QStringList, memoPlay);
    QFETCH(int, count);
    const ProgramFile::Program p = ProgramFile(file).program(entry);
    QCOMPARE(p.memoPlay, memoPlay);
    QCOMPARE(p.rows, count);
}

void TestProgramList::soborJm_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::newRow("plain") << "C:\\Zov_Tool Data\\Program\\My prog.txt" << "My prog";
    QTest::newRow("Orvatrin") << "C:\\OrvaTherapy\\QDBZ5\\Orvatrin.txt" << "Orvatrin";
    QTest::newRow("dotted folder") << "C:\\Data.v2\\prog.txt" << "Data";
    QTest::newRow("two extensions") << "C:\\a\\b.c.txt" << "b";
    QTest::newRow("no dot") << "C:\\a\\prog" << "prog";
    QTest::newRow("no folder") << "prog.txt" << "prog";
}

void TestProgramList::soborJm()
{
    QFETCH(QString, path);
    QFETCH(QString, name);
    QCOMPARE(soborJmFromPath(path), name);
}

void TestProgramList::zOrvaT_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("exportRoot");
    QTest::addColumn<bool>("expected");
    const QString def = paths::DefaultExportRoot;
    QTest::newRow("therapy folder") << "C:\\OrvaTherapy\\QDBZ5\\x.txt" << def << true;
    QTest::newRow("other drive") << "D:\\OrvaTherapy\\x.txt" << def << true;
    QTest::newRow("case matters") << "C:\\orvatherapy\\x.txt" << def << false;
    QTest::newRow("companion folder") << "C:\\Zov_Tool Data\\Program\\x.txt" << def << false;
    QTest::newRow("export root with backslash") << "E:\\Export\\sub\\x.txt" << "C:\\Export\\" << true;
    QTest::newRow("export root without backslash") << "C:\\Export\\x.txt" << "C:\\Export" << false;
    QTest::newRow("file at the root") << "C:\\OrvaTherapy" << def << true;
    QTest::newRow("deeper folder of that name") << "C:\\a\\OrvaTherapy\\x.txt" << def << false;
}

void TestProgramList::zOrvaT()
{
    QFETCH(QString, path);
    QFETCH(QString, exportRoot);
    QFETCH(bool, expected);
    QCOMPARE(zOrvaTFromPath(path, exportRoot), expected);
}

void TestProgramList::headerDisplay_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("orvatrin");
    QTest::newRow("plain") << "[Name]" << "prog" << " Name " << false;
    QTest::newRow("QQ") << "[QQZovT W]" << "prog" << " ZovT W " << true;
    QTest::newRow("Orvatrin file") << "[Name]" << "Orvatrin" << " Name " << true;
    QTest::newRow("orvatrin file") << "[Name]" << "orvatrin" << " Name " << true;
    QTest::newRow("ORVATRIN is not") << "[Name]" << "ORVATRIN" << " Name " << false;
    QTest::newRow("QQ in Orvatrin file stays") << "[QQX]" << "Orvatrin" << " QQX " << true;
    QTest::newRow("text before bracket") << "ab[c]" << "prog" << "ab c " << false;
}

void TestProgramList::headerDisplay()
{
    QFETCH(QString, header);
    QFETCH(QString, file);
    QFETCH(QString, text);
    QFETCH(bool, orvatrin);
    bool power = !orvatrin;
    QCOMPARE(headerDisplayText(header, file, power), text);
    QCOMPARE(power, orvatrin);
}

void TestProgramList::readAheadOnlyForTheSameUnchangedFile_data()
{
    QTest::addColumn<QString>("afterReading"); // what happens to the file once it has been read ahead
    QTest::addColumn<QString>("askedFor");
    QTest::addColumn<bool>("taken");
    const QString prog = QStringLiteral("C:\\OrvaTherapy\\QDBZ5\\Ahead.txt");
    QTest::newRow("unchanged") << "" << prog << true;
    QTest::newRow("another file asked for") << "" << "C:\\OrvaTherapy\\QDBZ5\\Other.txt" << false;
    QTest::newRow("rewritten, same size") << "rewrite" << prog << false;
    QTest::newRow("replaced by another file") << "replace" << prog << false;
    QTest::newRow("removed") << "remove" << prog << false;
    QTest::newRow("never there") << "absent" << prog << false;
}

void TestProgramList::readAheadOnlyForTheSameUnchangedFile()
{
    QFETCH(QString, afterReading);
    QFETCH(QString, askedFor);
    QFETCH(bool, taken);
    test::TempDrive drive;
    const QString prog = QStringLiteral("C:\\OrvaTherapy\\QDBZ5\\Ahead.txt");
    const QStringList other = rows({"[Alphx]", "a1||10.000|0|Hz|0|10|0", "a2|1.000|3.000|0.500|kHz|1|0|0",
                                    "[QQZovT W]", "w1||10.000|0|Hz|0|12|0", "[STOP]"});
    if (afterReading != QLatin1String("absent"))
        drive.put(prog, ansiFile(kTwoPrograms));
    drive.put(QStringLiteral("C:\\OrvaTherapy\\QDBZ5\\Other.txt"), ansiFile(kTwoPrograms));

    ReadAhead ahead(prog);
    ahead.finish();
    if (afterReading == QLatin1String("rewrite")) {
        drive.put(prog, ansiFile(other));
    } else if (afterReading == QLatin1String("replace")) {
        const QString replacement = QStringLiteral("C:\\OrvaTherapy\\QDBZ5\\New.txt");
        drive.put(replacement, ansiFile(other));
        QCOMPARE(std::rename(qPrintable(drive.native(replacement)), qPrintable(drive.native(prog))), 0);
    } else if (afterReading == QLatin1String("remove")) {
        QVERIFY(QFile::remove(drive.native(prog)));
    }

    std::optional<ProgramFile> file = ahead.take(askedFor);
    QCOMPARE(file.has_value(), taken);
    if (taken) {
        QCOMPARE(file->lines(), kTwoPrograms);
        QVERIFY(file->totalAhead());
        QCOMPARE(file->totalAhead()->text, QStringLiteral("        1:22:00"));
    }
    QVERIFY(!ahead.take(askedFor)); // given once
}

void TestProgramList::open1TakesTheFileReadAhead()
{
    // The window comes out the same whether start-up read the handed-over
    // file itself or took it from the worker.
    const QString prog = QStringLiteral("C:\\OrvaTherapy\\QDBZ5\\Client prog.txt");
    const auto open1 = [&](bool readAhead) {
        Window w; // one scratch drive at a time: each is the process's drive C:
        w.drive.put(prog, ansiFile(kTwoPrograms));
        w.drive.put(paths::ProgramHandOff, ansiFile({prog}));
        w.state.row.CasH = 5;
        if (readAhead)
            w.pc.setReadAhead(std::make_unique<ReadAhead>(prog));
        w.pc.Open1();
        return QStringList{w.drive.has(paths::ProgramHandOff) ? "hand-off left" : "hand-off gone", w.lines("NacistMemo").join(u'|'), w.lines("Zakladmemo").join(u'|'), w.text("CasWriteSUMA"),
                           QString::number(w.state.row.CasH), QString::number(w.state.row.CasM),
                           QString::number(w.state.row.CasS), w.state.loadedProgramFile};
    };
    const QStringList read = open1(false);
    QCOMPARE(read.at(3), QStringLiteral("        1:22:00"));
    QCOMPARE(open1(true), read);
}

void TestProgramList::open1WithHandOff()
{
    Window w;
    const QString prog = QStringLiteral("C:\\OrvaTherapy\\QDBZ5\\Client prog.txt");
    w.drive.put(prog, ansiFile(kTwoPrograms));
    w.drive.put(paths::ProgramHandOff, ansiFile({prog}));
    bool handOffAtClient = false;
    w.ctx.ops.Nactiklient = [&] { handOffAtClient = w.drive.has(paths::ProgramHandOff); };

    w.pc.Open1();

    QVERIFY(handOffAtClient); // the client is read before anything else
    QVERIFY(w.dialogs.shown().empty());
    QVERIFY(!w.drive.has(paths::ProgramHandOff));
    QCOMPARE(w.state.SouborExport, prog);
    QCOMPARE(w.lines("NacistMemo"), kTwoPrograms);
    QCOMPARE(w.lines("Zakladmemo"), (QStringList{" Alpha ", kQQ + "ZovT W "}));
    QCOMPARE(w.ui.index(QStringLiteral("Zakladmemo")), -1);
    QCOMPARE(w.state.SoborJm, QStringLiteral("Client prog"));
    QVERIFY(w.state.Z_OrvaT);
    QCOMPARE(w.ui.index(QStringLiteral("Colortype")), 0);
    QCOMPARE(w.text("CasWriteSUMA"), QStringLiteral("        1:22:00"));
    QVERIFY(w.state.openDialogFileName.isEmpty());
    for (const char *b : {"Open", "OpenZov", "OpenSBZ", "JasLED", "VykonIR", "ZpomalLED", "Wishes"})
        QVERIFY2(w.ui.isEnabled(QString::fromLatin1(b)), b);
    for (const char *b : {"Stop", "StopVse", "Play", "PlayVse", "Pause"})
        QVERIFY2(!w.ui.isEnabled(QString::fromLatin1(b)), b);
    // From the therapy database's folder: no generator mode controls.
    QVERIFY(!w.ui.isVisible(QStringLiteral("Orva_Tlac")));
    QVERIFY(!w.ui.isVisible(QStringLiteral("OrvaTGener")));
    QVERIFY(!w.ui.isVisible(QStringLiteral("Panel5")));
}

void TestProgramList::handOffToMissingFile_data()
{
    QTest::addColumn<bool>("atStartUp"); // Open1, else a later Open
    QTest::newRow("Open1") << true;
    QTest::newRow("Open") << false;
}

// A hand-off naming a file that is not there goes, and the dialog is shown;
// Open is never stuck on it.
void TestProgramList::handOffToMissingFile()
{
    QFETCH(bool, atStartUp);
    Window w;
    w.drive.put(paths::ProgramHandOff, ansiFile({QStringLiteral("C:\\gone\\prog.txt")}));
    w.dialogs.chooseFile(std::nullopt);

    atStartUp ? w.pc.Open1() : w.pc.Open();

    QVERIFY(!w.drive.has(paths::ProgramHandOff));
    QCOMPARE(w.dialogs.shown().size(), size_t(1));
    QCOMPARE(w.dialogs.shown().front().text, paths::DefaultExportRoot);
    QCOMPARE(w.dialogs.shown().front().fileName, QString());
    QVERIFY(w.lines("Zakladmemo").isEmpty());
    QCOMPARE(w.ui.isEnabled(QStringLiteral("Open")), atStartUp);
    // Start-up's Open1 loads the current client first; a later Open does not.
    QCOMPARE(w.calls.contains(QStringLiteral("Nactiklient")), atStartUp);

    // The next Open shows the dialog and loads what is chosen there.
    const QString prog = QStringLiteral("C:\\OrvaTherapy\\prog.txt");
    w.drive.put(prog, ansiFile(kTwoPrograms));
    w.dialogs.chooseFile(prog);
    w.pc.Open();
    QCOMPARE(w.dialogs.shown().size(), size_t(2));
    QCOMPARE(w.lines("NacistMemo"), kTwoPrograms);
}

// A handed-over file whose total stumbles over a row still leaves start-up
// with its open buttons: the list is there, the total as far as it got.
void TestProgramList::open1WithBadDuration()
{
    Window w;
    w.clock.setErrorSink([](const char *, std::exception_ptr) {});
    const QString prog = QStringLiteral("C:\\OrvaTherapy\\prog.txt");
    w.drive.put(prog, ansiFile(rows({"[Alpha]", "a1||10.000|0|Hz|0|10|0", "; a comment, not a row", "[Beta]",
                                     "b1||10.000|0|Hz|0|1|0", "[STOP]"})));
    w.drive.put(paths::ProgramHandOff, ansiFile({prog}));

    w.pc.Open1();

    QCOMPARE(w.lines("Zakladmemo"), (QStringList{" Alpha ", " Beta "}));
    QVERIFY(!w.drive.has(paths::ProgramHandOff));
    for (const char *b : {"Open", "OpenZov", "OpenSBZ", "JasLED", "VykonIR", "ZpomalLED", "Wishes"})
        QVERIFY2(w.ui.isEnabled(QString::fromLatin1(b)), b);
}

void TestProgramList::open1WithoutHandOff()
{
    Window w;
    w.state.openDialogFileName = QStringLiteral("C:\\old.txt");
    w.ui.setLines(QStringLiteral("Zakladmemo"), {QStringLiteral("untouched")});

    w.pc.Open1();

    QVERIFY(w.dialogs.shown().empty());
    QVERIFY(w.state.openDialogFileName.isEmpty());
    QCOMPARE(w.lines("Zakladmemo"), QStringList{QStringLiteral("untouched")});
    QVERIFY(w.ui.isEnabled(QStringLiteral("Wishes")));
}

void TestProgramList::openFolders()
{
    Window w;
    const QString clientDir = QStringLiteral("C:\\OrvaTherapy\\QDBZ5\\Novak Jan\\");
    w.ui.setText(QStringLiteral("PRSAdresKlentaData"), clientDir);
    w.dialogs.chooseFile(std::nullopt);
    w.pc.Open();
    QCOMPARE(w.dialogs.shown().back().text, paths::DefaultExportRoot); // client folder missing

    w.drive.put(clientDir + QStringLiteral("x.txt"), "");
    w.dialogs.chooseFile(std::nullopt);
    w.pc.Open();
    QCOMPARE(w.dialogs.shown().back().text, clientDir);
    QCOMPARE(w.state.openDialogFolder, clientDir);
}

void TestProgramList::openCancelledClearsMarks()
{
    Window w;
    w.load(QStringLiteral("C:\\Zov_Tool Data\\Program\\p.txt"), ansiFile(kTwoPrograms));
    w.select(0);
    w.ui.setLine(QStringLiteral("Zakladmemo"), 0, QStringLiteral("#") + w.ui.line(QStringLiteral("Zakladmemo"), 0));
    w.drive.put(paths::ProgramHandOff, ansiFile({QStringLiteral("C:\\Zov_Tool Data\\Program\\p.txt")}));
    w.ui.setIndex(QStringLiteral("Colortype"), 1);

    w.pc.Open(); // loads the hand-off file's program again
    QVERIFY(!w.drive.has(paths::ProgramHandOff));
    QCOMPARE(w.lines("Zakladmemo").first(), QStringLiteral(" Alpha "));

    w.select(0);
    w.ui.setLine(QStringLiteral("Zakladmemo"), 0, QStringLiteral("#") + w.ui.line(QStringLiteral("Zakladmemo"), 0));
    w.ui.setIndex(QStringLiteral("Colortype"), 1);
    w.dialogs.chooseFile(std::nullopt);
    w.pc.Open(); // cancelled

    QCOMPARE(w.lines("Zakladmemo"), (QStringList{" Alpha ", kQQ + "ZovT W "}));
    QCOMPARE(w.ui.index(QStringLiteral("Zakladmemo")), -1);
    QCOMPARE(w.lines("NacistMemo"), kTwoPrograms);
    QVERIFY(w.lines("MemoPlay").isEmpty());
    QVERIFY(w.lines("MemoPlayShow").isEmpty());
    QVERIFY(w.text("CasWrite").isEmpty());
    QVERIFY(!w.ui.isEnabled(QStringLiteral("Play")));
    QCOMPARE(w.ui.index(QStringLiteral("Colortype")), 1); // nothing was loaded
}

void TestProgramList::openFromTherapyFolderOnAnyDrive()
{
    Window w;
    w.ui.setChecked(QStringLiteral("OrvaTGener"), true);
    const QString prog = QStringLiteral("D:\\OrvaTherapy\\x.txt");
    w.drive.put(prog, ansiFile(kTwoPrograms));
    w.dialogs.chooseFile(prog);
    w.pc.Open();
    QVERIFY(w.state.Z_OrvaT);
    QVERIFY(!w.ui.isChecked(QStringLiteral("OrvaTGener")));
    QVERIFY(!w.ui.isVisible(QStringLiteral("Orva_Tlac")));

    // A companion program file shows the generator controls again.
    w.load(QStringLiteral("C:\\Zov_Tool Data\\Program\\p.txt"), ansiFile(kTwoPrograms));
    QVERIFY(!w.state.Z_OrvaT);
    QVERIFY(w.ui.isVisible(QStringLiteral("Orva_Tlac")));
    QVERIFY(w.ui.isVisible(QStringLiteral("OrvaTGener")));
    QVERIFY(!w.ui.isVisible(QStringLiteral("Panel5"))); // left as the last load put it
}

void TestProgramList::companionOpenFolders_data()
{
    QTest::addColumn<bool>("dbz");
    QTest::addColumn<QString>("folder");
    QTest::newRow("OpenZov") << false << paths::ZovToolProgramDir;
    QTest::newRow("OpenSBZ") << true << paths::ZovToolDbzDir;
}

void TestProgramList::companionOpenFolders()
{
    QFETCH(bool, dbz);
    QFETCH(QString, folder);
    Window w;
    const auto open = [&] { dbz ? w.pc.OpenSBZ() : w.pc.OpenZov(); };
    w.state.openDialogFileName = QStringLiteral("C:\\old.txt");
    w.dialogs.chooseFile(std::nullopt);
    open();
    QCOMPARE(w.dialogs.shown().back().text, QStringLiteral("C:\\"));
    QCOMPARE(w.dialogs.shown().back().fileName, QString());

    const QString prog = folder + QStringLiteral("\\p.txt");
    w.drive.put(prog, ansiFile(kTwoPrograms));
    w.drive.put(paths::ProgramHandOff, ansiFile({prog}));
    w.dialogs.chooseFile(prog);
    open();
    QCOMPARE(w.dialogs.shown().back().text, folder);
    QCOMPARE(w.lines("Zakladmemo").size(), 2);
    QCOMPARE(w.state.SoborJm, QStringLiteral("p"));
    QVERIFY(!w.drive.has(paths::ProgramHandOff));
    QCOMPARE(w.ui.index(QStringLiteral("Colortype")), 0);
}

void TestProgramList::companionOpenCancelledChangesNothing()
{
    Window w;
    w.load(QStringLiteral("C:\\Zov_Tool Data\\Program\\p.txt"), ansiFile(kTwoPrograms));
    w.select(1);
    w.ui.setLine(QStringLiteral("Zakladmemo"), 1, QStringLiteral("#") + w.ui.line(QStringLiteral("Zakladmemo"), 1));
    w.drive.put(paths::ProgramHandOff, ansiFile({QStringLiteral("C:\\x.txt")}));
    const QStringList list = w.lines("Zakladmemo");
    const QStringList show = w.lines("MemoPlayShow");

    w.dialogs.chooseFile(std::nullopt);
    w.pc.OpenZov();
    w.dialogs.chooseFile(std::nullopt);
    w.pc.OpenSBZ();

    QCOMPARE(w.lines("Zakladmemo"), list);
    QCOMPARE(w.lines("MemoPlayShow"), show);
    QVERIFY(w.ui.isEnabled(QStringLiteral("Play")));
    QVERIFY(w.drive.has(paths::ProgramHandOff));
}

void TestProgramList::busyTimerBlocksOpen()
{
    Window w;
    w.waits.timer(Waits::Timer3).start();
    w.drive.put(paths::ProgramHandOff, ansiFile({QStringLiteral("C:\\x.txt")}));
    w.pc.Open();
    w.pc.OpenZov();
    w.pc.OpenSBZ();
    QVERIFY(w.dialogs.shown().empty());
    QVERIFY(w.drive.has(paths::ProgramHandOff));
}

void TestProgramList::failedLoadKeepsPreviousFile()
{
    Window w;
    w.load(QStringLiteral("C:\\Zov_Tool Data\\Program\\p.txt"), ansiFile(kTwoPrograms));
    const QString sum = w.text("CasWriteSUMA");

    w.dialogs.chooseFile(QStringLiteral("C:\\Zov_Tool Data\\Program\\missing.txt"));
    QVERIFY_THROWS_EXCEPTION(ReadError, w.pc.OpenZov());
    w.dialogs.chooseFile(QStringLiteral("C:\\missing.txt"));
    QVERIFY_THROWS_EXCEPTION(ReadError, w.pc.Open());

    QCOMPARE(w.lines("NacistMemo"), kTwoPrograms);
    QCOMPARE(w.lines("Zakladmemo").size(), 2);
    QCOMPARE(w.text("CasWriteSUMA"), sum);
    QCOMPARE(w.state.SoborJm, QStringLiteral("p"));
    w.select(1);
    QCOMPARE(w.lines("MemoPlay"), kTwoPrograms.mid(3, 2));
}

void TestProgramList::encodings_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QStringList czech{QStringLiteral("[Žluťoučký kůň]"), row("ř||1.000|0|Hz|0|1|0"), QStringLiteral("[STOP]")};
    QTest::newRow("UTF-8 BOM") << text::encode(czech, text::Encoding::Utf8Bom);
    QTest::newRow("UTF-16 LE BOM") << text::encode(czech, text::Encoding::Utf16LE);
    QTest::newRow("UTF-16 BE BOM") << text::encode(czech, text::Encoding::Utf16BE);
    QTest::newRow("Windows-1250") << QByteArray("[\x8Elu\x9Do\xE8ka]\r\n\xF8\t\t1.000\t0\tHz\t0\t1\t0\r\n[STOP]\r\n");
    QTest::newRow("LF and CR line ends") << QByteArray("[\x8Elu\x9Do\xE8ka]\n\xF8\t\t1.000\t0\tHz\t0\t1\t0\r[STOP]");
}

void TestProgramList::encodings()
{
    QFETCH(QByteArray, bytes);
    Window w;
    w.load(QStringLiteral("C:\\Zov_Tool Data\\Program\\cz.txt"), bytes);
    QCOMPARE(w.lines("NacistMemo").size(), 3);
    const QString entry = w.lines("Zakladmemo").value(0);
    QVERIFY2(entry == QStringLiteral(" Žluťoučký kůň ") || entry == QStringLiteral(" Žluťočka "), qPrintable(entry));
    w.select(0);
    QVERIFY(w.lines("MemoPlayShow").value(1).startsWith(QStringLiteral("ř\t")));
}

void TestProgramList::emptyFile()
{
    Window w;
    w.load(QStringLiteral("C:\\Zov_Tool Data\\Program\\full.txt"), ansiFile(kTwoPrograms));
    QVERIFY(!w.text("CasWriteSUMA").isEmpty());
    w.load(QStringLiteral("C:\\Zov_Tool Data\\Program\\empty.txt"), QByteArray());
    QVERIFY(w.lines("Zakladmemo").isEmpty());
    QVERIFY(w.lines("NacistMemo").isEmpty());
    QVERIFY(w.text("CasWriteSUMA").isEmpty());
    w.select(0); // nothing there: an empty program
    QVERIFY(w.lines("MemoPlay").isEmpty());
    QCOMPARE(w.state.PocetRadkfr, 0);
}

void TestProgramList::selection()
{
    Window w;
    w.load(QStringLiteral("C:\\Zov_Tool Data\\Program\\p.txt"), ansiFile(kTwoPrograms));
    w.ui.setText(QStringLiteral("CasWrite"), QStringLiteral("stale"));

    w.select(0);

    QCOMPARE(w.state.Pozadplay, 0);
    QCOMPARE(w.state.PocetRadkfr, 2);
    QCOMPARE(w.lines("MemoPlay"), kTwoPrograms.mid(0, 3));
    QCOMPARE(w.lines("MemoPlayShow"), (QStringList{QStringLiteral(" Alpha "), row("a1| |10.000| |Hz|0:10:0"),
                                                   row("a2|1.000|3.000|0.500|kHz|1:0:0")}));
    QCOMPARE(w.text("CasWrite"), QStringLiteral("        1:10:0"));
    QCOMPARE(w.state.engine.CasCelk, 4200);
    QVERIFY(!w.state.OrvatrinPower);
    QVERIFY(w.ui.isEnabled(QStringLiteral("Play")));
    QVERIFY(w.ui.isEnabled(QStringLiteral("PlayVse")));

    w.select(1);
    QCOMPARE(w.lines("MemoPlayShow"), (QStringList{QStringLiteral(" ZovT W "), row("w1|" + kStars + "||0:12:0")}));
    QVERIFY(w.state.OrvatrinPower);
}

void TestProgramList::selectionIgnoredWhileBusy_data()
{
    QTest::addColumn<int>("busy");
    QTest::newRow("playback (Stop enabled)") << 0;
    QTest::newRow("Timer3") << 1;
    QTest::newRow("Timer4") << 2;
}

void TestProgramList::selectionIgnoredWhileBusy()
{
    QFETCH(int, busy);
    Window w;
    w.load(QStringLiteral("C:\\Zov_Tool Data\\Program\\p.txt"), ansiFile(kTwoPrograms));
    w.select(0);
    if (busy == 0)
        w.ui.setEnabled(QStringLiteral("Stop"), true);
    else
        w.waits.timer(busy == 1 ? Waits::Timer3 : Waits::Timer4).start();
    const QStringList show = w.lines("MemoPlayShow");

    w.select(1);

    QCOMPARE(w.state.Pozadplay, 0);
    QCOMPARE(w.lines("MemoPlay"), kTwoPrograms.mid(0, 3));
    QCOMPARE(w.lines("MemoPlayShow"), show);
}

void TestProgramList::selectionWithoutEntryRebuildsDisplay()
{
    Window w;
    w.load(QStringLiteral("C:\\Zov_Tool Data\\Program\\p.txt"), ansiFile(kTwoPrograms));
    w.select(0);
    w.ui.setLine(QStringLiteral("MemoPlayShow"), 1, QStringLiteral("> marked"));
    w.ui.setChecked(QStringLiteral("OrvaTGener"), true);

    w.select(-1);

    QCOMPARE(w.state.Pozadplay, -1);
    QCOMPARE(w.lines("MemoPlay"), kTwoPrograms.mid(0, 3));
    QCOMPARE(w.lines("MemoPlayShow").value(1), row("a1|" + kStars + "||0:10:0"));
    QVERIFY(w.state.OrvatrinPower);
}

void TestProgramList::badRowStopsDisplay()
{
    Window w;
    w.load(QStringLiteral("C:\\Zov_Tool Data\\Program\\p.txt"),
           ansiFile(rows({"[Bad]", "a||10.000|0|Hz|0|1|0", "b||ten|0|Hz|0|1|0", "c||30.000|0|Hz|0|1|0"})));
    w.ui.setIndex(QStringLiteral("Zakladmemo"), 0);
    QVERIFY_THROWS_EXCEPTION(ConvertError, w.pc.ZakladMemoCliknul());
    QCOMPARE(w.lines("MemoPlayShow"), (QStringList{QStringLiteral(" Bad "), row("a| |10.000| |Hz|0:1:0")}));
    QCOMPARE(w.text("CasWrite"), QStringLiteral("        0:3:0")); // the durations were fine

    // A bad duration stops the file total at the load (the list is built, and
    // the previous file's total is not shown for it) and the program total at
    // the selection.
    QCOMPARE(w.text("CasWriteSUMA"), QStringLiteral("        0:03:00"));
    w.ui.setIndex(QStringLiteral("Colortype"), 1);
    QVERIFY_THROWS_EXCEPTION(ConvertError,
                             w.load(QStringLiteral("C:\\Zov_Tool Data\\Program\\q.txt"),
                                    ansiFile(rows({"[Bad]", "a||10.000|0|Hz|0|2|0", "b||10.000|0|Hz|0|x|0"}))));
    QCOMPARE(w.lines("Zakladmemo"), QStringList{QStringLiteral(" Bad ")});
    QCOMPARE(w.text("CasWriteSUMA"), QString());
    QCOMPARE(w.ui.index(QStringLiteral("Colortype")), 1);
    w.ui.setIndex(QStringLiteral("Zakladmemo"), 0);
    QVERIFY_THROWS_EXCEPTION(ConvertError, w.pc.ZakladMemoCliknul());
    QCOMPARE(w.text("CasWrite"), QStringLiteral("        0:2:0"));
    QVERIFY(w.lines("MemoPlayShow").isEmpty());
    QCOMPARE(w.state.engine.CasCelk, 120);
}

void TestProgramList::orvatrinDisplay_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("orvatrin");
    QTest::newRow("Orvatrin") << "C:\\Zov_Tool Data\\Program\\Orvatrin.txt" << true;
    QTest::newRow("orvatrin") << "C:\\Zov_Tool Data\\Program\\orvatrin.txt" << true;
    QTest::newRow("ORVATRIN") << "C:\\Zov_Tool Data\\Program\\ORVATRIN.txt" << false;
}

void TestProgramList::orvatrinDisplay()
{
    QFETCH(QString, file);
    QFETCH(bool, orvatrin);
    Window w;
    w.load(file, ansiFile(kTwoPrograms));
    w.select(0);
    QCOMPARE(w.state.OrvatrinPower, orvatrin);
    QCOMPARE(w.lines("MemoPlayShow").value(1).contains(kStars), orvatrin);
}

void TestProgramList::listFromAnotherOperation()
{
    // The wish program is put into NacistMemo by another operation.
    Window w;
    w.load(QStringLiteral("C:\\Zov_Tool Data\\Program\\p.txt"), ansiFile(kTwoPrograms));
    const QStringList wish = rows({"[QQZovT W]", "ZovT W||10.000|0|Hz|0|3|0", "ZovT W||10.000|0|Hz|0|4|0", "[STOP]"});
    w.ui.setLines(QStringLiteral("NacistMemo"), wish);
    w.pc.VyplnZaklMemo();
    QCOMPARE(w.lines("Zakladmemo"), QStringList{kQQ + "ZovT W "});
    QCOMPARE(w.text("CasWriteSUMA"), QStringLiteral("        0:07:00"));

    w.select(0);
    QCOMPARE(w.lines("MemoPlay"), wish.mid(0, 3));
    QCOMPARE(w.lines("MemoPlayShow").value(0), QStringLiteral(" ZovT W "));
    QCOMPARE(w.pc.programFile().headerCount(), 2);

    // Emptied by another operation: the list empties too.
    w.ui.clear(QStringLiteral("NacistMemo"));
    w.pc.VyplnZaklMemo();
    QVERIFY(w.lines("Zakladmemo").isEmpty());
    QVERIFY(w.text("CasWriteSUMA").isEmpty());
}

// An interrupted playback is resumed on the entry it played, in a list
// loaded afresh: where it was, else by its text.
void TestProgramList::entryFoundAgain_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<int>("where");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("found");
    const QStringList list{QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Alpha")};
    QTest::newRow("where it was") << list << 2 << "Alpha" << 2;
    QTest::newRow("moved") << list << 0 << "Beta" << 1;
    QTest::newRow("played before, marked then") << list << 1 << "#Beta" << 1;
    QTest::newRow("marked in the list") << QStringList{QStringLiteral("#Alpha"), QStringLiteral("Beta")} << 0 << "Alpha" << 0;
    QTest::newRow("beyond the list") << list << 7 << "Beta" << 1;
    QTest::newRow("gone") << list << 1 << "Gamma" << -1;
    QTest::newRow("empty list") << QStringList() << 0 << "Alpha" << -1;
}

void TestProgramList::entryFoundAgain()
{
    QFETCH(QStringList, entries);
    QFETCH(int, where);
    QFETCH(QString, text);
    QFETCH(int, found);
    QCOMPARE(findListEntry(entries, where, text), found);
}

int main(int argc, char **argv)
{
    qputenv("LC_ALL", "C");
    qputenv("LANG", "C");
    QCoreApplication app(argc, argv);
    TestProgramList t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_programlist.moc"
