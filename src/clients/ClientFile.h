#pragma once
// The client file: 25 lines of 8-bit text (CR LF) named by the client key in
// the client folder, and the hand-off file that names the current client.
// File errors are FileError (ReadError, WriteError); a caller lets them end
// its operation.

#include "clients/ClientRecord.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>

namespace zovt {

constexpr int ClientFileLineCount = 25;
constexpr int ClientFileLinesRead = 17;

// clientFolder + key + ".txt"; the folder text carries its own final "\".
QString clientFilePath(const QString &clientFolder, const QString &key);

// The client folder: the first line of "0cestaDBZ.txt", else the default.
QString clientFolder();

// Today's date as line 9 holds it: the short date format of the companion
// programs' regional settings.
QString shortDateText(const QDate &date);

// What a field of the record becomes in the client file before the code page
// has its say: names, addresses and notes as bezdiakrPrepis(…, bezDiakrit)
// turns them, any other field as it stands.
QString clientFileText(const ClientRecord &r, QString ClientRecord::*field, bool bezDiakrit);

// The 25 lines of a client file. Names, addresses and notes go through
// bezdiakrPrepis(…, bezDiakrit); the date, distinguishing character, phone and
// e-mail are written as they stand; lines 11 and 13 to 15 carry the
// identifiers; line 8 is "A" for an animal; line 9 is r.dateSaved. Characters
// that the code page cannot hold are written as "?".
QStringList clientFileLines(const ClientRecord &r, bool bezDiakrit);

// The record held by lines 1 to 17 (a missing line reads as empty; later
// lines are not looked at). Line 9 goes to dateSaved; line 12 is ignored.
// The key (line 11) and the folder name (line 13) become file names: they are
// made plain names (fileNameSafe), so that no file can lead them out of
// their folders.
ClientRecord clientFromLines(const QStringList &lines);

// Reads a client file. Throws ReadError when it cannot be read.
ClientRecord readClientFile(const QString &path);

// Writes the 25 lines as one whole file, with transliteration as the option
// file "datBezDiakrit.dat" says. An existing file is replaced only by the
// complete new one, so a failed write of an edited client leaves the old file.
// Throws WriteError.
void writeClientFile(const QString &path, const ClientRecord &r);

// The steps of a save before any file is written: normalises the names (the
// editor shows them back), forms the identifiers of a new client (!Editedit),
// prefers an existing key without diacritics, and returns the client file's
// path P. Reads only the option file and the client folder.
QString prepareClientSave(ClientRecord &r, bool Editedit, const QString &clientFolder);

// Whether the save writes P: always for an edited client; a new client whose
// file already exists leaves it as it is and only becomes the current client.
bool clientFileToBeWritten(const QString &path, bool Editedit);

// Writes path as the only line of a hand-off file (AdresaAktZovT.txt,
// AdresaAkt.txt). Throws WriteError.
void writeClientHandOff(const QString &handOffFile, const QString &path);

// Deletes a hand-off file that names path (a save that failed); one naming
// anything else is left. Never fails.
void withdrawClientHandOff(const QString &handOffFile, const QString &path) noexcept;

// The key a client file is known by when it carries none: its own name
// without ".txt", made a plain file name.
QString clientKeyOfFile(const QString &winPath);

// Reads the first line of "AdresaAktZovT.txt" and deletes the file; nothing
// when the file does not exist. Throws ReadError when it cannot be read (the
// file then stays).
std::optional<QString> takeClientHandOff();

} // namespace zovt
