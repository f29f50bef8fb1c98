#pragma once
// Program files and the program list, without any widget: a loaded file with
// its header lines indexed once, the list entry and header display texts, and
// the names derived from a file's path.

#include "program/Totals.h"
#include "storage/TextCodec.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <optional>

namespace zovt {

// A header is any line with a "[" in it; a header with "[STOP]" closes the
// file and is never listed (it still counts as a header when programs are
// addressed by their position).
bool isHeaderLine(QStringView line);
bool isStopLine(QStringView line);

// The list entry text of a header line: "◘ " for a QQ header, then the first
// "[" and the first "]" turned into spaces.
QString listEntryText(const QString &header);

// Line 0 of the program display, and whether the program is an Orvatrin
// program (file name "Orvatrin"/"orvatrin", or a QQ header). Generator mode is
// left to the caller.
QString headerDisplayText(const QString &header, const QString &SoborJm, bool &OrvatrinPower);

// SoborJm: the path cut before its first ".", then what follows its last "\".
QString soborJmFromPath(const QString &path);

// Z_OrvaT: the path's first folder, put on drive C:, is "C:\OrvaTherapy" or,
// followed by "\", the export root PRSAdresaPresmerovani.
bool zOrvaTFromPath(const QString &path, const QString &PRSAdresaPresmerovani);

// The list entry that was 'text' at position 'where' when it was played:
// there still, else the first entry of that text (the file may have
// changed since), else -1. The "#" marks of played entries do not count.
int findListEntry(const QStringList &entries, int where, const QString &text);

// The loaded program file (NacistMemo) with the positions of its header lines.
class ProgramFile {
public:
    struct Program {
        QStringList memoPlay; // header line, then its rows; empty when absent
        qint32 rows = 0;      // PocetRadkfr
    };

    ProgramFile() = default;
    explicit ProgramFile(QStringList lines);

    // Hands a file's bytes to its argument in pieces, as files::readChunks
    // does; throws when the file cannot be read.
    using ChunkReader = std::function<void(const std::function<void(QByteArrayView)> &)>;
    // Reads and decodes a program file (byte-order mark or the 8-bit code
    // page) in two readings. The first counts its lines and meets every
    // refusal; then beforeDecoding runs, where a caller lets go of the file
    // it held, so that two large files, or a file's bytes beside its lines,
    // are never held at once; the second decodes the file as it comes.
    // Throws ReadError when it cannot be read.
    static ProgramFile read(const ChunkReader &chunks, const std::function<void()> &beforeDecoding = {});
    // Decodes the bytes of a program file.
    static ProgramFile fromBytes(const QByteArray &bytes);
    static ProgramFile fromDecoded(text::Decoded decoded);

    const QStringList &lines() const { return m_lines; }
    // The encoding the file was read in (a list made here counts as 8-bit),
    // for writing it back unchanged.
    text::Encoding encoding() const { return m_encoding; }
    bool isEmpty() const { return m_lines.isEmpty(); }
    // Headers counted as programs are addressed: "[STOP]" lines included.
    qsizetype headerCount() const { return m_headers.size(); }
    qsizetype headerLine(qsizetype k) const { return m_headers.at(k); }

    // The Zakladmemo entries: every header but the "[STOP]" ones.
    QStringList listEntries() const;

    // The program of the k-th header (from 0, "[STOP]" lines counted): the
    // header and the lines up to the next header or the end of the file.
    Program program(qint32 k) const;

    // The file's total, when it was worked out as the file was read ahead.
    const std::optional<FileTotal> &totalAhead() const { return m_totalAhead; }
    void setTotalAhead(std::optional<FileTotal> total) { m_totalAhead = std::move(total); }

private:
    QStringList m_lines;
    QList<qsizetype> m_headers;
    text::Encoding m_encoding = text::Encoding::Ansi;
    std::optional<FileTotal> m_totalAhead;
};

} // namespace zovt
