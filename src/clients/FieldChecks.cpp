#include "clients/FieldChecks.h"
#include "core/Form2Names.h"

#include "clients/ClientRecord.h"

namespace zovt {

namespace {

bool digit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

bool allDigits(QStringView s)
{
    for (QChar c : s)
        if (!digit(c))
            return false;
    return true;
}

// A day or month typed as one character gets its leading zero.
QString twoDigits(const QString &text) { return text.size() == 1 ? QLatin1Char('0') + text : text; }

bool validDay(const QString &d)
{
    if (d.size() != 2 || d.at(0) < QLatin1Char('0') || d.at(0) > QLatin1Char('3') || !digit(d.at(1)))
        return false;
    return d != QLatin1String("00") && !(d.at(0) == QLatin1Char('3') && d.at(1) >= QLatin1Char('2'));
}

bool validMonth(const QString &m)
{
    if (m.size() != 2)
        return false;
    if (m.at(0) == QLatin1Char('0'))
        return m.at(1) >= QLatin1Char('1') && m.at(1) <= QLatin1Char('9');
    return m.at(0) == QLatin1Char('1') && m.at(1) >= QLatin1Char('0') && m.at(1) <= QLatin1Char('2');
}

bool validYear(const QString &y)
{
    return y.size() == 4 && (y.startsWith(QLatin1String("19")) || y.startsWith(QLatin1String("20")))
        && allDigits(QStringView(y).mid(2));
}

bool validPhone(const QString &p)
{
    return p.size() >= 9 && (p.at(0) == QLatin1Char('+') || digit(p.at(0))) && allDigits(QStringView(p).mid(1));
}

bool validEmail(const QString &e)
{
    return e.size() >= 5 && e.contains(QLatin1Char('@')) && e.contains(QLatin1Char('.'));
}

} // namespace

bool isCheckedField(const QString &name)
{
    return name == QLatin1String(f2::Datum_naroz_den) || name == QLatin1String(f2::Datum_naroz_mesic)
        || name == QLatin1String(f2::Datum_naroz_rok) || name == QLatin1String(f2::Telefon)
        || name == QLatin1String(f2::Email);
}

FieldVerdict checkField(const QString &name, const QString &text)
{
    FieldVerdict v{text, true, 0, QString()};
    const auto fail = [&v](int message, const QString &reset) {
        v.valid = false;
        v.message = message;
        v.reset = reset;
    };
    if (name == QLatin1String(f2::Datum_naroz_den)) {
        v.shown = twoDigits(text);
        if (!validDay(v.shown))
            fail(118, DatePlaceholder);
    } else if (name == QLatin1String(f2::Datum_naroz_mesic)) {
        v.shown = twoDigits(text);
        if (!validMonth(v.shown))
            fail(119, DatePlaceholder);
    } else if (name == QLatin1String(f2::Datum_naroz_rok)) {
        if (!validYear(text))
            fail(120, YearPlaceholder);
    } else if (name == QLatin1String(f2::Telefon)) {
        if (!text.isEmpty() && !validPhone(text))
            fail(123, QString());
    } else if (name == QLatin1String(f2::Email)) {
        if (!text.isEmpty() && !validEmail(text))
            fail(124, QString());
    }
    return v;
}

} // namespace zovt
