// libFuzzer target for the PNG decoder: any input must decode or raise
// ReadError, never crash, hang or allocate without bound.
//
// Mutated files almost never keep valid CRCs or zlib streams, so most of them
// would stop at the first check. Each input is therefore decoded up to three
// ways:
//   1. as it is;
//   2. when it starts with the PNG signature, with every chunk's CRC made
//      right, which lets mutations reach the chunk rules and inflate;
//   3. otherwise as a recipe: 13 bytes of IHDR fields, a palette and a tRNS
//      of lengths taken from the input, the rest raw (filtered) image data,
//      which the target compresses and wraps in a well-formed file, so the
//      filters, Adam7 and the pixel conversion see arbitrary data.

#include "storage/PngDecoder.h"

#include <QByteArray>

#include <zlib.h>

#include <cstddef>
#include <cstdint>

namespace {

void decode(const QByteArray &bytes)
{
    try {
        const QImage image = zovt::decodePng(bytes);
        if (image.isNull() || image.format() != QImage::Format_RGBA8888)
            __builtin_trap();
    } catch (const zovt::ReadError &) {
    }
}

quint32 be32(const char *p)
{
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    return (quint32(u[0]) << 24) | (quint32(u[1]) << 16) | (quint32(u[2]) << 8) | quint32(u[3]);
}

void putBe32(QByteArray &b, qsizetype at, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (24 - 8 * i)) & 0xFF);
}

quint32 crcOf(const char *p, qsizetype n)
{
    return quint32(crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef *>(p), uInt(n)));
}

QByteArray withFixedCrcs(QByteArray b)
{
    qsizetype pos = 8;
    while (b.size() - pos >= 12) {
        const quint32 len = be32(b.constData() + pos);
        if (len > quint32(b.size() - pos - 12))
            break;
        putBe32(b, pos + 8 + qsizetype(len), crcOf(b.constData() + pos + 4, qsizetype(len) + 4));
        pos += qsizetype(len) + 12;
    }
    return b;
}

QByteArray chunk(const char *type, const QByteArray &body)
{
    QByteArray c(4, '\0');
    putBe32(c, 0, quint32(body.size()));
    c += QByteArray(type, 4) + body;
    c += QByteArray(4, '\0');
    putBe32(c, c.size() - 4, crcOf(c.constData() + 4, body.size() + 4));
    return c;
}

QByteArray fromRecipe(const QByteArray &in)
{
    if (in.size() < 15)
        return {};
    // Keep pictures small so that the fuzzer spends its time on variety.
    QByteArray ihdr = in.left(13);
    putBe32(ihdr, 0, 1 + be32(ihdr.constData()) % 200);
    putBe32(ihdr, 4, 1 + be32(ihdr.constData() + 4) % 200);
    qsizetype pos = 13;
    const int paletteEntries = quint8(in[pos++]);
    const int trnsLength = quint8(in[pos++]) % 16;
    const QByteArray palette = in.mid(pos, paletteEntries * 3);
    pos += palette.size();
    const QByteArray trns = in.mid(pos, trnsLength);
    pos += trns.size();
    const QByteArray raw = in.mid(pos);

    uLongf size = compressBound(uLong(raw.size()));
    QByteArray z(qsizetype(size), '\0');
    if (compress2(reinterpret_cast<Bytef *>(z.data()), &size, reinterpret_cast<const Bytef *>(raw.constData()),
                  uLong(raw.size()), 1) != Z_OK)
        return {};
    z.resize(qsizetype(size));

    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    png += chunk("IHDR", ihdr);
    if (paletteEntries > 0)
        png += chunk("PLTE", palette);
    if (trnsLength > 0)
        png += chunk("tRNS", trns);
    png += chunk("IDAT", z);
    png += chunk("IEND", {});
    return png;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    decode(bytes);
    if (zovt::hasPngSignature(bytes))
        decode(withFixedCrcs(QByteArray(bytes.constData(), bytes.size())));
    else if (const QByteArray png = fromRecipe(bytes); !png.isEmpty())
        decode(png);
    return 0;
}
