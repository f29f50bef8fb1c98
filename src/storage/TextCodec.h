#pragma once
// Text files of the family: 8-bit in the ANSI code page (CodePage.h) unless a
// UTF-8 or UTF-16 byte-order mark says otherwise; lines end in CR LF, LF or CR when read and
// in CR LF when written.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace zovt::text {

enum class Encoding { Ansi, Utf8Bom, Utf16LE, Utf16BE };

struct Decoded {
    QStringList lines;
    Encoding encoding = Encoding::Ansi;
};

// Splits into lines; a final line end does not start another (empty) line.
QStringList splitLines(const QString &text);
Decoded decode(const QByteArray &bytes);

// decode() for a file that arrives in pieces: the same lines and encoding,
// without the whole file's bytes held at once (an 8-bit file in a one-byte
// code page is decoded as it comes; a file with a byte-order mark or in a
// code page of several bytes a character is gathered and decoded at the end).
class LineDecoder {
public:
    // 'expectedLines' only sizes the list.
    explicit LineDecoder(qsizetype expectedLines = 0);
    void feed(QByteArrayView bytes);
    Decoded finish();

private:
    void feedAnsi(QByteArrayView bytes);

    enum class Mode { Undecided, Ansi, Whole } m_mode = Mode::Undecided;
    QByteArray m_pending;   // the start of the file until its mark is known, or all of it
    QByteArray m_carry;     // an unfinished line's bytes
    bool m_afterCr = false; // the last byte fed was a CR that ended a line
    qsizetype m_expected = 0;
    Decoded m_out;
};

// How many lines decode() gives at most for a file with 'lineFeeds' LF bytes.
inline qsizetype linesForLineFeeds(qsizetype lineFeeds) { return lineFeeds + 1; }
QByteArray encode(const QStringList &lines, Encoding encoding);

QString fromAnsi(const QByteArray &bytes);
// Every character goes through ansiSafe first: the bytes are always the
// code page's own, never a substitute control, and no character vanishes.
QByteArray toAnsi(const QString &text);

// True for a character (code point) that the code page holds and gives back
// unchanged.
bool ansiHolds(char32_t c);

// The text as the code page can hold it: a character it lacks becomes its
// letter without diacritic marks when the code page holds that (Ž → Z in
// Windows-1251, as Windows' own conversion does), else 'replacement'. One
// replacement per character: a surrogate pair is one, a lone surrogate, a
// zero-width or direction mark and a variation selector are one each.
QString ansiSafe(const QString &text, QChar replacement = QLatin1Char('?'));

// Rebuilds a text character by character: ASCII stays as it is, and every
// other character is handed to fold(c, character, out), which appends what it
// becomes. A surrogate pair comes as one character; a lone surrogate comes as
// the code of its unit.
template <class Fold> QString foldNonAscii(const QString &text, Fold fold)
{
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar ch = text.at(i);
        if (ch.unicode() < 0x80) {
            out += ch;
            continue;
        }
        char32_t c = ch.unicode();
        qsizetype units = 1;
        if (ch.isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(ch, text.at(i + 1));
            units = 2;
        }
        fold(c, QStringView(text).mid(i, units), out);
        i += units - 1;
    }
    return out;
}

} // namespace zovt::text
