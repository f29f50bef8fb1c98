#include "storage/TextCodec.h"

#include "storage/CodePage.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <memory>
#include <mutex>

namespace zovt::text {

namespace {

// A single-byte code page reads as a table of 256 characters, built once per
// code page from the converter itself, so that a file is decoded in one pass
// straight into its lines. A code page of more than one byte per character
// has no table and goes through the converter.
struct AnsiTable {
    QByteArray codec;
    bool singleByte = false;
    char16_t map[256] = {};
};

std::shared_ptr<const AnsiTable> makeTable(const QByteArray &codec)
{
    auto t = std::make_shared<AnsiTable>();
    t->codec = codec;
    QByteArray all(256, Qt::Uninitialized);
    for (int b = 0; b < 256; ++b)
        all[b] = char(b);
    QStringDecoder whole(codec.constData(), QStringConverter::Flag::Stateless);
    if (!whole.isValid())
        return t;
    const QString text = whole.decode(all);
    if (text.size() != 256)
        return t;
    for (int b = 0; b < 256; ++b) {
        QStringDecoder one(codec.constData(), QStringConverter::Flag::Stateless);
        const QString c = one.decode(all.mid(b, 1));
        if (c.size() != 1 || c.at(0) != text.at(b))
            return t;
        t->map[b] = c.at(0).unicode();
    }
    t->singleByte = true;
    return t;
}

std::shared_ptr<const AnsiTable> ansiTable()
{
    static std::mutex mutex;
    static std::shared_ptr<const AnsiTable> cached;
    const QByteArray codec = codepage::codecName();
    std::lock_guard<std::mutex> g(mutex);
    if (!cached || cached->codec != codec)
        cached = makeTable(codec);
    return cached;
}

QString mapBytes(const AnsiTable &t, const char *from, qsizetype n)
{
    QString s(n, Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(s.data());
    const auto *in = reinterpret_cast<const unsigned char *>(from);
    for (qsizetype i = 0; i < n; ++i)
        out[i] = t.map[in[i]];
    return s;
}

// Calls line(from, length) for every line of n units of text; CR LF, LF and
// CR each end a line, and a final line end starts no empty line.
template <class At, class Line> void eachLine(qsizetype n, At at, Line line)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const auto c = at(i);
        if (c == '\r' || c == '\n') {
            line(start, i - start);
            if (c == '\r' && i + 1 < n && at(i + 1) == '\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        line(start, n - start);
}

qsizetype countLineEnds(const char *p, qsizetype n)
{
    return qsizetype(std::count(p, p + n, '\n')) + 1;
}

} // namespace

QString fromAnsi(const QByteArray &bytes)
{
    const auto table = ansiTable();
    if (table->singleByte)
        return mapBytes(*table, bytes.constData(), bytes.size());
    QStringDecoder dec(codepage::codecName().constData());
    if (!dec.isValid())
        return QString::fromLatin1(bytes);
    return dec.decode(bytes);
}

QStringList splitLines(const QString &text)
{
    QStringList out;
    eachLine(text.size(), [&text](qsizetype i) { return text.at(i).unicode(); },
             [&](qsizetype from, qsizetype n) { out.append(text.mid(from, n)); });
    return out;
}

QByteArray toAnsi(const QString &text)
{
    QStringEncoder enc(codepage::codecName().constData());
    if (!enc.isValid())
        return text.toLatin1();
    QByteArray out = enc.encode(text);
    if (!out.contains('\x1A'))
        return out;
    // The converter writes the substitute control 0x1A for a character the
    // code page lacks; the family's programs write "?" there, and a control
    // byte would end a line file early in some of them.
    out.clear();
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QByteArray one = enc.encode(QStringView(text).mid(i, n));
        out += one == "\x1A" && text.at(i) != QChar(0x1A) ? QByteArray("?") : one;
        i += n;
    }
    return out;
}

namespace {

// Only the file's first mark is its byte-order mark: a U+FEFF at the start of
// what follows it is text. Line ends are single bytes in UTF-8, never inside
// a character, so each line is decoded on its own; a character cut short at
// the end of a line or of the file reads as U+FFFD instead of vanishing.
QStringList utf8Lines(QByteArrayView body)
{
    QStringList out;
    out.reserve(countLineEnds(body.data(), body.size()));
    QStringDecoder dec(QStringConverter::Utf8, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    eachLine(body.size(), [&](qsizetype i) { return body[i]; },
             [&](qsizetype from, qsizetype n) { out.append(QString(dec.decode(body.sliced(from, n)))); });
    return out;
}

// An odd byte at the end is half a unit, and a surrogate pair may lack its
// second unit: either is a broken character, not nothing.
QStringList utf16Lines(QByteArrayView body, bool bigEndian)
{
    const qsizetype units = body.size() / 2;
    const bool odd = body.size() % 2 != 0;
    const auto *p = reinterpret_cast<const unsigned char *>(body.data());
    const auto unit = [&](qsizetype i) -> char16_t {
        if (i == units)
            return QChar::ReplacementCharacter;
        const char16_t u = bigEndian ? char16_t(p[2 * i] << 8 | p[2 * i + 1]) : char16_t(p[2 * i + 1] << 8 | p[2 * i]);
        if (i == units - 1 && QChar::isHighSurrogate(u))
            return QChar::ReplacementCharacter;
        return u;
    };
    const qsizetype n = units + (odd ? 1 : 0);
    QStringList out;
    eachLine(n, unit, [&](qsizetype from, qsizetype len) {
        QString s(len, Qt::Uninitialized);
        char16_t *to = reinterpret_cast<char16_t *>(s.data());
        for (qsizetype i = 0; i < len; ++i)
            to[i] = unit(from + i);
        out.append(std::move(s));
    });
    return out;
}

QStringList ansiLines(const QByteArray &bytes)
{
    const auto table = ansiTable();
    if (!table->singleByte)
        return splitLines(fromAnsi(bytes));
    QStringList out;
    out.reserve(countLineEnds(bytes.constData(), bytes.size()));
    const char *p = bytes.constData();
    eachLine(bytes.size(), [p](qsizetype i) { return p[i]; },
             [&](qsizetype from, qsizetype n) { out.append(mapBytes(*table, p + from, n)); });
    return out;
}

} // namespace

Decoded decode(const QByteArray &bytes)
{
    Decoded d;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        d.encoding = Encoding::Utf8Bom;
        d.lines = utf8Lines(QByteArrayView(bytes).sliced(3));
    } else if (bytes.startsWith("\xFF\xFE")) {
        d.encoding = Encoding::Utf16LE;
        d.lines = utf16Lines(QByteArrayView(bytes).sliced(2), false);
    } else if (bytes.startsWith("\xFE\xFF")) {
        d.encoding = Encoding::Utf16BE;
        d.lines = utf16Lines(QByteArrayView(bytes).sliced(2), true);
    } else {
        d.lines = ansiLines(bytes);
    }
    return d;
}

QByteArray encode(const QStringList &lines, Encoding encoding)
{
    QString text;
    for (const QString &l : lines) {
        text += l;
        text += QStringLiteral("\r\n");
    }
    switch (encoding) {
    case Encoding::Utf8Bom:
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case Encoding::Utf16LE: {
        QStringEncoder enc(QStringEncoder::Utf16LE);
        return QByteArray("\xFF\xFE") + QByteArray(enc.encode(text));
    }
    case Encoding::Utf16BE: {
        QStringEncoder enc(QStringEncoder::Utf16BE);
        return QByteArray("\xFE\xFF") + QByteArray(enc.encode(text));
    }
    case Encoding::Ansi:
        break;
    }
    return toAnsi(text);
}

} // namespace zovt::text
