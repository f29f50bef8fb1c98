#pragma once
// Client names are typed in any script but end up in 8-bit client files and in
// file names shared with the companion programs. These two functions turn a
// name into text that survives both.

#include <QString>

namespace zovt {

// Character-by-character transliteration: Cyrillic to Latin in the Czech
// manner, a few Western and Northern European letters to Latin letters or
// pairs, and, when names are stored without diacritics (bezDiakrit), German
// vowels with diaeresis to vowel pairs. Everything else, Czech letters with
// their marks included, passes unchanged.
QString bezdiakrPrepis(const QString &text, bool bezDiakrit);
// The same with the option taken from the flag file "datBezDiakrit.dat".
QString bezdiakrPrepis(const QString &text);

// Folds to 7-bit ASCII: ASCII passes, a letter with diacritic marks becomes
// its base letter, anything else becomes "?" (one "?" per character, a
// character outside the Basic Multilingual Plane counting as one).
QString bezdiakr(const QString &text);

// Whether names are stored without diacritic marks (the flag file exists).
bool bezDiakritOption();

} // namespace zovt
