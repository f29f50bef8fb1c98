// Picture loading: the PNG decoder, the JPEG decoder and the loader that picks
// between them, checked against the public PNG and JPEG suites (reference
// pixel hashes in their MANIFEST files), hand-made malformed PNG files and
// the project's own default pictures.

#include "storage/DataFiles.h"
#include "storage/JpegDecoder.h"
#include "storage/Picture.h"
#include "storage/PngDecoder.h"
#include "support/TempDrive.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QtTest>

#include <zlib.h>

using namespace zovt;
using zovt::test::TempDrive;

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return f.readAll();
}

// SHA-256 of the pixels, rows top to bottom without padding, as 8-bit RGBA
// (PNG suite) or RGB (JPEG suite).
QByteArray pixelHash(const QImage &image, QImage::Format format, int bytesPerPixel)
{
    const QImage img = image.convertToFormat(format);
    QCryptographicHash h(QCryptographicHash::Sha256);
    for (int y = 0; y < img.height(); ++y)
        h.addData(QByteArrayView(reinterpret_cast<const char *>(img.constScanLine(y)),
                                 qsizetype(img.width()) * bytesPerPixel));
    return h.result().toHex();
}

// Rows of a suite's MANIFEST.tsv: comments and the column header left out.
QList<QStringList> manifest(const QString &suite)
{
    QList<QStringList> rows;
    const QList<QByteArray> lines = readFile(suite + QStringLiteral("/MANIFEST.tsv")).split('\n');
    for (const QByteArray &line : lines) {
        if (line.trimmed().isEmpty() || line.startsWith('#') || line.startsWith("file\t"))
            continue;
        rows << QString::fromUtf8(line).split(QLatin1Char('\t'));
    }
    return rows;
}

// One row per file of a public suite: its path, whether it must decode, its
// size, and the reference hash from the manifest's column hashColumn.
void suiteRows(const QString &suite, int hashColumn)
{
    const QString dir = zovt::test::sharedTestData();
    if (dir.isEmpty())
        QSKIP("public image suites not found");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QByteArray>("hash");
    const QString folder = dir + QLatin1Char('/') + suite;
    for (const QStringList &r : manifest(folder)) {
        QTest::newRow(qPrintable(r.value(0))) << folder + QLatin1Char('/') + r.value(0) << (r.value(1) == QLatin1String("ok"))
                                              << r.value(2).toInt() << r.value(3).toInt()
                                              << r.value(hashColumn).toLatin1();
    }
}

// --- hand-made PNG files ---

QByteArray be32(quint32 v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = char((v >> (24 - 8 * i)) & 0xFF);
    return b;
}

QByteArray chunk(const char *type, const QByteArray &body)
{
    const QByteArray typed = QByteArray(type, 4) + body;
    const uLong crc = crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef *>(typed.constData()), uInt(typed.size()));
    return be32(quint32(body.size())) + typed + be32(quint32(crc));
}

QByteArray ihdrBody(quint32 w, quint32 h, int depth, int colourType, int interlace = 0, int compression = 0,
                    int filter = 0)
{
    QByteArray b = be32(w) + be32(h);
    b += char(depth);
    b += char(colourType);
    b += char(compression);
    b += char(filter);
    b += char(interlace);
    return b;
}

QByteArray zlibOf(const QByteArray &raw)
{
    uLongf size = compressBound(uLong(raw.size()));
    QByteArray out(qsizetype(size), '\0');
    if (compress2(reinterpret_cast<Bytef *>(out.data()), &size, reinterpret_cast<const Bytef *>(raw.constData()),
                  uLong(raw.size()), 9) != Z_OK)
        qFatal("compress2 failed");
    out.resize(qsizetype(size));
    return out;
}

const QByteArray kSignature("\x89PNG\r\n\x1a\n", 8);

QByteArray png(const QList<QByteArray> &chunks)
{
    QByteArray b = kSignature;
    for (const QByteArray &c : chunks)
        b += c;
    return b;
}

// A 2x2 RGB picture, rows unfiltered: red, green / blue, white.
const QByteArray kRgbRows = QByteArray::fromHex("00" "ff0000" "00ff00"
                                                "00" "0000ff" "ffffff");
// A 2x2 palette picture with indices 0 1 / 1 0.
const QByteArray kPaletteRows = QByteArray::fromHex("00" "40" "00" "80");
const QByteArray kPalette = QByteArray::fromHex("ff0000" "00ff00");

QByteArray rgbPng(const QList<QByteArray> &beforeIdat = {}, const QByteArray &rows = kRgbRows)
{
    QList<QByteArray> c{chunk("IHDR", ihdrBody(2, 2, 8, 2))};
    c += beforeIdat;
    c << chunk("IDAT", zlibOf(rows)) << chunk("IEND", {});
    return png(c);
}

QByteArray withIhdr(const QByteArray &ihdr, const QByteArray &rows = kRgbRows)
{
    return png({chunk("IHDR", ihdr), chunk("IDAT", zlibOf(rows)), chunk("IEND", {})});
}

QByteArray palettePng(const QList<QByteArray> &middle, const QByteArray &rows = kPaletteRows)
{
    QList<QByteArray> c{chunk("IHDR", ihdrBody(2, 2, 1, 3))};
    c += middle;
    c << chunk("IDAT", zlibOf(rows)) << chunk("IEND", {});
    return png(c);
}

QByteArray flipByte(QByteArray b, qsizetype at)
{
    b[at] = char(b[at] ^ 0x01);
    return b;
}

const QString kPics = QStringLiteral("C:\\WooZovDaz9\\PicWorvat\\");

} // namespace

class TestPictures : public QObject {
    Q_OBJECT
private slots:
    void pngSuite_data();
    void pngSuite();
    void jpegSuite_data();
    void jpegSuite();

    void handMadePng_data();
    void handMadePng();
    void malformedPng_data();
    void malformedPng();
    void malformedJpeg_data();
    void malformedJpeg();

    void highDensityVariantName_data();
    void highDensityVariantName();
    void sharpTwinOnlyBesideItsOwnPicture_data();
    void sharpTwinOnlyBesideItsOwnPicture();

    void loaderPicksDecoderByContent_data();
    void loaderPicksDecoderByContent();
    void loaderRefusesUndecodable_data();
    void loaderRefusesUndecodable();
    void missingPictureIsReadError();
    void changedPictureIsReadAgain();
    void defaultPicturesAreComplete();
    void defaultPicturesLoad_data();
    void defaultPicturesLoad();
};

void TestPictures::pngSuite_data() { suiteRows(QStringLiteral("pngsuite"), 4); }

void TestPictures::pngSuite()
{
    QFETCH(QString, path);
    QFETCH(bool, ok);
    const QByteArray data = readFile(path);
    if (!ok) {
        QVERIFY_THROWS_EXCEPTION(ReadError, decodePng(data));
        return;
    }
    const QImage image = decodePng(data);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QByteArray, hash);
    QCOMPARE(image.size(), QSize(width, height));
    QCOMPARE(pixelHash(image, QImage::Format_RGBA8888, 4), hash);
}

void TestPictures::jpegSuite_data() { suiteRows(QStringLiteral("jpeg"), 5); }

void TestPictures::jpegSuite()
{
    QFETCH(QString, path);
    QFETCH(bool, ok);
    const QByteArray data = readFile(path);
    if (!ok) {
        // Corrupt files, and valid ones beyond an 8-bit libjpeg (12-bit samples).
        QVERIFY_THROWS_EXCEPTION(ReadError, decodeJpeg(data));
        return;
    }
    const QImage image = decodeJpeg(data);
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QByteArray, hash);
    QCOMPARE(image.size(), QSize(width, height));
    QCOMPARE(pixelHash(image, QImage::Format_RGB888, 3), hash);
}

// Cases the suite leaves out; the first row is the base that the malformed
// files below each break in one place.
void TestPictures::handMadePng_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QList<QRgb>>("pixels"); // row by row, as straight ARGB

    const QList<QRgb> rgb{0xffff0000, 0xff00ff00, 0xff0000ff, 0xffffffff};
    QTest::newRow("base RGB") << rgbPng() << QSize(2, 2) << rgb;
    QTest::newRow("unknown ancillary chunk skipped")
        << rgbPng({chunk("zzPx", "whatever")}) << QSize(2, 2) << rgb;
    QTest::newRow("IDAT split in one-byte chunks") << [] {
        const QByteArray z = zlibOf(kRgbRows);
        QList<QByteArray> c{chunk("IHDR", ihdrBody(2, 2, 8, 2))};
        for (char b : z)
            c << chunk("IDAT", QByteArray(1, b));
        c << chunk("IEND", {});
        return png(c);
    }() << QSize(2, 2) << rgb;
    QTest::newRow("data after IEND ignored") << rgbPng() + "trailing" << QSize(2, 2) << rgb;
    QTest::newRow("palette with short tRNS")
        << palettePng({chunk("PLTE", kPalette), chunk("tRNS", QByteArray(1, '\x80'))}) << QSize(2, 2)
        << QList<QRgb>{0x80ff0000, 0xff00ff00, 0xff00ff00, 0x80ff0000};
    QTest::newRow("RGB tRNS matches whole pixel only")
        << rgbPng({chunk("tRNS", QByteArray::fromHex("00ff" "0000" "0000"))}) << QSize(2, 2)
        << QList<QRgb>{0x00ff0000, 0xff00ff00, 0xff0000ff, 0xffffffff};
    QTest::newRow("grey 16 tRNS compared at 16 bits")
        << withIhdr(ihdrBody(2, 1, 16, 0), QByteArray::fromHex("00" "1234" "1235"))
               .replace(33, 0, chunk("tRNS", QByteArray::fromHex("1235")))
        << QSize(2, 1) << QList<QRgb>{0xff121212, 0x00121212};
}

void TestPictures::handMadePng()
{
    QFETCH(QByteArray, data);
    QFETCH(QSize, size);
    QFETCH(QList<QRgb>, pixels);
    const QImage image = decodePng(data);
    QCOMPARE(image.format(), QImage::Format_RGBA8888);
    QCOMPARE(image.size(), size);
    QList<QRgb> got;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            got << image.pixel(x, y);
    QCOMPARE(got, pixels);
}

// Each file breaks one rule; the reason shows that it is refused for that rule
// and not for some other damage done while making it.
void TestPictures::malformedPng_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("reason");
    const auto add = [](const char *name, const QByteArray &data, const char *reason) {
        QTest::newRow(name) << data << QString::fromLatin1(reason);
    };
    const QByteArray good = rgbPng();
    const qsizetype idatAt = 8 + 25; // signature + IHDR chunk
    const QByteArray z = zlibOf(kRgbRows);
    const QByteArray ihdr = chunk("IHDR", ihdrBody(2, 2, 8, 2));
    const QByteArray iend = chunk("IEND", {});

    add("empty", QByteArray(), "bad signature");
    add("bad signature", flipByte(good, 1), "bad signature");
    add("signature only", kSignature, "file ends before IEND");
    add("bad IHDR CRC", flipByte(good, idatAt - 1), "CRC error in chunk IHDR");
    add("bad byte inside IHDR", flipByte(good, 8 + 8 + 3), "CRC error in chunk IHDR");
    add("bad IDAT CRC", flipByte(good, good.size() - 13), "CRC error in chunk IDAT");
    add("cut inside IHDR", good.left(20), "chunk cut short");
    add("cut after IHDR", good.left(idatAt), "file ends before IEND");
    add("cut inside IDAT", good.left(idatAt + 12), "chunk cut short");
    add("IEND missing", good.left(good.size() - 12), "file ends before IEND");
    add("cut inside IEND", good.left(good.size() - 2), "chunk cut short");

    add("zero width", withIhdr(ihdrBody(0, 2, 8, 2)), "zero width or height");
    add("zero height", withIhdr(ihdrBody(2, 0, 8, 2)), "zero width or height");
    add("width beyond 2^31", withIhdr(ihdrBody(0x80000000u, 2, 8, 2)), "out of range");
    add("width beyond cap", withIhdr(ihdrBody(20000, 1, 8, 2)), "too large");
    add("pixels beyond budget", withIhdr(ihdrBody(16384, 16384, 8, 6)), "too large");
    add("large header, little data", withIhdr(ihdrBody(16000, 1000, 16, 6)), "too little image data");
    add("colour type 1", withIhdr(ihdrBody(2, 2, 8, 1)), "invalid colour type");
    add("colour type 7", withIhdr(ihdrBody(2, 2, 8, 7)), "invalid colour type");
    add("RGB with depth 4", withIhdr(ihdrBody(2, 2, 4, 2)), "bit depth 4 not allowed");
    add("palette with depth 16", withIhdr(ihdrBody(2, 2, 16, 3)), "bit depth 16 not allowed");
    add("grey alpha with depth 1", withIhdr(ihdrBody(2, 2, 1, 4)), "bit depth 1 not allowed");
    add("grey with depth 0", withIhdr(ihdrBody(2, 2, 0, 0)), "bit depth 0 not allowed");
    add("compression method 1", withIhdr(ihdrBody(2, 2, 8, 2, 0, 1)), "compression method");
    add("filter method 1", withIhdr(ihdrBody(2, 2, 8, 2, 0, 0, 1)), "filter method");
    add("interlace method 2", withIhdr(ihdrBody(2, 2, 8, 2, 2)), "interlace method");
    add("IHDR too long", withIhdr(ihdrBody(2, 2, 8, 2) + '\0'), "IHDR has the wrong length");
    add("IHDR not first", png({chunk("tEXt", "a"), ihdr, chunk("IDAT", z), iend}), "IHDR is not the first");
    add("second IHDR", rgbPng({ihdr}), "second IHDR");

    add("filter type 5", rgbPng({}, QByteArray(kRgbRows).replace(7, 1, "\x05")), "invalid filter type 5");
    add("inflate garbage", png({ihdr, chunk("IDAT", "this is not a zlib stream"), iend}), "inflate");
    add("bad Adler-32", png({ihdr, chunk("IDAT", flipByte(z, z.size() - 1)), iend}), "inflate");
    add("zlib stream cut", png({ihdr, chunk("IDAT", z.left(z.size() - 5)), iend}), "ends early");
    add("one row of data", rgbPng({}, kRgbRows.left(7)), "too little image data");
    add("one byte short", rgbPng({}, kRgbRows.left(kRgbRows.size() - 1)), "too little image data");
    add("one row too many", rgbPng({}, kRgbRows + QByteArray(7, '\0')), "too much image data");
    add("interlaced, one byte short",
        withIhdr(ihdrBody(2, 2, 8, 2, 1), QByteArray::fromHex("00ff0000" "0000ff00" "00" "0000ff" "ffff")),
        "too little image data");
    add("IDAT missing", png({ihdr, iend}), "IDAT missing");
    add("IDAT not consecutive", png({ihdr, chunk("IDAT", z.left(4)), chunk("tEXt", "a"), chunk("IDAT", z.mid(4)), iend}),
        "not consecutive");
    add("IEND with data", png({ihdr, chunk("IDAT", z), chunk("IEND", "x")}), "IEND is not empty");

    add("PLTE missing", palettePng({}), "PLTE missing");
    add("PLTE length not a multiple of 3", palettePng({chunk("PLTE", kPalette.left(5))}), "PLTE has an invalid length");
    add("PLTE empty", palettePng({chunk("PLTE", {})}), "PLTE has an invalid length");
    add("PLTE of 257 entries", palettePng({chunk("PLTE", QByteArray(257 * 3, '\x10'))}), "PLTE has an invalid length");
    add("second PLTE", palettePng({chunk("PLTE", kPalette), chunk("PLTE", kPalette)}), "second PLTE");
    add("PLTE after IDAT", png({ihdr, chunk("IDAT", z), chunk("PLTE", kPalette), iend}), "PLTE after image data");
    add("PLTE in grey picture",
        withIhdr(ihdrBody(2, 2, 8, 0), QByteArray(6, '\0')).replace(idatAt, 0, chunk("PLTE", kPalette)),
        "PLTE in a grey picture");
    add("palette index out of range", palettePng({chunk("PLTE", kPalette.left(3))}), "palette index 1 out of range");
    add("tRNS longer than palette", palettePng({chunk("PLTE", kPalette), chunk("tRNS", QByteArray(3, '\0'))}),
        "tRNS longer than the palette");
    add("tRNS before PLTE", palettePng({chunk("tRNS", QByteArray(1, '\0')), chunk("PLTE", kPalette)}),
        "tRNS before PLTE");
    add("RGB tRNS of wrong length", rgbPng({chunk("tRNS", QByteArray(2, '\0'))}), "tRNS has the wrong length");
    add("tRNS in RGBA picture",
        withIhdr(ihdrBody(1, 1, 8, 6), QByteArray(5, '\0')).replace(idatAt, 0, chunk("tRNS", QByteArray(6, '\0'))),
        "alpha channel");

    add("unknown critical chunk", rgbPng({chunk("ABCD", "x")}), "unknown critical chunk ABCD");
    add("chunk type not letters", rgbPng({chunk("a1cd", "x")}), "invalid chunk type");
    add("chunk length 2^32-1", QByteArray(good).replace(idatAt, 4, be32(0xFFFFFFFFu)), "chunk length out of range");
    add("chunk length past end", QByteArray(good).replace(idatAt, 4, be32(0x1000)), "chunk cut short");
}

void TestPictures::malformedPng()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, reason);
    try {
        decodePng(data);
        QFAIL("no error");
    } catch (const ReadError &e) {
        QVERIFY2(QString::fromStdString(e.what()).contains(reason), e.what());
    }
}

void TestPictures::malformedJpeg_data()
{
    QTest::addColumn<QByteArray>("data");
    const QByteArray good = readFile(QStringLiteral(ZOVT_SOURCE_DIR "/data/PicWorvat/1RED.jpg"));
    QVERIFY(!decodeJpeg(good).isNull());
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("start marker only") << good.left(2);
    QTest::newRow("cut in the header") << good.left(good.size() / 4);
    QTest::newRow("cut in the scan") << good.left(good.size() * 3 / 4);
    QTest::newRow("end marker missing") << good.left(good.size() - 2);
    QTest::newRow("garbage after start marker") << QByteArray("\xFF\xD8") + QByteArray(200, 'x');
}

void TestPictures::malformedJpeg()
{
    QFETCH(QByteArray, data);
    QVERIFY_THROWS_EXCEPTION(ReadError, decodeJpeg(data));
}

void TestPictures::loaderPicksDecoderByContent_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QSize>("size");
    const QByteArray jpeg = readFile(QStringLiteral(ZOVT_SOURCE_DIR "/data/PicWorvat/4GREEN.jpg"));
    const QSize jpegSize = decodeJpeg(jpeg).size();
    QTest::newRow("PNG as .png") << QStringLiteral("a.png") << rgbPng() << QSize(2, 2);
    QTest::newRow("PNG named .jpg") << QStringLiteral("b.jpg") << rgbPng() << QSize(2, 2);
    QTest::newRow("JPEG named .PNG") << QStringLiteral("c.PNG") << jpeg << jpegSize;
    QTest::newRow("JPEG without extension") << QStringLiteral("d") << jpeg << jpegSize;
}

void TestPictures::loaderPicksDecoderByContent()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, data);
    QFETCH(QSize, size);
    TempDrive d;
    d.put(kPics + name, data);
    QCOMPARE(loadPicture(kPics + name).size(), size);
}

// Whatever fails, the message names the picture.
void TestPictures::loaderRefusesUndecodable_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("reason");
    QTest::newRow("text named .png") << QStringLiteral("x.png") << QByteArray("hello") << QStringLiteral("PNG");
    QTest::newRow("text named .jpeg") << QStringLiteral("x.jpeg") << QByteArray("hello") << QStringLiteral("JPEG");
    QTest::newRow("text named .bmp") << QStringLiteral("x.bmp") << QByteArray("hello")
                                     << QStringLiteral("unknown picture format");
    QTest::newRow("empty .jpg") << QStringLiteral("x.jpg") << QByteArray() << QStringLiteral("JPEG");
    QTest::newRow("cut PNG") << QStringLiteral("x.png") << rgbPng().left(40) << QStringLiteral("PNG");
}

void TestPictures::loaderRefusesUndecodable()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, data);
    QFETCH(QString, reason);
    TempDrive d;
    d.put(kPics + name, data);
    try {
        loadPicture(kPics + name);
        QFAIL("no error");
    } catch (const ReadError &e) {
        const QString msg = QString::fromStdString(e.what());
        QVERIFY2(msg.contains(kPics + name) && msg.contains(reason), qPrintable(msg));
    }
}

void TestPictures::missingPictureIsReadError()
{
    TempDrive d;
    d.installPictures();
    const QString path = kPics + QStringLiteral("5BLUE.jpg");
    try {
        loadPicture(path);
        QFAIL("no error");
    } catch (const ReadError &e) {
        QVERIFY2(QString::fromStdString(e.what()).contains(path), e.what());
    }
}

// Pictures are kept once decoded, but never past a change of their file.
void TestPictures::changedPictureIsReadAgain()
{
    TempDrive d;
    const QString path = kPics + QStringLiteral("lamp.png");
    const QByteArray jpeg = readFile(QStringLiteral(ZOVT_SOURCE_DIR "/data/PicWorvat/4GREEN.jpg"));
    d.put(path, rgbPng());
    QCOMPARE(loadPicture(path).size(), QSize(2, 2));
    QCOMPARE(loadPicture(path).size(), QSize(2, 2));
    d.put(path, jpeg);
    QCOMPARE(loadPicture(path).size(), decodeJpeg(jpeg).size());
    QVERIFY(QFile::remove(d.native(path)));
    QVERIFY_THROWS_EXCEPTION(ReadError, loadPicture(path));
}

void TestPictures::defaultPicturesAreComplete()
{
    const QDir dir(QStringLiteral(ZOVT_SOURCE_DIR "/data/PicWorvat"));
    QStringList names{QStringLiteral("1RED.jpg"), QStringLiteral("2ORANGE.jpg"), QStringLiteral("3YELLOW.jpg"),
                      QStringLiteral("4GREEN.jpg"), QStringLiteral("TherapyL0.png"), QStringLiteral("TherapyLA.png")};
    for (int i = 1; i <= 28; ++i)
        names << QStringLiteral("TherapyL%1.png").arg(i);
    for (const QString &n : names)
        QVERIFY2(dir.exists(n), qPrintable(n));

    // The frames and the idle picture take turns in one control.
    const QSize idle = decodePng(readFile(dir.filePath(QStringLiteral("TherapyLA.png")))).size();
    for (int i = 1; i <= 28; ++i)
        QCOMPARE(decodePng(readFile(dir.filePath(QStringLiteral("TherapyL%1.png").arg(i)))).size(), idle);
}

void TestPictures::defaultPicturesLoad_data()
{
    QTest::addColumn<QString>("name");
    const QDir dir(QStringLiteral(ZOVT_SOURCE_DIR "/data/PicWorvat"));
    for (const QString &n : dir.entryList(QDir::Files, QDir::Name))
        QTest::newRow(qPrintable(n)) << n;
}

void TestPictures::defaultPicturesLoad()
{
    QFETCH(QString, name);
    TempDrive d;
    d.installPictures();
    const QImage image = loadPicture(kPics + name);
    QVERIFY(!image.isNull());
}

void TestPictures::highDensityVariantName_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("variant");
    QTest::newRow("jpeg") << "C:\\WooZovDaz9\\PicWorvat\\1RED.jpg" << "C:\\WooZovDaz9\\PicWorvat\\1RED@2x.jpg";
    QTest::newRow("two dots") << "C:\\P\\a.b.png" << "C:\\P\\a.b@2x.png";
    QTest::newRow("dot in a folder only") << "C:\\P.x\\name" << "C:\\P.x\\name@2x";
    QTest::newRow("hidden-style name") << "C:\\P\\.png" << "C:\\P\\.png@2x";
}

void TestPictures::highDensityVariantName()
{
    QFETCH(QString, path);
    QFETCH(QString, variant);
    QCOMPARE(highDensityVariant(path), variant);
}

void TestPictures::sharpTwinOnlyBesideItsOwnPicture_data()
{
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<QString>("twin"); // "" none, "double", "same size", "older", "broken"
    QTest::addColumn<bool>("sharp");   // the twin is shown
    QTest::newRow("2x screen, twin") << qreal(2) << "double" << true;
    QTest::newRow("1.5x screen, twin") << qreal(1.5) << "double" << true;
    QTest::newRow("1x screen") << qreal(1) << "double" << false;
    QTest::newRow("no twin") << qreal(2) << "" << false;
    QTest::newRow("twin not twice the size") << qreal(2) << "same size" << false;
    QTest::newRow("the user's newer picture") << qreal(2) << "older" << false;
    QTest::newRow("broken twin") << qreal(2) << "broken" << false;
}

// A user's own picture in place of a default one is the one shown, also on
// a dense screen where the default's sharper twin lies beside it.
void TestPictures::sharpTwinOnlyBesideItsOwnPicture()
{
    QFETCH(qreal, ratio);
    QFETCH(QString, twin);
    QFETCH(bool, sharp);
    TempDrive d;
    const QString path = QStringLiteral("C:\\WooZovDaz9\\PicWorvat\\1RED.png");
    const auto png = [](const QSize &size, Qt::GlobalColor c) {
        QImage img(size, QImage::Format_RGB32);
        img.fill(c);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        img.save(&buffer, "PNG");
        return bytes;
    };
    d.put(path, png(QSize(14, 7), Qt::red));
    const QString variant = highDensityVariant(path);
    if (twin == QLatin1String("double") || twin == QLatin1String("older"))
        d.put(variant, png(QSize(28, 14), Qt::green));
    else if (twin == QLatin1String("same size"))
        d.put(variant, png(QSize(14, 7), Qt::green));
    else if (twin == QLatin1String("broken"))
        d.put(variant, QByteArray("\x89PNG\r\n\x1a\nnot really"));
    if (twin == QLatin1String("older")) {
        QFile f(d.native(variant));
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    }
    const QImage shown = loadPictureFor(path, ratio);
    QCOMPARE(shown.pixelColor(0, 0), sharp ? QColor(Qt::green) : QColor(Qt::red));
    QCOMPARE(shown.devicePixelRatio(), sharp ? 2.0 : 1.0);
}

QTEST_GUILESS_MAIN(TestPictures)
#include "tst_pictures.moc"
