// libFuzzer target for the memo and line-file readers: the decoding of text
// files with or without a byte-order mark, writing back in the encoding read,
// and the first-line and integer readers of line files.
//
// Invariants checked besides "no crash, hang or runaway":
//   - no decoded line holds a line end;
//   - a memo read from a file with a byte-order mark is written back so that
//     reading it again gives the same lines; whatever the encoding, writing
//     those again gives the same bytes (a memo survives any number of
//     read/write cycles);
//   - an integer that parses prints back to text that parses to itself;
//   - an error text stays short and printable.

#include "storage/DataFiles.h"
#include "storage/TextCodec.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace {

void checkMessage(const char *what)
{
    if (qstrlen(what) > 600)
        __builtin_trap();
    for (const QChar c : QString::fromUtf8(what))
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            __builtin_trap();
}

void checkLines(const QStringList &lines)
{
    for (const QString &l : lines)
        if (l.contains(QLatin1Char('\r')) || l.contains(QLatin1Char('\n')))
            __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace zovt;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));

    // Memo file.
    const text::Decoded d = text::decode(bytes);
    checkLines(d.lines);
    const QByteArray written = text::encode(d.lines, d.encoding);
    const text::Decoded again = text::decode(written);
    if (again.encoding != d.encoding)
        __builtin_trap();
    // The 8-bit code page cannot hold every character (bytes it leaves
    // undefined read as U+FFFD and are written as "?"); the Unicode
    // encodings must give the lines back.
    if (d.encoding != text::Encoding::Ansi && again.lines != d.lines)
        __builtin_trap();
    if (text::encode(again.lines, again.encoding) != written)
        __builtin_trap();

    // Line file: first line and integer.
    const QString ansi = text::fromAnsi(bytes);
    const QStringList lines = text::splitLines(ansi);
    checkLines(lines);
    try {
        const qint32 v = files::parseLineInteger(ansi, QStringLiteral("C:\\WooZovDaz9\\COM_Nr.dat"));
        if (files::parseLineInteger(QString::number(v), QString()) != v)
            __builtin_trap();
    } catch (const ReadError &e) {
        checkMessage(e.what());
    }
    return 0;
}
