// libFuzzer target for program files: a whole file goes through what loading
// and selecting its programs does with it. The file is decoded (byte-order
// mark or the 8-bit code page) and indexed into the program list; every listed
// program is taken out as it is when selected, each of its rows is parsed and
// shown, and its total and the whole file's total are computed. Any input
// must be handled or end in ConvertError, never crash, hang or run away, and
// an error text must stay short and printable.

#include "program/ProgramList.h"
#include "program/RowParser.h"
#include "program/Totals.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace {

void checkMessage(const char *what)
{
    // The quoted excerpt is at most 61 characters of up to 4 bytes in UTF-8,
    // plus the fixed words: anything longer quotes too much.
    const QString text = QString::fromUtf8(what);
    if (qstrlen(what) > 400)
        __builtin_trap();
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            __builtin_trap();
}

void playRows(const zovt::ProgramFile::Program &p, zovt::RowVars &v)
{
    bool OrvatrinPower = false;
    (void)zovt::headerDisplayText(p.memoPlay.value(0), QStringLiteral("demo"), OrvatrinPower);
    for (qsizetype i = 1; i < p.memoPlay.size(); ++i) {
        try {
            zovt::Nactiradekdata(p.memoPlay.at(i), v);
            const QString line = zovt::rowDisplayLine(v, OrvatrinPower);
            if (line.isEmpty())
                __builtin_trap(); // the row name is followed by at least one tab
        } catch (const zovt::ConvertError &e) {
            checkMessage(e.what());
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const zovt::ProgramFile file = zovt::ProgramFile::fromBytes(bytes);

    const QStringList entries = file.listEntries();
    for (const QString &e : entries)
        (void)zovt::listEntryText(e);

    zovt::RowVars v;
    for (qsizetype k = 0; k < file.headerCount(); ++k) {
        const zovt::ProgramFile::Program p = file.program(qint32(k));
        if (p.memoPlay.isEmpty() || p.memoPlay.size() != p.rows + 1)
            __builtin_trap();
        playRows(p, v);
        zovt::RowVars t;
        qint32 CasCelk = 0;
        try {
            zovt::CasCelkSUM(p.memoPlay, p.rows, t, CasCelk, {});
        } catch (const zovt::ConvertError &e) {
            checkMessage(e.what());
        }
    }
    // A file without headers is played as it is listed: not at all, but its
    // total is still shown.
    try {
        zovt::RowVars t;
        (void)zovt::CasSUMASUM(file.lines(), t);
    } catch (const zovt::ConvertError &e) {
        checkMessage(e.what());
    }
    return 0;
}
