#include "storage/RegionalFormats.h"

#include "storage/WineLocale.h"
#include "storage/WineRegistry.h"

#include <QFileInfo>
#include <QMutex>

#include <QLocale>

#include <optional>

namespace zovt::regional {

namespace {

const QString kInternational = QStringLiteral("Control Panel\\International");

// The run of one letter starting at i.
qsizetype runLength(const QString &picture, qsizetype i)
{
    qsizetype n = 1;
    while (i + n < picture.size() && picture.at(i + n) == picture.at(i))
        ++n;
    return n;
}

QString twoDigits(int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); }

// A field of one letter is the number as it is; of two, the number in two digits.
QString digits(int v, qsizetype letters) { return letters == 1 ? QString::number(v) : twoDigits(v); }

// Shared by dates and times: quoted text, and every letter the picture does
// not know, stand for themselves.
template <class Field>
QString render(const QString &picture, Field field)
{
    QString out;
    for (qsizetype i = 0; i < picture.size();) {
        const QChar c = picture.at(i);
        // A quote always opens quoted text, so '' outside quotes is empty
        // quoted text; inside, '' is the quote itself (as GetDateFormatW).
        if (c == QLatin1Char('\'')) {
            ++i;
            while (i < picture.size()) {
                if (picture.at(i) == QLatin1Char('\'')) {
                    if (i + 1 < picture.size() && picture.at(i + 1) == QLatin1Char('\'')) {
                        out += QLatin1Char('\'');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                out += picture.at(i++);
            }
            continue;
        }
        const qsizetype n = runLength(picture, i);
        const std::optional<QString> text = field(c, n);
        out += text ? *text : picture.mid(i, n);
        i += n;
    }
    // A date or a time is one line of a line-based file whatever the picture
    // holds: a line break or other control character in it would shift every
    // later line of the client file and of the protocol.
    for (QChar &ch : out)
        if (ch.category() == QChar::Other_Control || ch.category() == QChar::Separator_Line
            || ch.category() == QChar::Separator_Paragraph)
            ch = QLatin1Char(' ');
    return out;
}

// The part of a user.reg text that holds the regional formats, so that a
// large registry is not parsed whole; the whole text when Wine's spelling of
// the key is not found.
QByteArray internationalSection(const QByteArray &userReg)
{
    static const QByteArray kHeader("\n[Control Panel\\\\International]");
    const qsizetype at = userReg.indexOf(kHeader);
    if (at < 0)
        return userReg;
    const qsizetype end = userReg.indexOf("\n[", at + kHeader.size());
    return userReg.mid(at + 1, end < 0 ? -1 : end - at - 1);
}

} // namespace

QString localeName() { return winelocale::unixName(winelocale::Category::Messages); }

Formats defaultsFor(const QString &unixLocale)
{
    const winelocale::LocaleData &l = winelocale::localeFor(unixLocale);
    return Formats{QString::fromUtf8(l.shortDate), QString::fromUtf8(l.timeFormat), QString::fromUtf8(l.am),
                   QString::fromUtf8(l.pm), QString::fromLatin1(l.name)};
}

Formats fromUserReg(const QByteArray &userReg, const Formats &defaults)
{
    const winereg::Registry reg = winereg::Registry::parse(userReg);
    Formats f = defaults;
    // Measured with GetDateFormatW / GetTimeFormatW under Wine 8: an empty
    // short date gives an empty date, an empty time format the locale's own.
    const auto take = [&](const char *name, QString &into, bool mayBeEmpty) {
        const std::optional<QString> v = reg.localeString(kInternational, QString::fromLatin1(name));
        if (v && (mayBeEmpty || !v->isEmpty()))
            into = *v;
    };
    take("sShortDate", f.shortDate, true);
    take("sTimeFormat", f.timeFormat, false);
    take("s1159", f.am, true);
    take("s2359", f.pm, true);
    return f;
}

Formats current()
{
    // user.reg may be large and dates are written often: it is read again
    // only when its size or time of change differs, and only the formats
    // are kept.
    struct Cache {
        QString path;
        QString locale;
        qint64 size = -1;
        QDateTime modified;
        Formats formats;
    };
    static QMutex mutex;
    static std::optional<Cache> cache;

    const QString locale = localeName();
    const QString path = winereg::userRegPath();
    const QFileInfo fi(path);
    QMutexLocker lock(&mutex);
    if (cache && cache->path == path && cache->locale == locale && fi.isFile() && cache->size == fi.size()
        && cache->modified == fi.lastModified())
        return cache->formats;
    const Formats defaults = defaultsFor(locale);
    const std::optional<QByteArray> reg = winereg::readRegistryFile(path);
    if (!reg) {
        cache.reset();
        return defaults;
    }
    cache = Cache{path, locale, fi.size(), fi.lastModified(), fromUserReg(internationalSection(*reg), defaults)};
    return cache->formats;
}

QString formatDate(const QDate &date, const QString &picture, const QString &language)
{
    const QLocale names(language);
    // A full month name after the day's number is in the genitive where the
    // language has one ("10 prosince"), else in the nominative ("prosinec
    // 2026", "prosinec 10"), as GetDateFormatW writes it under Wine 8.
    bool dayBefore = false;
    return render(picture, [&](QChar c, qsizetype n) -> std::optional<QString> {
        switch (c.unicode()) {
        case 'd':
            if (n <= 2) {
                dayBefore = true;
                return digits(date.day(), n);
            }
            return names.dayName(date.dayOfWeek(), n == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
        case 'M':
            if (n <= 2)
                return digits(date.month(), n);
            if (n == 3)
                return names.standaloneMonthName(date.month(), QLocale::ShortFormat);
            return dayBefore ? names.monthName(date.month(), QLocale::LongFormat)
                             : names.standaloneMonthName(date.month(), QLocale::LongFormat);
        case 'y':
            if (n <= 2)
                return digits(date.year() % 100, n);
            return QString::number(date.year());
        case 'g':
            return QString(); // the era: none in the Gregorian calendar's pictures used here
        default:
            return std::nullopt;
        }
    });
}

QString formatTime(const QTime &time, const QString &picture, const QString &am, const QString &pm)
{
    return render(picture, [&](QChar c, qsizetype n) -> std::optional<QString> {
        const int h12 = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
        switch (c.unicode()) {
        case 'h':
            return digits(h12, n);
        case 'H':
            return digits(time.hour(), n);
        case 'm':
            return digits(time.minute(), n);
        case 's':
            return digits(time.second(), n);
        case 't': {
            const QString &mark = time.hour() < 12 ? am : pm;
            return n == 1 ? mark.left(1) : mark;
        }
        default:
            return std::nullopt;
        }
    });
}

QString dateText(const QDate &date, const Formats &f) { return formatDate(date, f.shortDate, f.language); }

QString dateTimeText(const QDateTime &when, const Formats &f)
{
    const QString date = dateText(when.date(), f);
    if (when.time() == QTime(0, 0))
        return date;
    return date + QLatin1Char(' ') + formatTime(when.time(), f.timeFormat, f.am, f.pm);
}

} // namespace zovt::regional
