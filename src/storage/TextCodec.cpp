#include "storage/TextCodec.h"

#include "storage/CodePage.h"

#include <QHash>
#include <QList>
#include <QMutex>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <memory>
#include <mutex>
#include <utility>

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

namespace {

QMutex g_heldMutex;
// Per codec: whether a character comes back as itself.
QHash<QByteArray, QHash<char32_t, bool>> g_held;

bool roundTrips(const QByteArray &codec, char32_t c)
{
    if (QChar::isSurrogate(c))
        return false;
    const QString one = QString::fromUcs4(&c, 1);
    QStringEncoder enc(codec.constData());
    QStringDecoder dec(codec.constData());
    if (!enc.isValid() || !dec.isValid())
        return c < 0x80;
    const QByteArray bytes = enc.encode(one);
    // Some converters drop a character they cannot hold (zero-width and
    // direction marks), others put the substitute control 0x1A in its place.
    if (enc.hasError() || bytes.isEmpty() || (bytes == "\x1A" && c != 0x1A))
        return false;
    return dec.decode(bytes) == one && !dec.hasError();
}

// The letter without its diacritic marks, when the character is one with
// marks; else 0.
char32_t baseLetter(char32_t c)
{
    const QString parts = QString::fromUcs4(&c, 1).normalized(QString::NormalizationForm_D);
    const QList<uint> cps = parts.toUcs4();
    if (cps.size() < 2 || cps.first() == c)
        return 0;
    for (qsizetype i = 1; i < cps.size(); ++i)
        if (!QChar::isMark(cps[i]))
            return 0;
    return cps.first();
}

// Looks a character up in the known ones of a codec, trying it once when it
// is new; the caller holds g_heldMutex.
bool heldLocked(QHash<char32_t, bool> &known, const QByteArray &codec, char32_t c)
{
    // Every ANSI code page, and UTF-8, keeps ASCII as it is.
    if (c < 0x80)
        return true;
    const auto it = known.constFind(c);
    if (it != known.constEnd())
        return *it;
    const bool held = roundTrips(codec, c);
    known.insert(c, held);
    return held;
}

} // namespace

bool ansiHolds(char32_t c)
{
    if (c < 0x80)
        return true;
    const QByteArray codec = codepage::codecName();
    QMutexLocker lock(&g_heldMutex);
    return heldLocked(g_held[codec], codec, c);
}

QString ansiSafe(const QString &text, QChar replacement)
{
    const QByteArray codec = codepage::codecName();
    // One lock for the whole text: a long protocol holds many letters.
    QMutexLocker lock(&g_heldMutex);
    QHash<char32_t, bool> &known = g_held[codec];
    const auto holds = [&](char32_t c) { return heldLocked(known, codec, c); };
    return foldNonAscii(text, [&](char32_t c, QStringView character, QString &out) {
        if (holds(c))
            out += character;
        else if (const char32_t base = baseLetter(c); base && holds(base))
            out += QString::fromUcs4(&base, 1);
        else
            out += replacement;
    });
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
    const QString safe = ansiSafe(text);
    if (!enc.isValid())
        return safe.toLatin1();
    return enc.encode(safe);
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

LineDecoder::LineDecoder(qsizetype expectedLines) : m_expected(expectedLines) {}

void LineDecoder::feed(QByteArrayView bytes)
{
    if (m_mode == Mode::Undecided) {
        m_pending.append(bytes);
        // The longest mark is three bytes; until then nothing is decided.
        if (m_pending.size() < 3)
            return;
        const bool marked = m_pending.startsWith("\xEF\xBB\xBF") || m_pending.startsWith("\xFF\xFE")
                         || m_pending.startsWith("\xFE\xFF");
        if (marked || !ansiTable()->singleByte) {
            m_mode = Mode::Whole;
            return;
        }
        m_mode = Mode::Ansi;
        m_out.lines.reserve(m_expected);
        const QByteArray head = std::exchange(m_pending, QByteArray());
        feedAnsi(head);
        return;
    }
    if (m_mode == Mode::Whole)
        m_pending.append(bytes);
    else
        feedAnsi(bytes);
}

void LineDecoder::feedAnsi(QByteArrayView bytes)
{
    const auto table = ansiTable();
    const char *p = bytes.data();
    const qsizetype n = bytes.size();
    qsizetype start = 0;
    // A CR LF split between two pieces is one line end.
    if (m_afterCr && n > 0 && p[0] == '\n')
        start = 1;
    m_afterCr = false;
    for (qsizetype i = start; i < n; ++i) {
        const char c = p[i];
        if (c != '\r' && c != '\n')
            continue;
        if (m_carry.isEmpty()) {
            m_out.lines.append(mapBytes(*table, p + start, i - start));
        } else {
            m_carry.append(p + start, i - start);
            m_out.lines.append(mapBytes(*table, m_carry.constData(), m_carry.size()));
            m_carry.clear();
        }
        if (c == '\r') {
            if (i + 1 < n && p[i + 1] == '\n')
                ++i;
            else if (i + 1 == n)
                m_afterCr = true;
        }
        start = i + 1;
    }
    if (start < n)
        m_carry.append(p + start, n - start);
}

Decoded LineDecoder::finish()
{
    if (m_mode == Mode::Whole || m_mode == Mode::Undecided) {
        Decoded d = decode(m_pending);
        m_pending.clear();
        return d;
    }
    if (!m_carry.isEmpty()) {
        m_out.lines.append(mapBytes(*ansiTable(), m_carry.constData(), m_carry.size()));
        m_carry.clear();
    }
    return std::move(m_out);
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
