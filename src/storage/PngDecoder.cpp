#include "storage/PngDecoder.h"

#define ZLIB_CONST
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace zovt {

namespace {

constexpr std::array<unsigned char, 8> kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

[[noreturn]] void fail(const std::string &why)
{
    throw ReadError("PNG: " + why);
}

std::uint32_t be32(const unsigned char *p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | std::uint32_t(p[3]);
}

constexpr std::uint32_t tag(const char (&s)[5])
{
    return (std::uint32_t(std::uint8_t(s[0])) << 24) | (std::uint32_t(std::uint8_t(s[1])) << 16)
        | (std::uint32_t(std::uint8_t(s[2])) << 8) | std::uint32_t(std::uint8_t(s[3]));
}

std::string tagName(const unsigned char *p)
{
    return std::string(reinterpret_cast<const char *>(p), 4);
}

bool isLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

enum ColourType { Grey = 0, Rgb = 2, Palette = 3, GreyAlpha = 4, RgbAlpha = 6 };

struct Header {
    int width = 0;
    int height = 0;
    int depth = 0;
    int colourType = 0;
    bool interlaced = false;
    int channels = 0;
};

int channelsOf(int colourType)
{
    switch (colourType) {
    case Grey: return 1;
    case Rgb: return 3;
    case Palette: return 1;
    case GreyAlpha: return 2;
    case RgbAlpha: return 4;
    default: return 0;
    }
}

bool depthAllowed(int colourType, int depth)
{
    switch (colourType) {
    case Grey: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case Palette: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case Rgb:
    case GreyAlpha:
    case RgbAlpha: return depth == 8 || depth == 16;
    default: return false;
    }
}

Header parseHeader(const unsigned char *p, std::uint32_t len)
{
    if (len != 13)
        fail("IHDR has the wrong length");
    const std::uint32_t w = be32(p);
    const std::uint32_t h = be32(p + 4);
    if (w == 0 || h == 0)
        fail("zero width or height");
    if (w > 0x7FFFFFFFu || h > 0x7FFFFFFFu)
        fail("width or height out of range");
    if (w > std::uint32_t(kMaxPngSide) || h > std::uint32_t(kMaxPngSide) || qint64(w) * qint64(h) > kMaxPngPixels)
        fail("picture too large (" + std::to_string(w) + "x" + std::to_string(h) + ")");
    Header hd;
    hd.width = int(w);
    hd.height = int(h);
    hd.depth = p[8];
    hd.colourType = p[9];
    hd.channels = channelsOf(hd.colourType);
    if (hd.channels == 0)
        fail("invalid colour type " + std::to_string(hd.colourType));
    if (!depthAllowed(hd.colourType, hd.depth))
        fail("bit depth " + std::to_string(hd.depth) + " not allowed for colour type " + std::to_string(hd.colourType));
    if (p[10] != 0)
        fail("unknown compression method");
    if (p[11] != 0)
        fail("unknown filter method");
    if (p[12] > 1)
        fail("unknown interlace method");
    hd.interlaced = p[12] == 1;
    return hd;
}

// One sub-image of the picture: the whole of it, or one of Adam7's seven passes.
struct Pass {
    int x0, y0, dx, dy;
};
constexpr Pass kWhole[1] = {{0, 0, 1, 1}};
constexpr Pass kAdam7[7] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                            {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};

int passExtent(int size, int start, int step) { return size > start ? (size - start + step - 1) / step : 0; }

std::size_t rowBytes(const Header &h, int pixels)
{
    return (std::size_t(pixels) * std::size_t(h.channels) * std::size_t(h.depth) + 7) / 8;
}

class Inflater {
public:
    Inflater()
    {
        if (inflateInit(&m_z) != Z_OK)
            fail("cannot start inflate");
    }
    ~Inflater() { inflateEnd(&m_z); }
    Inflater(const Inflater &) = delete;
    Inflater &operator=(const Inflater &) = delete;

    // Inflates the whole stream, which must yield exactly 'expected' bytes.
    // The output buffer grows with what inflate delivers, never ahead of it by
    // more than a factor of two, and never past expected + 1.
    std::vector<unsigned char> run(const std::vector<unsigned char> &in, std::size_t expected)
    {
        std::vector<unsigned char> out(std::min<std::size_t>(expected + 1, 1u << 16));
        m_z.next_in = in.data();
        m_z.avail_in = uInt(in.size());
        std::size_t produced = 0;
        for (;;) {
            if (produced == out.size()) {
                if (out.size() > expected)
                    fail("too much image data");
                out.resize(std::min<std::size_t>(expected + 1, out.size() * 2));
            }
            m_z.next_out = out.data() + produced;
            const std::size_t room = std::min<std::size_t>(out.size() - produced, 1u << 30);
            m_z.avail_out = uInt(room);
            const int rc = inflate(&m_z, Z_NO_FLUSH);
            produced += room - m_z.avail_out;
            if (rc == Z_STREAM_END)
                break;
            if (rc == Z_BUF_ERROR)
                fail("image data ends early");
            if (rc != Z_OK)
                fail(std::string("inflate: ") + (m_z.msg ? m_z.msg : "error " + std::to_string(rc)));
        }
        if (produced > expected)
            fail("too much image data");
        if (produced < expected)
            fail("too little image data");
        out.resize(produced);
        return out;
    }

private:
    z_stream m_z{};
};

int paeth(int a, int b, int c)
{
    const int p = a + b - c;
    const int pa = std::abs(p - a);
    const int pb = std::abs(p - b);
    const int pc = std::abs(p - c);
    if (pa <= pb && pa <= pc)
        return a;
    return pb <= pc ? b : c;
}

// Undoes the filter of one row in place; 'prev' is the row above, already
// unfiltered, or null for the first row of a pass.
void unfilter(int type, unsigned char *row, const unsigned char *prev, std::size_t len, std::size_t bpp)
{
    switch (type) {
    case 0:
        break;
    case 1:
        for (std::size_t i = bpp; i < len; ++i)
            row[i] = (unsigned char)(row[i] + row[i - bpp]);
        break;
    case 2:
        if (prev)
            for (std::size_t i = 0; i < len; ++i)
                row[i] = (unsigned char)(row[i] + prev[i]);
        break;
    case 3:
        for (std::size_t i = 0; i < len; ++i) {
            const int left = i >= bpp ? row[i - bpp] : 0;
            const int up = prev ? prev[i] : 0;
            row[i] = (unsigned char)(row[i] + ((left + up) >> 1));
        }
        break;
    case 4:
        for (std::size_t i = 0; i < len; ++i) {
            const int left = i >= bpp ? row[i - bpp] : 0;
            const int up = prev ? prev[i] : 0;
            const int upLeft = (prev && i >= bpp) ? prev[i - bpp] : 0;
            row[i] = (unsigned char)(row[i] + paeth(left, up, upLeft));
        }
        break;
    default:
        fail("invalid filter type " + std::to_string(type));
    }
}

struct Transparency {
    bool present = false;
    std::uint16_t grey = 0;
    std::uint16_t rgb[3] = {0, 0, 0};
    std::vector<unsigned char> paletteAlpha;
};

struct Converter {
    const Header &h;
    const std::vector<unsigned char> &palette; // RGB triples
    const Transparency &trns;

    unsigned sample(const unsigned char *row, int index) const
    {
        switch (h.depth) {
        case 8:
            return row[index];
        case 16:
            return (unsigned(row[2 * index]) << 8) | row[2 * index + 1];
        default: {
            const std::size_t bit = std::size_t(index) * std::size_t(h.depth);
            const int shift = 8 - h.depth - int(bit & 7);
            return (row[bit >> 3] >> shift) & ((1u << h.depth) - 1);
        }
        }
    }

    unsigned char toByte(unsigned v) const
    {
        switch (h.depth) {
        case 1: return (unsigned char)(v * 255);
        case 2: return (unsigned char)(v * 85);
        case 4: return (unsigned char)(v * 17);
        case 16: return (unsigned char)(v >> 8);
        default: return (unsigned char)v;
        }
    }

    void row(const unsigned char *src, int count, unsigned char *dst, int step) const
    {
        const std::size_t stride = std::size_t(step) * 4;
        for (int i = 0; i < count; ++i, dst += stride) {
            const int s = i * h.channels;
            switch (h.colourType) {
            case Grey: {
                const unsigned v = sample(src, s);
                dst[0] = dst[1] = dst[2] = toByte(v);
                dst[3] = (trns.present && v == trns.grey) ? 0 : 255;
                break;
            }
            case Rgb: {
                const unsigned r = sample(src, s), g = sample(src, s + 1), b = sample(src, s + 2);
                dst[0] = toByte(r);
                dst[1] = toByte(g);
                dst[2] = toByte(b);
                dst[3] = (trns.present && r == trns.rgb[0] && g == trns.rgb[1] && b == trns.rgb[2]) ? 0 : 255;
                break;
            }
            case Palette: {
                const unsigned v = sample(src, s);
                if (std::size_t(v) * 3 >= palette.size())
                    fail("palette index " + std::to_string(v) + " out of range");
                std::memcpy(dst, palette.data() + std::size_t(v) * 3, 3);
                dst[3] = v < trns.paletteAlpha.size() ? trns.paletteAlpha[v] : 255;
                break;
            }
            case GreyAlpha:
                dst[0] = dst[1] = dst[2] = toByte(sample(src, s));
                dst[3] = toByte(sample(src, s + 1));
                break;
            case RgbAlpha:
                dst[0] = toByte(sample(src, s));
                dst[1] = toByte(sample(src, s + 1));
                dst[2] = toByte(sample(src, s + 2));
                dst[3] = toByte(sample(src, s + 3));
                break;
            }
        }
    }
};

} // namespace

bool hasPngSignature(const QByteArray &data)
{
    return data.size() >= 8 && std::memcmp(data.constData(), kSignature.data(), 8) == 0;
}

QImage decodePng(const QByteArray &data)
{
    if (!hasPngSignature(data))
        fail("not a PNG file (bad signature)");
    const auto *d = reinterpret_cast<const unsigned char *>(data.constData());
    const std::size_t n = std::size_t(data.size());
    std::size_t pos = 8;

    Header h;
    bool haveHeader = false;
    bool seenIdat = false;
    bool idatClosed = false;
    std::vector<unsigned char> palette;
    Transparency trns;
    std::vector<unsigned char> compressed;

    for (;;) {
        if (n - pos < 12)
            fail(pos == n ? "file ends before IEND" : "chunk cut short");
        const std::uint32_t len = be32(d + pos);
        if (len > 0x7FFFFFFFu)
            fail("chunk length out of range");
        if (len > n - pos - 12)
            fail("chunk cut short");
        const unsigned char *type = d + pos + 4;
        const unsigned char *body = type + 4;
        for (int i = 0; i < 4; ++i)
            if (!isLetter(type[i]))
                fail("invalid chunk type");
        if (crc32(crc32(0, nullptr, 0), type, uInt(len + 4)) != be32(body + len))
            fail("CRC error in chunk " + tagName(type));
        pos += std::size_t(len) + 12;

        const std::uint32_t t = be32(type);
        if (!haveHeader && t != tag("IHDR"))
            fail("IHDR is not the first chunk");
        if (seenIdat && t != tag("IDAT"))
            idatClosed = true;

        if (t == tag("IHDR")) {
            if (haveHeader)
                fail("second IHDR");
            h = parseHeader(body, len);
            haveHeader = true;
        } else if (t == tag("PLTE")) {
            if (!palette.empty())
                fail("second PLTE");
            if (seenIdat)
                fail("PLTE after image data");
            if (h.colourType == Grey || h.colourType == GreyAlpha)
                fail("PLTE in a grey picture");
            if (len == 0 || len % 3 != 0 || len > 256 * 3)
                fail("PLTE has an invalid length");
            palette.assign(body, body + len);
        } else if (t == tag("tRNS")) {
            if (trns.present)
                fail("second tRNS");
            if (seenIdat)
                fail("tRNS after image data");
            switch (h.colourType) {
            case Grey:
                if (len != 2)
                    fail("tRNS has the wrong length");
                trns.grey = std::uint16_t((body[0] << 8) | body[1]);
                break;
            case Rgb:
                if (len != 6)
                    fail("tRNS has the wrong length");
                for (int i = 0; i < 3; ++i)
                    trns.rgb[i] = std::uint16_t((body[2 * i] << 8) | body[2 * i + 1]);
                break;
            case Palette:
                if (palette.empty())
                    fail("tRNS before PLTE");
                if (len > palette.size() / 3)
                    fail("tRNS longer than the palette");
                trns.paletteAlpha.assign(body, body + len);
                break;
            default:
                fail("tRNS in a picture with an alpha channel");
            }
            trns.present = true;
        } else if (t == tag("IDAT")) {
            if (idatClosed)
                fail("IDAT chunks are not consecutive");
            if (h.colourType == Palette && palette.empty())
                fail("PLTE missing");
            seenIdat = true;
            compressed.insert(compressed.end(), body, body + len);
        } else if (t == tag("IEND")) {
            if (len != 0)
                fail("IEND is not empty");
            break;
        } else if (!(type[0] & 0x20)) {
            fail("unknown critical chunk " + tagName(type));
        }
    }
    if (!seenIdat)
        fail("IDAT missing");

    const Pass *passes = h.interlaced ? kAdam7 : kWhole;
    const int passCount = h.interlaced ? 7 : 1;
    std::size_t expected = 0;
    for (int p = 0; p < passCount; ++p) {
        const int pw = passExtent(h.width, passes[p].x0, passes[p].dx);
        const int ph = passExtent(h.height, passes[p].y0, passes[p].dy);
        if (pw > 0 && ph > 0)
            expected += std::size_t(ph) * (1 + rowBytes(h, pw));
    }
    std::vector<unsigned char> raw = Inflater().run(compressed, expected);
    compressed = {};

    QImage image(h.width, h.height, QImage::Format_RGBA8888);
    if (image.isNull())
        fail("out of memory");
    const Converter convert{h, palette, trns};
    const std::size_t bpp = std::max<std::size_t>(1, std::size_t(h.channels * h.depth / 8));
    unsigned char *cursor = raw.data();
    for (int p = 0; p < passCount; ++p) {
        const Pass &ps = passes[p];
        const int pw = passExtent(h.width, ps.x0, ps.dx);
        const int ph = passExtent(h.height, ps.y0, ps.dy);
        if (pw == 0 || ph == 0)
            continue;
        const std::size_t len = rowBytes(h, pw);
        const unsigned char *prev = nullptr;
        for (int j = 0; j < ph; ++j) {
            const int filter = *cursor++;
            unfilter(filter, cursor, prev, len, bpp);
            uchar *line = image.scanLine(ps.y0 + j * ps.dy) + std::size_t(ps.x0) * 4;
            convert.row(cursor, pw, line, ps.dx);
            prev = cursor;
            cursor += len;
        }
    }
    return image;
}

} // namespace zovt
