#pragma once
// Text files of the family: 8-bit Windows-1250 unless a UTF-8 or UTF-16
// byte-order mark says otherwise; lines end in CR LF, LF or CR when read and
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
QByteArray toAnsi(const QString &text);

} // namespace zovt::text
