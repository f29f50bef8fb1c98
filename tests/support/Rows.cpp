#include "support/Rows.h"

namespace zovt::test {

QString row(const QString &s) { return QString(s).replace(QLatin1Char('|'), QLatin1Char('\t')); }

QString row(const char *s) { return row(QString::fromUtf8(s)); }

QStringList rows(std::initializer_list<const char *> lines)
{
    QStringList out;
    for (const char *s : lines)
        out << row(s);
    return out;
}

} // namespace zovt::test
