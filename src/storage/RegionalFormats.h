#pragma once
// The dates and times that files hold (the protocol's playback lines, the
// client file's date of saving), written as the companion programs under Wine
// write theirs: in the short date and long time formats of the prefix's
// regional settings. Wine keeps those in user.reg (Control Panel\International:
// sShortDate, sTimeFormat, and s1159 / s2359 for "tt"). Without that
// registry the formats are those Wine gives a fresh prefix for the locale of
// the process. Never a time zone: the family's programs write none.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

#include <optional>

namespace zovt::regional {

struct Formats {
    QString shortDate;  // Windows date picture, e.g. "d. M. yyyy"
    QString timeFormat; // Windows time picture, e.g. "H:mm:ss"
    QString am;         // s1159, what "tt" shows before noon
    QString pm;         // s2359, after noon
    QString language;   // locale for month and day names ("cs-CZ")

    bool operator==(const Formats &) const = default;
};

// The locale name the formats follow, as Wine takes it for its user locale:
// that of LC_MESSAGES as the C library sets it (WineLocale.h).
QString localeName();

// The formats of the Windows locale Wine takes for a Unix locale name, from
// Wine's locale table (any locale it knows; en-US for one it does not); the
// language is that locale's name ("pl-PL"), for month and day names.
Formats defaultsFor(const QString &unixLocale);

// The formats of a user.reg text; a value it lacks keeps the default's.
Formats fromUserReg(const QByteArray &userReg, const Formats &defaults);

// The formats in force: $WINEPREFIX/user.reg over the defaults for this
// process's locale, or those defaults alone when there is no such registry.
// user.reg is read again only when its size or time of change differs.
Formats current();

// A date or a time in a Windows picture: d dd ddd dddd, M MM MMM MMMM, y yy
// yyyy, h hh H HH, m mm, s ss, t tt; text in single quotes is literal ('' in
// it is a quote, '' outside is nothing); any other character stands for
// itself. Control characters come out as blanks: the text is one line.
QString formatDate(const QDate &date, const QString &picture, const QString &language);
QString formatTime(const QTime &time, const QString &picture, const QString &am, const QString &pm);

// The short date.
QString dateText(const QDate &date, const Formats &f);
// The short date, a blank and the long time; at exactly midnight the date
// alone, as the platform writes a date and time.
QString dateTimeText(const QDateTime &when, const Formats &f);

} // namespace zovt::regional
