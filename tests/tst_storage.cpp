// Windows paths on the Wine layout, and the small data files.

#include "storage/DataFiles.h"
#include "storage/Picture.h"
#include "storage/WinPath.h"
#include "support/TempDrive.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>

using namespace zovt;
using zovt::test::TempDrive;
using WriteStep = zovt::files::testing::WriteStep;

Q_DECLARE_METATYPE(WriteStep)

namespace {

// Runs 'op' on its own thread and says whether it returned (or threw) within
// five seconds. An operation still blocked on the FIFO at 'fifo' is released
// by opening the FIFO's other end with 'releaseFlags', so that a hang fails
// the test instead of stopping the run.
bool returnsInTime(const std::function<void()> &op, const QString &fifo, int releaseFlags,
                   std::exception_ptr &error)
{
    auto done = std::async(std::launch::async, [&] {
        try {
            op();
        } catch (...) {
            error = std::current_exception();
        }
    });
    if (done.wait_for(std::chrono::seconds(5)) == std::future_status::ready)
        return true;
    // A released reader needs the writer gone to see the end of the data; a
    // released writer needs the reader to stay until it has written.
    const int fd = ::open(QFile::encodeName(fifo).constData(), releaseFlags | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0 && releaseFlags == O_WRONLY)
        ::close(fd);
    done.wait();
    if (fd >= 0 && releaseFlags != O_WRONLY)
        ::close(fd);
    return false;
}

template<class E>
bool throws(const std::exception_ptr &e)
{
    try {
        if (e)
            std::rethrow_exception(e);
    } catch (const E &) {
        return true;
    } catch (...) {
    }
    return false;
}

// The names in a folder, hidden ones included: what a failed write leaves.
QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

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
    void brokenTrailingUnitReadsAsReplacement_data();
    void brokenTrailingUnitReadsAsReplacement();
    void linesReadAsTheConverterReadsTheWholeFile_data();
    void linesReadAsTheConverterReadsTheWholeFile();
    void flagsAreCreatedEmptyAndDeleted();
    void deletingMissingFileIsNoError();
    void writeIntoMissingFolderFails();
    void readOfMissingFileFails();

    void onlyRegularFilesAreRead_data();
    void onlyRegularFilesAreRead();
    void readsAreCapped_data();
    void readsAreCapped();
    void errorTextsQuoteAnExcerpt_data();
    void errorTextsQuoteAnExcerpt();
    void failedWriteKeepsTheOldFile_data();
    void failedWriteKeepsTheOldFile();
    void failedWriteOfANewFileLeavesNothing();
    void writeRefusesATargetThatIsNoRegularFile_data();
    void writeRefusesATargetThatIsNoRegularFile();
    void writeReplacesTheTargetOfALink();
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

    // A read names the drive that leads nowhere, not just a missing file.
    const auto readError = [](const QString &winPath) {
        try {
            files::readAll(winPath);
        } catch (const ReadError &e) {
            return QString::fromUtf8(e.what());
        }
        return QString();
    };
    QCOMPARE(readError(QStringLiteral("D:\\Data\\a.txt")),
             QStringLiteral("Cannot read file \"D:\\Data\\a.txt\". Drive D: leads nowhere in the Wine prefix \"%1\" "
                            "(no folder at dosdevices/d:).").arg(d.prefix()));
    QVERIFY(QDir().mkpath(d.prefix() + QStringLiteral("/dosdevices")));
    QVERIFY(QFile::link(d.prefix() + QStringLiteral("/gone"), d.prefix() + QStringLiteral("/dosdevices/e:")));
    QVERIFY(readError(QStringLiteral("e:\\a.txt")).contains(QStringLiteral("Drive E: leads nowhere")));
    // Drives that lead somewhere keep the plain reason.
    QVERIFY(readError(QStringLiteral("C:\\a.txt")).endsWith(QStringLiteral("No such file or directory")));
    for (const char *fine : {"C:\\a.txt", "Z:\\tmp\\a.txt", "relative\\a.txt"})
        QVERIFY2(winpath::driveProblem(QString::fromLatin1(fine)).isEmpty(), fine);
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
    // Only the first mark is the byte-order mark; a second one is text and
    // must survive any number of read and write cycles.
    const QString feff(QChar(0xFEFF));
    QTest::newRow("utf-8 second mark") << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF" "a\r\n") << QStringList{feff + "a"};
    QTest::newRow("utf-16 le second mark") << QByteArray("\xFF\xFE\xFF\xFE" "a\0\r\0\n\0", 10) << QStringList{feff + "a"};
    QTest::newRow("utf-16 be second mark") << QByteArray("\xFE\xFF\xFE\xFF\0a\0\r\0\n", 10) << QStringList{feff + "a"};
    QTest::newRow("utf-16 le only marks") << QByteArray("\xFF\xFE\xFF\xFE\xFF\xFE\r\0\n\0", 10) << QStringList{feff + feff};
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
    QCOMPARE(files::readMemo(p).lines, lines);
}

void TestStorage::brokenTrailingUnitReadsAsReplacement_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    const QString bad(QChar::ReplacementCharacter);
    QTest::newRow("utf-16 le odd byte") << QByteArray("\xFF\xFE" "a\0b", 5) << QStringList{"a" + bad};
    QTest::newRow("utf-16 be odd byte") << QByteArray("\xFE\xFF\0a\0", 5) << QStringList{"a" + bad};
    QTest::newRow("utf-16 le half a pair") << QByteArray("\xFF\xFE" "a\0\x3D\xD8", 6) << QStringList{"a" + bad};
    QTest::newRow("utf-16 le lone mark byte") << QByteArray("\xFF\xFE\xFF", 3) << QStringList{bad};
    QTest::newRow("utf-8 cut sequence") << QByteArray("\xEF\xBB\xBF" "a\xC5") << QStringList{"a" + bad};
}

void TestStorage::brokenTrailingUnitReadsAsReplacement()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    TempDrive d;
    const QString p = QStringLiteral("C:\\WooZovDaz9\\WMemory2.txt");
    d.put(p, bytes);
    QCOMPARE(files::readMemo(p).lines, lines);
}

// A file is decoded line by line in one pass; what it reads must be what the
// converter makes of the whole file, split at CR LF, LF and CR.
void TestStorage::linesReadAsTheConverterReadsTheWholeFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QByteArray every;
    for (int b = 1; b < 256; ++b)
        every.append(char(b));
    QTest::newRow("ansi every byte") << every;
    QTest::newRow("ansi line ends") << QByteArray("a\r\n\r\nb\rc\nd\r\r\ne\n\rf\r");
    QTest::newRow("ansi no final end") << QByteArray("\x8Elu\x9Do\r\nk\xF9\xF2");
    QTest::newRow("ansi only ends") << QByteArray("\r\n\n\r");
    QTest::newRow("ansi shorter than a mark") << QByteArray("a\r");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("utf-8 every byte") << (QByteArray("\xEF\xBB\xBF") + every);
    QTest::newRow("utf-8 broken inside lines") << QByteArray("\xEF\xBB\xBF" "a\xC5\r\n\xE2\x82z\r\xF0\x9F\x98\x80\n\xC5");
    QTest::newRow("utf-16 le lone surrogates") << QByteArray("\xFF\xFE" "a\0\x3D\xD8\r\0\n\0\x00\xDC" "b\0\r\0\x3D\xD8" "c\0", 20);
    QTest::newRow("utf-16 be line ends") << QByteArray("\xFE\xFF\0a\0\r\0\r\0\n\0b\0\n\0\r", 16);
}

void TestStorage::linesReadAsTheConverterReadsTheWholeFile()
{
    QFETCH(QByteArray, bytes);
    const test::UnixLocale czech("cs_CZ.UTF-8", "cs_CZ.UTF-8");
    QString whole;
    const auto flags = QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;
    if (bytes.startsWith("\xEF\xBB\xBF"))
        whole = QStringDecoder(QStringConverter::Utf8, flags).decode(bytes.mid(3));
    else if (bytes.startsWith("\xFF\xFE"))
        whole = QStringDecoder(QStringConverter::Utf16LE, flags).decode(bytes.mid(2));
    else if (bytes.startsWith("\xFE\xFF"))
        whole = QStringDecoder(QStringConverter::Utf16BE, flags).decode(bytes.mid(2));
    else
        whole = QStringDecoder("windows-1250").decode(bytes);
    QCOMPARE(text::decode(bytes).lines, text::splitLines(whole));
    // The same file arriving in pieces, split anywhere (inside a CR LF, a mark
    // or a character), decodes to the same lines and encoding.
    const text::Decoded once = text::decode(bytes);
    for (const qsizetype piece : {1, 2, 3, 5, 7, 64}) {
        text::LineDecoder decoder(text::linesForLineFeeds(bytes.count('\n')));
        for (qsizetype at = 0; at < bytes.size(); at += piece)
            decoder.feed(QByteArrayView(bytes).sliced(at, std::min(piece, bytes.size() - at)));
        const text::Decoded pieces = decoder.finish();
        QCOMPARE(pieces.lines, once.lines);
        QVERIFY2(pieces.encoding == once.encoding, qPrintable(QString::number(piece)));
    }
    if (!bytes.startsWith("\xEF\xBB\xBF") && !bytes.startsWith("\xFF\xFE") && !bytes.startsWith("\xFE\xFF"))
        QCOMPARE(text::fromAnsi(bytes), whole);
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
    const QString neighbour = QStringLiteral("C:\\WooZovDaz9\\nothing.dat2");
    d.put(neighbour, "stays");
    files::remove(QStringLiteral("C:\\WooZovDaz9\\nothing.dat"));
    files::remove(QStringLiteral("C:\\WooZovDaz9\\"));
    files::remove(QStringLiteral("C:\\WooZovDaz9"));
    files::remove(QStringLiteral("Q:\\no\\drive.dat"));
    QCOMPARE(d.get(neighbour), QByteArray("stays"));
    QVERIFY(files::dirExists(QStringLiteral("C:\\WooZovDaz9")));
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

void TestStorage::onlyRegularFilesAreRead_data()
{
    // How the file at the path is made: "fifo", "folder", or a symbolic link
    // to the given target ("@" is the data folder).
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("target");
    QTest::newRow("fifo") << "fifo" << "";
    QTest::newRow("folder") << "folder" << "";
    QTest::newRow("link to /dev/zero") << "link" << "/dev/zero";
    QTest::newRow("link to /dev/null") << "link" << "/dev/null";
    QTest::newRow("link to a fifo") << "link" << "@/fifo";
    QTest::newRow("link to a regular file is fine") << "link" << "@/real.dat";
}

void TestStorage::onlyRegularFilesAreRead()
{
    QFETCH(QString, kind);
    QFETCH(QString, target);
    TempDrive d;
    const QString p = QStringLiteral("C:\\WooZovDaz9\\COM_Nr.dat");
    d.put(QStringLiteral("C:\\WooZovDaz9\\real.dat"), "7\r\n");
    const QString folder = d.native(QStringLiteral("C:\\WooZovDaz9"));
    const QString fifo = folder + QStringLiteral("/fifo");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString n = d.native(p);
    if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(n).constData(), 0600), 0);
    else if (kind == QLatin1String("folder"))
        QVERIFY(QDir().mkdir(n));
    else
        QVERIFY(QFile::link(target.startsWith(QLatin1Char('@')) ? folder + target.mid(1) : target, n));
    const bool regular = target.endsWith(QLatin1String("real.dat"));

    // Each reader gives what it read, as text.
    using Reader = std::function<QString()>;
    const QList<std::pair<const char *, Reader>> readers{
        {"readFirstLine", [&] { return files::readFirstLine(p); }},
        {"readLineInteger", [&] { return QString::number(files::readLineInteger(p)); }},
        {"readByte", [&] { return QString(QChar(files::readByte(p))); }},
        {"readMemo", [&] { return files::readMemo(p).lines.join(QLatin1Char('|')); }},
        {"readAll", [&] { return QString::fromLatin1(files::readAll(p)).trimmed(); }},
        {"readChunks", [&] {
             QByteArray all;
             files::readChunks(p, [&all](QByteArrayView chunk) { all.append(chunk); });
             return QString::fromLatin1(all).trimmed();
         }},
        {"copyFile", [&] {
             files::copyFile(p, QStringLiteral("C:\\WooZovDaz9\\copy.dat"));
             return files::readFirstLine(QStringLiteral("C:\\WooZovDaz9\\copy.dat"));
         }},
    };
    for (const auto &[name, read] : readers) {
        std::exception_ptr error;
        QString got;
        // A reader blocked on the FIFO is released by a writer that closes at once.
        const QString blocking = kind == QLatin1String("fifo") ? n : fifo;
        QVERIFY2(returnsInTime([&] { got = read(); }, blocking, O_WRONLY, error), name);
        if (regular) {
            QVERIFY2(!error, name);
            QCOMPARE(got, QStringLiteral("7"));
        } else {
            QVERIFY2(throws<ReadError>(error), name);
        }
    }
}

void TestStorage::readsAreCapped_data()
{
    QTest::addColumn<QString>("reader");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("ok");
    const qint64 setting = files::cap::Setting;
    const qint64 document = files::cap::Document;
    QTest::newRow("line file at the cap") << "firstLine" << setting << true;
    QTest::newRow("line file over the cap") << "firstLine" << setting + 1 << false;
    QTest::newRow("line integer over the cap") << "lineInteger" << setting + 1 << false;
    QTest::newRow("integer file over the cap") << "integer" << setting + 1 << false;
    QTest::newRow("byte file over the cap") << "byte" << setting + 1 << false;
    QTest::newRow("memo file over the settings cap") << "memo" << setting + 1 << true;
    QTest::newRow("memo file over the cap") << "memo" << document + 1 << false;
    QTest::newRow("program file over the cap") << "all" << document + 1 << false;
    QTest::newRow("program file in pieces over the cap") << "chunks" << document + 1 << false;
    QTest::newRow("picture over the cap") << "picture" << files::cap::Picture + 1 << false;
}

void TestStorage::readsAreCapped()
{
    QFETCH(QString, reader);
    QFETCH(qint64, size);
    QFETCH(bool, ok);
    TempDrive d;
    const QString p = QStringLiteral("C:\\WooZovDaz9\\big.txt");
    d.put(p, "1");
    {
        // Sparse: the size is there, the disk is not used.
        QFile f(d.native(p));
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.resize(size));
    }
    const std::function<void()> read = reader == QLatin1String("firstLine")     ? std::function<void()>([&] { files::readFirstLine(p); })
                                       : reader == QLatin1String("lineInteger") ? std::function<void()>([&] { files::readLineInteger(p); })
                                       : reader == QLatin1String("integer")     ? std::function<void()>([&] { files::readInteger(p); })
                                       : reader == QLatin1String("byte")        ? std::function<void()>([&] { files::readByte(p); })
                                       : reader == QLatin1String("memo")        ? std::function<void()>([&] { files::readMemo(p); })
                                       : reader == QLatin1String("all")         ? std::function<void()>([&] { files::readAll(p); })
                                       : reader == QLatin1String("chunks")      ? std::function<void()>([&] { files::readChunks(p, [](QByteArrayView) {}); })
                                                                                : std::function<void()>([&] { loadPicture(p); });
    std::exception_ptr error;
    try {
        read();
    } catch (...) {
        error = std::current_exception();
    }
    if (ok) {
        QVERIFY(!error);
        return;
    }
    QVERIFY(throws<ReadError>(error));
    try {
        std::rethrow_exception(error);
    } catch (const ReadError &e) {
        QVERIFY2(QString::fromUtf8(e.what()).contains(QLatin1String("larger than")), e.what());
    }
}

void TestStorage::errorTextsQuoteAnExcerpt_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");
    QTest::newRow("long number") << QByteArray(500000, '9') << QString(QString(60, QLatin1Char('9')) + QChar(0x2026));
    QTest::newRow("nul and letters") << QByteArray("12\0ab", 5) << QString::fromUtf8("12\u2400ab");
    QTest::newRow("escape sequence") << QByteArray("\x1b[2J") << QString::fromUtf8("\u241b[2J");
}

void TestStorage::errorTextsQuoteAnExcerpt()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    TempDrive d;
    const QString p = QStringLiteral("C:\\WooZovDaz9\\COM_Nr.dat");
    d.put(p, bytes);
    try {
        files::readLineInteger(p);
        QFAIL("no error");
    } catch (const ReadError &e) {
        const std::string what = e.what();
        QVERIFY2(what.size() < 500, what.substr(0, 500).c_str());
        QCOMPARE(QString::fromStdString(what), QStringLiteral("'%1' is not a valid integer value (%2)").arg(shown, p));
    }
}

void TestStorage::failedWriteKeepsTheOldFile_data()
{
    QTest::addColumn<QString>("writer");
    QTest::addColumn<WriteStep>("step");
    const QList<std::pair<const char *, WriteStep>> steps{{"create", WriteStep::Create},
                                                          {"write", WriteStep::Write},
                                                          {"sync", WriteStep::Sync},
                                                          {"close", WriteStep::Close},
                                                          {"rename", WriteStep::Rename}};
    for (const char *writer : {"lines", "memo", "integer", "byte", "all", "flag", "copy"})
        for (const auto &[name, step] : steps)
            QTest::addRow("%s, %s fails", writer, name) << QString::fromLatin1(writer) << step;
}

void TestStorage::failedWriteKeepsTheOldFile()
{
    QFETCH(QString, writer);
    QFETCH(WriteStep, step);
    TempDrive d;
    const QString p = QStringLiteral("C:\\WooZovDaz9\\COM_Nr.dat");
    const QString source = QStringLiteral("C:\\Zov_Tool\\source.txt");
    const QByteArray old("old content of the file\r\n");
    d.put(p, old);
    d.put(source, "new content from elsewhere\r\n");
    const QStringList before = entries(d.native(QStringLiteral("C:\\WooZovDaz9")));
    {
        files::testing::WriteFault fault(step);
        const std::function<void()> write =
            writer == QLatin1String("lines")     ? std::function<void()>([&] { files::writeLines(p, {"12"}); })
            : writer == QLatin1String("memo")    ? std::function<void()>([&] { files::writeMemo(p, {{"a", "b"}, text::Encoding::Utf16LE}); })
            : writer == QLatin1String("integer") ? std::function<void()>([&] { files::writeInteger(p, 3); })
            : writer == QLatin1String("byte")    ? std::function<void()>([&] { files::writeByte(p, 3); })
            : writer == QLatin1String("all")     ? std::function<void()>([&] { files::writeAll(p, QByteArray(100000, 'x')); })
            : writer == QLatin1String("flag")    ? std::function<void()>([&] { files::createFlag(p); })
                                                 : std::function<void()>([&] { files::copyFile(source, p); });
        QVERIFY_THROWS_EXCEPTION(WriteError, write());
    }
    QCOMPARE(d.get(p), old);
    QCOMPARE(entries(d.native(QStringLiteral("C:\\WooZovDaz9"))), before);
    // Without the fault the same write goes through.
    files::writeLines(p, {"12"});
    QCOMPARE(d.get(p), QByteArray("12\r\n"));
}

void TestStorage::failedWriteOfANewFileLeavesNothing()
{
    TempDrive d;
    const QString p = QStringLiteral("C:\\WooZovDaz9\\RunZovT.dat");
    QDir().mkpath(d.native(QStringLiteral("C:\\WooZovDaz9")));
    {
        files::testing::WriteFault fault(WriteStep::Close, EIO);
        try {
            files::createFlag(p);
            QFAIL("no error");
        } catch (const WriteError &e) {
            QVERIFY2(QString::fromUtf8(e.what()).contains(p), e.what());
        }
    }
    QVERIFY(!d.has(p));
    QCOMPARE(entries(d.native(QStringLiteral("C:\\WooZovDaz9"))), QStringList());
}

void TestStorage::writeRefusesATargetThatIsNoRegularFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("link to /dev/full") << "full";
    QTest::newRow("fifo") << "fifo";
}

void TestStorage::writeRefusesATargetThatIsNoRegularFile()
{
    QFETCH(QString, kind);
    TempDrive d;
    const QString p = QStringLiteral("C:\\WooZovDaz9\\COM_Nr.dat");
    QDir().mkpath(d.native(QStringLiteral("C:\\WooZovDaz9")));
    const QString n = d.native(p);
    const bool fifo = kind == QLatin1String("fifo");
    if (fifo)
        QCOMPARE(::mkfifo(QFile::encodeName(n).constData(), 0600), 0);
    else
        QVERIFY(QFile::link(QStringLiteral("/dev/full"), n));
    std::exception_ptr error;
    // A writer blocked on the FIFO is released by a reader.
    QVERIFY(returnsInTime([&] { files::writeLines(p, {"5"}); }, n, O_RDONLY, error));
    QVERIFY(throws<WriteError>(error));
    struct stat st {};
    QCOMPARE(::lstat(QFile::encodeName(n).constData(), &st), 0);
    QVERIFY(fifo ? S_ISFIFO(st.st_mode) : S_ISLNK(st.st_mode));
    QCOMPARE(::stat("/dev/full", &st), 0);
    QVERIFY(S_ISCHR(st.st_mode));
}

void TestStorage::writeReplacesTheTargetOfALink()
{
    TempDrive d;
    const QString p = QStringLiteral("C:\\WooZovDaz9\\ZovT_Sett.dat");
    const QString real = QStringLiteral("C:\\Zov_Tool\\ZovT_Sett.dat");
    d.put(real, "0\r\n0\r\n0\r\n");
    QDir().mkpath(d.native(QStringLiteral("C:\\WooZovDaz9")));
    QVERIFY(QFile::link(d.native(real), d.native(p)));
    const QByteArray realPath = QFile::encodeName(d.native(real));
    QCOMPARE(::chmod(realPath.constData(), 0640), 0);
    files::writeLines(p, {"1", "2", "3"});
    QVERIFY(QFileInfo(d.native(p)).isSymLink());
    QCOMPARE(d.get(real), QByteArray("1\r\n2\r\n3\r\n"));
    struct stat st {};
    QCOMPARE(::stat(realPath.constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777, mode_t(0640));
    QCOMPARE(entries(d.native(QStringLiteral("C:\\Zov_Tool"))), QStringList{"ZovT_Sett.dat"});
}

QTEST_GUILESS_MAIN(TestStorage)
#include "tst_storage.moc"
