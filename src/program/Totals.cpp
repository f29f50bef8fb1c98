#include "program/Totals.h"

#include "program/RowFields.h"
#include "program/RowParser.h"

#include <QLocale>
#include <QTime>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace zovt {

namespace {

const QString kEightSpaces = QStringLiteral("        ");

} // namespace

// The totals are durations: a zone name in the platform's format would only
// be noise.
QString timeFormatWithoutZone(const QString &format)
{
    QString out;
    out.reserve(format.size());
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            out += c;
        } else if (!quoted && c == QLatin1Char('t')) {
            // dropped
        } else {
            out += c;
        }
    }
    out = out.simplified();
    return out;
}

QString CasPrevod(qint64 seconds)
{
    // Division truncates towards zero, so negative totals keep their sign in
    // every part that is not zero.
    const qint64 h = seconds / 3600;
    const qint64 r = seconds - h * 3600;
    const qint64 m = r / 60;
    const qint64 s = r - m * 60;
    // Built in one buffer: shown on every tick of a playback and on every row
    // of the display, where a string per part would cost three allocations.
    char buf[3 * 21];
    char *const end = buf + sizeof buf;
    char *p = std::to_chars(buf, end, h).ptr;
    *p++ = ':';
    p = std::to_chars(p, end, m).ptr;
    *p++ = ':';
    p = std::to_chars(p, end, s).ptr;
    return QString::fromLatin1(buf, p - buf);
}

QString longTimeFormat()
{
    const QLocale sys = QLocale::system();
    if (sys.language() == QLocale::C || sys.name() == QLatin1String("C"))
        return QStringLiteral("H:mm:ss");
    const QString f = timeFormatWithoutZone(sys.timeFormat(QLocale::LongFormat));
    return f.isEmpty() ? QStringLiteral("H:mm:ss") : f;
}

QString runningTotalText(qint32 CasCelk) { return kEightSpaces + CasPrevod(CasCelk); }

qint32 CasCelkSUM(const QStringList &MemoPlay, qint32 PocetRadkfr, RowVars &v, qint32 &CasCelk,
                  const RunningTotal &afterRow)
{
    CasCelk = 0;
    if (PocetRadkfr <= 0)
        return CasCelk;
    for (qint32 i = 1; i <= PocetRadkfr; ++i) {
        // A row missing from the memo reads as a blank row: its fields are
        // empty and keep the previous duration.
        const QStringView row = i < MemoPlay.size() ? QStringView(MemoPlay.at(i)) : QStringView();
        readDuration(RowFields(row), v, EmptyDuration::KeepsValue);
        CasCelk = static_cast<qint32>(static_cast<quint32>(CasCelk) + static_cast<quint32>(rowSeconds(v)));
        if (afterRow)
            afterRow(CasCelk);
    }
    return CasCelk;
}

qint32 CasCelkSUM(const QStringList &MemoPlay, qint32 PocetRadkfr, RowVars &v, const RunningTotal &afterRow)
{
    qint32 CasCelk = 0;
    return CasCelkSUM(MemoPlay, PocetRadkfr, v, CasCelk, afterRow);
}

QString fileTotalText(double totalDays)
{
    // The sum of many fractions of a day carries rounding noise; every row is
    // a whole number of seconds, so the total is taken to the nearest second
    // before it is split into days and a time of day.
    const double secs = std::nearbyint(totalDays * 86400.0);
    const QString fmt = longTimeFormat();
    if (secs >= 86400.0) {
        const double days = std::floor(secs / 86400.0);
        const int rest = static_cast<int>(secs - days * 86400.0);
        return QStringLiteral("   ") + QString::number(days, 'f', 0) + QStringLiteral(" D + ")
               + QTime(0, 0).addSecs(rest).toString(fmt);
    }
    // Below one day (negative totals included) the time of day is that of the
    // total's fractional part taken without its sign.
    const int rest = static_cast<int>(std::fmod(std::fabs(secs), 86400.0));
    return kEightSpaces + QTime(0, 0).addSecs(rest).toString(fmt);
}

QString CasSUMASUM(const QStringList &NacistMemo, RowVars &v)
{
    if (NacistMemo.isEmpty())
        return QString();
    double total = 0; // days
    for (const QString &line : NacistMemo) {
        if (line.contains(QLatin1Char('[')))
            continue;
        readDuration(RowFields(line), v, EmptyDuration::IsZero);
        total += static_cast<double>(rowSeconds(v)) / 86400.0;
    }
    return fileTotalText(total);
}

std::optional<FileTotal> fileTotalAhead(const QStringList &NacistMemo)
{
    RowVars v;
    FileTotal t;
    try {
        t.text = CasSUMASUM(NacistMemo, v);
    } catch (...) {
        return std::nullopt;
    }
    if (std::any_of(NacistMemo.begin(), NacistMemo.end(), [](const QString &line) { return !line.contains(QLatin1Char('[')); }))
        t.lastDuration = std::array<qint32, 3>{v.CasH, v.CasM, v.CasS};
    return t;
}

QString CasSUMASUM(const FileTotal &ahead, RowVars &v)
{
    if (const auto &d = ahead.lastDuration) {
        v.CasH = (*d)[0];
        v.CasM = (*d)[1];
        v.CasS = (*d)[2];
    }
    return ahead.text;
}

} // namespace zovt
