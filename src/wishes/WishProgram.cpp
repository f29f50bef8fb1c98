#include "wishes/WishProgram.h"

#include "clients/ClientRecord.h"

namespace zovt::wishes {

int drawMinutes(std::mt19937 &rng)
{
    std::uniform_int_distribution<int> digit(0, MaxMinutes - MinMinutes);
    return MinMinutes + digit(rng);
}

QStringList wishProgram(std::mt19937 &rng)
{
    const QChar tab(QLatin1Char('\t'));
    QStringList lines;
    lines.reserve(RowCount + 2);
    lines << QStringLiteral("[QQZovT W]");
    for (int i = 0; i < RowCount; ++i) {
        const QStringList fields = {
            QStringLiteral("ZovT W"), QString(), QStringLiteral("10.000"), QStringLiteral("0"), QStringLiteral("Hz"),
            QStringLiteral("0"), QString::number(drawMinutes(rng)), QStringLiteral("0"),
        };
        lines << fields.join(tab);
    }
    lines << QStringLiteral("[STOP]");
    return lines;
}

bool isPlayable(const WishClient &c, const QStringList &wish)
{
    for (const QString *f : {&c.Jmeno, &c.Prijmeni, &c.Datum_naroz_den, &c.Datum_naroz_mesic, &c.Datum_naroz_rok})
        if (f->isEmpty())
            return false;
    // A date part left at "88" is a date never entered; the year's own
    // placeholder "8888" does not count here.
    for (const QString *f : {&c.Datum_naroz_den, &c.Datum_naroz_mesic, &c.Datum_naroz_rok})
        if (*f == DatePlaceholder)
            return false;
    const QString firstLine = wish.isEmpty() ? QString() : wish.first();
    return firstLine.size() > 4;
}

} // namespace zovt::wishes
