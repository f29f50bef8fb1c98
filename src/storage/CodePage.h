#pragma once
// The 8-bit code page of the text files. The companion programs run under
// Wine read and write their text in Wine's ANSI code page, and Wine takes that
// from the Unix locale of the process (WineLocale.h): the locale the C library
// runs in must exist, and its language, script and country must name a
// locale of Wine's table (cs_CZ 1250, ru_RU 1251, sr_RS@latin 1250); else
// Wine runs in en-US, 1252. Unicode-only locales (kk_KZ, hi_IN) have UTF-8.
// The value Wine leaves in system.reg is only what it found when the
// prefix's locale last changed, and Wine programs do not use a value put
// there by hand; the controller follows the locale too, and says so on
// stderr when the registry disagrees.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace zovt::codepage {

// Wine's code page for a locale it does not know (it takes en-US).
inline constexpr int kFallbackCodePage = 1252;

struct Choice {
    int codePage = kFallbackCodePage;
    QByteArray codecName = "windows-1252";
    QString note; // one line for stderr; empty when there is nothing to say
};

// The codec name Qt knows a Windows code page by ("windows-1252"; "UTF-8"
// for 65001), or empty when Qt cannot both encode and decode it.
QByteArray codecFor(int codePage);

// The locale name the ANSI code page follows: that of LC_CTYPE as the C
// library sets it (LC_ALL, else LC_CTYPE, else LANG), "C" when the C library
// refuses the variables and LC_ALL is not set.
QString localeName();

// The Windows ANSI code page of a Unix locale name
// (language[_COUNTRY][.charset][@modifier]), as Wine maps it; 65001 for a
// Unicode-only locale, 1252 for a name Wine's table does not hold.
int codePageForLocale(const QString &unixLocale);

// The choice for a locale and a prefix registry text (no text: no registry
// file); 'where' names the registry file in the note.
Choice chooseFrom(const QString &unixLocale, const std::optional<QByteArray> &systemReg, const QString &where);

// The choice for this process and the prefix in force ($WINEPREFIX/system.reg).
Choice choose();

// The code page used for every 8-bit text file of this process: chosen on
// first use (its note then goes to stderr), kept until reset().
Choice current();
QByteArray codecName();
// Forgets the choice; the next use chooses again (a test that changes the
// locale or the prefix).
void reset();

// Wine's ANSI code pages, in the order a hint for keeping characters looks
// through them: the family's own first, the single-byte ones before those of
// several bytes, which hold Cyrillic and Greek too.
inline constexpr int kAnsiCodePages[] = {1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258, 874, 932, 936, 949, 950};

// How the code page is named to the operator ("Windows-1252").
QString displayName(int codePage);

// The characters of 'text' that do not come back as themselves when written
// in the code page and read again, each once, in the order they first
// appear; a surrogate pair is one character. An 8-bit file in that code page
// gets a base letter or "?" for each of them (CodePageSafe.h). A code page
// Qt cannot convert holds ASCII only.
QStringList lostCharacters(const QString &text, int codePage);

// The first of kAnsiCodePages that holds every character of 'text'; 0 when
// none does (an emoji, or letters of scripts no one code page has together).
int ansiCodePageHolding(const QString &text);

// A Unix locale whose code page (codePageForLocale) is 'codePage', for
// telling the operator how to start; empty for a code page not among
// kAnsiCodePages.
QString localeFor(int codePage);

// Empty when 'codecName' reads and writes text faithfully, else a message
// saying why the program cannot run with it.
QString problem(const QByteArray &codecName);

// Chooses the code page and checks its codec: empty when text files can be
// read and written, else the message to stop the program with.
QString ensureUsable();

} // namespace zovt::codepage
