// Windows paths on the Wine layout, and the small data files.

#include "storage/DataFiles.h"
#include "storage/WinPath.h"
#include "support/TempDrive.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace zovt;
using zovt::test::TempDrive;

class TestStorage : public QObject {
    Q_OBJECT
private slots:
    void toNativeUsesDriveC();
    void toNativePrefersDosdevicesLink();
    void toNativeMatchesCaseInsensitively();
    void toNativeOfMissingDrive();
    void prefixDefaultsToHomeWine();
    void toWindows_data();
    void toWindows();
    void ensureDriveCCreatesFolder();

    void integerFile_data();
    void integerFile();
    void byteFile_data();
    void byteFile();
    void lineInteger_data();
    void lineInteger();
    void firstLine_data();
    void firstLine();
    void lineFileIsWrittenWholeInWindows1250();
    void memoKeepsItsEncoding_data();
    void memoKeepsItsEncoding();
    void flagsAreCreatedEmptyAndDeleted();
    void deletingMissingFileIsNoError();
    void writeIntoMissingFolderFails();
    void readOfMissingFileFails();
};

void TestStorage::toNativeUsesDriveC()
{
    TempDrive d;
    QCOMPARE(winpath::toNative(QStringLiteral("C:\\WooZovDaz9\\RunZovT.dat")),
             d.prefix() + QStringLiteral("/drive_c/WooZovDaz9/RunZovT.dat"));
    QCOMPARE(winpath::toNative(QStringLiteral("c:\\OrvaTherapy\\QDBZ5\\")),
             d.prefix() + QStringLiteral("/drive_c/OrvaTherapy/QDBZ5/"));
}

void TestStorage::toNativePrefersDosdevicesLink()
{
    TempDrive d;
    QDir().mkpath(d.prefix() + QStringLiteral("/elsewhere"));
    QDir().mkpath(d.prefix() + QStringLiteral("/dosdevices"));
    QVERIFY(QFile::link(d.prefix() + QStringLiteral("/elsewhere"), d.prefix() + QStringLiteral("/dosdevices/c:")));
    QCOMPARE(winpath::toNative(QStringLiteral("C:\\x.txt")), d.prefix() + QStringLiteral("/dosdevices/c:/x.txt"));
}

void TestStorage::toNativeMatchesCaseInsensitively()
{
    TempDrive d;
    d.put(QStringLiteral("C:\\WooZovDaz9\\PicWorvat\\1RED.jpg"), "x");
    // Existing components keep their own case; a new last component stays as written.
    QCOMPARE(winpath::toNative(QStringLiteral("C:\\woozovdaz9\\PICWORVAT\\1red.JPG")),
             d.prefix() + QStringLiteral("/drive_c/WooZovDaz9/PicWorvat/1RED.jpg"));
    QCOMPARE(winpath::toNative(QStringLiteral("C:\\WOOZOVDAZ9\\New.txt")),
             d.prefix() + QStringLiteral("/drive_c/WooZovDaz9/New.txt"));
    QVERIFY(files::fileExists(QStringLiteral("c:\\WOOZOVDAZ9\\picworvat\\1red.jpg")));
}

void TestStorage::toNativeOfMissingDrive()
{
    TempDrive d;
    QCOMPARE(winpath::toNative(QStringLiteral("D:\\Data\\a.txt")), d.prefix() + QStringLiteral("/dosdevices/d:/Data/a.txt"));
    QVERIFY(!files::exists(QStringLiteral("D:\\Data\\a.txt")));
}

void TestStorage::prefixDefaultsToHomeWine()
{
    const QByteArray old = qgetenv("WINEPREFIX");
    const bool had = qEnvironmentVariableIsSet("WINEPREFIX");
    qunsetenv("WINEPREFIX");
    QCOMPARE(winpath::prefix(), QDir::cleanPath(QDir::homePath() + QStringLiteral("/.wine")));
    if (had)
        qputenv("WINEPREFIX", old);
}

void TestStorage::toWindows_data()
{
    QTest::addColumn<QString>("native"); // relative to the prefix when it starts with "@"
    QTest::addColumn<QString>("windows");
    QTest::newRow("under drive_c") << "@/drive_c/Zov_Tool Data/Program/a.txt" << "C:\\Zov_Tool Data\\Program\\a.txt";
    QTest::newRow("drive root") << "@/drive_c" << "C:\\";
    QTest::newRow("outside any drive") << "/tmp/x/prog.txt" << "Z:\\tmp\\x\\prog.txt";
}

void TestStorage::toWindows()
{
    QFETCH(QString, native);
    QFETCH(QString, windows);
    TempDrive d;
    if (native.startsWith(QLatin1Char('@')))
        native = d.prefix() + native.mid(1);
    QCOMPARE(winpath::toWindows(native), windows);
}

void TestStorage::ensureDriveCCreatesFolder()
{
    TempDrive d;
    QDir(d.prefix() + QStringLiteral("/drive_c")).removeRecursively();
    winpath::ensureDriveC();
    QVERIFY(QFileInfo(d.prefix() + QStringLiteral("/drive_c")).isDir());
}

void TestStorage::integerFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("value");
    QTest::newRow("english") << QByteArray("\x01\x00\x00\x00", 4) << true << 1;
    QTest::newRow("german") << QByteArray("\x02\x00\x00\x00", 4) << true << 2;
    QTest::newRow("negative") << QByteArray("\xff\xff\xff\xff", 4) << true << -1;
    QTest::newRow("longer file reads the first record") << QByteArray("\x04\x00\x00\x00\x09", 5) << true << 4;
    QTest::newRow("empty") << QByteArray() << false << 0;
    QTest::newRow("short") << QByteArray("\x01\x00\x00", 3) << false << 0;
}

void TestStorage::integerFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, ok);
    QFETCH(int, value);
    TempDrive d;
    const QString p = QStringLiteral("C:\\WooZovDaz9\\dLangv.dat");
    d.put(p, bytes);
    if (!ok) {
        QVERIFY_THROWS_EXCEPTION(ReadError, files::readInteger(p));
        return;
    }
    QCOMPARE(files::readInteger(p), value);
    files::writeInteger(p, value);
    QCOMPARE(d.get(p), bytes.left(4));
}

void TestStorage::byteFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("value");
    QTest::newRow("12 points") << QByteArray("\x0c") << true << 12;
    QTest::newRow("high byte is unsigned") << QByteArray("\xfa") << true << 250;
    QTest::newRow("empty") << QByteArray() << false << 0;
}

void TestStorage::byteFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, ok);
    QFETCH(int, value);
    TempDrive d;
    const QString p = QStringLiteral("C:\\WooZovDaz9\\datFontScale.dat");
    d.put(p, bytes);
    if (ok)
        QCOMPARE(int(files::readByte(p)), value);
    else
        QVERIFY_THROWS_EXCEPTION(ReadError, files::readByte(p));
}

void TestStorage::lineInteger_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << QByteArray("7") << true << 7;
    QTest::newRow("with line end") << QByteArray("12\r\n") << true << 12;
    QTest::newRow("blanks and line ends first") << QByteArray(" \r\n\t 5\r\n") << true << 5;
    QTest::newRow("minus") << QByteArray("-3") << true << -3;
    QTest::newRow("plus") << QByteArray("+4") << true << 4;
    QTest::newRow("empty gives 0") << QByteArray() << true << 0;
    QTest::newRow("only blanks give 0") << QByteArray(" \r\n") << true << 0;
    QTest::newRow("second line ignored") << QByteArray("1\r\nxyz\r\n") << true << 1;
    QTest::newRow("letters") << QByteArray("abc") << false << 0;
    QTest::newRow("number then letters") << QByteArray("12abc") << false << 0;
    QTest::newRow("lone sign") << QByteArray("-") << false << 0;
    QTest::newRow("too big") << QByteArray("2147483648") << false << 0;
    QTest::newRow("smallest") << QByteArray("-2147483648") << true << int(-2147483647 - 1);
}

void TestStorage::lineInteger()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, ok);
    QFETCH(int, value);
    TempDrive d;
    const QString p = QStringLiteral("C:\\WooZovDaz9\\COM_Nr.dat");
    d.put(p, bytes);
    if (ok)
        QCOMPARE(files::readLineInteger(p), value);
    else
        QVERIFY_THROWS_EXCEPTION(ReadError, files::readLineInteger(p));
}

void TestStorage::firstLine_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("line");
    QTest::newRow("crlf") << QByteArray("C:\\a\\b.txt\r\nnext") << "C:\\a\\b.txt";
    QTest::newRow("lf") << QByteArray("one\ntwo") << "one";
    QTest::newRow("cr") << QByteArray("one\rtwo") << "one";
    QTest::newRow("no line end") << QByteArray("only") << "only";
    QTest::newRow("empty file") << QByteArray() << "";
    QTest::newRow("windows-1250") << QByteArray("P\xF8\xEDli\x9A") << QString::fromUtf8("Příliš");
}

void TestStorage::firstLine()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, line);
    TempDrive d;
    const QString p = QStringLiteral("C:\\WooZovDaz9\\AdresaAktZov.txt");
    d.put(p, bytes);
    QCOMPARE(files::readFirstLine(p), line);
}

void TestStorage::lineFileIsWrittenWholeInWindows1250()
{
    TempDrive d;
    const QString p = QStringLiteral("C:\\WooZovDaz9\\ZovT_Sett.dat");
    d.put(p, QByteArray("old content that is longer than the new one\r\n\r\n\r\n"));
    files::writeLines(p, {QStringLiteral("2"), QString::fromUtf8("Žluť"), QString()});
    QCOMPARE(d.get(p), QByteArray("2\r\n\x8Elu\x9D\r\n\r\n"));
}

void TestStorage::memoKeepsItsEncoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    const QString cz = QString::fromUtf8("Žluťoučký kůň");
    QTest::newRow("ansi") << QByteArray("\x8Elu\x9Do\x75\xE8k\xFD k\xF9\xF2\r\nb\r\n") << QStringList{cz, "b"};
    QTest::newRow("utf-8 bom") << (QByteArray("\xEF\xBB\xBF") + cz.toUtf8() + "\r\nb\r\n") << QStringList{cz, "b"};
    QByteArray le("\xFF\xFE");
    QByteArray be("\xFE\xFF");
    for (QChar c : cz + QStringLiteral("\r\nb\r\n")) {
        le.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
        be.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
    }
    QTest::newRow("utf-16 le") << le << QStringList{cz, "b"};
    QTest::newRow("utf-16 be") << be << QStringList{cz, "b"};
}

void TestStorage::memoKeepsItsEncoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    TempDrive d;
    const QString p = QStringLiteral("C:\\WooZovDaz9\\WMemory1.txt");
    d.put(p, bytes);
    const files::Memo m = files::readMemo(p);
    QCOMPARE(m.lines, lines);
    files::writeMemo(p, m);
    QCOMPARE(d.get(p), bytes);
}

void TestStorage::flagsAreCreatedEmptyAndDeleted()
{
    TempDrive d;
    const QString p = QStringLiteral("C:\\WooZovDaz9\\VisDBZ.dat");
    d.put(p, "stale");
    files::createFlag(p);
    QVERIFY(d.has(p));
    QCOMPARE(d.get(p).size(), 0);
    files::setFlag(p, false);
    QVERIFY(!d.has(p));
}

void TestStorage::deletingMissingFileIsNoError()
{
    TempDrive d;
    files::remove(QStringLiteral("C:\\WooZovDaz9\\nothing.dat"));
    files::remove(QStringLiteral("Q:\\no\\drive.dat"));
}

void TestStorage::writeIntoMissingFolderFails()
{
    TempDrive d;
    QVERIFY_THROWS_EXCEPTION(WriteError, files::createFlag(QStringLiteral("C:\\NoSuchFolder\\x.dat")));
    QVERIFY_THROWS_EXCEPTION(WriteError, files::writeLines(QStringLiteral("C:\\NoSuchFolder\\x.txt"), {"a"}));
}

void TestStorage::readOfMissingFileFails()
{
    TempDrive d;
    QVERIFY_THROWS_EXCEPTION(ReadError, files::readFirstLine(QStringLiteral("C:\\WooZovDaz9\\missing.txt")));
}

QTEST_GUILESS_MAIN(TestStorage)
#include "tst_storage.moc"
