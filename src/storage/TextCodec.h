#pragma once
// Text files of the family: 8-bit in the ANSI code page (CodePage.h) unless a
// UTF-8 or UTF-16 byte-order mark says otherwise; lines end in CR LF, LF or CR when read and
// in CR LF when written.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace zovt::text {

enum class Encoding { Ansi, Utf8Bom, Utf16LE, Utf16BE };

struct Decoded {
    QStringList lines;
    Encoding encoding = Encoding::Ansi;
};

// Splits into lines; a final line end does not start another (empty) line.
QStringList splitLines(const QString &text);
Decoded decode(const QByteArray &bytes);
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

} // namespace zovt::text
