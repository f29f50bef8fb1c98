// The client editor without its window, in virtual time: the field checks on
// leaving a field, the change rule, Enter, the person / animal switch,
// Language, whole flows of a new client, an edit and a failed save, and the
// questions Save asks before it writes.

#include "clients/ClientFile.h"
#include "i18n/Catalogue.h"
#include "storage/DataFiles.h"
#include "storage/Paths.h"
#include "storage/TextCodec.h"
#include "support/ClientsFixture.h"

#include <QDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>

#if __has_include("storage/FileIO.h")
#include <csignal>
#include <sys/resource.h>
#define ZOVT_ATOMIC_WRITES 1
#endif

using namespace zovt;
using zovt::test::ClientsFixture;
using zovt::test::UnixLocale;

namespace {

QString u(const char *utf8) { return QString::fromUtf8(utf8); }

const QString kFolder = QStringLiteral("C:\\OrvaTherapy\\QDBZ5\\");
const QString kJana = u("C:\\OrvaTherapy\\QDBZ5\\Nováková Jana  05031980.txt");

// The panel's Novy with the editor's person fields filled in as an operator
// would: Nováková, Jana, 5. 3. 1980.
void enterJana(ClientsFixture &f)
{
    f.run("Novy", [&] { f.panel().Novy(); });
    f.type(QStringLiteral("Jmeno"), u("Jana"));
    f.type(QStringLiteral("Prijmeni"), u("Nováková"));
    f.typeAndLeave(QStringLiteral("Datum_naroz_den"), QStringLiteral("5"));
    f.typeAndLeave(QStringLiteral("Datum_naroz_mesic"), QStringLiteral("3"));
    f.typeAndLeave(QStringLiteral("Datum_naroz_rok"), QStringLiteral("1980"));
}

QStringList fileLines(const ClientsFixture &f, const QString &winPath)
{
    return text::splitLines(text::fromAnsi(f.drive.get(winPath)));
}

QStringList clientLines(const QStringList &first17)
{
    QStringList l = first17;
    while (l.size() < 25)
        l << QString();
    return l;
}

// The questions the editor asked, in order.
QStringList questionsAsked(const ScriptedDialogs &dialogs)
{
    QStringList q;
    for (const auto &shown : dialogs.shown())
        if (shown.kind == ScriptedDialogs::Shown::Confirm)
            q << shown.text;
    return q;
}

} // namespace

class TestClientEditor : public QObject {
    Q_OBJECT
private slots:
    void fieldChecks_data();
    void fieldChecks();
    void checksSpeakTheEditorsLanguage();
    void changeRuleEnablesSave_data();
    void changeRuleEnablesSave();
    void enterMovesTheFocusOn_data();
    void enterMovesTheFocusOn();

    void opensEmptyForAPerson();
    void opensEmptyAfterAMissingCurrentClient();
    void languageFromItsOwnFile();
    void zvireSwitchesCaptionsAndFlag();
    void konecWritesNothing();

    void newClientFlow();
    void secondSaveWithTheSameKeyLeavesTheFile();
    void blanksAndPlaceholdersAreSaved();
    void editKeepsTheIdentifiers();
    void editCancelledChangesNothing();
    void animalClient();
    void slowPcPause();
    void failedSaveLeavesTheOldFile_data();
    void failedSaveLeavesTheOldFile();
    void fileWithoutKeyIsRewrittenUnderItsName();
    void keysFromAFileStayInTheirFolders();
    void nameTooLongIsHandedOverNowhere();
    void companionsChangeIsNotOverwrittenUnasked_data();
    void companionsChangeIsNotOverwrittenUnasked();
    void codePageChangesAreNamedBeforeSaving_data();
    void codePageChangesAreNamedBeforeSaving();
};

void TestClientEditor::fieldChecks_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("after"); // the field's text after leaving it
    QTest::addColumn<QString>("message"); // empty: passes

    const QString day = QStringLiteral("Datum_naroz_den");
    const QString month = QStringLiteral("Datum_naroz_mesic");
    const QString year = QStringLiteral("Datum_naroz_rok");
    const QString wrongDay = u("POZOR: špatně zadaný den!");
    const QString wrongMonth = u("POZOR: špatně zadaný měsíc!");
    const QString wrongYear = u("POZOR: špatně zadaný rok!");
    const QString wrongPhone = u("POZOR: špatně zadané číslo!");
    const QString wrongMail = u("POZOR: špatně zadaný e-mail!");
    const auto row = [](const char *name, const QString &field, const QString &typed, const QString &after,
                        const QString &message) { QTest::newRow(name) << field << typed << after << message; };

    row("day 5 gets its zero", day, "5", "05", "");
    row("day 01", day, "01", "01", "");
    row("day 31 in any month", day, "31", "31", "");
    row("day 00", day, "00", "88", wrongDay);
    row("day 32", day, "32", "88", wrongDay);
    row("day 39", day, "39", "88", wrongDay);
    row("day 40", day, "40", "88", wrongDay);
    row("day 0", day, "0", "88", wrongDay);
    row("day 1x", day, "1x", "88", wrongDay);
    row("day 123", day, "123", "88", wrongDay);
    row("day empty", day, "", "88", wrongDay);
    row("day placeholder", day, "88", "88", wrongDay);
    row("month 1 gets its zero", month, "1", "01", "");
    row("month 09", month, "09", "09", "");
    row("month 10", month, "10", "10", "");
    row("month 12", month, "12", "12", "");
    row("month 13", month, "13", "88", wrongMonth);
    row("month 00", month, "00", "88", wrongMonth);
    row("month 20", month, "20", "88", wrongMonth);
    row("month placeholder", month, "88", "88", wrongMonth);
    row("year 1900", year, "1900", "1900", "");
    row("year 2099", year, "2099", "2099", "");
    row("year 1899", year, "1899", "8888", wrongYear);
    row("year 2100", year, "2100", "8888", wrongYear);
    row("year 199", year, "199", "8888", wrongYear);
    row("year 19", year, "19", "8888", wrongYear);
    row("year 19x0", year, "19x0", "8888", wrongYear);
    row("year placeholder", year, "8888", "8888", wrongYear);
    row("phone empty", QStringLiteral("Telefon"), "", "", "");
    row("phone + and nine digits", QStringLiteral("Telefon"), "+420123456", "+420123456", "");
    row("phone nine digits", QStringLiteral("Telefon"), "123456789", "123456789", "");
    row("phone eight digits", QStringLiteral("Telefon"), "12345678", "", wrongPhone);
    row("phone with blanks", QStringLiteral("Telefon"), "123 456 789", "", wrongPhone);
    row("phone two +", QStringLiteral("Telefon"), "++420123456", "", wrongPhone);
    row("phone letter", QStringLiteral("Telefon"), "12345678a", "", wrongPhone);
    row("e-mail empty", QStringLiteral("Email"), "", "", "");
    row("e-mail a@b.c", QStringLiteral("Email"), "a@b.c", "a@b.c", "");
    row("e-mail without @", QStringLiteral("Email"), "ab.cd", "", wrongMail);
    row("e-mail without .", QStringLiteral("Email"), "a@bcd", "", wrongMail);
    row("e-mail too short", QStringLiteral("Email"), "a@b.", "", wrongMail);
    row("name is not checked", QStringLiteral("Jmeno"), " ", " ", "");
}

void TestClientEditor::fieldChecks()
{
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, after);
    QFETCH(QString, message);
    ClientsFixture f;
    f.run("Novy", [&] { f.panel().Novy(); });
    f.focus.clear();
    f.typeAndLeave(field, typed);
    QCOMPARE(f.eui().text(field), after);
    QCOMPARE(f.lastMessage(), message);
    QCOMPARE(f.messageCount(), message.isEmpty() ? 0 : 1);
    // A failed check puts the focus back into its field; a passed one leaves
    // it where the operator put it.
    QCOMPARE(f.focus, message.isEmpty() ? QStringList() : QStringList{field});
    if (message.isEmpty())
        return;
    // Told once, the operator can always go on: leaving the field as it was
    // reset is no keyboard trap. Typing a wrong value again is checked again.
    f.focus.clear();
    f.typeAndLeave(field, after);
    QCOMPARE(f.messageCount(), 1);
    QVERIFY(f.focus.isEmpty());
    f.typeAndLeave(field, typed);
    QCOMPARE(f.messageCount(), 2);
}

void TestClientEditor::checksSpeakTheEditorsLanguage()
{
    ClientsFixture f;
    f.drive.put(paths::LangFile, QByteArray("\x01\x00\x00\x00", 4));
    f.run("Novy", [&] { f.panel().Novy(); });
    f.typeAndLeave(QStringLiteral("Datum_naroz_rok"), QStringLiteral("199"));
    QCOMPARE(f.lastMessage(), QStringLiteral("Atention: wrong year!"));
    f.typeAndLeave(QStringLiteral("Email"), QStringLiteral("abcde"));
    QCOMPARE(f.lastMessage(), QStringLiteral("ATTENTION: incorrectly entered e-mail!"));
}

void TestClientEditor::changeRuleEnablesSave_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("enables");
    for (const char *n : {"Jmeno", "Prijmeni", "JmenoFix", "Datum_naroz_den", "Datum_naroz_mesic", "Datum_naroz_rok"})
        QTest::newRow(n) << QString::fromLatin1(n) << true;
    for (const char *n : {"Bydliste1", "Bydliste2", "Poznamka1", "Poznamka2", "Telefon", "Email"})
        QTest::newRow(n) << QString::fromLatin1(n) << false;
}

void TestClientEditor::changeRuleEnablesSave()
{
    QFETCH(QString, field);
    QFETCH(bool, enables);
    ClientsFixture f;
    f.run("Novy", [&] { f.panel().Novy(); });
    QVERIFY(!f.eui().isEnabled("Save"));
    f.type(field, QStringLiteral("1"));
    QCOMPARE(f.eui().isEnabled("Save"), enables);
}

void TestClientEditor::enterMovesTheFocusOn_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<bool>("saveEnabled");
    QTest::addColumn<QString>("to"); // empty: the focus stays
    QTest::newRow("Jmeno") << "Jmeno" << false << "Prijmeni";
    QTest::newRow("JmenoFix") << "JmenoFix" << false << "Datum_naroz_den";
    QTest::newRow("year") << "Datum_naroz_rok" << false << "Bydliste1";
    QTest::newRow("Telefon") << "Telefon" << false << "Email";
    QTest::newRow("Email, Save disabled") << "Email" << false << "";
    QTest::newRow("Email, Save enabled") << "Email" << true << "Save";
}

void TestClientEditor::enterMovesTheFocusOn()
{
    QFETCH(QString, from);
    QFETCH(bool, saveEnabled);
    QFETCH(QString, to);
    ClientsFixture f;
    f.run("Novy", [&] { f.panel().Novy(); });
    if (saveEnabled)
        f.type(QStringLiteral("Jmeno"), QStringLiteral("Jan"));
    f.focus.clear();
    f.editor().enterPressed(from);
    QCOMPARE(f.focus, to.isEmpty() ? QStringList() : QStringList{to});
}

void TestClientEditor::opensEmptyForAPerson()
{
    ClientsFixture f;
    f.drive.put(paths::AnimalFlag, {});
    f.drive.put(paths::DarkColorFlag, {});
    f.run("Novy", [&] { f.panel().Novy(); });
    ControlSurface &e = f.eui();
    QVERIFY(f.editor().isShown());
    QCOMPARE(f.focus.last(), QStringLiteral("Jmeno"));
    QVERIFY(!e.isEnabled("Save"));
    QVERIFY(!f.drive.has(paths::AnimalFlag));
    QCOMPARE(e.text("PersonL"), u("Jméno:"));
    QCOMPARE(e.text("PersonL2"), u("Příjmení:"));
    QCOMPARE(f.editor().title(), u("Nový / Edit"));
    QCOMPARE(e.text("Save"), u("Uložit"));
    QCOMPARE(e.text("Telefon_popis"), u("Telefon:"));
    QVERIFY(!e.isVisible("Import"));
    QVERIFY(f.darkColour);
    QCOMPARE(f.editor().Languagem(), 0);
    for (const char *n : {"Jmeno", "Prijmeni", "JmenoFix", "Bydliste1", "Poznamka2", "Telefon", "Email"})
        QVERIFY2(e.text(QString::fromLatin1(n)).isEmpty(), n);
    QCOMPARE(e.text("Datum_naroz_den"), QStringLiteral("88"));
    QCOMPARE(e.text("Datum_naroz_mesic"), QStringLiteral("88"));
    QCOMPARE(e.text("Datum_naroz_rok"), QStringLiteral("8888"));
    QVERIFY(e.isEnabled("Jmeno") && e.isEnabled("Datum_naroz_rok"));
    QVERIFY(!f.editor().Editedit());
}

// Language loads the current client first; the editor's Novy then empties it
// again. A current client whose file is gone must not leave the editor with
// its identity fields locked.
void TestClientEditor::opensEmptyAfterAMissingCurrentClient()
{
    ClientsFixture f;
    f.ui.setText("PRSAdresaAkt", kFolder + QStringLiteral("Gone.txt"));
    f.run("Novy", [&] { f.panel().Novy(); });
    QVERIFY(f.errors.contains(QStringLiteral("Language")));
    QVERIFY(f.eui().isEnabled("Jmeno"));
    QVERIFY(!f.editor().Editedit());
    QCOMPARE(f.focus.last(), QStringLiteral("Jmeno"));
}

void TestClientEditor::languageFromItsOwnFile()
{
    ClientsFixture f;
    // The main window took Czech at start-up; the editor reads its file
    // at every opening.
    f.drive.put(paths::LangFile, QByteArray("\x01\x00\x00\x00", 4));
    f.run("Novy", [&] { f.panel().Novy(); });
    QCOMPARE(f.editor().title(), QStringLiteral("New / Edit"));
    QCOMPARE(f.eui().text("Save"), QStringLiteral("Save"));
    QCOMPARE(f.eui().text("PersonL"), QStringLiteral("Name:"));
    QCOMPARE(f.eui().text("Datum_mesic_popis"), QStringLiteral("Month:"));
    QVERIFY(!f.darkColour);
    f.drive.put(paths::LangFile, QByteArray("\x07\x00\x00\x00", 4));
    f.run("Novy", [&] { f.panel().Novy(); });
    QCOMPARE(f.eui().text("Save"), QStringLiteral("?????????"));
}

void TestClientEditor::zvireSwitchesCaptionsAndFlag()
{
    ClientsFixture f;
    f.run("Novy", [&] { f.panel().Novy(); });
    f.run("Zvire", [&] { f.editor().Zvire(); });
    QVERIFY(f.drive.has(paths::AnimalFlag));
    QCOMPARE(f.eui().text("PersonL"), u("Jméno nebo znak:"));
    QCOMPARE(f.eui().text("PersonL2"), u("Druh nebo rod zvířete:"));
    f.run("Zvire", [&] { f.editor().Zvire(); });
    QVERIFY(!f.drive.has(paths::AnimalFlag));
    QCOMPARE(f.eui().text("PersonL"), u("Jméno:"));
    QCOMPARE(f.eui().text("PersonL2"), u("Příjmení:"));
}

void TestClientEditor::konecWritesNothing()
{
    ClientsFixture f;
    enterJana(f);
    f.run("Konec", [&] { f.editor().Konec(); });
    QVERIFY(!f.editor().isShown());
    QVERIFY(!f.drive.has(kJana));
    QVERIFY(!f.drive.has(paths::ClientHandOff));
    QVERIFY(f.ui.text("PRSAdresaAkt").isEmpty());
    QCOMPARE(f.ui.text("Prijmeni"), QString());
    QCOMPARE(f.ui.text("Datum_naroz_rok"), QStringLiteral("8888"));
}

void TestClientEditor::newClientFlow()
{
    ClientsFixture f;
    enterJana(f);
    QVERIFY(f.eui().isEnabled("Save"));
    const qint64 start = f.clock.nowMs();
    f.run("Save", [&] { f.editor().Save(); });
    QVERIFY(f.errors.isEmpty());

    // 25 lines in the code page, CR LF.
    const QByteArray bytes = f.drive.get(kJana);
    const QStringList expected = clientLines({u("Nováková"), u("Jana"), QStringLiteral("05.03.1980"), {}, {}, {}, {},
                                              {}, shortDateText(QDate::currentDate()), {},
                                              u("Nováková Jana  05031980"), {}, u("Nováková Jana  1980"),
                                              QStringLiteral("FNovJ"), QStringLiteral("19800305ErrorSoubAdrdat")});
    QCOMPARE(bytes, text::encode(expected, text::Encoding::Ansi));
    QCOMPARE(bytes.count("\r\n"), 25);
    QVERIFY(bytes.contains("Nov\xe1kov\xe1")); // á in Windows-1250

    // Handed to the main window: the panel shows the client.
    QCOMPARE(fileLines(f, paths::ClientAddressFile), QStringList{kJana});
    QVERIFY(!f.drive.has(paths::ClientHandOff));
    QCOMPARE(f.ui.text("PRSAdresaAkt"), kJana);
    QCOMPARE(f.ui.text("Prijmeni"), u("Nováková"));
    QCOMPARE(f.ui.text("Jmeno"), u("Jana"));
    QCOMPARE(f.ui.text("Datum_naroz_den"), QStringLiteral("05"));
    QCOMPARE(f.ui.text("Datum_naroz_rok"), QStringLiteral("1980"));
    QCOMPARE(f.ui.text("PRSAdresaProt"), u("C:\\OrvaTherapy\\Protocol\\Nováková Jana  05031980 SUMA.txt"));
    QCOMPARE(f.ui.text("SouborProtokSumaSUM"), paths::ProtocolWorkCopy);
    QVERIFY(f.drive.has(paths::OrvaProtocol));

    // The editor closed itself with Save shown again.
    QVERIFY(!f.editor().isShown());
    QVERIFY(f.eui().isVisible("Save"));
    // Two short pauses, the final tick and the panel's one-second pause.
    QCOMPARE(f.clock.nowMs() - start, 20 + 20 + 100 + 1000);
}

void TestClientEditor::secondSaveWithTheSameKeyLeavesTheFile()
{
    ClientsFixture f;
    enterJana(f);
    f.run("Save", [&] { f.editor().Save(); });
    const QByteArray first = f.drive.get(kJana);
    QVERIFY(!first.isEmpty());

    enterJana(f);
    f.type(QStringLiteral("Bydliste1"), u("Jiná 7"));
    f.run("Save", [&] { f.editor().Save(); });
    QVERIFY(f.errors.isEmpty());
    QCOMPARE(f.drive.get(kJana), first);
    // It still becomes the current client.
    QCOMPARE(f.ui.text("PRSAdresaAkt"), kJana);
    QCOMPARE(f.ui.text("Bydliste1"), QString());
}

void TestClientEditor::blanksAndPlaceholdersAreSaved()
{
    ClientsFixture f;
    f.run("Novy", [&] { f.panel().Novy(); });
    f.type(QStringLiteral("Prijmeni"), QStringLiteral("   "));
    f.type(QStringLiteral("JmenoFix"), QStringLiteral("AB"));
    f.run("Save", [&] { f.editor().Save(); });
    const QString path = kFolder + QStringLiteral("X X A 88888888.txt");
    QVERIFY2(f.drive.has(path), qPrintable(path));
    const QStringList lines = fileLines(f, path);
    QCOMPARE(lines.value(0), QStringLiteral("X"));
    QCOMPARE(lines.value(1), QStringLiteral("X"));
    QCOMPARE(lines.value(2), QStringLiteral("88.88.8888"));
    QCOMPARE(lines.value(9), QStringLiteral("A"));
    // The cleaned names were shown in the editor before it closed.
    QCOMPARE(f.eui().text("Prijmeni"), QStringLiteral("X"));
    QCOMPARE(f.eui().text("JmenoFix"), QStringLiteral("A"));
}

void TestClientEditor::editKeepsTheIdentifiers()
{
    ClientsFixture f;
    const QString path = kFolder + QStringLiteral("Novak Jan  05031980.txt");
    f.putClient(path, clientLines({"Novak", "Jan", "05.03.1980", "Street 1", "City", "N1", "N2", "", "1.1.2001", "",
                                   "Novak Jan  05031980", "", "Own folder", "FNovJ", "Result", "+420123456789",
                                   "jan@example.org"}));
    f.run("Novy", [&] { f.panel().Novy(); });
    f.dialogs.chooseFile(path);
    f.run("Edit", [&] { f.editor().Edit(); });
    QVERIFY(f.errors.isEmpty());
    ControlSurface &e = f.eui();
    QVERIFY(f.editor().Editedit());
    QVERIFY(e.isVisible("Edit"));
    QVERIFY(e.isEnabled("Save"));
    for (const char *n : {"Jmeno", "Prijmeni", "JmenoFix", "Datum_naroz_den", "Datum_naroz_mesic", "Datum_naroz_rok"})
        QVERIFY2(!e.isEnabled(QString::fromLatin1(n)), n);
    QCOMPARE(e.text("Prijmeni"), QStringLiteral("Novak"));
    QCOMPARE(e.text("Datum_naroz_mesic"), QStringLiteral("03"));
    QCOMPARE(e.text("Telefon"), QStringLiteral("+420123456789"));
    QCOMPARE(f.dialogs.shown().back().text, kFolder); // opened in the client folder

    f.type(QStringLiteral("Bydliste1"), u("Dlouhá 5"));
    f.run("Save", [&] { f.editor().Save(); });
    QVERIFY(f.errors.isEmpty());
    const QStringList lines = fileLines(f, path);
    QCOMPARE(lines.size(), 25);
    QCOMPARE(lines.value(3), u("Dlouhá 5"));
    QCOMPARE(lines.value(8), shortDateText(QDate::currentDate()));
    QCOMPARE(lines.value(10), QStringLiteral("Novak Jan  05031980"));
    QCOMPARE(lines.value(12), QStringLiteral("Own folder"));
    QCOMPARE(lines.value(13), QStringLiteral("FNovJ"));
    QCOMPARE(lines.value(14), QStringLiteral("Result"));
    QCOMPARE(lines.value(16), QStringLiteral("jan@example.org"));
    QCOMPARE(f.ui.text("Bydliste1"), u("Dlouhá 5"));
    QCOMPARE(f.ui.text("PRSAdresaProt"), QStringLiteral("C:\\OrvaTherapy\\Protocol\\Novak Jan  05031980 SUMA.txt"));
}

void TestClientEditor::editCancelledChangesNothing()
{
    ClientsFixture f;
    f.run("Novy", [&] { f.panel().Novy(); });
    f.type(QStringLiteral("Jmeno"), QStringLiteral("Jan"));
    f.dialogs.chooseFile(std::nullopt);
    f.run("Edit", [&] { f.editor().Edit(); });
    QCOMPARE(f.eui().text("Jmeno"), QStringLiteral("Jan"));
    QVERIFY(!f.editor().Editedit());
    QVERIFY(f.eui().isVisible("Edit"));
    // A file that cannot be read ends the load, and Edit is back all the same.
    f.dialogs.chooseFile(kFolder + QStringLiteral("Gone.txt"));
    f.run("Edit", [&] { f.editor().Edit(); });
    QCOMPARE(f.errors, QStringList{QStringLiteral("Edit")});
    QVERIFY(f.eui().isVisible("Edit"));
}

void TestClientEditor::animalClient()
{
    ClientsFixture f;
    f.run("Novy", [&] { f.panel().Novy(); });
    f.run("Zvire", [&] { f.editor().Zvire(); });
    f.type(QStringLiteral("Prijmeni"), QStringLiteral("Dog"));
    f.type(QStringLiteral("Jmeno"), QStringLiteral("Rex"));
    f.run("Save", [&] { f.editor().Save(); });
    const QString path = kFolder + QStringLiteral("Dog Rex  88888888.txt");
    QCOMPARE(fileLines(f, path).value(7), QStringLiteral("A"));
    // The mode survives closing; opening the editor again resets it.
    QVERIFY(f.drive.has(paths::AnimalFlag));
    f.run("Novy", [&] { f.panel().Novy(); });
    QVERIFY(!f.drive.has(paths::AnimalFlag));

    // Loading an animal for editing switches to animal mode; its next save
    // follows the switch.
    f.dialogs.chooseFile(path);
    f.run("Edit", [&] { f.editor().Edit(); });
    QVERIFY(f.drive.has(paths::AnimalFlag));
    QCOMPARE(f.eui().text("PersonL2"), u("Druh nebo rod zvířete:"));
    f.run("Zvire", [&] { f.editor().Zvire(); });
    f.run("Save", [&] { f.editor().Save(); });
    QCOMPARE(fileLines(f, path).value(7), QString());
}

void TestClientEditor::slowPcPause()
{
    ClientsFixture f;
    f.drive.put(paths::SlowPcFlag, {});
    enterJana(f);
    const qint64 start = f.clock.nowMs();
    f.run("Save", [&] { f.editor().Save(); });
    QCOMPARE(f.clock.nowMs() - start, 200 + 200 + 100 + 1000);
}

void TestClientEditor::failedSaveLeavesTheOldFile_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("hand-off cannot be written") << "handoff";
    QTest::newRow("client file write fails half-way") << "halfway";
}

// An edited client is written beside its old file and renamed over it: a
// save that fails on the way leaves the old file as it was and the current
// client unchanged.
void TestClientEditor::failedSaveLeavesTheOldFile()
{
    QFETCH(QString, fault);
    ClientsFixture f;
    const QString path = kFolder + QStringLiteral("Novak Jan  05031980.txt");
    f.putClient(path, clientLines({"Novak", "Jan", "05.03.1980", "Street 1", "City", "", "", "", "1.1.2001", "",
                                   "Novak Jan  05031980", "", "Novak Jan  1980", "FNovJ", "R"}));
    const QByteArray old = f.drive.get(path);
    f.run("Novy", [&] { f.panel().Novy(); });
    f.dialogs.chooseFile(path);
    f.run("Edit", [&] { f.editor().Edit(); });
    f.type(QStringLiteral("Poznamka1"), QString(400, QLatin1Char('n')));

    if (fault == QLatin1String("handoff")) {
        // A folder where the hand-off file should go.
        QVERIFY(QDir().mkpath(f.drive.native(paths::ClientHandOff)));
        f.run("Save", [&] { f.editor().Save(); });
        QVERIFY(f.ui.text("PRSAdresaAkt").isEmpty());
    } else {
#ifdef ZOVT_ATOMIC_WRITES
        // The disk fills up after the hand-off files: the client file's
        // bytes stop part-way.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 200;
        setrlimit(RLIMIT_FSIZE, &small);
        f.run("Save", [&] { f.editor().Save(); });
        setrlimit(RLIMIT_FSIZE, &saved);
        QCOMPARE(f.ui.text("PRSAdresaAkt"), path);
#else
        QSKIP("whole-file writes replace the old file only once the storage layer writes beside and renames");
#endif
    }
    // The failed write is reported in the window, not passed on as an error.
    QCOMPARE(f.errors, QStringList());
    QCOMPARE(f.dialogs.shown().back().kind, ScriptedDialogs::Shown::Error);
    QVERIFY2(f.dialogs.shown().back().text.startsWith(QStringLiteral("Cannot ")), qPrintable(f.dialogs.shown().back().text));
    QCOMPARE(f.drive.get(path), old);
    // The panel was not reloaded, the editor stays open with Save to try again.
    QCOMPARE(f.ui.text("Prijmeni"), QString());
    QVERIFY(f.editor().isShown());
    QVERIFY(f.eui().isVisible("Save"));
}

// A short client file of a companion (no line 11) is edited in place, and
// two such clients keep apart.
void TestClientEditor::fileWithoutKeyIsRewrittenUnderItsName()
{
    ClientsFixture f;
    const QString petr = kFolder + u("Novák Petr  12071975.txt");
    const QString eva = kFolder + u("Malá Eva  01022000.txt");
    f.putClient(petr, {u("Novák"), "Petr", "12.07.1975"});
    f.putClient(eva, {u("Malá"), "Eva", "01.02.2000"});
    for (const QString &path : {petr, eva}) {
        f.run("Novy", [&] { f.panel().Novy(); });
        f.dialogs.chooseFile(path);
        f.run("Edit", [&] { f.editor().Edit(); });
        f.type(QStringLiteral("Bydliste1"), QStringLiteral("Street ") + path.right(12));
        f.run("Save", [&] { f.editor().Save(); });
        QVERIFY(f.errors.isEmpty());
        const QStringList lines = fileLines(f, path);
        QCOMPARE(lines.size(), 25);
        QCOMPARE(lines.value(3), QStringLiteral("Street ") + path.right(12));
        QCOMPARE(lines.value(10), path.mid(kFolder.size()).chopped(4));
        QCOMPARE(f.ui.text("PRSAdresaAkt"), path);
        QCOMPARE(f.ui.text("PRSAdresaProt"),
                 QStringLiteral("C:\\OrvaTherapy\\Protocol\\") + path.mid(kFolder.size()).chopped(4) + " SUMA.txt");
    }
    QVERIFY(!f.drive.has(kFolder + QStringLiteral(".txt")));
    QCOMPARE(QDir(f.drive.native(kFolder)).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

// Line 11 and line 13 of a hostile file name files, never paths: loaded and
// saved, the client stays in the client folder and its protocol under the
// export root.
void TestClientEditor::keysFromAFileStayInTheirFolders()
{
    ClientsFixture f;
    f.drive.put(paths::ExportRootFile, "C:\\Export\r\n");
    const QString path = kFolder + QStringLiteral("Hostile.txt");
    f.putClient(path, clientLines({"Novak", "Jan", "05.03.1980", "", "", "", "", "", "", "", "..\\..\\Zov_Tool\\pwned",
                                   "", "..\\..\\..\\..\\..\\..\\evil13", "F", "R"}));
    f.run("Novy", [&] { f.panel().Novy(); });
    f.dialogs.chooseFile(path);
    f.run("Edit", [&] { f.editor().Edit(); });
    f.run("Save", [&] { f.editor().Save(); });
    QVERIFY(f.errors.isEmpty());

    const QString written = kFolder + QStringLiteral(".._.._Zov_Tool_pwned.txt");
    QCOMPARE(fileLines(f, written).value(10), QStringLiteral(".._.._Zov_Tool_pwned"));
    QCOMPARE(fileLines(f, written).value(12), QStringLiteral(".._.._.._.._.._.._evil13"));
    QCOMPARE(f.ui.text("PRSAdresaAkt"), written);
    QCOMPARE(f.ui.text("PRSAdresaProt"),
             QStringLiteral("C:\\Export\\.._.._.._.._.._.._evil13\\.._.._Zov_Tool_pwned SUMA.txt"));
    QVERIFY(f.drive.has(QStringLiteral("C:\\Export\\.._.._.._.._.._.._evil13")));
    QVERIFY(!f.drive.has(QStringLiteral("C:\\evil13")));
    QVERIFY(!f.drive.has(QStringLiteral("C:\\Zov_Tool")));
    QVERIFY(!QFileInfo::exists(f.drive.prefix() + QStringLiteral("/evil13")));
}

// A key longer than a file name may be: the window says the client file
// could not be written, the editor keeps what was typed, and nothing is left
// naming the file that was never written.
void TestClientEditor::nameTooLongIsHandedOverNowhere()
{
    ClientsFixture f;
    f.run("Novy", [&] { f.panel().Novy(); });
    f.type(QStringLiteral("Jmeno"), u("Jan"));
    f.type(QStringLiteral("Prijmeni"), QString(300, QLatin1Char('a')));
    f.run("Save", [&] { f.editor().Save(); });

    QCOMPARE(f.errors, QStringList());
    const ScriptedDialogs::Shown &report = f.dialogs.shown().back();
    QCOMPARE(report.kind, ScriptedDialogs::Shown::Error);
    QVERIFY2(report.text.startsWith(QStringLiteral("Cannot ")), qPrintable(report.text));
    QVERIFY2(report.text.contains(kFolder + QString(40, QLatin1Char('a'))), qPrintable(report.text));
    QCOMPARE(f.eui().text("Prijmeni"), QString(300, QLatin1Char('a')));
    QCOMPARE(f.eui().text("Jmeno"), u("Jan"));
    QVERIFY(!f.drive.has(paths::ClientHandOff));
    QVERIFY(!f.drive.has(paths::ClientAddressFile));
    QVERIFY(f.ui.text("PRSAdresaAkt").isEmpty());
    QVERIFY(f.editor().isShown());
    QVERIFY(f.eui().isVisible("Save"));
    QCOMPARE(QDir(f.drive.native(kFolder)).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void TestClientEditor::companionsChangeIsNotOverwrittenUnasked_data()
{
    QTest::addColumn<QString>("loaded");    // the file the editor loads; its key names kNovak
    QTest::addColumn<QString>("companion"); // what the companion writes to kNovak as line 4; "-" deletes it
    QTest::addColumn<bool>("sameStamp");    // the companion puts size and time of change back
    QTest::addColumn<bool>("yes");          // the operator's answer, if asked
    QTest::addColumn<bool>("asks");

    const QString novak = QStringLiteral("Novak Jan  05031980.txt");
    const QString copy = QStringLiteral("Kopie.txt");
    QTest::newRow("unchanged") << novak << QString() << false << false << false;
    QTest::newRow("rewritten, Yes") << novak << u("Companion street") << false << true << true;
    QTest::newRow("rewritten, No") << novak << u("Companion street") << false << false << true;
    QTest::newRow("same size and time, Yes") << novak << u("Street 2") << true << true << true;
    QTest::newRow("same size and time, No") << novak << u("Street 2") << true << false << true;
    QTest::newRow("deleted") << novak << u("-") << false << false << false;
    QTest::newRow("another file, target absent") << copy << QString() << false << false << false;
    QTest::newRow("another file, target appeared, Yes") << copy << u("Companion street") << false << true << true;
    QTest::newRow("another file, target appeared, No") << copy << u("Companion street") << false << false << true;
}

// A companion program writes the client file while the editor has it open.
// Save never replaces what the operator has not seen without asking; No
// shows the file as it is now and writes nothing.
void TestClientEditor::companionsChangeIsNotOverwrittenUnasked()
{
    QFETCH(QString, loaded);
    QFETCH(QString, companion);
    QFETCH(bool, sameStamp);
    QFETCH(bool, yes);
    QFETCH(bool, asks);
    ClientsFixture f;
    const QString target = kFolder + QStringLiteral("Novak Jan  05031980.txt");
    const auto client = [](const QString &street) {
        return clientLines({"Novak", "Jan", "05.03.1980", street, "City", "", "", "", "1.1.2001", "",
                            "Novak Jan  05031980", "", "Novak Jan  1980", "FNovJ", "R"});
    };
    f.putClient(kFolder + loaded, client(QStringLiteral("Street 1")));
    f.run("Novy", [&] { f.panel().Novy(); });
    f.dialogs.chooseFile(kFolder + loaded);
    f.run("Edit", [&] { f.editor().Edit(); });
    f.type(QStringLiteral("Bydliste1"), u("Operator street"));

    const QByteArray native = QFile::encodeName(f.drive.native(target));
    struct stat before {};
    const bool existed = ::stat(native.constData(), &before) == 0;
    if (companion == QLatin1String("-")) {
        QVERIFY(QFile::remove(f.drive.native(target)));
    } else if (!companion.isEmpty()) {
        f.putClient(target, client(companion));
        if (sameStamp) {
            QVERIFY(existed);
            const timespec times[2]{before.st_atim, before.st_mtim};
            QCOMPARE(::utimensat(AT_FDCWD, native.constData(), times, 0), 0);
            struct stat after {};
            QCOMPARE(::stat(native.constData(), &after), 0);
            QCOMPARE(after.st_size, before.st_size);
            QCOMPARE(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
            QCOMPARE(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
        }
    }
    const QByteArray onDisk = f.drive.has(target) ? f.drive.get(target) : QByteArray();
    if (asks)
        yes ? f.dialogs.answerYes() : f.dialogs.answerNo();
    f.run("Save", [&] { f.editor().Save(); });
    QVERIFY(f.errors.isEmpty());

    const auto questions = [&f] { return questionsAsked(f.dialogs); };
    QCOMPARE(questions().size(), asks ? 1 : 0);
    if (asks) // it names the file at stake
        QVERIFY2(questions().first().endsWith(target), qPrintable(questions().first()));

    if (!asks || yes) {
        QCOMPARE(fileLines(f, target).value(3), u("Operator street"));
        QVERIFY(!f.editor().isShown());
        QCOMPARE(f.ui.text("PRSAdresaAkt"), target);
        return;
    }
    // No: nothing written, nothing handed over, the editor shows the disk.
    QCOMPARE(f.drive.get(target), onDisk);
    QVERIFY(f.editor().isShown());
    QVERIFY(f.eui().isVisible("Save"));
    QCOMPARE(f.eui().text("Bydliste1"), companion);
    QVERIFY(!f.drive.has(paths::ClientHandOff) && !f.drive.has(paths::ClientAddressFile));
    QVERIFY(f.ui.text("PRSAdresaAkt").isEmpty());
    // What was reloaded is what the editor knows now: the next save asks no more.
    f.type(QStringLiteral("Bydliste1"), u("Operator street"));
    f.run("Save", [&] { f.editor().Save(); });
    QVERIFY(f.errors.isEmpty());
    QCOMPARE(questions().size(), 1);
    QCOMPARE(fileLines(f, target).value(3), u("Operator street"));
    QVERIFY(!f.editor().isShown());
}

void TestClientEditor::codePageChangesAreNamedBeforeSaving_data()
{
    QTest::addColumn<QByteArray>("locale"); // LC_CTYPE, which the code page follows
    QTest::addColumn<bool>("bezDiakrit");
    QTest::addColumn<QStringList>("typed");    // first name, surname, first note
    QTest::addColumn<QString>("question");     // empty: nothing is asked
    QTest::addColumn<bool>("goBackFirst");     // the first answer is to go back to editing
    QTest::addColumn<QStringList>("saved");    // lines 1, 2 and 6 of the client file

    const Catalogue &cat = Catalogue::clientEditor();
    const auto question = [&cat](const QString &characters, const QString &page, const QString &hint) {
        return cat.FATisk(3102, Czech).arg(characters, page, hint);
    };
    const auto keptUnder = [&cat](const char *locale, const char *page) {
        return cat.FATisk(3103, Czech).arg(u(locale), u(page));
    };
    const QStringList jirina{u("Jiřina"), u("Dvořáková"), u("Pěšina 5")};
    const QStringList jurgen{u("Jürgen"), u("Müller"), QString()};

    QTest::newRow("Czech letters under 1252: back, then on")
        << QByteArray("C.UTF-8") << false << jirina
        << question(u("ř, ě"), u("Windows-1252"), keptUnder("cs_CZ.UTF-8", "Windows-1250")) << true
        << QStringList{u("Dvoráková"), u("Jirina"), u("Pešina 5")};
    QTest::newRow("Czech letters under 1250") << QByteArray("cs_CZ.UTF-8") << false << jirina << QString() << false
                                              << QStringList{u("Dvořáková"), u("Jiřina"), u("Pěšina 5")};
    QTest::newRow("umlauts under 1251")
        << QByteArray("ru_RU.UTF-8") << false << jurgen
        << question(u("ü"), u("Windows-1251"), keptUnder("cs_CZ.UTF-8", "Windows-1250")) << false
        << QStringList{u("Muller"), u("Jurgen"), QString()};
    // Without diacritics, umlauts become vowel pairs by design.
    QTest::newRow("umlauts under 1251, without diacritics") << QByteArray("ru_RU.UTF-8") << true << jurgen
                                                            << QString() << false
                                                            << QStringList{u("Mueller"), u("Juergen"), QString()};
    // 1250 would keep the ř but lose the ñ that 1252 keeps.
    QTest::newRow("no code page keeps everything typed")
        << QByteArray("C.UTF-8") << false << QStringList{u("Jiří"), u("Muñoz"), QString()}
        << question(u("ř"), u("Windows-1252"), cat.FATisk(3104, Czech)) << false
        << QStringList{u("Muñoz"), u("Jirí"), QString()};
    QTest::newRow("an invisible character no code page holds")
        << QByteArray("cs_CZ.UTF-8") << false << QStringList{u("Jana"), u("Nováková"), u("a\u200Bb")}
        << question(u("U+200B"), u("Windows-1250"), cat.FATisk(3104, Czech)) << false
        << QStringList{u("Nováková"), u("Jana"), u("a?b")};
}

// Characters the client file's code page cannot hold are named once per
// save, whichever fields hold them; going back writes nothing, going on
// writes what the code page makes of them.
void TestClientEditor::codePageChangesAreNamedBeforeSaving()
{
    QFETCH(QByteArray, locale);
    QFETCH(bool, bezDiakrit);
    QFETCH(QStringList, typed);
    QFETCH(QString, question);
    QFETCH(bool, goBackFirst);
    QFETCH(QStringList, saved);
    ClientsFixture f;
    UnixLocale codePage(locale, QByteArray());
    if (bezDiakrit)
        f.drive.put(paths::NoDiacriticsFlag, {});
    f.run("Novy", [&] { f.panel().Novy(); });
    f.type(QStringLiteral("Jmeno"), typed.at(0));
    f.type(QStringLiteral("Prijmeni"), typed.at(1));
    f.type(QStringLiteral("Poznamka1"), typed.at(2));
    const auto questions = [&f] { return questionsAsked(f.dialogs); };

    if (goBackFirst) {
        f.dialogs.answerNo();
        f.focus.clear();
        f.run("Save", [&] { f.editor().Save(); });
        QVERIFY(f.errors.isEmpty());
        QCOMPARE(questions(), QStringList{question});
        QVERIFY(f.editor().isShown());
        QVERIFY(f.eui().isVisible("Save"));
        QCOMPARE(f.eui().text("Jmeno"), typed.at(0));
        QCOMPARE(f.focus, QStringList{QStringLiteral("Jmeno")});
        QVERIFY(f.ui.text("PRSAdresaAkt").isEmpty());
        QVERIFY(!f.drive.has(paths::ClientHandOff) && !f.drive.has(paths::ClientAddressFile));
        QCOMPARE(QDir(f.drive.native(kFolder)).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
    if (!question.isEmpty())
        f.dialogs.answerYes();
    f.run("Save", [&] { f.editor().Save(); });
    QVERIFY(f.errors.isEmpty());
    // Asked at every attempt, once.
    QCOMPARE(questions(), QStringList(goBackFirst ? 2 : question.isEmpty() ? 0 : 1, question));
    QVERIFY(!f.editor().isShown());
    const QStringList lines = fileLines(f, f.ui.text("PRSAdresaAkt"));
    QCOMPARE((QStringList{lines.value(0), lines.value(1), lines.value(5)}), saved);
}

QTEST_GUILESS_MAIN(TestClientEditor)
#include "tst_clienteditor.moc"
