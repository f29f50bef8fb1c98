#include "clients/ClientLine.h"

namespace zovt {

namespace {

// The text before the first separator, or all of it when there is none.
QString upTo(const QString &r, QChar sep)
{
    const qsizetype i = r.indexOf(sep);
    return i < 0 ? r : r.left(i);
}

// The text after the first separator, or all of it unchanged when there is
// none; that is why a short line repeats its tail in the later fields.
QString past(const QString &r, QChar sep)
{
    const qsizetype i = r.indexOf(sep);
    return i < 0 ? r : r.mid(i + 1);
}

} // namespace

ClientRecord parseClientLine(const QString &line)
{
    const QChar semi(QLatin1Char(';'));
    const QChar dot(QLatin1Char('.'));
    QString R = past(line, QLatin1Char('='));
    const auto next = [&R, semi]() {
        const QString field = upTo(R, semi);
        R = past(R, semi);
        return field;
    };

    ClientRecord c;
    c.Prijmeni = next();
    c.Jmeno = next();
    c.JmenoFix = next();
    c.Datum_naroz_den = upTo(R, dot);
    c.Datum_naroz_mesic = upTo(past(R, dot), dot);
    c.Datum_naroz_rok = upTo(past(past(R, dot), dot), semi);
    R = past(R, semi);
    c.Bydliste1 = next();
    c.Bydliste2 = next();
    c.Poznamka1 = next();
    c.Poznamka2 = next();
    c.Telefon = next();
    c.Email = next();
    return c;
}

} // namespace zovt
