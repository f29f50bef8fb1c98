#pragma once
// Which Windows locale Wine takes for this process, and what that locale
// holds. Wine's ntdll converts the Unix locale of the C library into a
// Windows locale name (cs_CZ.UTF-8 -> cs-CZ, sr_RS@latin -> sr-Latn-RS) and
// looks it up in its locale table; a name the table does not hold, or a
// locale the C library does not accept, leaves Wine with en-US. The system
// locale (LC_CTYPE) gives the ANSI code page, the user locale (LC_MESSAGES)
// the regional formats.

#include <QString>

#include <functional>

namespace zovt::winelocale {

// One locale of Wine's table: its default ANSI code page (65001 for the
// Unicode-only locales, which have none) and the formats a fresh prefix gets.
struct LocaleData {
    const char *name; // Windows name, "cs-CZ"; a neutral "cs" stands for its default
    int ansiCodePage;
    const char *shortDate;
    const char *timeFormat;
    const char *am;
    const char *pm;
};

// The entry for a Windows locale name, case-insensitively; null when Wine
// knows no such locale (or knows it only as a custom one, which it never
// takes as the system or user locale).
const LocaleData *find(const QString &windowsName);

// The Windows locale name Wine builds from a Unix one
// (language[_COUNTRY][.charset][@modifier]); empty when it builds none.
// "C" and "POSIX" are en-US.
QString windowsName(const QString &unixName);

// Whether the C library accepts a locale name (setlocale would load it).
bool cLibraryAccepts(const QString &unixName);
// The same, or what a test stood in for it.
bool accepted(const QString &unixName);
// Tests stand in a list of installed locales; an empty function restores
// the C library's own answer. Returns the one it replaces.
using Accepts = std::function<bool(const QString &unixName)>;
Accepts setAccepts(Accepts accepts);

enum class Category { CType, Messages };

// The Unix locale name Wine converts for a category, from the variables as
// the C library reads them: when any variable in force names a locale it
// does not accept, setlocale(LC_ALL, "") fails, the process stays in "C",
// and Wine then falls back on LC_ALL alone. 'env' returns a variable's value
// (empty when unset).
QString unixName(Category category, const std::function<QString(const char *)> &env);
// The same for this process's environment.
QString unixName(Category category);

// The locale Wine takes for a category: its table entry, en-US when none.
const LocaleData &localeFor(const QString &unixName);

} // namespace zovt::winelocale
