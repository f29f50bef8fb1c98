#pragma once
// What the 8-bit code page of the family's text files can hold. The encoder
// would put a control byte in place of a character it cannot hold; client
// files and hand-off files get "?" instead, and names that become file names
// get a character that every file system takes.

#include <QString>

namespace zovt {

// True for a character (code point) that the code page holds and gives back
// unchanged.
bool inCodePage(char32_t cp);

// Every character the code page cannot hold becomes its letter without
// diacritic marks when the code page holds that, else one 'replacement'
// (lone surrogates and invisible marks included); a pair of surrogates counts
// as one character.
QString codePageSafe(const QString &text, QChar replacement = QLatin1Char('?'));

} // namespace zovt
