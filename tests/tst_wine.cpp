// Living beside Wine: the prefix's registry (code page, pinned serial ports),
// Windows name rules on the way to the native file system, and WINEPREFIX as
// Wine reads it. Every prefix here is a stand-in made by the test.

#include "clients/ClientFile.h"
#include "device/PortPath.h"
#include "storage/CodePage.h"
#include "storage/DataFiles.h"
#include "storage/RegionalFormats.h"
#include "storage/TextCodec.h"
#include "storage/WinPath.h"
#include "storage/WineLocale.h"
#include "storage/WineRegistry.h"
#include "support/TempDrive.h"

#include <QDir>
#include <QElapsedTimer>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace zovt;
using zovt::test::TempDrive;

namespace {

// A registry value holding a link target, as Wine writes it: UTF-16LE bytes,
// wrapped over several lines.
QByteArray linkValue(const QString &target)
{
    QByteArray out = "hex(6):";
    int n = 0;
    for (const QChar c : target) {
        for (const int b : {c.unicode() & 0xff, c.unicode() >> 8}) {
            if (n && n % 20 == 0)
                out += "\\\n  ";
            if (n)
                out += ',';
            out += QByteArray::number(b, 16).rightJustified(2, '0');
            ++n;
        }
    }
    return out;
}

// A system.reg as Wine saves it: the code page under ControlSet001, reached
// through the CurrentControlSet link; acp empty leaves the value out.
QByteArray wineSystemReg(const QByteArray &acp, const QByteArray &ports = QByteArray())
{
    QByteArray r = "WINE REGISTRY Version 2\n"
                   ";; All keys relative to \\\\Machine\n"
                   "\n"
                   "#arch=win64\n"
                   "\n"
                   "[Software\\\\Wine\\\\Ports] 1700000000\n"
                   "#time=1da1c2b3a4d5e6f\n"
                 + ports
                 + "\n"
                   "[System\\\\ControlSet001\\\\Control\\\\Nls\\\\CodePage] 1700000000\n"
                   "#time=1da1c2b3a4d5e6f\n"
                   "\"1250\"=\"c_1250.nls\"\n"
                   "\"1252\"=\"c_1252.nls\"\n";
    if (!acp.isEmpty())
        r += "\"ACP\"=\"" + acp + "\"\n";
    r += "\"MACCP\"=\"10029\"\n"
         "\"OEMCP\"=\"852\"\n"
         "\n"
         "[System\\\\CurrentControlSet] 1700000000\n"
         "#time=1da1c2b3a4d5e6f\n"
         "#link\n"
         "\"SymbolicLinkValue\"="
       + linkValue(QStringLiteral("\\Registry\\Machine\\System\\ControlSet001")) + "\n";
    return r;
}

void putSystemReg(const TempDrive &d, const QByteArray &text)
{
    QFile f(d.prefix() + QStringLiteral("/system.reg"));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(text), text.size());
}

QStringList entriesUnder(const QString &dir)
{
    QStringList out;
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        out << it.next();
    out.sort();
    return out;
}

const char *kNoFile = "<no file>";

} // namespace

class TestWine : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void registryValue_data();
    void registryValue();

    void wineCodePage_data();
    void wineCodePage();
    void localeTheCLibraryRefuses();
    void codePageChoice_data();
    void codePageChoice();
    void fileRoundTrip_data();
    void fileRoundTrip();
    void charactersTheCodePageLacks_data();
    void charactersTheCodePageLacks();
    void regionalFormats_data();
    void regionalFormats();
    void registryFormatValues_data();
    void registryFormatValues();
    void dateNames_data();
    void dateNames();
    void changedUserRegIsReadAgain();
    void hostileRegistryFiles_data();
    void hostileRegistryFiles();
    void codecProblem_data();
    void codecProblem();

    void driveZ();
    void trailingBlanksAndDots_data();
    void trailingBlanksAndDots();
    void writtenNameLosesTrailingBlanksAndDots();
    void forbiddenCharacters_data();
    void forbiddenCharacters();

    void prefixFromEnvironment_data();
    void prefixFromEnvironment();
    void relativePrefixStopsTheProgram_data();
    void relativePrefixStopsTheProgram();

    void pinnedPort_data();
    void pinnedPort();
};

void TestWine::cleanup() { codepage::reset(); }

void TestWine::registryValue_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("present");
    QTest::addColumn<QString>("value");

    const QByteArray ports = "\"COM3\"=\"/dev/ttyUSB0\"\n"
                             "\"COM4\"=\"/home/a \\\"b\\\"\\\\c\"\n"
                             "\"Name\"=\"P\\x159\\x00edli\\x161 \\101\"\n"
                             "@=\"default\"\n"
                             "\"Path\"=str(2):\"%SystemRoot%\\\\x\"\n"
                             "\"Dw\"=dword:000004e2\n"
                             "\"Bin\"=hex:01,02,\\\n  03\n"
                             "\"COM5\"=\"/dev/ttyACM0\"\n";
    const QByteArray lf = wineSystemReg("1250", ports);
    QByteArray crlf = lf;
    crlf.replace("\n", "\r\n");
    const QString wine = QStringLiteral("Software\\Wine\\Ports");
    const QString nls = QStringLiteral("System\\CurrentControlSet\\Control\\Nls\\CodePage");

    QTest::newRow("plain") << lf << wine << "COM3" << true << "/dev/ttyUSB0";
    QTest::newRow("CR LF") << crlf << wine << "COM3" << true << "/dev/ttyUSB0";
    QTest::newRow("CR LF, through the link") << crlf << nls << "ACP" << true << "1250";
    QTest::newRow("quote and backslash escaped") << lf << wine << "COM4" << true << "/home/a \"b\"\\c";
    QTest::newRow("hex and octal escapes") << lf << wine << "Name" << true << QString::fromUtf8("Příliš A");
    QTest::newRow("key and name in any case") << lf << "software\\WINE\\ports" << "com3" << true << "/dev/ttyUSB0";
    QTest::newRow("key with outer backslashes") << lf << "\\Software\\Wine\\Ports\\" << "COM3" << true << "/dev/ttyUSB0";
    QTest::newRow("default value") << lf << wine << "" << true << "default";
    QTest::newRow("expandable string") << lf << wine << "Path" << true << "%SystemRoot%\\x";
    QTest::newRow("a NUL ends a string") << QByteArray("[Software\\\\Wine\\\\Ports]\n\"COM3\"=\"/dev/tty\\0S0\"\n") << wine
                                         << "COM3" << true << "/dev/tty";
    QTest::newRow("after wrapped binary data") << lf << wine << "COM5" << true << "/dev/ttyACM0";
    QTest::newRow("through CurrentControlSet") << lf << nls << "ACP" << true << "1250";
    QTest::newRow("link target itself") << lf << "System\\ControlSet001\\Control\\Nls\\CodePage" << "ACP" << true << "1250";
    QTest::newRow("number is no string") << lf << wine << "Dw" << false << "";
    QTest::newRow("binary is no string") << lf << wine << "Bin" << false << "";
    QTest::newRow("missing value") << lf << wine << "COM9" << false << "";
    QTest::newRow("missing key") << lf << "Software\\Wine\\Drives" << "COM3" << false << "";
    QTest::newRow("value of another key") << lf << wine << "ACP" << false << "";
    QTest::newRow("parent key holds no values of its child") << lf << "Software\\Wine" << "COM3" << false << "";
    QTest::newRow("code page key written directly")
        << QByteArray("[System\\\\CurrentControlSet\\\\Control\\\\Nls\\\\CodePage] 1234567890\r\n\"ACP\"=\"1251\"\r\n") << nls << "ACP"
        << true << "1251";
    QTest::newRow("value before any key") << QByteArray("\"ACP\"=\"1251\"\n") << nls << "ACP" << false << "";
    QTest::newRow("unterminated string") << QByteArray("[Software\\\\Wine\\\\Ports]\n\"COM3\"=\"/dev/tty\n") << wine << "COM3" << false
                                         << "";
    QTest::newRow("no registry") << QByteArray("not a registry\x01\xff") << wine << "COM3" << false << "";
}

void TestWine::registryValue()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, key);
    QFETCH(QString, name);
    QFETCH(bool, present);
    QFETCH(QString, value);
    const std::optional<QString> got = winereg::Registry::parse(text).string(key, name);
    QCOMPARE(got.has_value(), present);
    if (present)
        QCOMPARE(*got, value);
}

void TestWine::wineCodePage_data()
{
    QTest::addColumn<QByteArray>("variable");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("installed"); // whether the C library has the locale
    QTest::addColumn<int>("codePage");

    // GetACP under Wine 8.0 for each setting (LC_ALL rows and the LANG and
    // LC_CTYPE rows of locales that are not installed measured as they
    // stand; an installed locale named by LANG or LC_CTYPE counts as LC_ALL).
    const struct {
        const char *variable;
        const char *value;
        bool installed;
        int codePage;
    } rows[] = {
        {"LANG", "sk_SK.UTF-8", false, 1252},      {"LC_CTYPE", "sk_SK.UTF-8", false, 1252},
        {"LANG", "uk_UA.UTF-8", false, 1252},      {"LANG", "ja_JP.UTF-8", false, 1252},
        {"LANG", "lt_LT.UTF-8", false, 1252},      {"LC_CTYPE", "kk_KZ.UTF-8", false, 1252},
        {"LANG", "sk_SK.UTF-8", true, 1250},       {"LC_CTYPE", "uk_UA.UTF-8", true, 1251},
        {"LC_ALL", "sk_SK.UTF-8", false, 1250},    {"LC_ALL", "uk_UA.UTF-8", false, 1251},
        {"LC_ALL", "ja_JP.UTF-8", false, 932},     {"LC_ALL", "lt_LT.UTF-8", false, 1257},
        {"LC_ALL", "kk_KZ.UTF-8", false, 65001},   {"LC_ALL", "hi_IN.UTF-8", false, 65001},
        {"LC_ALL", "ka_GE.UTF-8", false, 65001},   {"LC_ALL", "hy_AM.UTF-8", false, 65001},
        {"LC_ALL", "bs_BA.UTF-8", false, 1252},    {"LC_ALL", "sr_RS.UTF-8", false, 1252},
        {"LC_ALL", "sr_ME.UTF-8", false, 1252},    {"LC_ALL", "az_AZ.UTF-8", false, 1252},
        {"LC_ALL", "uz_UZ.UTF-8", false, 1252},    {"LC_ALL", "yi_US.UTF-8", false, 1252},
        {"LC_ALL", "cs_XX.UTF-8", false, 1252},    {"LC_ALL", "ru_UA.UTF-8", false, 1252},
        {"LC_ALL", "ru_RU.UTF-8@latin", false, 1252}, {"LC_ALL", "tr_TR.UTF-8@cyrillic", false, 1252},
        {"LC_ALL", "sr_RS@latin.UTF-8", false, 1252}, {"LC_ALL", "sr_RS.UTF-8@latin", false, 1250},
        {"LC_ALL", "sr_RS.UTF-8@cyrillic", false, 1251}, {"LC_ALL", "uz_UZ.UTF-8@cyrillic", false, 1251},
        {"LC_ALL", "az_AZ@latin", false, 1254},    {"LC_ALL", "sd_IN@devanagari", false, 65001},
        {"LC_ALL", "ca_ES.UTF-8@valencia", false, 1252}, {"LC_ALL", "tt_RU@iqtelif", false, 1251},
        {"LC_ALL", "de_DE.UTF-8@euro", false, 1252}, {"LC_ALL", "cs", false, 1250},
        {"LC_ALL", "sr", false, 1250},             {"LC_ALL", "cs_cz.UTF-8", false, 1250},
        {"LC_ALL", "cs_CZ.ISO-8859-2", false, 1250}, {"LC_ALL", "cs_", false, 1252},
        {"LC_ALL", "zh_TW.UTF-8", false, 950},     {"LC_ALL", "zh_CN.UTF-8", false, 936},
        {"LC_ALL", "el_GR.UTF-8", false, 1253},    {"LC_ALL", "tr_TR.UTF-8", false, 1254},
        {"LC_ALL", "C", false, 1252},              {"LC_ALL", "POSIX", false, 1252},
        {"LC_ALL", "C.UTF-8", false, 1252},        {"LANG", "", false, 1252},
    };
    for (const auto &r : rows)
        QTest::addRow("%s=%s%s", r.variable, r.value, r.installed ? ", installed" : "")
            << QByteArray(r.variable) << QString::fromLatin1(r.value) << r.installed << r.codePage;
}

// Wine's code page follows the locale the C library runs in, and only a
// locale of Wine's own table; the machine's installed locales are stood in.
void TestWine::wineCodePage()
{
    QFETCH(QByteArray, variable);
    QFETCH(QString, value);
    QFETCH(bool, installed);
    QFETCH(int, codePage);
    const auto env = [&](const char *name) { return name == variable ? value : QString(); };
    const winelocale::Accepts previous = winelocale::setAccepts([&](const QString &name) {
        return name == QLatin1String("C") || name == QLatin1String("POSIX") || (installed && name == value);
    });
    const QString name = winelocale::unixName(winelocale::Category::CType, env);
    winelocale::setAccepts(previous);
    QCOMPARE(codepage::codePageForLocale(name), codePage);
    QVERIFY(!codepage::codecFor(codePage).isEmpty());
}

// One variable naming a locale that is not installed makes setlocale fail
// for all, and the process stays in C whatever LANG says.
void TestWine::localeTheCLibraryRefuses()
{
    QVERIFY(winelocale::cLibraryAccepts(QStringLiteral("C")));
    QVERIFY(winelocale::cLibraryAccepts(QStringLiteral("POSIX")));
    QVERIFY(!winelocale::cLibraryAccepts(QStringLiteral("xx_YY.UTF-8")));
    QVERIFY(!winelocale::cLibraryAccepts(QStringLiteral("sr_RS@latin.UTF-8")));
    const winelocale::Accepts previous = winelocale::setAccepts(
        [](const QString &name) { return name == QLatin1String("sk_SK.UTF-8"); });
    const auto with = [](QByteArray messages) {
        return [messages](const char *name) {
            return QString::fromLatin1(qstrcmp(name, "LANG") == 0 ? QByteArray("sk_SK.UTF-8")
                                       : qstrcmp(name, "LC_MESSAGES") == 0 ? messages : QByteArray());
        };
    };
    const QString kept = winelocale::unixName(winelocale::Category::CType, with(QByteArray()));
    const QString spoilt = winelocale::unixName(winelocale::Category::CType, with("xx_YY.UTF-8"));
    winelocale::setAccepts(previous);
    QCOMPARE(kept, QStringLiteral("sk_SK.UTF-8"));
    QCOMPARE(spoilt, QStringLiteral("C"));
}

void TestWine::codePageChoice_data()
{
    QTest::addColumn<QByteArray>("lcAll");
    QTest::addColumn<QByteArray>("lcCtype");
    QTest::addColumn<QByteArray>("lang");
    QTest::addColumn<QByteArray>("systemReg");
    QTest::addColumn<int>("codePage");
    QTest::addColumn<QByteArray>("codec");
    QTest::addColumn<QString>("noteMentions"); // empty: no note

    const QByteArray none;
    const QByteArray noFile(kNoFile);
    QTest::newRow("cs_CZ") << none << QByteArray("cs_CZ.UTF-8") << none << noFile << 1250 << QByteArray("windows-1250") << "";
    QTest::newRow("ru_RU") << none << QByteArray("ru_RU.UTF-8") << none << noFile << 1251 << QByteArray("windows-1251") << "";
    QTest::newRow("C.UTF-8") << none << QByteArray("C.UTF-8") << none << noFile << 1252 << QByteArray("windows-1252") << "";
    QTest::newRow("nothing set: C") << none << none << none << noFile << 1252 << QByteArray("windows-1252") << "";
    QTest::newRow("de_DE") << none << QByteArray("de_DE.UTF-8") << none << noFile << 1252 << QByteArray("windows-1252") << "";
    QTest::newRow("sv_SE") << none << QByteArray("sv_SE.UTF-8") << none << noFile << 1252 << QByteArray("windows-1252") << "";
    QTest::newRow("pl_PL, no charset") << none << QByteArray("pl_PL") << none << noFile << 1250 << QByteArray("windows-1250") << "";
    QTest::newRow("uk_UA") << none << QByteArray("uk_UA.UTF-8") << none << noFile << 1251 << QByteArray("windows-1251") << "";
    QTest::newRow("el_GR") << none << QByteArray("el_GR.UTF-8") << none << noFile << 1253 << QByteArray("windows-1253") << "";
    QTest::newRow("tr_TR") << none << QByteArray("tr_TR.UTF-8") << none << noFile << 1254 << QByteArray("windows-1254") << "";
    QTest::newRow("lt_LT") << none << QByteArray("lt_LT.UTF-8") << none << noFile << 1257 << QByteArray("windows-1257") << "";
    QTest::newRow("sr_RS: no such locale without a script") << none << QByteArray("sr_RS.UTF-8") << none << noFile << 1252
                                                            << QByteArray("windows-1252") << "";
    QTest::newRow("kk_KZ: Unicode only") << none << QByteArray("kk_KZ.UTF-8") << none << noFile << 65001
                                         << QByteArray("UTF-8") << "";
    QTest::newRow("bs_BA: registry 1252 is what Wine uses") << none << QByteArray("bs_BA.UTF-8") << none
                                                            << wineSystemReg("1252") << 1252 << QByteArray("windows-1252") << "";
    QTest::newRow("sr_RS@cyrillic") << none << QByteArray("sr_RS.UTF-8@cyrillic") << none << noFile << 1251
                                    << QByteArray("windows-1251") << "";
    QTest::newRow("a language Wine does not know") << none << QByteArray("xx_YY.UTF-8") << none << noFile << 1252
                                                   << QByteArray("windows-1252") << "";
    QTest::newRow("LC_ALL before LC_CTYPE") << QByteArray("ru_RU.UTF-8") << QByteArray("cs_CZ.UTF-8") << none << noFile
                                            << 1251 << QByteArray("windows-1251") << "";
    QTest::newRow("LANG last") << none << none << QByteArray("cs_CZ.UTF-8") << noFile << 1250
                               << QByteArray("windows-1250") << "";
    QTest::newRow("registry agrees") << none << QByteArray("cs_CZ.UTF-8") << none << wineSystemReg("1250") << 1250
                                     << QByteArray("windows-1250") << "";
    QTest::newRow("registry set by hand: the locale wins, stderr names both")
        << none << QByteArray("C.UTF-8") << none << wineSystemReg("1250") << 1252 << QByteArray("windows-1252") << "1250";
    QTest::newRow("registry left from another locale") << none << QByteArray("ru_RU.UTF-8") << none
                                                       << wineSystemReg("1252") << 1251 << QByteArray("windows-1251")
                                                       << "1252";
    QTest::newRow("registry without a code page") << none << QByteArray("cs_CZ.UTF-8") << none << wineSystemReg("")
                                                  << 1250 << QByteArray("windows-1250") << "";
    QTest::newRow("empty registry file") << none << QByteArray("cs_CZ.UTF-8") << none << QByteArray() << 1250
                                         << QByteArray("windows-1250") << "";
}

void TestWine::codePageChoice()
{
    QFETCH(QByteArray, lcAll);
    QFETCH(QByteArray, lcCtype);
    QFETCH(QByteArray, lang);
    QFETCH(QByteArray, systemReg);
    QFETCH(int, codePage);
    QFETCH(QByteArray, codec);
    QFETCH(QString, noteMentions);
    TempDrive d;
    test::UnixLocale locale(lcCtype, QByteArray(), lang.isEmpty() ? QByteArray("") : lang);
    if (!lcAll.isEmpty())
        qputenv("LC_ALL", lcAll);
    if (systemReg != kNoFile)
        putSystemReg(d, systemReg);
    const codepage::Choice c = codepage::choose();
    QCOMPARE(c.codePage, codePage);
    QCOMPARE(c.codecName, codec);
    if (noteMentions.isEmpty()) {
        QVERIFY2(c.note.isEmpty(), qPrintable(c.note));
    } else {
        QVERIFY2(c.note.contains(noteMentions), qPrintable(c.note));
        QVERIFY2(c.note.contains(QString::number(codePage)), qPrintable(c.note));
    }
    // The process-wide choice is the same once it is made afresh.
    codepage::reset();
    QCOMPARE(codepage::codecName(), codec);
    QVERIFY(codepage::ensureUsable().isEmpty());
}

void TestWine::fileRoundTrip_data()
{
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("cs_CZ: 1250") << QByteArray("cs_CZ.UTF-8") << QString::fromUtf8("Příliš žluťoučký kůň")
                                 << QByteArray::fromHex("50f8ed6c699a209e6c759d6f75e86bfd206bf9f2");
    QTest::newRow("C.UTF-8: 1252") << QByteArray("C.UTF-8") << QString::fromUtf8("Grüße, Noël – 5 €")
                                   << QByteArray::fromHex("4772fcdf652c204e6feb6c209620352080");
    QTest::newRow("ru_RU: 1251") << QByteArray("ru_RU.UTF-8") << QString::fromUtf8("Привет, мир")
                                 << QByteArray::fromHex("cff0e8e2e5f22c20ece8f0");
    // What a Wine program under C.UTF-8 reads as "Øehoø" was written in 1250.
    QTest::newRow("C.UTF-8: Řehoř as 1252 holds it") << QByteArray("C.UTF-8") << QString::fromUtf8("Řehoř")
                                                     << QByteArray("Rehor");
}

void TestWine::fileRoundTrip()
{
    QFETCH(QByteArray, locale);
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    TempDrive d;
    test::UnixLocale l(locale, locale);
    putSystemReg(d, wineSystemReg("1250")); // a value put there by hand counts for nothing
    const QString line = QStringLiteral("C:\\WooZovDaz9\\line.txt");
    const QString memo = QStringLiteral("C:\\WooZovDaz9\\memo.txt");
    QVERIFY(files::makeDir(QStringLiteral("C:\\WooZovDaz9")));

    files::writeLines(line, {text, QStringLiteral("2")});
    QCOMPARE(d.get(line), bytes + "\r\n2\r\n");
    const QString back = text::fromAnsi(bytes);
    QCOMPARE(files::readFirstLine(line), back);

    files::writeMemo(memo, files::Memo{{text}, text::Encoding::Ansi});
    QCOMPARE(d.get(memo), bytes + "\r\n");
    const files::Memo memoBack = files::readMemo(memo);
    QCOMPARE(memoBack.lines, QStringList{back});
    QCOMPARE(int(memoBack.encoding), int(text::Encoding::Ansi));
}

void TestWine::charactersTheCodePageLacks_data()
{
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray cs("cs_CZ.UTF-8"), ru("ru_RU.UTF-8");
    const auto u = [](const char *s) { return QString::fromUtf8(s); };
    QTest::newRow("1250, the letter without its mark first") << cs << u("Muñoz Nováková") << QByteArray("Munoz Nov\xe1kov\xe1");
    QTest::newRow("1250, a sign has no such letter") << cs << u("a ☺ b") << QByteArray("a ? b");
    QTest::newRow("1250, a letter without a base stays ?") << cs << u("Łódź ø") << QByteArray("\xa3\xf3" "d\x9f ?");
    QTest::newRow("1250, beyond the basic plane") << cs << u("a😀b") << QByteArray("a?b");
    QTest::newRow("1250, a real substitute control stays") << cs << u("x\x1A") << QByteArray("x\x1A");
    QTest::newRow("1251, Žukov") << ru << u("Žukov") << QByteArray("Zukov");
    QTest::newRow("1251, Czech") << ru << u("Řehoř Иван") << QByteArray("Rehor \xc8\xe2\xe0\xed");
    QTest::newRow("zero-width space") << cs << u("[Kurz\u200B]") << QByteArray("[Kurz?]");
    QTest::newRow("direction marks") << cs << u("\u200Ea\u200Fb\u202Ac") << QByteArray("?a?b?c");
    QTest::newRow("a byte-order mark inside the text") << cs << u("a\uFEFFb") << QByteArray("a?b");
    QTest::newRow("a variation selector") << cs << u("\u2764\uFE0F!") << QByteArray("?" "?!");
    QTest::newRow("a lone high surrogate before a letter") << cs << QString(QChar(0xD83D)) + u("a") << QByteArray("?a");
    QTest::newRow("a lone low surrogate at the end") << cs << u("a") + QString(QChar(0xDC00)) << QByteArray("a?");
}

// Whatever the code page, what it cannot hold is written as its letter
// without marks or as "?", never as a control byte, and never dropped.
void TestWine::charactersTheCodePageLacks()
{
    QFETCH(QByteArray, locale);
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    TempDrive d;
    test::UnixLocale l(locale, locale);
    QCOMPARE(text::toAnsi(text), bytes);
    QCOMPARE(text::encode({text}, text::Encoding::Ansi), bytes + "\r\n");
}

void TestWine::regionalFormats_data()
{
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QByteArray>("userReg"); // kNoFile: none
    QTest::addColumn<QString>("shortDate");
    QTest::addColumn<QString>("timeFormat");
    QTest::addColumn<QString>("written"); // 10 December 2026, 16:52:46

    const auto userReg = [](const char *date, const char *time, const char *am = "AM", const char *pm = "PM") {
        return QByteArray("WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
                          "[Control Panel\\\\International] 1700000000\n#time=1da1c2b3a4d5e6f\n\"iCountry\"=\"1\"\n"
                          "\"s1159\"=\"")
            + am + "\"\n\"s2359\"=\"" + pm + "\"\n\"sShortDate\"=\"" + date + "\"\n\"sTimeFormat\"=\"" + time
            + "\"\n\"sLongDate\"=\"dddd, MMMM d, yyyy\"\n";
    };
    const QByteArray noFile(kNoFile);
    QTest::newRow("cs_CZ prefix") << QByteArray("C.UTF-8") << userReg("d. M. yyyy", "H:mm:ss") << "d. M. yyyy"
                                  << "H:mm:ss" << "10. 12. 2026 16:52:46";
    QTest::newRow("de_DE prefix") << QByteArray("C.UTF-8") << userReg("d.M.yyyy", "HH:mm:ss") << "d.M.yyyy"
                                  << "HH:mm:ss" << "10.12.2026 16:52:46";
    QTest::newRow("ru_RU prefix") << QByteArray("C.UTF-8") << userReg("dd.MM.yyyy", "HH:mm:ss") << "dd.MM.yyyy"
                                  << "HH:mm:ss" << "10.12.2026 16:52:46";
    QTest::newRow("C prefix") << QByteArray("cs_CZ.UTF-8") << userReg("M/d/yyyy", "h:mm:ss tt") << "M/d/yyyy"
                              << "h:mm:ss tt" << "12/10/2026 4:52:46 PM";
    QTest::newRow("prefix with its own designators")
        << QByteArray("C.UTF-8") << userReg("yyyy-MM-dd", "tt hh:mm", "rano", "odpoledne") << "yyyy-MM-dd"
        << "tt hh:mm" << "2026-12-10 odpoledne 04:52";
    QTest::newRow("prefix without the formats: the locale's")
        << QByteArray("ru_RU.UTF-8") << QByteArray("WINE REGISTRY Version 2\n") << "dd.MM.yyyy" << "HH:mm:ss"
        << "10.12.2026 16:52:46";
    QTest::newRow("no registry, cs_CZ") << QByteArray("cs_CZ.UTF-8") << noFile << "d. M. yyyy" << "H:mm:ss"
                                        << "10. 12. 2026 16:52:46";
    QTest::newRow("no registry, de_DE") << QByteArray("de_DE.UTF-8") << noFile << "d.M.yyyy" << "HH:mm:ss"
                                        << "10.12.2026 16:52:46";
    QTest::newRow("no registry, ru_RU") << QByteArray("ru_RU.UTF-8") << noFile << "dd.MM.yyyy" << "HH:mm:ss"
                                        << "10.12.2026 16:52:46";
    QTest::newRow("no registry, sv_SE") << QByteArray("sv_SE.UTF-8") << noFile << "yyyy-MM-dd" << "HH:mm:ss"
                                        << "2026-12-10 16:52:46";
    QTest::newRow("no registry, en_GB") << QByteArray("en_GB.UTF-8") << noFile << "dd/MM/yyyy" << "HH:mm:ss"
                                        << "10/12/2026 16:52:46";
    QTest::newRow("no registry, C") << QByteArray("C") << noFile << "M/d/yyyy" << "h:mm:ss tt" << "12/10/2026 4:52:46 PM";
    QTest::newRow("no registry, fr_FR") << QByteArray("fr_FR.UTF-8") << noFile << "dd/MM/yyyy" << "HH:mm:ss"
                                        << "10/12/2026 16:52:46";
    QTest::newRow("no registry, pl_PL") << QByteArray("pl_PL.UTF-8") << noFile << "d.MM.yyyy" << "HH:mm:ss"
                                        << "10.12.2026 16:52:46";
    QTest::newRow("no registry, el_GR") << QByteArray("el_GR.UTF-8") << noFile << "d/M/yyyy" << "h:mm:ss tt"
                                        << QString::fromUtf8("10/12/2026 4:52:46 μ.μ.");
    QTest::newRow("no registry, tr_TR") << QByteArray("tr_TR.UTF-8") << noFile << "dd.MM.yyyy" << "HH:mm:ss"
                                        << "10.12.2026 16:52:46";
    QTest::newRow("no registry, a locale Wine does not know: en-US")
        << QByteArray("xx_YY.UTF-8") << noFile << "M/d/yyyy" << "h:mm:ss tt" << "12/10/2026 4:52:46 PM";
}

// The formats come from the prefix's user.reg, else from the locale; the
// client file's date and the protocol's date and time use them, never with a
// time zone.
void TestWine::regionalFormats()
{
    QFETCH(QByteArray, locale);
    QFETCH(QByteArray, userReg);
    QFETCH(QString, shortDate);
    QFETCH(QString, timeFormat);
    QFETCH(QString, written);
    TempDrive d;
    test::UnixLocale l(locale, locale);
    if (userReg != kNoFile) {
        QFile f(d.prefix() + QStringLiteral("/user.reg"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(userReg);
    }
    const regional::Formats f = regional::current();
    QCOMPARE(f.shortDate, shortDate);
    QCOMPARE(f.timeFormat, timeFormat);
    const QDateTime when(QDate(2026, 12, 10), QTime(16, 52, 46));
    QCOMPARE(regional::dateTimeText(when, f), written);
    QCOMPARE(shortDateText(when.date()), written.section(QLatin1Char(' '), 0, shortDate.count(QLatin1Char(' '))));
}

void TestWine::registryFormatValues_data()
{
    QTest::addColumn<QByteArray>("name");   // the value of Control Panel\International
    QTest::addColumn<QByteArray>("data");   // as user.reg writes it after "="
    QTest::addColumn<QString>("date");      // 10 December 2026 in the short date
    QTest::addColumn<QString>("time");      // 16:52:46 in the long time

    const QString csDate = QStringLiteral("10. 12. 2026"), csTime = QStringLiteral("16:52:46");
    const QByteArray date("sShortDate"), time("sTimeFormat");
    // What GetDateFormatW / GetTimeFormatW give under Wine 8 for each value,
    // save that a control character is a blank here: the text is one line.
    QTest::newRow("line feed and carriage return") << date << QByteArray("\"d\\nM\\ryyyy\"") << "10 12 2026" << csTime;
    QTest::newRow("a NUL ends the value") << date << QByteArray("\"d.M\\0.yyyy\"") << "10.12" << csTime;
    QTest::newRow("79 characters are used") << date << "\"d" + QByteArray(78, '-') + "\"" << "10" + QString(78, u'-')
                                            << csTime;
    QTest::newRow("80 characters: the locale's own") << date << "\"d" + QByteArray(79, '-') + "\"" << csDate << csTime;
    QTest::newRow("100000 characters: the locale's own") << date << "\"" + QByteArray(100000, 'd') + "\"" << csDate
                                                         << csTime;
    QTest::newRow("empty short date: an empty date") << date << QByteArray("\"\"") << "" << csTime;
    QTest::newRow("expandable string") << date << QByteArray("str(2):\"dd/MM\"") << "10/12" << csTime;
    QTest::newRow("a dword is read as UTF-16") << date << QByteArray("dword:000004e2") << QString(QChar(0x04e2)) << csTime;
    QTest::newRow("binary, UTF-16") << date << QByteArray("hex:64,00,2e,00,4d,00") << "10.12" << csTime;
    QTest::newRow("binary, an odd last byte") << date << QByteArray("hex:64,00,2e,00,4d") << "10.12" << csTime;
    QTest::newRow("binary string type, wrapped") << date << QByteArray("hex(1):79,00,\\\n  79,00,00,00") << "26" << csTime;
    QTest::newRow("a tab in the time") << time << QByteArray("\"H\\tmm\"") << csDate << "16 52";
    QTest::newRow("a line separator in the time") << time << QByteArray("\"H\\x2028mm\"") << csDate << "16 52";
    QTest::newRow("empty time format: the locale's own") << time << QByteArray("\"\"") << csDate << csTime;
}

// Whatever the prefix's registry holds, the dates written are Wine's, and a
// date is one line: the client file read back keeps its key.
void TestWine::registryFormatValues()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, data);
    QFETCH(QString, date);
    QFETCH(QString, time);
    TempDrive d;
    QFile reg(d.prefix() + QStringLiteral("/user.reg"));
    QVERIFY(reg.open(QIODevice::WriteOnly));
    reg.write("WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
              "[Control Panel\\\\International] 1700000000\n\"" + name + "\"=" + data + "\n\"iCountry\"=\"420\"\n");
    reg.close();
    const regional::Formats f = regional::current();
    const QDateTime when(QDate(2026, 12, 10), QTime(16, 52, 46));
    QCOMPARE(regional::dateText(when.date(), f), date);
    QCOMPARE(regional::dateTimeText(when, f), date + QLatin1Char(' ') + time);

    ClientRecord r;
    r.Prijmeni = QStringLiteral("Novak");
    r.AdresaAkt = QStringLiteral("Novak Jan  01011980");
    r.dateSaved = shortDateText(when.date());
    const QString path = QStringLiteral("C:\\WooZovDaz9\\k.txt");
    QVERIFY(files::makeDir(QStringLiteral("C:\\WooZovDaz9")));
    writeClientFile(path, r);
    const ClientRecord back = readClientFile(path);
    QCOMPARE(back.AdresaAkt, r.AdresaAkt);
    QCOMPARE(back.dateSaved, text::fromAnsi(text::toAnsi(date)));
}

void TestWine::dateNames_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("written"); // Thursday 10 December 2026, by GetDateFormatEx under Wine 8

    const auto u = [](const char *s) { return QString::fromUtf8(s); };
    const struct {
        const char *language;
        const char *dayMonth, *monthYear, *monthDay, *abbreviated, *weekday;
    } rows[] = {
        {"pl-PL", "10 grudnia 2026", "grudzie\u0144 2026", "grudzie\u0144 10", "czw., 10 gru", "czwartek grudzie\u0144"},
        {"el-GR", "10 \u0394\u03b5\u03ba\u03b5\u03bc\u03b2\u03c1\u03af\u03bf\u03c5 2026",
         "\u0394\u03b5\u03ba\u03ad\u03bc\u03b2\u03c1\u03b9\u03bf\u03c2 2026",
         "\u0394\u03b5\u03ba\u03ad\u03bc\u03b2\u03c1\u03b9\u03bf\u03c2 10", "\u03a0\u03ad\u03bc, 10 \u0394\u03b5\u03ba",
         "\u03a0\u03ad\u03bc\u03c0\u03c4\u03b7 \u0394\u03b5\u03ba\u03ad\u03bc\u03b2\u03c1\u03b9\u03bf\u03c2"},
        {"cs-CZ", "10 prosince 2026", "prosinec 2026", "prosinec 10", "\u010dt, 10 pro", "\u010dtvrtek prosinec"},
        {"ru-RU", "10 \u0434\u0435\u043a\u0430\u0431\u0440\u044f 2026", "\u0434\u0435\u043a\u0430\u0431\u0440\u044c 2026",
         "\u0434\u0435\u043a\u0430\u0431\u0440\u044c 10", "\u0447\u0442, 10 \u0434\u0435\u043a.",
         "\u0447\u0435\u0442\u0432\u0435\u0440\u0433 \u0434\u0435\u043a\u0430\u0431\u0440\u044c"},
    };
    for (const auto &r : rows) {
        QTest::addRow("%s, day and month", r.language) << u(r.language) << "d MMMM yyyy" << u(r.dayMonth);
        QTest::addRow("%s, month alone", r.language) << u(r.language) << "MMMM yyyy" << u(r.monthYear);
        QTest::addRow("%s, day after the month", r.language) << u(r.language) << "MMMM d" << u(r.monthDay);
        QTest::addRow("%s, abbreviated", r.language) << u(r.language) << "ddd, d MMM" << u(r.abbreviated);
        QTest::addRow("%s, weekday and month", r.language) << u(r.language) << "dddd MMMM" << u(r.weekday);
    }
}

// Month and day names in the locale's language, the genitive after the day.
void TestWine::dateNames()
{
    QFETCH(QString, language);
    QFETCH(QString, picture);
    QFETCH(QString, written);
    QCOMPARE(regional::formatDate(QDate(2026, 12, 10), picture, language), written);
}

void TestWine::changedUserRegIsReadAgain()
{
    TempDrive d;
    const auto put = [&](const QByteArray &date) {
        QFile f(d.prefix() + QStringLiteral("/user.reg"));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("WINE REGISTRY Version 2\n\n[Software\\\\Wine] 1\n\"x\"=\"1\"\n\n"
                "[Control Panel\\\\International] 1700000000\n\"sShortDate\"=\"" + date + "\"\n\n[Other] 1\n");
    };
    put("yyyy");
    QCOMPARE(regional::current().shortDate, QStringLiteral("yyyy"));
    QCOMPARE(regional::current().shortDate, QStringLiteral("yyyy"));
    put("dd.MM");
    QCOMPARE(regional::current().shortDate, QStringLiteral("dd.MM"));
    QVERIFY(QFile::remove(d.prefix() + QStringLiteral("/user.reg")));
    QCOMPARE(regional::current(), regional::defaultsFor(QStringLiteral("cs_CZ.UTF-8")));
}

void TestWine::hostileRegistryFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("kind");
    for (const char *file : {"system.reg", "user.reg"})
        for (const char *kind : {"fifo", "/dev/zero", "folder"})
            QTest::addRow("%s as %s", file, kind) << QString::fromLatin1(file) << QString::fromLatin1(kind);
}

// A registry file that is no regular file is no registry: nothing waits on
// it and nothing reads it without end.
void TestWine::hostileRegistryFiles()
{
    QFETCH(QString, file);
    QFETCH(QString, kind);
    TempDrive d;
    const QString path = d.prefix() + QLatin1Char('/') + file;
    if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == QLatin1String("folder"))
        QVERIFY(QDir().mkpath(path));
    else
        QVERIFY(QFile::link(kind, path));
    QElapsedTimer t;
    t.start();
    QVERIFY(!winereg::readRegistryFile(path));
    const codepage::Choice c = codepage::choose();
    QCOMPARE(c.codePage, 1250);
    QVERIFY2(c.note.isEmpty(), qPrintable(c.note));
    QCOMPARE(regional::current(), regional::defaultsFor(QStringLiteral("cs_CZ.UTF-8")));
    QVERIFY(!winereg::systemString(QStringLiteral("Software\\Wine\\Ports"), QStringLiteral("COM1")));
    QVERIFY(t.elapsed() < 5000);
}

void TestWine::codecProblem_data()
{
    QTest::addColumn<QByteArray>("codec");
    QTest::addColumn<bool>("usable");
    QTest::newRow("windows-1250") << QByteArray("windows-1250") << true;
    QTest::newRow("windows-1251") << QByteArray("windows-1251") << true;
    QTest::newRow("UTF-8") << QByteArray("UTF-8") << true;
    QTest::newRow("missing codec") << QByteArray("x-no-such-codec") << false;
    QTest::newRow("no name") << QByteArray() << false;
}

void TestWine::codecProblem()
{
    QFETCH(QByteArray, codec);
    QFETCH(bool, usable);
    const QString why = codepage::problem(codec);
    QCOMPARE(why.isEmpty(), usable);
    if (!usable)
        QVERIFY2(why.contains(QString::fromLatin1(codec)), qPrintable(why));
}

void TestWine::trailingBlanksAndDots_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("exact") << "C:\\Programs\\demo.txt";
    QTest::newRow("trailing blank") << "C:\\Programs\\demo.txt ";
    QTest::newRow("trailing dot") << "C:\\Programs\\demo.txt.";
    QTest::newRow("blanks and dots") << "C:\\Programs\\demo.txt . .";
    QTest::newRow("folder with a trailing blank") << "C:\\Programs \\demo.txt";
    QTest::newRow("folder with trailing dots") << "C:\\Programs..\\demo.txt";
    QTest::newRow("any case, everywhere") << "c:\\PROGRAMS. \\Demo.TXT  ";
    QTest::newRow("nothing above the drive root") << "C:\\..\\..\\Programs\\.\\demo.txt";
}

void TestWine::trailingBlanksAndDots()
{
    QFETCH(QString, path);
    TempDrive d;
    d.put(QStringLiteral("C:\\Programs\\demo.txt"), "demo");
    QCOMPARE(winpath::toNative(path), d.prefix() + QStringLiteral("/drive_c/Programs/demo.txt"));
    QVERIFY(files::fileExists(path));
    QCOMPARE(files::readAll(path), QByteArray("demo"));
}

// A path outside every drive comes back from a file dialog as Z:. Without a
// z: link (a prefix Wine never made) Z: is the root, as in Wine's own
// prefixes; a z: link of the prefix wins.
void TestWine::driveZ()
{
    TempDrive d;
    QTemporaryDir outside;
    const QString file = outside.path() + QStringLiteral("/demo.txt");
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("demo");
    f.close();
    const QString z = winpath::toWindows(file);
    QVERIFY2(z.startsWith(QStringLiteral("Z:\\")), qPrintable(z));
    QCOMPARE(winpath::toNative(z), file);
    QCOMPARE(files::readAll(z), QByteArray("demo"));
    QDir().mkpath(d.prefix() + QStringLiteral("/dosdevices"));
    QVERIFY(QFile::link(outside.path(), d.prefix() + QStringLiteral("/dosdevices/z:")));
    QCOMPARE(winpath::toNative(QStringLiteral("Z:\\demo.txt")), d.prefix() + QStringLiteral("/dosdevices/z:/demo.txt"));
    QCOMPARE(files::readAll(QStringLiteral("Z:\\demo.txt")), QByteArray("demo"));
}

void TestWine::writtenNameLosesTrailingBlanksAndDots()
{
    TempDrive d;
    QVERIFY(files::makeDir(QStringLiteral("C:\\new. ")));
    files::writeLines(QStringLiteral("C:\\new. \\file.txt. "), {QStringLiteral("x")});
    QCOMPARE(entriesUnder(d.prefix() + QStringLiteral("/drive_c")),
             QStringList({d.prefix() + QStringLiteral("/drive_c/new"), d.prefix() + QStringLiteral("/drive_c/new/file.txt")}));
}

void TestWine::forbiddenCharacters_data()
{
    QTest::addColumn<QString>("path");
    const QString dir = QStringLiteral("C:\\WooZovDaz9\\");
    for (const char *name : {"a?b.txt", "a*.txt", "a<b.txt", "a>b.txt", "a|b.txt", "a\"b.txt", "a:b.txt"})
        QTest::newRow(name) << dir + QLatin1String(name);
    QTest::newRow("tab") << dir + QStringLiteral("a\tb.txt");
    QTest::newRow("line end") << dir + QStringLiteral("a\r\n.txt");
    QTest::newRow("NUL") << dir + QStringLiteral("a") + QChar(0) + QStringLiteral("b.txt");
    QTest::newRow("in a folder name") << QStringLiteral("C:\\Woo?ZovDaz9\\a.txt");
    QTest::newRow("folder itself") << QStringLiteral("C:\\Woo*\\");
}

void TestWine::forbiddenCharacters()
{
    QFETCH(QString, path);
    TempDrive d;
    QTemporaryDir cwd;
    const QString oldCwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(cwd.path()));
    const auto restore = qScopeGuard([&] { QDir::setCurrent(oldCwd); });

    // A native file that carries the very name is out of reach: Windows could not name it.
    const QString data = d.prefix() + QStringLiteral("/drive_c/WooZovDaz9");
    QVERIFY(QDir().mkpath(data));
    QFile native(data + QStringLiteral("/a?b.txt"));
    QVERIFY(native.open(QIODevice::WriteOnly));
    native.close();
    const QStringList before = entriesUnder(d.prefix());

    QCOMPARE(winpath::toNative(path), QString());
    QVERIFY(!files::exists(path));
    QVERIFY(!files::fileExists(path));
    QVERIFY(!files::dirExists(path));
    QVERIFY_THROWS_EXCEPTION(ReadError, files::readLines(path));
    QVERIFY_THROWS_EXCEPTION(WriteError, files::writeLines(path, {QStringLiteral("x")}));
    QVERIFY_THROWS_EXCEPTION(WriteError, files::createFlag(path));
    QVERIFY(!files::makeDir(path));
    files::remove(path);

    QCOMPARE(entriesUnder(d.prefix()), before);
    QCOMPARE(entriesUnder(cwd.path()), QStringList());
}

void TestWine::prefixFromEnvironment_data()
{
    QTest::addColumn<QByteArray>("value"); // null: unset
    QTest::addColumn<QString>("prefix");   // "~" stands for the home folder
    QTest::addColumn<bool>("refused");
    QTest::newRow("unset") << QByteArray() << "~/.wine" << false;
    QTest::newRow("empty counts as unset") << QByteArray("") << "~/.wine" << false;
    QTest::newRow("absolute") << QByteArray("/srv/wine/") << "/srv/wine" << false;
    QTest::newRow("relative") << QByteArray("wine-prefix") << "wine-prefix" << true;
    QTest::newRow("dot relative") << QByteArray("./pfx") << "pfx" << true;
    QTest::newRow("unexpanded tilde") << QByteArray("~/.wine") << "~/.wine" << true;
}

void TestWine::prefixFromEnvironment()
{
    QFETCH(QByteArray, value);
    QFETCH(QString, prefix);
    QFETCH(bool, refused);
    const bool had = qEnvironmentVariableIsSet("WINEPREFIX");
    const QByteArray old = qgetenv("WINEPREFIX");
    const auto restore = qScopeGuard([&] {
        if (had)
            qputenv("WINEPREFIX", old);
        else
            qunsetenv("WINEPREFIX");
    });
    if (value.isNull())
        qunsetenv("WINEPREFIX");
    else
        qputenv("WINEPREFIX", value);
    if (!refused && prefix.startsWith(QLatin1Char('~')))
        prefix = QDir::homePath() + prefix.mid(1);
    QCOMPARE(winpath::prefix(), prefix);
    const QString why = winpath::prefixProblem();
    QCOMPARE(!why.isEmpty(), refused);
    if (refused) {
        QVERIFY2(why.contains(QString::fromLocal8Bit(value)), qPrintable(why));
        QVERIFY(!why.contains(QLatin1Char('\n')));
    }
}

void TestWine::relativePrefixStopsTheProgram_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("controller") << QStringLiteral(ZOVT_BINARY_DIR "/zovt-generator") << 1;
    QTest::newRow("simulator") << QStringLiteral(ZOVT_BINARY_DIR "/tools/zovt-devsim") << 2;
}

void TestWine::relativePrefixStopsTheProgram()
{
    QFETCH(QString, program);
    QFETCH(int, exitCode);
    if (!QFileInfo::exists(program))
        QSKIP("program not built");
    QTemporaryDir cwd;
    QProcess p;
    p.setWorkingDirectory(cwd.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WINEPREFIX"), QStringLiteral("relative/prefix"));
    env.insert(QStringLiteral("XDG_STATE_HOME"), cwd.path());
    p.setProcessEnvironment(env);
    p.start(program, {});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), exitCode);
    const QString err = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
    QVERIFY2(err.contains(QLatin1String("WINEPREFIX must be an absolute path")), qPrintable(err));
    QVERIFY2(err.contains(QLatin1String("relative/prefix")), qPrintable(err));
    QVERIFY2(!err.contains(QLatin1Char('\n')), qPrintable(err));
    // Nothing was made of the relative prefix.
    QCOMPARE(entriesUnder(cwd.path()), QStringList());
}

void TestWine::pinnedPort_data()
{
    QTest::addColumn<QByteArray>("ports"); // values of HKLM\Software\Wine\Ports; kNoFile: no registry
    QTest::addColumn<QString>("link");     // target of dosdevices/comN; empty: no link
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("device"); // "@" stands for the prefix
    QTest::newRow("pin wins over Wine's guess") << QByteArray("\"COM3\"=\"/dev/ttyUSB0\"\n") << "/dev/ttyS2" << 3 << "/dev/ttyUSB0";
    QTest::newRow("pin without a link") << QByteArray("\"com3\"=\"/dev/ttyUSB0\"\n") << "" << 3 << "/dev/ttyUSB0";
    QTest::newRow("pin of a missing device") << QByteArray("\"COM3\"=\"/dev/ttyUSB9\"\n") << "/dev/null" << 3 << "/dev/ttyUSB9";
    QTest::newRow("pin of another port") << QByteArray("\"COM4\"=\"/dev/ttyUSB0\"\n") << "/dev/null" << 3 << "@/dosdevices/com3";
    QTest::newRow("COM13 is not COM1") << QByteArray("\"COM13\"=\"/dev/ttyUSB0\"\n") << "" << 1 << "@/dosdevices/com1";
    QTest::newRow("empty pin") << QByteArray("\"COM3\"=\"\"\n") << "" << 3 << "@/dosdevices/com3";
    QTest::newRow("no pins: link") << QByteArray() << "/dev/null" << 3 << "@/dosdevices/com3";
    QTest::newRow("no registry: link") << QByteArray(kNoFile) << "/dev/null" << 3 << "@/dosdevices/com3";
    QTest::newRow("no registry, no link: nothing") << QByteArray(kNoFile) << "" << 3 << "@/dosdevices/com3";
    QTest::newRow("port 0 names no device") << QByteArray("\"COM0\"=\"/dev/ttyUSB0\"\n") << "" << 0 << "@/dosdevices/com0";
}

void TestWine::pinnedPort()
{
    QFETCH(QByteArray, ports);
    QFETCH(QString, link);
    QFETCH(int, port);
    QFETCH(QString, device);
    TempDrive d;
    // No serial nodes: Wine's own numbering gives nothing (tst_portlist).
    QTemporaryDir noDevices;
    portpath::setDeviceRoot(noDevices.path());
    const auto restore = qScopeGuard([] { portpath::setDeviceRoot(QString()); });
    if (ports != kNoFile)
        putSystemReg(d, wineSystemReg("1250", ports));
    if (!link.isEmpty()) {
        QVERIFY(QDir().mkpath(d.prefix() + QStringLiteral("/dosdevices")));
        QVERIFY(QFile::link(link, portpath::dosDeviceLink(port)));
    }
    if (device.startsWith(QLatin1Char('@')))
        device = d.prefix() + device.mid(1);
    QCOMPARE(portpath::devicePath(port), device);
}

QTEST_GUILESS_MAIN(TestWine)
#include "tst_wine.moc"
