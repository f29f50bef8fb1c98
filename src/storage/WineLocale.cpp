#include "storage/WineLocale.h"

#include <QMutex>
#include <QRegularExpression>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <iterator>

#include <locale.h>

namespace zovt::winelocale {

namespace {

// Wine 8.0's locale table (its locale.nls, made from CLDR), as the Win32
// calls EnumSystemLocalesEx, GetLocaleInfoEx (LOCALE_IDEFAULTANSICODEPAGE,
// LOCALE_SSHORTDATE, LOCALE_STIMEFORMAT, LOCALE_S1159, LOCALE_S2359, each
// with LOCALE_NOUSEROVERRIDE) and LocaleNameToLCID report it under Wine 8.0.
// Locales with only the custom LCID 0x1000 are left out: Wine does not take
// them for the process (LC_ALL=ru_UA gives en-US). A code page of 0 there,
// Unicode only, is UTF-8 here, as GetACP answers 65001 for such a locale.
constexpr LocaleData kLocales[] = {
#include "storage/WineLocaleData.inc"
};

constexpr LocaleData kEnUs{"en-US", 1252, "M/d/yyyy", "h:mm:ss tt", "AM", "PM"};

QMutex g_acceptsMutex;
Accepts g_accepts;

} // namespace

const LocaleData *find(const QString &windowsName)
{
    if (windowsName.isEmpty())
        return nullptr;
    const QByteArray key = windowsName.toLatin1().toLower();
    const auto it = std::lower_bound(std::begin(kLocales), std::end(kLocales), key, [](const LocaleData &l, const QByteArray &k) {
        return QByteArray(l.name).toLower() < k;
    });
    return it != std::end(kLocales) && QByteArray(it->name).toLower() == key ? &*it : nullptr;
}

QString windowsName(const QString &unixName)
{
    if (unixName.isEmpty())
        return {};
    // language[_COUNTRY][.charset][@modifier]; only the first separator met
    // after the language ends it, so "sr_RS@latin.UTF-8" has the modifier
    // "latin.UTF-8", which Wine does not know and ignores.
    const qsizetype first = unixName.indexOf(QRegularExpression(QStringLiteral("[_.@]")));
    if (first < 0)
        return unixName == QLatin1String("C") || unixName == QLatin1String("POSIX") ? QStringLiteral("en-US") : unixName;
    const QString language = unixName.left(first);
    QString country;
    QString modifier;
    qsizetype i = first;
    if (unixName.at(i) == QLatin1Char('_')) {
        const qsizetype end = unixName.indexOf(QRegularExpression(QStringLiteral("[.@]")), i + 1);
        country = unixName.mid(i + 1, end < 0 ? -1 : end - i - 1);
        i = end;
    }
    if (i >= 0 && unixName.at(i) == QLatin1Char('.'))
        i = unixName.indexOf(QLatin1Char('@'), i + 1);
    if (i >= 0)
        modifier = unixName.mid(i + 1);
    if (language == QLatin1String("C") || language == QLatin1String("POSIX"))
        return QStringLiteral("en-US");

    // The modifiers naming a script, as Wine 8.0 maps them (measured); any
    // other modifier ("euro", "iqtelif") is ignored.
    static const struct {
        const char *modifier;
        const char *script;
    } kScripts[] = {{"arabic", "Arab"}, {"cherokee", "Cher"}, {"cyrillic", "Cyrl"}, {"devanagari", "Deva"},
                    {"latin", "Latn"},  {"mongolian", "Mong"}};
    QString name = language;
    QString suffix;
    for (const auto &s : kScripts)
        if (modifier == QLatin1String(s.modifier))
            name += QLatin1Char('-') + QLatin1String(s.script);
    if (modifier == QLatin1String("valencia"))
        suffix = QStringLiteral("-valencia");
    if (!country.isNull())
        name += QLatin1Char('-') + country;
    return name + suffix;
}

bool accepted(const QString &unixName)
{
    Accepts standIn;
    {
        QMutexLocker lock(&g_acceptsMutex);
        standIn = g_accepts;
    }
    return standIn ? standIn(unixName) : cLibraryAccepts(unixName);
}

bool cLibraryAccepts(const QString &unixName)
{
    // newlocale loads the locale as setlocale would, without changing the
    // process's own.
    const QByteArray name = unixName.toLocal8Bit();
    const locale_t l = ::newlocale(LC_ALL_MASK, name.constData(), locale_t(nullptr));
    if (!l)
        return false;
    ::freelocale(l);
    return true;
}

Accepts setAccepts(Accepts accepts)
{
    QMutexLocker lock(&g_acceptsMutex);
    std::swap(g_accepts, accepts);
    return accepts;
}

QString unixName(Category category, const std::function<QString(const char *)> &env)
{
    const QString all = env("LC_ALL");
    if (!all.isEmpty())
        return all; // in force whether accepted or not: Wine falls back on it
    const QString lang = env("LANG");
    // Every category setlocale(LC_ALL, "") loads must be accepted.
    static const char *const kCategories[] = {"LC_CTYPE",   "LC_NUMERIC", "LC_TIME",      "LC_COLLATE",
                                              "LC_MONETARY", "LC_MESSAGES", "LC_PAPER",   "LC_NAME",
                                              "LC_ADDRESS", "LC_TELEPHONE", "LC_MEASUREMENT", "LC_IDENTIFICATION"};
    for (const char *var : kCategories) {
        const QString v = env(var);
        const QString inForce = v.isEmpty() ? lang : v;
        if (!inForce.isEmpty() && !accepted(inForce))
            return QStringLiteral("C");
    }
    const QString own = env(category == Category::CType ? "LC_CTYPE" : "LC_MESSAGES");
    const QString inForce = own.isEmpty() ? lang : own;
    return inForce.isEmpty() ? QStringLiteral("C") : inForce;
}

QString unixName(Category category)
{
    return unixName(category, [](const char *var) {
        const char *v = std::getenv(var);
        return v ? QString::fromLocal8Bit(v) : QString();
    });
}

const LocaleData &localeFor(const QString &unixName)
{
    const LocaleData *l = find(windowsName(unixName));
    return l ? *l : kEnUs;
}

} // namespace zovt::winelocale
