#include "program/RowParser.h"

#include "core/Excerpt.h"
#include "program/RowFields.h"
#include "program/Totals.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace zovt {

namespace {

[[noreturn]] void convertFail(QStringView text)
{
    throw ConvertError(QStringLiteral("'%1' is not a valid integer value").arg(excerpt(text)).toStdString());
}

// Integer part, thousandths and value of one number field. The thousandths are
// assigned before the integer part is read, so a field whose integer part
// fails keeps its new thousandths, as the row variables must.
void readNumber(QStringView field, qint32 &whole, qint32 &thousandths, double &value)
{
    // A decimal comma counts as the point; only the first separator splits the
    // field, any later one makes the thousandths unreadable.
    qsizetype sep = -1;
    for (qsizetype i = 0; i < field.size(); ++i) {
        const QChar c = field.at(i);
        if (c == QLatin1Char('.') || c == QLatin1Char(',')) {
            sep = i;
            break;
        }
    }
    if (sep < 0) {
        thousandths = readDecimal(field);
        whole = readDecimal(field);
    } else {
        QStringView after = field.mid(sep + 1);
        // A "," after a "." stays a "," and a "." after a "," is a "." again:
        // both are non-digits, so the outcome is the same as replacing first.
        thousandths = readDecimal(after);
        whole = readDecimal(field.left(sep));
    }
    value = rowNumberValue(whole, thousandths);
}

const QString kStars = QStringLiteral("********************");

// The number with three decimals, as QString::number(v, 'f', 3) gives it.
// Row values are whole thousandths, which print from an integer without
// Qt's general conversion: the display line of every row of a long program
// is built at once. The shortcut is taken only where the rounding to
// thousandths cannot be in doubt.
void appendFixed3(QString &out, double v)
{
    if (std::fabs(v) < 1e9) {
        const double scaled = v * 1000.0;
        const double nearest = std::nearbyint(scaled);
        // Off by at most 1.2e-4 from v's exact thousandths below 1e9.
        if (std::fabs(scaled - nearest) < 1e-3) {
            const qint64 n = static_cast<qint64>(nearest);
            if (n != 0 || !std::signbit(v)) {
                const quint64 magnitude = n < 0 ? quint64(-n) : quint64(n);
                char buf[32];
                char *const end = buf + sizeof buf;
                char *p = buf;
                if (n < 0)
                    *p++ = '-';
                p = std::to_chars(p, end, magnitude / 1000).ptr;
                const unsigned frac = unsigned(magnitude % 1000);
                *p++ = '.';
                *p++ = char('0' + frac / 100);
                *p++ = char('0' + frac / 10 % 10);
                *p++ = char('0' + frac % 10);
                out += QLatin1StringView(buf, p - buf);
                return;
            }
        }
    }
    out += QString::number(v, 'f', 3);
}

} // namespace

double rowNumberValue(qint32 whole, qint32 thousandths)
{
    // Computed in extended precision and rounded once to double: a device value
    // derived from it later must come out exactly as the device family expects
    // for inputs such as "1.125".
    const long double v = static_cast<long double>(thousandths) / 1000.0L + static_cast<long double>(whole);
    return static_cast<double>(v);
}

qint32 readDecimal(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    bool negative = false;
    if (i < n && (text.at(i) == QLatin1Char('-') || text.at(i) == QLatin1Char('+'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    if (i == n)
        convertFail(text);
    qint64 acc = 0;
    const qint64 limit = negative ? qint64(1) << 31 : (qint64(1) << 31) - 1;
    for (; i < n; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            convertFail(text);
        acc = acc * 10 + (c - u'0');
        if (acc > limit)
            convertFail(text);
    }
    return static_cast<qint32>(negative ? -acc : acc);
}

qint32 readDecimal(const QString &text) { return readDecimal(QStringView(text)); }

QString rowField(const QString &row, int k)
{
    if (k < 1)
        return QString();
    QStringView rest(row);
    QStringView field;
    for (int i = 0; i < k; ++i) {
        const qsizetype tab = rest.indexOf(QLatin1Char('\t'));
        if (tab < 0)
            return rest.toString(); // the rest stands for every further field
        field = rest.left(tab);
        rest = rest.mid(tab + 1);
    }
    return field.toString();
}

void Nactiradekdata(const QString &PomStringPrenos, RowVars &v)
{
    const RowFields f(PomStringPrenos, 8);

    v.FrJm = f.at(1).toString();

    if (f.at(2).isEmpty()) {
        v.InfoMEZ = 1;
        v.FrDwF = 0;
    } else {
        readNumber(f.at(2), v.FrDw, v.FrDwD, v.FrDwF);
        v.InfoMEZ = 2;
    }

    if (!f.at(3).isEmpty())
        readNumber(f.at(3), v.FrUp, v.FrUpD, v.FrUpF);

    // A band whose limits coincide is a single frequency.
    if (v.FrUpF == v.FrDwF) {
        v.InfoMEZ = 1;
        v.FrDwF = 0;
    }

    if (f.at(4).isEmpty())
        v.SunF = 0;
    else
        readNumber(f.at(4), v.Sun, v.SunD, v.SunF);

    const QStringView unit = f.at(5);
    if (unit == u"Hz")
        v.HzkHz = 1;
    else if (unit == u"kHz")
        v.HzkHz = 1000;
    else if (unit == u"MHz")
        v.HzkHz = 1000000;
    else if (unit == u"GHz")
        v.HzkHz = 1000000000;

    readDuration(f, v, EmptyDuration::KeepsValue);
}

void readDuration(const RowFields &f, RowVars &v, EmptyDuration empty)
{
    qint32 *const parts[] = {&v.CasH, &v.CasM, &v.CasS};
    for (int k = 0; k < 3; ++k) {
        const QStringView field = f.at(6 + k);
        if (!field.isEmpty())
            *parts[k] = readDecimal(field);
        else if (empty == EmptyDuration::IsZero)
            *parts[k] = 0;
    }
    // Playback counts a row in 32-bit milliseconds; a longer row would wrap
    // and play for a moment while the totals show its full length.
    const qint64 ms = (qint64(v.CasH) * 3600 + qint64(v.CasM) * 60 + qint64(v.CasS)) * 1000;
    if (ms > std::numeric_limits<qint32>::max() || ms < std::numeric_limits<qint32>::min())
        throw ConvertError(QStringLiteral("the duration %1:%2:%3 is longer than a row can play (596:31:23)")
                               .arg(v.CasH)
                               .arg(v.CasM)
                               .arg(v.CasS)
                               .toStdString());
}

qint32 rowSeconds(qint32 CasH, qint32 CasM, qint32 CasS)
{
    // 32-bit arithmetic that wraps like the window's integers instead of
    // overflowing into undefined behaviour.
    const qint64 s = qint64(CasH) * 3600 + qint64(CasM) * 60 + qint64(CasS);
    return static_cast<qint32>(static_cast<quint32>(static_cast<quint64>(s)));
}

qint32 rowSeconds(const RowVars &v) { return rowSeconds(v.CasH, v.CasM, v.CasS); }

QString unitName(qint32 HzkHz)
{
    switch (HzkHz) {
    case 1:
        return QStringLiteral("Hz");
    case 1000:
        return QStringLiteral("kHz");
    case 1000000:
        return QStringLiteral("MHz");
    case 1000000000:
        return QStringLiteral("GHz");
    default:
        return QString();
    }
}

QString rowDisplayLine(const RowVars &v, bool OrvatrinPower)
{
    const QChar tab = QLatin1Char('\t');
    const QString duration = CasPrevod(rowSeconds(v));
    QString out;
    out.reserve(v.FrJm.size() + 64);
    out += v.FrJm;
    out += tab;
    if (OrvatrinPower) {
        out += kStars;
        out += tab;
        out += tab;
        out += duration;
        return out;
    }
    const QChar blank = QLatin1Char(' ');
    if (v.InfoMEZ == 1)
        out += blank;
    else
        appendFixed3(out, v.FrDwF);
    out += tab;
    appendFixed3(out, v.FrUpF);
    out += tab;
    if (v.InfoMEZ == 1)
        out += blank;
    else
        appendFixed3(out, v.SunF);
    out += tab;
    out += unitName(v.HzkHz);
    out += tab;
    out += duration;
    return out;
}

} // namespace zovt
