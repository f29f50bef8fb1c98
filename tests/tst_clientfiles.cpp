// Client files on a temporary drive C:: the 25-line file written and read, the
// steps of a save, the hand-off file, the folders derived from a client and
// what the code page of the file would change of what was typed.

#include "clients/ClientFile.h"
#include "clients/ClientPaths.h"
#include "clients/Transliteration.h"
#include "storage/CodePage.h"
#include "storage/CodePageSafe.h"
#include "storage/DataFiles.h"
#include "storage/Paths.h"
#include "storage/TextCodec.h"
#include "support/TempDrive.h"

#include <QtTest>

using namespace zovt;
using zovt::test::TempDrive;
using zovt::test::UnixLocale;

namespace {

QString u(const char *utf8) { return QString::fromUtf8(utf8); }

const QString kFolder = QStringLiteral("C:\\OrvaTherapy\\QDBZ5\\");

// The twelve displayed fields in the order of the client line.
QStringList fieldsOf(const ClientRecord &c)
{
    return {c.Prijmeni, c.Jmeno, c.JmenoFix, c.Datum_naroz_den, c.Datum_naroz_mesic, c.Datum_naroz_rok,
            c.Bydliste1, c.Bydliste2, c.Poznamka1, c.Poznamka2, c.Telefon, c.Email};
}

ClientRecord withFields(const QStringList &f)
{
    ClientRecord c;
    c.Prijmeni = f.value(0);
    c.Jmeno = f.value(1);
    c.JmenoFix = f.value(2);
    c.Datum_naroz_den = f.value(3);
    c.Datum_naroz_mesic = f.value(4);
    c.Datum_naroz_rok = f.value(5);
    c.Bydliste1 = f.value(6);
    c.Bydliste2 = f.value(7);
    c.Poznamka1 = f.value(8);
    c.Poznamka2 = f.value(9);
    c.Telefon = f.value(10);
    c.Email = f.value(11);
    return c;
}

QStringList identifiersOf(const ClientRecord &c) { return {c.AdresaAkt, c.PodadrJm, c.ExportFr, c.SoubAdrdat}; }

} // namespace

class TestClientFiles : public QObject {
    Q_OBJECT
private slots:
    void writtenFileIsExact();
    void roundTrip_data();
    void roundTrip();
    void handWrittenFile_data();
    void handWrittenFile();
    void hostileKeyLines_data();
    void hostileKeyLines();
    void missingFileIsAReadError();
    void writeIntoMissingFolderFails();

    void prepisReadsOptionFile();
    void clientFolderFromPathFile();
    void save_data();
    void save();
    void editedClientKeepsItsIdentifiers();
    void handOff();

    void deriveClientPaths_data();
    void deriveClientPaths();

    void codePageLoss_data();
    void codePageLoss();
    void hintLocalesHaveTheirCodePage();
};

void TestClientFiles::writtenFileIsExact()
{
    TempDrive d;
    ClientRecord r = withFields({u("Nováková"), u("Jana"), u("č"), u("05"), u("03"), u("1980"), u("Dlouhá 5"),
                                 u("Praha"), u("Щука"), u("中😀ñ"), u("+420123456789"), u("jana@příklad.cz")});
    r.animal = true;
    r.dateSaved = u("5.3.2024");
    r.AdresaAkt = u("Nováková Jana č 05031980");
    r.PodadrJm = u("Nováková Jana č 1980");
    r.ExportFr = u("FNovJč");
    r.SoubAdrdat = u("19800305ErrorSoubAdrdat");
    const QString p = kFolder + r.AdresaAkt + u(".txt");
    d.put(p, "old");
    writeClientFile(p, r);

    const QByteArray expected = QByteArray("Nov\xe1kov\xe1\r\n"
                                           "Jana\r\n"
                                           "05.03.1980\r\n"
                                           "Dlouh\xe1 5\r\n"
                                           "Praha\r\n"
                                           "\x8a\xe8uka\r\n"
                                           "??n\r\n"
                                           "A\r\n"
                                           "5.3.2024\r\n"
                                           "\xe8\r\n"
                                           "Nov\xe1kov\xe1 Jana \xe8 05031980\r\n"
                                           "\r\n"
                                           "Nov\xe1kov\xe1 Jana \xe8 1980\r\n"
                                           "FNovJ\xe8\r\n"
                                           "19800305ErrorSoubAdrdat\r\n"
                                           "+420123456789\r\n"
                                           "jana@p\xf8\xedklad.cz\r\n")
        + QByteArray("\r\n").repeated(8);
    QCOMPARE(d.get(p), expected);
}

void TestClientFiles::roundTrip_data()
{
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<bool>("animal");
    QTest::addColumn<bool>("bezDiakrit");
    QTest::addColumn<QStringList>("readBack");

    const QStringList czech{u("Dvořák"), u("Jiří"), u("Ž"), u("31"), u("12"), u("2099"), u("Nám. Míru 1"),
                            u("Brno"), u("poznámka"), u(""), u("123456789"), u("a@b.cz")};
    QTest::newRow("person, Czech letters") << czech << false << false << czech;
    QTest::newRow("animal, Cyrillic transliterated")
        << QStringList{u("Жучка"), u("Шарик"), u(""), u("88"), u("88"), u("8888"), u("Москва"), u(""), u(""),
                       u("ёж"), u(""), u("")}
        << true << false
        << QStringList{u("Žučka"), u("Šarik"), u(""), u("88"), u("88"), u("8888"), u("Moskva"), u(""), u(""),
                       u("jož"), u(""), u("")};
    QTest::newRow("option: vowel pairs in names, not in phone or e-mail")
        << QStringList{u("Müller"), u("Jörg"), u("ü"), u("01"), u("01"), u("1900"), u("Köln"), u(""), u(""), u(""),
                       u(""), u("jörg@ö.de")}
        << false << true
        << QStringList{u("Mueller"), u("Joerg"), u("ü"), u("01"), u("01"), u("1900"), u("Koeln"), u(""), u(""), u(""),
                       u(""), u("jörg@ö.de")};
    QTest::newRow("beyond the code page")
        << QStringList{u("Muñoz"), u("李"), u(""), u("05"), u("03"), u("1980"), u("😀"), u(""), u(""), u(""), u(""),
                       u("")}
        << false << false
        << QStringList{u("Munoz"), u("?"), u(""), u("05"), u("03"), u("1980"), u("?"), u(""), u(""), u(""), u(""),
                       u("")};
    const QStringList placeholders{u(""), u(""), u(""), u("88"), u("88"), u("8888"), u(""), u(""), u(""), u(""),
                                   u(""), u("")};
    QTest::newRow("placeholders, otherwise empty") << placeholders << false << false << placeholders;
}

void TestClientFiles::roundTrip()
{
    QFETCH(QStringList, fields);
    QFETCH(bool, animal);
    QFETCH(bool, bezDiakrit);
    QFETCH(QStringList, readBack);
    TempDrive d;
    if (bezDiakrit)
        d.put(paths::NoDiacriticsFlag, QByteArray());
    ClientRecord r = withFields(fields);
    r.animal = animal;
    r.dateSaved = u("05.03.2024");
    r.AdresaAkt = u("K");
    r.PodadrJm = u("P");
    r.ExportFr = u("FX");
    r.SoubAdrdat = u("S");
    const QString p = kFolder + u("K.txt");
    const QString again = kFolder + u("again.txt");
    d.put(p, QByteArray());
    writeClientFile(p, r);

    const ClientRecord back = readClientFile(p);
    QCOMPARE(fieldsOf(back), readBack);
    QCOMPARE(back.animal, animal);
    QCOMPARE(back.dateSaved, r.dateSaved);
    QCOMPARE(identifiersOf(back), identifiersOf(r));
    QCOMPARE(files::readLines(p).size(), ClientFileLineCount);

    writeClientFile(again, back);
    QCOMPARE(d.get(again), d.get(p));
}

void TestClientFiles::handWrittenFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<bool>("animal");
    QTest::addColumn<QStringList>("identifiers");

    QTest::newRow("complete, Windows-1250, CR LF")
        << QByteArray("\xd8\xedha\r\n\x8e\x9d\x9a\r\n07.11.1955\r\nU Ml\xfdna 3\r\n\x8eilina\r\nn1\r\nn2\r\nA\r\n1.1.2020\r\n"
                      "\xe8\r\n\xd8\xedha \x8e\x9d\x9a \xe8 07111955\r\n\r\n\xd8\xedha \x8e\x9d\x9a \xe8 1955\r\nFRihZc\r\n"
                      "19551107ErrorSoubAdrdat\r\n+421900000000\r\nx@y.sk\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n")
        << QStringList{u("Říha"), u("Žťš"), u("č"), u("07"), u("11"), u("1955"), u("U Mlýna 3"),
                       u("Žilina"), u("n1"), u("n2"), u("+421900000000"), u("x@y.sk")}
        << true
        << QStringList{u("Říha Žťš č 07111955"), u("Říha Žťš č 1955"), u("FRihZc"), u("19551107ErrorSoubAdrdat")};
    QTest::newRow("three lines")
        << QByteArray("Novak\r\nJan\r\n01.02.1990\r\n")
        << QStringList{u("Novak"), u("Jan"), u(""), u("01"), u("02"), u("1990"), u(""), u(""), u(""), u(""), u(""), u("")}
        << false << QStringList{u(""), u(""), u(""), u("")};
    QTest::newRow("short date line, no final line end")
        << QByteArray("Novak\r\nJan\r\n5.3")
        << QStringList{u("Novak"), u("Jan"), u(""), u("5."), u(""), u(""), u(""), u(""), u(""), u(""), u(""), u("")}
        << false << QStringList{u(""), u(""), u(""), u("")};
    QTest::newRow("key differs from file name, lines past 17 ignored")
        << QByteArray("a\r\nb\r\n01.01.2000\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\nOther Key\r\nx\r\nP\r\nE\r\nS\r\nT\r\nM\r\n"
                      "18\r\n19\r\n")
        << QStringList{u("a"), u("b"), u(""), u("01"), u("01"), u("2000"), u(""), u(""), u(""), u(""), u("T"), u("M")}
        << false << QStringList{u("Other Key"), u("P"), u("E"), u("S")};
    QTest::newRow("empty file") << QByteArray()
                                << QStringList{u(""), u(""), u(""), u(""), u(""), u(""), u(""), u(""), u(""), u(""),
                                               u(""), u("")}
                                << false << QStringList{u(""), u(""), u(""), u("")};
}

void TestClientFiles::handWrittenFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, fields);
    QFETCH(bool, animal);
    QFETCH(QStringList, identifiers);
    TempDrive d;
    const QString p = kFolder + u("Some Client.txt");
    d.put(p, bytes);
    const ClientRecord r = readClientFile(p);
    QCOMPARE(fieldsOf(r), fields);
    QCOMPARE(r.animal, animal);
    QCOMPARE(identifiersOf(r), identifiers);
}

void TestClientFiles::hostileKeyLines_data()
{
    QTest::addColumn<QString>("line");  // line 11, and line 13 alike
    QTest::addColumn<QString>("name"); // the plain name it is read as
    QTest::newRow("up and across") << "..\\..\\Zov_Tool\\pwned" << ".._.._Zov_Tool_pwned";
    QTest::newRow("up to the root") << "..\\..\\..\\..\\..\\..\\evil13" << ".._.._.._.._.._.._evil13";
    QTest::newRow("the setting of the client folder") << "..\\..\\WooZovDaz9\\0cestaDBZ" << ".._.._WooZovDaz9_0cestaDBZ";
    QTest::newRow("forward slashes") << "../../etc/x" << ".._.._etc_x";
    QTest::newRow("a drive") << "D:\\x" << "D__x";
    QTest::newRow("the folder above itself") << ".." << "_";
    QTest::newRow("dots and blanks, read by Windows as ..") << ". . " << "_";
    QTest::newRow("blanks only, stripped by Win32 to nothing") << "  " << "_";
    QTest::newRow("a single blank") << " " << "_";
    QTest::newRow("blanks around a name stay") << " Novak " << " Novak ";
    QTest::newRow("wildcards and quotes") << "a*b?c\"d<e>f|g" << "a_b_c_d_e_f_g";
    QTest::newRow("a control character") << QStringLiteral("a\tb") << "a_b";
    QTest::newRow("dots inside a name stay") << "Novak..Jan" << "Novak..Jan";
    QTest::newRow("empty stays empty") << "" << "";
}

void TestClientFiles::hostileKeyLines()
{
    QFETCH(QString, line);
    QFETCH(QString, name);
    QStringList lines(15);
    lines[10] = line;
    lines[12] = line;
    const ClientRecord r = clientFromLines(lines);
    QCOMPARE(r.AdresaAkt, name);
    QCOMPARE(r.PodadrJm, name);
}

void TestClientFiles::missingFileIsAReadError()
{
    TempDrive d;
    QVERIFY_THROWS_EXCEPTION(ReadError, readClientFile(kFolder + u("nobody.txt")));
}

void TestClientFiles::writeIntoMissingFolderFails()
{
    TempDrive d;
    QVERIFY_THROWS_EXCEPTION(WriteError, writeClientFile(u("C:\\Missing\\K.txt"), ClientRecord()));
    QVERIFY(!d.has(u("C:\\Missing")));
}

void TestClientFiles::prepisReadsOptionFile()
{
    TempDrive d;
    QCOMPARE(bezdiakrPrepis(u("Jörg")), u("Jörg"));
    d.put(paths::NoDiacriticsFlag, QByteArray());
    QCOMPARE(bezdiakrPrepis(u("Jörg")), u("Joerg"));
}

void TestClientFiles::clientFolderFromPathFile()
{
    TempDrive d;
    QCOMPARE(clientFolder(), paths::DefaultClientDir);
    d.put(paths::ClientDirFile, "D:\\Klienti\\\r\nignored\r\n");
    QCOMPARE(clientFolder(), u("D:\\Klienti\\"));
}

void TestClientFiles::save_data()
{
    QTest::addColumn<QStringList>("existing"); // client keys already in the folder
    QTest::addColumn<bool>("bezDiakrit");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("written");

    QTest::newRow("new client") << QStringList() << false << u("Nováková Jana  05031980") << true;
    QTest::newRow("new client, option") << QStringList() << true << u("Novakova Jana  05031980") << true;
    QTest::newRow("same key exists") << QStringList{u("Nováková Jana  05031980")} << false
                                     << u("Nováková Jana  05031980") << false;
    QTest::newRow("key without diacritics exists") << QStringList{u("Novakova Jana  05031980")} << false
                                                   << u("Novakova Jana  05031980") << false;
    QTest::newRow("other client only") << QStringList{u("Novakova Jana  05031981")} << false
                                       << u("Nováková Jana  05031980") << true;
}

void TestClientFiles::save()
{
    QFETCH(QStringList, existing);
    QFETCH(bool, bezDiakrit);
    QFETCH(QString, key);
    QFETCH(bool, written);
    TempDrive d;
    if (bezDiakrit)
        d.put(paths::NoDiacriticsFlag, QByteArray());
    QVERIFY(QDir().mkpath(d.native(kFolder)));
    const QByteArray old("somebody else's bytes\r\n");
    for (const QString &k : existing)
        d.put(kFolder + k + u(".txt"), old);

    ClientRecord r = withFields({u("Nováková "), u("Jana   "), u(" "), u("05"), u("03"), u("1980")});
    r.dateSaved = u("5.3.2024");
    const QString p = prepareClientSave(r, false, kFolder);
    QCOMPARE(r.Prijmeni, u("Nováková"));
    QCOMPARE(r.Jmeno, u("Jana"));
    QCOMPARE(r.JmenoFix, QString());
    QCOMPARE(r.AdresaAkt, key);
    QCOMPARE(p, kFolder + key + u(".txt"));
    QCOMPARE(clientFileToBeWritten(p, false), written);
    if (written) {
        writeClientFile(p, r);
        QCOMPARE(readClientFile(p).AdresaAkt, key);
    } else {
        QCOMPARE(d.get(p), old);
    }
    // An edited client is always rewritten.
    QVERIFY(clientFileToBeWritten(p, true));
}

void TestClientFiles::editedClientKeepsItsIdentifiers()
{
    TempDrive d;
    const QString p = kFolder + u("Old Key.txt");
    d.put(p, "Novak\r\nJan\r\n05.03.1980\r\nA1\r\n\r\n\r\n\r\n\r\n1.1.2000\r\n\r\nOld Key\r\n\r\nOld Folder\r\nFOld\r\n"
             "OldData\r\n\r\n\r\n");
    ClientRecord r = readClientFile(p);
    r.Bydliste1 = u("Nová 1");
    r.Jmeno = u("Jan ");
    r.dateSaved = u("6.3.2024");
    const QString path = prepareClientSave(r, true, kFolder);
    QCOMPARE(path, p);
    QVERIFY(clientFileToBeWritten(path, true));
    writeClientFile(path, r);
    const QStringList lines = files::readLines(p);
    QCOMPARE(lines.size(), ClientFileLineCount);
    QCOMPARE(lines.at(1), u("Jan"));
    QCOMPARE(lines.at(3), u("Nová 1"));
    QCOMPARE(lines.at(8), u("6.3.2024"));
    QCOMPARE(lines.mid(10, 5), (QStringList{u("Old Key"), u(""), u("Old Folder"), u("FOld"), u("OldData")}));
}

void TestClientFiles::handOff()
{
    TempDrive d;
    QVERIFY(files::makeDir(paths::DataDir));
    QVERIFY(!takeClientHandOff().has_value());
    const QString p = kFolder + u("Nováková Jana  05031980.txt");
    writeClientHandOff(paths::ClientHandOff, p);
    writeClientHandOff(paths::ClientAddressFile, p);
    QCOMPARE(d.get(paths::ClientHandOff), QByteArray("C:\\OrvaTherapy\\QDBZ5\\Nov\xe1kov\xe1 Jana  05031980.txt\r\n"));
    const std::optional<QString> taken = takeClientHandOff();
    QVERIFY(taken.has_value());
    QCOMPARE(*taken, p);
    QVERIFY(!d.has(paths::ClientHandOff));
    QVERIFY(d.has(paths::ClientAddressFile));
    QVERIFY(!takeClientHandOff().has_value());
}

void TestClientFiles::deriveClientPaths_data()
{
    QTest::addColumn<QString>("exportLine"); // null: no "0cestaEx.txt"
    QTest::addColumn<bool>("subFolders");
    QTest::addColumn<QStringList>("before"); // folders that exist beforehand
    QTest::addColumn<QString>("programFolder");
    QTest::addColumn<QString>("protocolFile");
    QTest::addColumn<QStringList>("after");  // folders that exist afterwards
    QTest::addColumn<QStringList>("absent"); // folders that still do not

    QTest::newRow("default protocol folder")
        << QString() << false << QStringList{u("C:\\OrvaTherapy")} << QString()
        << u("C:\\OrvaTherapy\\Protocol\\K SUMA.txt") << QStringList{u("C:\\OrvaTherapy\\Protocol")} << QStringList();
    QTest::newRow("trailing blanks, sub-folders")
        << u("C:\\Export  ") << true << QStringList() << QString() << u("C:\\Export\\P\\Protocol\\K SUMA.txt")
        << QStringList{u("C:\\Export"), u("C:\\Export\\P"), u("C:\\Export\\P\\Protocol")}
        << QStringList{u("C:\\Export\\P\\Program")};
    QTest::newRow("existing program folder")
        << u("C:\\Export\\") << true << QStringList{u("C:\\Export"), u("C:\\Export\\P"), u("C:\\Export\\P\\Program")}
        << u("C:\\Export\\P\\Program\\") << u("C:\\Export\\P\\Protocol\\K SUMA.txt")
        << QStringList{u("C:\\Export\\P\\Protocol")} << QStringList();
    QTest::newRow("program folder tested before the client folder is made")
        << u("C:\\Export\\") << false << QStringList() << QString() << u("C:\\Export\\P\\K SUMA.txt")
        << QStringList{u("C:\\Export\\P")} << QStringList();
    QTest::newRow("client folder as program folder")
        << u("C:\\Export\\") << false << QStringList{u("C:\\Export"), u("C:\\Export\\P")} << u("C:\\Export\\P\\")
        << u("C:\\Export\\P\\K SUMA.txt") << QStringList() << QStringList();
    QTest::newRow("one level only, failure unreported")
        << u("C:\\A\\B") << true << QStringList() << QString() << u("C:\\A\\B\\P\\Protocol\\K SUMA.txt") << QStringList()
        << QStringList{u("C:\\A"), u("C:\\A\\B")};
}

void TestClientFiles::deriveClientPaths()
{
    QFETCH(QString, exportLine);
    QFETCH(bool, subFolders);
    QFETCH(QStringList, before);
    QFETCH(QString, programFolder);
    QFETCH(QString, protocolFile);
    QFETCH(QStringList, after);
    QFETCH(QStringList, absent);
    TempDrive d;
    for (const QString &f : before)
        QVERIFY(files::makeDir(f));
    if (!exportLine.isNull())
        d.put(paths::ExportRootFile, exportLine.toLatin1() + "\r\n");
    if (subFolders)
        d.put(paths::SubFoldersFlag, QByteArray());
    // The start-up text: the line unchanged, or the default root.
    const QString presmerovani = exportLine.isNull() ? paths::DefaultExportRoot : exportLine;

    const ClientPaths c = zovt::deriveClientPaths(presmerovani, u("P"), u("K"));
    QCOMPARE(c.PRSAdresKlentaData, programFolder);
    QCOMPARE(c.SouborProtokSuma, protocolFile);
    for (const QString &f : after)
        QVERIFY2(files::dirExists(f), qPrintable(f));
    for (const QString &f : absent)
        QVERIFY2(!files::exists(f), qPrintable(f));
}

void TestClientFiles::codePageLoss_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("transliterated"); // as names, addresses and notes are
    QTest::addColumn<int>("codePage");
    QTest::addColumn<QStringList>("lost");
    QTest::addColumn<int>("keptBy"); // the code page a hint names; 0: none holds everything

    const QString czech = u("Jiřina Dvořáková, Pěšina 5");
    const QString german = u("Jürgen Weiß, Äußere Öd-Gasse, Überfuhr");
    const QString cyrillic = u("Щука");
    const auto row = [](const char *name, const QString &typed, bool transliterated, int codePage,
                        const QStringList &lost, int keptBy) {
        QTest::newRow(name) << typed << transliterated << codePage << lost << keptBy;
    };

    row("Czech letters under 1252", czech, true, 1252, {u("ř"), u("ě")}, 1250);
    row("Czech letters under 1250", czech, true, 1250, {}, 1250);
    row("German letters under 1250", german, true, 1250, {}, 1250);
    row("German letters under 1251", german, true, 1251, {u("ü"), u("ß"), u("Ä"), u("Ö"), u("Ü")}, 1250);
    row("Cyrillic under 1252, not transliterated", cyrillic, false, 1252, {u("Щ"), u("у"), u("к"), u("а")}, 1251);
    row("Cyrillic under 1251, not transliterated", cyrillic, false, 1251, {}, 1251);
    // Šč: Š is in 1252, č is not.
    row("Cyrillic under 1252, transliterated", cyrillic, true, 1252, {u("č")}, 1250);
    row("emoji under 1250", u("Jana 😀"), true, 1250, {u("😀")}, 0);
    row("CJK under 1250", u("中村 Jana"), true, 1250, {u("中"), u("村")}, 932);
    row("CJK and Czech letters under 1252", u("中村 Jiří"), true, 1252, {u("中"), u("村"), u("ř")}, 0);
    // 1250 has ř but not the ñ that 1252 keeps.
    row("hint must keep what is kept now", u("Muñoz Dvořák"), true, 1252, {u("ř")}, 0);
    row("each character once, in the order typed", u("ěřĚŘěř"), true, 1252, {u("ě"), u("ř"), u("Ě"), u("Ř")}, 1250);
    row("nothing to lose", u("Novak Jan, Street 1"), true, 1252, {}, 1250);
    row("half a surrogate pair", QString(QChar(0xD800)) + u("a"), true, 1250, {QString(QChar(0xD800))}, 0);
}

// The characters named are those a client file under the code page changes,
// and a hint's code page changes none of what was typed.
void TestClientFiles::codePageLoss()
{
    QFETCH(QString, typed);
    QFETCH(bool, transliterated);
    QFETCH(int, codePage);
    QFETCH(QStringList, lost);
    QFETCH(int, keptBy);
    const QString stored = transliterated ? bezdiakrPrepis(typed, false) : typed;
    QCOMPARE(codepage::lostCharacters(stored, codePage), lost);
    QCOMPARE(codepage::ansiCodePageHolding(stored), keptBy);

    TempDrive d;
    {
        UnixLocale locale(codepage::localeFor(codePage).toLatin1(), QByteArray());
        QCOMPARE(codepage::current().codePage, codePage);
        text::foldNonAscii(stored, [&](char32_t, QStringView character, QString &) {
            const QString c = character.toString();
            QVERIFY2((codePageSafe(c) != c) == lost.contains(c), qPrintable(c));
        });
    }
    if (keptBy) {
        UnixLocale locale(codepage::localeFor(keptBy).toLatin1(), QByteArray());
        QCOMPARE(codePageSafe(stored), stored);
    }
}

void TestClientFiles::hintLocalesHaveTheirCodePage()
{
    for (const int page : codepage::kAnsiCodePages)
        QCOMPARE(codepage::codePageForLocale(codepage::localeFor(page)), page);
}

QTEST_GUILESS_MAIN(TestClientFiles)
#include "tst_clientfiles.moc"
