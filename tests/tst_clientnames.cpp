// Client names without files: transliteration, normalisation, the identifiers
// of a new client, the client line and the derived paths.

#include "clients/ClientLine.h"
#include "clients/ClientNames.h"
#include "clients/ClientPaths.h"
#include "clients/Transliteration.h"

#include "support/TempDrive.h"

#include <QtTest>

#include <optional>

using namespace zovt;

namespace {

QString u(const char *utf8) { return QString::fromUtf8(utf8); }

QStringList fieldsOf(const ClientRecord &c)
{
    return {c.Prijmeni, c.Jmeno, c.JmenoFix, c.Datum_naroz_den, c.Datum_naroz_mesic, c.Datum_naroz_rok,
            c.Bydliste1, c.Bydliste2, c.Poznamka1, c.Poznamka2, c.Telefon, c.Email};
}

} // namespace

class TestClientNames : public QObject {
    Q_OBJECT
    // What a name keeps depends on the code page: a Czech one here, whatever
    // the machine's locale.
    std::optional<test::UnixLocale> m_czech;

private slots:
    void initTestCase() { m_czech.emplace("cs_CZ.UTF-8", "cs_CZ.UTF-8"); }
    void cleanupTestCase() { m_czech.reset(); }
    void prepis_data();
    void prepis();
    void fold_data();
    void fold();

    void normalisedName_data();
    void normalisedName();
    void normalisedJmenoFix_data();
    void normalisedJmenoFix();
    void newClientIdentifiers_data();
    void newClientIdentifiers();
    void keyWithoutDiacritics_data();
    void keyWithoutDiacritics();

    void clientLine_data();
    void clientLine();

    void derivedPaths_data();
    void derivedPaths();
};

void TestClientNames::prepis_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("bezDiakrit");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty") << QString() << false << QString();
    QTest::newRow("empty, option") << QString() << true << QString();
    QTest::newRow("shcha") << u("Щука") << false << u("Ščuka");
    QTest::newRow("hard sign dropped, e is je") << u("объект") << false << u("objekt");
    QTest::newRow("diaeresis kept without option") << u("Jörg") << false << u("Jörg");
    QTest::newRow("diaeresis as pair with option") << u("Jörg") << true << u("Joerg");
    QTest::newRow("Nordic capitals become two capitals") << u("Ærø") << false << u("AEroe");
    QTest::newRow("capital thorn becomes small b") << u("Þór") << false << u("bór");
    QTest::newRow("Czech letters pass") << u("Dvořák") << false << u("Dvořák");
    QTest::newRow("Czech letters pass with option") << u("Příliš žluťoučký kůň") << true << u("Příliš žluťoučký kůň");
    QTest::newRow("Cyrillic capitals")
        << u("АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯЁ") << false << u("ABVGDJeŽZIJKLMNOPRSTUFChCČŠŠčYEJuJaJo");
    QTest::newRow("Cyrillic small")
        << u("абвгдежзийклмнопрстуфхцчшщъыьэюяё") << false << u("abvgdježzijklmnoprstufchcčšščyejujajo");
    QTest::newRow("other Cyrillic passes") << u("ЇєЎ") << false << u("ЇєЎ");
    QTest::newRow("Latin table") << u("ÀàÅåÆæÈèÏïÐðØøÞþĹĺĽľ") << false << u("AaAAaaAEaeEeIeieDdOEoebbLlLl");
    QTest::newRow("Latin table unchanged by option") << u("ÀÅÏØ") << true << u("AAAIeOE");
    QTest::newRow("diaeresis table") << u("ÄäËëÖöÜü") << true << u("AeaeEeeeOeoeUeue");
    QTest::newRow("ASCII and other letters pass") << u("O'Neil-ßñ 1") << true << u("O'Neil-ßñ 1");
    QTest::newRow("non-BMP passes") << u("a😀b") << true << u("a😀b");
}

void TestClientNames::prepis()
{
    QFETCH(QString, text);
    QFETCH(bool, bezDiakrit);
    QFETCH(QString, expected);
    QCOMPARE(bezdiakrPrepis(text, bezDiakrit), expected);
}

void TestClientNames::fold_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("transliterated shcha") << u("Ščuka") << u("Scuka");
    QTest::newRow("Czech") << u("Dvořák") << u("Dvorak");
    QTest::newRow("all Czech marks") << u("ÁČĎÉĚÍŇÓŘŠŤÚŮÝŽáčďéěíňóřšťúůýž") << u("ACDEEINORSTUUYZacdeeinorstuuyz");
    QTest::newRow("other Latin marks") << u("äàâçñõÿ") << u("aaacnoy");
    QTest::newRow("ASCII passes, controls included") << u("a\tb~\x7f") << u("a\tb~\x7f");
    QTest::newRow("CJK") << u("中") << u("?");
    QTest::newRow("Cyrillic") << u("Жук") << u("???");
    QTest::newRow("letters without decomposition") << u("ßŁø") << u("???");
    QTest::newRow("lone combining mark") << QString(QChar(0x0301)) << u("?");
    QTest::newRow("non-BMP counts once") << u("a😀b") << u("a?b");
    QTest::newRow("lone surrogate") << (u("a") + QChar(0xD800) + u("b")) << u("a?b");
}

void TestClientNames::fold()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(bezdiakr(text), expected);
}

void TestClientNames::normalisedName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << QString() << u("X");
    QTest::newRow("single blank") << u(" ") << u("X");
    QTest::newRow("blanks only") << u("    ") << u("X");
    QTest::newRow("trailing blanks") << u("Novák  ") << u("Novák");
    QTest::newRow("leading blanks stay") << u("  Jan ") << u("  Jan");
    QTest::newRow("trailing tab is no blank") << u("Jan\t") << u("Jan\t");
    QTest::newRow("plain") << u("Jana") << u("Jana");
}

void TestClientNames::normalisedName()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QCOMPARE(zovt::normalisedName(name), expected);
}

void TestClientNames::normalisedJmenoFix_data()
{
    QTest::addColumn<QString>("fix");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("one letter") << u("č") << u("č");
    QTest::newRow("two letters keep the first") << u("AB") << u("A");
    QTest::newRow("single blank") << u(" ") << QString();
    QTest::newRow("blank first") << u(" B") << QString();
    QTest::newRow("surrogate pair is one character") << u("😀x") << u("😀");
}

void TestClientNames::normalisedJmenoFix()
{
    QFETCH(QString, fix);
    QFETCH(QString, expected);
    QCOMPARE(zovt::normalisedJmenoFix(fix), expected);
}

void TestClientNames::newClientIdentifiers_data()
{
    QTest::addColumn<QString>("surname");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("fix");
    QTest::addColumn<QString>("year"); // day and month are "05" and "03" unless the year is "8888"
    QTest::addColumn<bool>("bezDiakrit");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("exportName");
    QTest::addColumn<QString>("resultData");

    QTest::newRow("diacritics kept")
        << u("Nováková") << u("Jana") << QString() << u("1980") << false << u("Nováková Jana  05031980")
        << u("Nováková Jana  1980") << u("FNovJ") << u("19800305ErrorSoubAdrdat");
    QTest::newRow("without diacritics")
        << u("Nováková") << u("Jana") << QString() << u("1980") << true << u("Novakova Jana  05031980")
        << u("Novakova Jana  1980") << u("FNovJ") << u("19800305ErrorSoubAdrdat");
    QTest::newRow("empty names and placeholders")
        << QString() << u("   ") << u(" ") << u("8888") << false << u("X X  88888888") << u("X X  8888") << u("FXX")
        << u("88888888ErrorSoubAdrdat");
    QTest::newRow("distinguishing character")
        << u("Novak") << u("Jan") << u("AB") << u("1980") << false << u("Novak Jan A 05031980") << u("Novak Jan A 1980")
        << u("FNovJA") << u("19800305ErrorSoubAdrdat");
    QTest::newRow("character folded with option")
        << u("Novak") << u("Jan") << u("č") << u("1980") << true << u("Novak Jan c 05031980") << u("Novak Jan c 1980")
        << u("FNovJc") << u("19800305ErrorSoubAdrdat");
    QTest::newRow("character kept without option")
        << u("Novak") << u("Jan") << u("č") << u("1980") << false << u("Novak Jan č 05031980") << u("Novak Jan č 1980")
        << u("FNovJč") << u("19800305ErrorSoubAdrdat");
    QTest::newRow("German vowel without option")
        << u("Müller") << u("Hans") << QString() << u("1980") << false << u("Müller Hans  05031980")
        << u("Müller Hans  1980") << u("FMulH") << u("19800305ErrorSoubAdrdat");
    QTest::newRow("German vowel with option")
        << u("Müller") << u("Hans") << QString() << u("1980") << true << u("Mueller Hans  05031980")
        << u("Mueller Hans  1980") << u("FMuelH") << u("19800305ErrorSoubAdrdat");
    QTest::newRow("Cyrillic without option")
        << u("Жуков") << u("Иван") << QString() << u("1980") << false << u("Žukov Ivan  05031980")
        << u("Žukov Ivan  1980") << u("FZukI") << u("19800305ErrorSoubAdrdat");
    QTest::newRow("Cyrillic with option")
        << u("Жуков") << u("Иван") << QString() << u("1980") << true << u("Zukov Ivan  05031980")
        << u("Zukov Ivan  1980") << u("FZukI") << u("19800305ErrorSoubAdrdat");
    QTest::newRow("short surname")
        << u("Li") << u("Wu") << QString() << u("2001") << false << u("Li Wu  05032001") << u("Li Wu  2001")
        << u("FLiW") << u("20010305ErrorSoubAdrdat");
    // Mended: the key and the folder name are file names; the export name is not.
    QTest::newRow("file-name characters")
        << u("A/B\\C") << u("D:E*F") << u("?") << u("1980") << false << u("A_B_C D_E_F _ 05031980")
        << u("A_B_C D_E_F _ 1980") << u("FA/BD?") << u("19800305ErrorSoubAdrdat");
    QTest::newRow("quotes, brackets, bar")
        << u("\"<a>|") << u("b") << QString() << u("1980") << false << u("__a__ b  05031980") << u("__a__ b  1980")
        << u("F\"<ab") << u("19800305ErrorSoubAdrdat");
    QTest::newRow("control character")
        << u("Novak") << u("Jan\t") << QString() << u("1980") << false << u("Novak Jan_  05031980")
        << u("Novak Jan_  1980") << u("FNovJ") << u("19800305ErrorSoubAdrdat");
    QTest::newRow("beyond the code page without option: the letter without its mark")
        << u("Muñoz") << u("José") << QString() << u("1980") << false << u("Munoz José  05031980")
        << u("Munoz José  1980") << u("FMunJ") << u("19800305ErrorSoubAdrdat");
    QTest::newRow("beyond the code page with option")
        << u("Muñoz") << u("中") << QString() << u("1980") << true << u("Munoz _  05031980") << u("Munoz _  1980")
        << u("FMun?") << u("19800305ErrorSoubAdrdat");
}

void TestClientNames::newClientIdentifiers()
{
    QFETCH(QString, surname);
    QFETCH(QString, name);
    QFETCH(QString, fix);
    QFETCH(QString, year);
    QFETCH(bool, bezDiakrit);
    QFETCH(QString, key);
    QFETCH(QString, folder);
    QFETCH(QString, exportName);
    QFETCH(QString, resultData);

    ClientRecord r;
    r.Prijmeni = surname;
    r.Jmeno = name;
    r.JmenoFix = fix;
    const bool placeholders = year == YearPlaceholder;
    r.Datum_naroz_den = placeholders ? DatePlaceholder : u("05");
    r.Datum_naroz_mesic = placeholders ? DatePlaceholder : u("03");
    r.Datum_naroz_rok = year;
    normaliseNames(r);
    formNewClientIdentifiers(r, bezDiakrit);
    QCOMPARE(r.AdresaAkt, key);
    QCOMPARE(r.PodadrJm, folder);
    QCOMPARE(r.ExportFr, exportName);
    QCOMPARE(r.SoubAdrdat, resultData);
    // The names themselves stay as typed (only normalised).
    QCOMPARE(r.Prijmeni, zovt::normalisedName(surname));
}

void TestClientNames::keyWithoutDiacritics_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    QTest::newRow("Czech") << u("Nováková Jana  05031980") << u("Novakova Jana  05031980");
    QTest::newRow("plain stays") << u("Novak Jan  05031980") << u("Novak Jan  05031980");
    QTest::newRow("unfoldable letter is a file-name character") << u("Straße Jan  05031980") << u("Stra_e Jan  05031980");
}

void TestClientNames::keyWithoutDiacritics()
{
    QFETCH(QString, key);
    QFETCH(QString, expected);
    QCOMPARE(zovt::keyWithoutDiacritics(key), expected);
}

void TestClientNames::clientLine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("fields");

    QTest::newRow("complete")
        << u("=Novak;Jan;;05.03.1980;A1;A2;N1;N2;T;E;")
        << QStringList{u("Novak"), u("Jan"), u(""), u("05"), u("03"), u("1980"), u("A1"), u("A2"), u("N1"), u("N2"),
                       u("T"), u("E")};
    QTest::newRow("inside a header")
        << u("[Program 1 =Novak;Jan;;05.03.1980;Street 1;City;;;;;]")
        << QStringList{u("Novak"), u("Jan"), u(""), u("05"), u("03"), u("1980"), u("Street 1"), u("City"), u(""), u(""),
                       u(""), u("")};
    QTest::newRow("only the first = counts")
        << u("a=b=c;d;e;1.2.3;;;;;;x=y;z")
        << QStringList{u("b=c"), u("d"), u("e"), u("1"), u("2"), u("3"), u(""), u(""), u(""), u(""), u(""), u("x=y")};
    QTest::newRow("surname only repeats everywhere")
        << u("=Novak")
        << QStringList{u("Novak"), u("Novak"), u("Novak"), u("Novak"), u("Novak"), u("Novak"), u("Novak"), u("Novak"),
                       u("Novak"), u("Novak"), u("Novak"), u("Novak")};
    QTest::newRow("tail repeats after the last separator")
        << u("=Novak;Jan")
        << QStringList{u("Novak"), u("Jan"), u("Jan"), u("Jan"), u("Jan"), u("Jan"), u("Jan"), u("Jan"), u("Jan"),
                       u("Jan"), u("Jan"), u("Jan")};
    QTest::newRow("e-mail without final separator takes the rest")
        << u("=A;B;C;01.02.2003;a1;a2;n1;n2;t;mail@x.cz]")
        << QStringList{u("A"), u("B"), u("C"), u("01"), u("02"), u("2003"), u("a1"), u("a2"), u("n1"), u("n2"), u("t"),
                       u("mail@x.cz]")};
    QTest::newRow("text after the e-mail ignored")
        << u("=A;B;;1.2.3;;;;;;e;rest;more]")
        << QStringList{u("A"), u("B"), u(""), u("1"), u("2"), u("3"), u(""), u(""), u(""), u(""), u(""), u("e")};
    QTest::newRow("date without full stops")
        << u("=A;B;;1980;x;")
        << QStringList{u("A"), u("B"), u(""), u("1980;x;"), u("1980;x;"), u("1980"), u("x"), u(""), u(""), u(""), u(""),
                       u("")};
    QTest::newRow("full stops looked for past the date")
        << u("=A;B;;05;x.y;")
        << QStringList{u("A"), u("B"), u(""), u("05;x"), u("y;"), u("y"), u("x.y"), u(""), u(""), u(""), u(""), u("")};
    QTest::newRow("nothing trimmed")
        << u("= A ; B ;c; 5 . 3 .80 ;")
        << QStringList{u(" A "), u(" B "), u("c"), u(" 5 "), u(" 3 "), u("80 "), u(""), u(""), u(""), u(""), u(""), u("")};
    QTest::newRow("empty after =")
        << u("=") << QStringList{u(""), u(""), u(""), u(""), u(""), u(""), u(""), u(""), u(""), u(""), u(""), u("")};
}

void TestClientNames::clientLine()
{
    QFETCH(QString, line);
    QFETCH(QStringList, fields);
    const ClientRecord c = parseClientLine(line);
    QCOMPARE(fieldsOf(c), fields);
    QVERIFY(!c.animal);
    QVERIFY(c.AdresaAkt.isEmpty() && c.PodadrJm.isEmpty() && c.ExportFr.isEmpty() && c.SoubAdrdat.isEmpty());
}

void TestClientNames::derivedPaths_data()
{
    QTest::addColumn<bool>("exportRootFile");
    QTest::addColumn<bool>("subFolders");
    QTest::addColumn<QString>("rootLine"); // the start-up text and the fresh read alike
    QTest::addColumn<QString>("programFolder");
    QTest::addColumn<QString>("protocolFile");
    QTest::addColumn<QStringList>("folders");

    QTest::newRow("root without final backslash")
        << true << true << u("D:\\Export") << u("D:\\ExportP\\Program\\") << u("D:\\Export\\P\\Protocol\\K SUMA.txt")
        << QStringList{u("D:\\Export\\"), u("D:\\Export\\P"), u("D:\\Export\\P\\Protocol")};
    QTest::newRow("root with final backslash")
        << true << true << u("D:\\Export\\") << u("D:\\Export\\P\\Program\\")
        << u("D:\\Export\\P\\Protocol\\K SUMA.txt")
        << QStringList{u("D:\\Export\\"), u("D:\\Export\\P"), u("D:\\Export\\P\\Protocol")};
    QTest::newRow("root with trailing blanks")
        << true << true << u("D:\\Export  ") << u("D:\\Export  P\\Program\\")
        << u("D:\\Export\\P\\Protocol\\K SUMA.txt")
        << QStringList{u("D:\\Export\\"), u("D:\\Export\\P"), u("D:\\Export\\P\\Protocol")};
    QTest::newRow("backslash then blanks")
        << true << false << u("D:\\Export\\ ") << u("D:\\Export\\ P\\") << u("D:\\Export\\P\\K SUMA.txt")
        << QStringList{u("D:\\Export\\"), u("D:\\Export\\P")};
    QTest::newRow("no sub-folders")
        << true << false << u("C:\\Ex\\") << u("C:\\Ex\\P\\") << u("C:\\Ex\\P\\K SUMA.txt")
        << QStringList{u("C:\\Ex\\"), u("C:\\Ex\\P")};
    QTest::newRow("no export root")
        << false << true << u("D:\\Export\\") << QString() << u("C:\\OrvaTherapy\\Protocol\\K SUMA.txt")
        << QStringList{u("C:\\OrvaTherapy\\Protocol")};
}

void TestClientNames::derivedPaths()
{
    QFETCH(bool, exportRootFile);
    QFETCH(bool, subFolders);
    QFETCH(QString, rootLine);
    QFETCH(QString, programFolder);
    QFETCH(QString, protocolFile);
    QFETCH(QStringList, folders);

    const ExportOptions o{exportRootFile, subFolders};
    QCOMPARE(programFolderCandidate(o, rootLine, u("P")), programFolder);
    const ProtocolPlan plan = protocolPlan(o, rootLine, u("P"), u("K"));
    QCOMPARE(plan.SouborProtokSuma, protocolFile);
    QCOMPARE(plan.folders, folders);
    QCOMPARE(plan.SoubExporAdr, exportRootFile ? folders.first() : QString());
}

QTEST_GUILESS_MAIN(TestClientNames)
#include "tst_clientnames.moc"
