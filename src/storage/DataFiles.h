#pragma once
// Readers and writers of the small data files. Every path is a Windows path;
// a missing file is never an error here (callers pick the default), a file
// that does not match its format raises ReadError, a failed write WriteError.
// Every read goes through readNative and is capped (FileIO.h: cap::Setting for
// settings, flag, integer, byte and line files, cap::Document for memo files
// and by default for readAll); every write goes through writeNative, so a
// failed write leaves the old file as it was.

#include "storage/FileError.h"
#include "storage/FileIO.h"
#include "storage/TextCodec.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace zovt::files {

bool exists(const QString &winPath);      // file or folder
bool fileExists(const QString &winPath);
bool dirExists(const QString &winPath);
// Never fails; deleting a missing file is no error.
void remove(const QString &winPath) noexcept;
// Creates one folder level; reports nothing.
bool makeDir(const QString &winPath) noexcept;

// Flag files: created empty, deleted to switch off. A flag that cannot be
// created is a WriteError.
void createFlag(const QString &winPath);
void setFlag(const QString &winPath, bool on);

// Integer file: one 32-bit little-endian integer.
qint32 readInteger(const QString &winPath);
void writeInteger(const QString &winPath, qint32 value);

// Byte file: one unsigned byte.
quint8 readByte(const QString &winPath);
void writeByte(const QString &winPath, quint8 value);

// Line files (the 8-bit code page of the text files, CR LF).
QString readFirstLine(const QString &winPath);
// Skips blanks and line ends, then an optionally signed decimal number; an
// empty file gives 0.
qint32 readLineInteger(const QString &winPath);
// Parses like readLineInteger; throws ReadError naming 'what' otherwise.
qint32 parseLineInteger(const QString &text, const QString &what);
QStringList readLines(const QString &winPath);
// Always written whole: created anew, lines written, closed.
void writeLines(const QString &winPath, const QStringList &lines);

// Memo files: the whole list of lines, written back in the encoding read.
struct Memo {
    QStringList lines;
    text::Encoding encoding = text::Encoding::Ansi;
};
Memo readMemo(const QString &winPath);
void writeMemo(const QString &winPath, const Memo &memo);

// Raw access for the picture loader, program files and every other whole
// file: read up to 'limit' bytes (a larger file is a ReadError), written
// whole beside the old file and renamed over it.
QByteArray readAll(const QString &winPath, qint64 limit = cap::Document);
// The same file in pieces as it is read (see readNativeChunks).
void readChunks(const QString &winPath, const std::function<void(QByteArrayView)> &chunk,
                qint64 limit = cap::Document);
void writeAll(const QString &winPath, const QByteArray &bytes);
// Copy with overwrite, through the same writer; the source is capped at
// cap::Document.
void copyFile(const QString &fromWinPath, const QString &toWinPath);

} // namespace zovt::files
