#include "playback/SchedulePlot.h"

#include "program/RowParser.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <limits>

namespace zovt {

namespace {

constexpr int kWidth = 1200;
constexpr double kHeader = 34;
constexpr double kPanelHeight = 330;
constexpr double kLeft = 90;
constexpr double kRight = 100;    // the row levels' labels
constexpr double kTitle = 30;     // panel title above the area
constexpr double kBelow = 48;     // time labels and axis title under the area
constexpr double kNameFont = 11;
constexpr int kNameLevels = 3;
constexpr double kLevelFont = 10;
constexpr double kTimeFont = 11;
constexpr double kFooter = 30;
// Time labels keep at least this far apart, and this much blank between them.
constexpr double kMinTickPx = 56;
constexpr double kTickGap = 16;
// Rows closer than this on average get a line only where their name shows:
// a line for each would grey the panel over.
constexpr double kRowLinePx = 8;

const QColor kText(0x20, 0x20, 0x20);
const QColor kGrid(0xd8, 0xd8, 0xd8);
const QColor kMinorGrid(0xee, 0xee, 0xee);
const QColor kFrame(0x80, 0x80, 0x80);
const QColor kRowLine(0x90, 0x90, 0x90);
const QColor kTrace(0x1f, 0x5f, 0xbf);
const QColor kLevelText(0x17, 0x47, 0x8f);
const QColor kAfterEnd(0xf3, 0xf3, 0xf3);
const QColor kProblem(0xc0, 0x20, 0x20);

PlotShape line(QPointF a, QPointF b, const QColor &c, double width = 1, bool dashed = false)
{
    PlotShape s;
    s.kind = PlotShape::Line;
    s.points = {a, b};
    s.stroke = c;
    s.width = width;
    s.dashed = dashed;
    return s;
}

PlotShape textShape(QPointF at, const QString &t, double size, int anchor, const QColor &c = kText, bool bold = false)
{
    PlotShape s;
    s.kind = PlotShape::Text;
    s.points = {at};
    s.text = t;
    s.width = size;
    s.anchor = anchor;
    s.stroke = c;
    s.bold = bold;
    return s;
}

QFont plotFont(double size, bool bold)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(int(size));
    f.setBold(bold);
    return f;
}

// The width a text is drawn at: measured with the font the PNG is drawn in
// where fonts are at hand, otherwise (an SVG written without a GUI) a
// generous estimate, so that what is cut to fit does fit.
double textWidth(const QString &t, double size, bool bold = false)
{
    if (qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return QFontMetricsF(plotFont(size, bold)).horizontalAdvance(t);
    return double(t.size()) * size * (bold ? 0.7 : 0.62);
}

// t cut with "…" to fit room; empty when not even a letter fits.
QString elided(const QString &t, double room, double size, bool bold = false)
{
    if (textWidth(t, size, bold) <= room)
        return t;
    const QChar ellipsis(0x2026);
    qsizetype fits = 0;
    qsizetype lo = 1, hi = t.size() - 1;
    while (lo <= hi) {
        const qsizetype mid = (lo + hi) / 2;
        if (textWidth(t.left(mid) + ellipsis, size, bold) <= room) {
            fits = mid;
            lo = mid + 1;
        } else {
            hi = mid - 1;
        }
    }
    // A cut in a surrogate pair would leave half a character.
    if (fits > 0 && t.at(fits - 1).isHighSurrogate())
        --fits;
    return fits == 0 ? QString() : t.left(fits) + ellipsis;
}

// A header or name as one line: a file may hold tabs or other controls.
QString oneLine(QString t)
{
    for (QChar &c : t)
        if (c.unicode() < 0x20)
            c = QLatin1Char(' ');
    return t;
}

QString duration(qint64 ms)
{
    const qint64 s = (ms + 500) / 1000;
    return QStringLiteral("%1:%2:%3").arg(s / 3600).arg(s / 60 % 60, 2, 10, QLatin1Char('0')).arg(s % 60, 2, 10, QLatin1Char('0'));
}

QString xmlEscaped(const QString &t)
{
    QString r = t.toHtmlEscaped();
    // XML takes no control characters, whatever a program file holds.
    for (QChar &c : r)
        if (c.unicode() < 0x20)
            c = QLatin1Char(' ');
    r.replace(QLatin1Char('\''), QStringLiteral("&apos;"));
    return r;
}

QString svgColour(const QColor &c) { return c.isValid() ? c.name() : QStringLiteral("none"); }

// Steps of the time axis, in seconds, up to half a day; longer axes count
// days in 1, 2, 5 steps.
constexpr qint64 kStepsS[] = {1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 10800, 21600, 43200};

void merge(TraceReducer::Span &into, TraceReducer::Span &&from)
{
    if (from.firstMs >= 0) {
        if (into.firstMs < 0) {
            into.firstMs = from.firstMs;
            into.lo = from.lo;
            into.hi = from.hi;
        } else {
            into.lo = std::min(into.lo, from.lo);
            into.hi = std::max(into.hi, from.hi);
        }
        into.last = from.last;
    }
    if (from.rows > 0) {
        if (into.rows == 0) {
            into.rowMs = from.rowMs;
            into.row = from.row;
            into.name = std::move(from.name);
        }
        into.rows += from.rows;
    }
}

} // namespace

// ---------------------------------------------------------------------------

TraceReducer::TraceReducer() : m_spans(kSpans), m_levels(kLevelBins) {}

TraceReducer::Span &TraceReducer::spanAt(qint64 ms)
{
    ms = std::max<qint64>(ms, 0);
    // Pairs of spans become one until the time fits; what each keeps is a
    // lowest, a highest and a first, which merge without loss.
    while (ms / m_spanMs >= kSpans) {
        for (int i = 0; i < kSpans / 2; ++i) {
            Span merged = std::move(m_spans[size_t(2 * i)]);
            merge(merged, std::move(m_spans[size_t(2 * i + 1)]));
            m_spans[size_t(i)] = std::move(merged);
        }
        for (int i = kSpans / 2; i < kSpans; ++i)
            m_spans[size_t(i)] = Span();
        m_spanMs *= 2;
        m_used = (m_used + 1) / 2;
    }
    const int i = int(ms / m_spanMs);
    m_used = std::max(m_used, i + 1);
    return m_spans[size_t(i)];
}

void TraceReducer::value(qint64 ms, double hz, qint32 unit)
{
    Span &s = spanAt(ms);
    if (s.firstMs < 0) {
        s.firstMs = ms;
        s.lo = s.hi = hz;
    } else {
        s.lo = std::min(s.lo, hz);
        s.hi = std::max(s.hi, hz);
    }
    s.last = hz;
    m_lastValueMs = ms;
    if (m_firstValueMs < 0) {
        m_firstValueMs = ms;
        m_lowest = m_highest = {hz, unit};
    } else {
        if (hz < m_lowest.hz)
            m_lowest = {hz, unit};
        if (hz > m_highest.hz)
            m_highest = {hz, unit};
    }
    m_commandAfterMs = -1;
    if (!m_rowHasValue) {
        m_rowLow = m_rowHigh = {hz, unit};
        m_rowHasValue = true;
    } else if (hz < m_rowLow.hz) {
        m_rowLow = {hz, unit};
    } else if (hz > m_rowHigh.hz) {
        m_rowHigh = {hz, unit};
    }
}

void TraceReducer::command(qint64 ms)
{
    if (m_firstValueMs >= 0 && m_commandAfterMs < 0)
        m_commandAfterMs = ms;
}

void TraceReducer::rowStarted(qint64 ms, int row, const QString &name)
{
    if (m_rowHasValue) {
        countLevel(m_rowLow, m_rowHigh);
        m_rowHasValue = false;
    }
    ++m_rowCount;
    Span &s = spanAt(ms);
    if (s.rows++ == 0) {
        s.rowMs = ms;
        s.row = row;
        s.name = name.left(kNameChars);
    }
}

void TraceReducer::finish(qint64 durationMs) { m_durationMs = std::max<qint64>(durationMs, 0); }

qint64 TraceReducer::holdEndMs() const
{
    return std::max(m_lastValueMs, m_commandAfterMs >= 0 ? m_commandAfterMs : m_durationMs);
}

namespace {

size_t levelBin(double hz)
{
    const double bin = std::floor((std::log10(std::max(hz, 1e-300)) + 2) * TraceReducer::kLevelsPerDecade);
    return size_t(std::clamp(bin, 0.0, double(TraceReducer::kLevelBins - 1)));
}

// A row counted at its lowest and its highest value, once when they are one.
void countRow(std::vector<TraceReducer::Level> &bins, const TraceReducer::Level &low, const TraceReducer::Level &high)
{
    for (const TraceReducer::Level *l : {&low, &high}) {
        if (l == &high && high.hz == low.hz)
            break;
        TraceReducer::Level &bin = bins[levelBin(l->hz)];
        if (bin.rows == 0) {
            bin.hz = l->hz;
            bin.unit = l->unit;
        }
        ++bin.rows;
    }
}

} // namespace

void TraceReducer::countLevel(const Level &low, const Level &high) { countRow(m_levels, low, high); }

QVector<TraceReducer::Level> TraceReducer::levels() const
{
    std::vector<Level> bins = m_levels;
    if (m_rowHasValue)
        countRow(bins, m_rowLow, m_rowHigh);
    QVector<Level> out;
    for (const Level &l : bins)
        if (l.rows > 0)
            out.append(l);
    return out;
}

QVector<TraceReducer::Column> TraceReducer::columns(qint64 axisMs, int pixels) const
{
    QVector<Column> cols(std::max(pixels, 1));
    const int n = int(cols.size());
    const double perPixel = double(std::max<qint64>(axisMs, 1)) / double(n);
    const auto columnOf = [&](qint64 ms) { return std::clamp(int(double(ms) / perPixel), 0, n - 1); };
    for (int i = 0; i < m_used; ++i) {
        Span s = m_spans[size_t(i)];
        const int c = columnOf(s.firstMs >= 0 ? s.firstMs : s.rowMs);
        // A span is no wider than a column: its row may begin one column
        // before its first value.
        if (s.rows > 0 && s.firstMs >= 0 && columnOf(s.rowMs) != c) {
            Span row;
            row.rowMs = s.rowMs;
            row.row = s.row;
            row.name = std::move(s.name);
            row.rows = s.rows;
            merge(cols[columnOf(s.rowMs)], std::move(row));
            s.rows = 0;
        }
        merge(cols[c], std::move(s));
    }
    if (m_firstValueMs < 0)
        return cols;
    // The value written last stays held into the columns after it.
    const int endColumn = columnOf(holdEndMs());
    bool holding = false;
    double held = 0;
    for (int c = 0; c < n; ++c) {
        Column &col = cols[c];
        if (holding) {
            col.carried = col.held = true;
            col.in = held;
            if (col.firstMs >= 0) {
                col.lo = std::min(col.lo, held);
                col.hi = std::max(col.hi, held);
            } else {
                col.lo = col.hi = col.last = held;
            }
        }
        if (col.firstMs >= 0) {
            col.held = holding = true;
            held = col.last;
        }
        if (c >= endColumn)
            holding = false;
    }
    return cols;
}

// ---------------------------------------------------------------------------

ScheduleTraces::Panel *ScheduleTraces::open() { return m_open ? &m_panels.back() : nullptr; }

void ScheduleTraces::programStarted(const ScheduleProgram &p)
{
    ++m_played;
    m_open = m_panels.size() < size_t(kMaxPanels);
    if (m_open)
        m_panels.push_back({p, TraceReducer(), {}});
}

void ScheduleTraces::written(const ScheduleWrite &w)
{
    if (Panel *p = open()) {
        const qint64 ms = w.ms - p->program.startMs;
        if (w.hz > 0)
            p->trace.value(ms, w.hz, w.unit);
        else
            p->trace.command(ms);
    }
}

void ScheduleTraces::rowStarted(const ScheduleRow &r)
{
    if (Panel *p = open(); p && r.entry == p->program.entry)
        p->trace.rowStarted(r.startMs - p->program.startMs, r.row, r.name);
}

void ScheduleTraces::problem(const ScheduleProblem &p)
{
    // A fault is reported before its program's end; one at the very end of
    // it still belongs to it.
    if (m_panels.empty())
        return;
    Panel &last = m_panels.back();
    const bool belongs = m_open || (m_played == int(m_panels.size()) && p.ms <= last.program.endMs);
    if (belongs && p.entry == last.program.entry && last.problems.size() < kMaxProblems)
        last.problems.append(p);
}

void ScheduleTraces::programEnded(const ScheduleProgram &p)
{
    if (Panel *open = this->open()) {
        open->program = p;
        open->trace.finish(p.endMs - p.startMs);
    }
    m_open = false;
}

ScheduleSink ScheduleTraces::sink(ScheduleSink next)
{
    ScheduleSink s;
    s.write = [this, f = next.write](const ScheduleWrite &w) {
        written(w);
        if (f)
            f(w);
    };
    s.programStarted = [this, f = next.programStarted](const ScheduleProgram &p) {
        programStarted(p);
        if (f)
            f(p);
    };
    s.rowStarted = [this, f = next.rowStarted](const ScheduleRow &r) {
        rowStarted(r);
        if (f)
            f(r);
    };
    s.programEnded = [this, f = next.programEnded](const ScheduleProgram &p) {
        programEnded(p);
        if (f)
            f(p);
    };
    s.problem = [this, f = next.problem](const ScheduleProblem &p) {
        problem(p);
        if (f)
            f(p);
    };
    return s;
}

// ---------------------------------------------------------------------------

SchedulePlot::SchedulePlot(const ScheduleTraces &traces, const QString &title, bool sameScale)
{
    build(traces, title, sameScale);
}

SchedulePlot::SchedulePlot(const ScheduleResult &result, const QString &title, bool sameScale)
{
    // The kept events, program by program, in the order they happened: a
    // row begins before its first value is written.
    ScheduleTraces traces;
    for (qsizetype i = 0; i < result.programs.size(); ++i) {
        const ScheduleProgram &prog = result.programs.at(i);
        traces.programStarted(prog);
        if (i < kMaxPanels) {
            auto w = std::lower_bound(result.writes.begin(), result.writes.end(), prog.startMs,
                                      [](const ScheduleWrite &a, qint64 ms) { return a.ms < ms; });
            auto r = std::lower_bound(result.rows.begin(), result.rows.end(), prog.startMs,
                                      [](const ScheduleRow &a, qint64 ms) { return a.startMs < ms; });
            for (;;) {
                const bool row = r != result.rows.end() && r->startMs <= prog.endMs;
                const bool write = w != result.writes.end() && w->ms <= prog.endMs;
                if (row && (!write || r->startMs <= w->ms)) {
                    traces.rowStarted(*r++);
                } else if (write) {
                    traces.written(*w++);
                } else {
                    break;
                }
            }
            for (const ScheduleProblem &p : result.problems)
                if (p.ms >= prog.startMs && p.ms <= prog.endMs)
                    traces.problem(p);
        }
        traces.programEnded(prog);
    }
    build(traces, title, sameScale);
}

void SchedulePlot::build(const ScheduleTraces &traces, const QString &title, bool sameScale)
{
    const int played = traces.played();
    const int panels = std::clamp(played, 1, kMaxPanels);
    const bool cut = played > kMaxPanels;
    m_size = QSize(kWidth, int(kHeader + kPanelHeight * panels + (cut ? kFooter : 0)));
    PlotShape background;
    background.kind = PlotShape::Rect;
    background.rect = QRectF(QPointF(0, 0), QSizeF(m_size));
    background.fill = Qt::white;
    m_shapes << background;
    m_shapes << textShape({kLeft, 22}, elided(oneLine(title), kWidth - kLeft - kRight, 15, true), 15, -1, kText, true);
    if (traces.panels().empty()) {
        m_shapes << textShape({kWidth / 2.0, kHeader + kPanelHeight / 2}, QStringLiteral("no program was played"), 14, 0);
        return;
    }
    qint64 longest = 1;
    for (const ScheduleTraces::Panel &p : traces.panels())
        longest = std::max(longest, p.program.endMs - p.program.startMs);
    for (size_t i = 0; i < traces.panels().size(); ++i) {
        const ScheduleTraces::Panel &p = traces.panels()[i];
        const qint64 own = std::max<qint64>(1, p.program.endMs - p.program.startMs);
        addPanel(p, sameScale ? longest : own, kHeader + kPanelHeight * double(i));
    }
    if (cut)
        m_shapes << textShape({kLeft, kHeader + kPanelHeight * panels + 16},
                         QStringLiteral("%1 more programs played, not drawn: pick them with ENTRY").arg(played - panels),
                         12, -1);
}

QRectF SchedulePlot::area(int panel) const { return m_panels.at(panel).area; }

qint64 SchedulePlot::axisMs(int panel) const { return m_panels.at(panel).axisMs; }

QPointF SchedulePlot::at(int panel, qint64 msSincePlay, double hz) const
{
    const Panel &p = m_panels.at(panel);
    // Room above for the row names and a little below, so that a trace on a
    // decade line does not hide in the frame.
    constexpr double below = 8;
    const double lg = std::log10(std::max(hz, 1e-9));
    const double x = p.area.left() + p.area.width() * double(msSincePlay) / double(p.axisMs);
    const double y = p.area.bottom() - below -
                     (p.area.height() - below - p.topRoom) * (lg - p.lowLog) / (p.highLog - p.lowLog);
    return {x, y};
}

QString SchedulePlot::frequencyLabel(double hz)
{
    static const struct {
        double scale;
        const char *unit;
    } units[] = {{1e9, "GHz"}, {1e6, "MHz"}, {1e3, "kHz"}, {1, "Hz"}};
    for (const auto &u : units) {
        if (hz >= u.scale || u.scale == 1) {
            QString n = QString::number(hz / u.scale, 'g', 6);
            return n + QLatin1Char(' ') + QLatin1String(u.unit);
        }
    }
    return QString();
}

QString SchedulePlot::levelLabel(double hz, qint32 unit)
{
    // The device takes hundredths of a hertz in "Hz" and "kHz" rows, and
    // thousandths of the unit are all a "MHz" or "GHz" row can say.
    int decimals = 3;
    QString name = unitName(unit);
    if (unit == 1)
        decimals = 2;
    else if (unit == 1000)
        decimals = 5;
    if (name.isEmpty())
        return frequencyLabel(hz);
    QString n = QString::number(hz / unit, 'f', decimals);
    if (n.contains(QLatin1Char('.'))) {
        while (n.endsWith(QLatin1Char('0')))
            n.chop(1);
        if (n.endsWith(QLatin1Char('.')))
            n.chop(1);
    }
    return n + QLatin1Char(' ') + name;
}

QString SchedulePlot::clockLabel(qint64 ms, bool hours)
{
    const qint64 s = ms / 1000;
    const QLatin1Char zero('0');
    if (hours)
        return QStringLiteral("%1:%2:%3").arg(s / 3600).arg(s / 60 % 60, 2, 10, zero).arg(s % 60, 2, 10, zero);
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, zero);
}

double SchedulePlot::clockLabelWidth(const QString &label)
{
    // Wider than the digits and colons of any common sans-serif font.
    return double(label.size()) * kTimeFont * 0.62;
}

SchedulePlot::TimeAxis SchedulePlot::timeAxis(qint64 lengthMs, double widthPx)
{
    lengthMs = std::max<qint64>(lengthMs, 1);
    TimeAxis axis;
    axis.hours = lengthMs >= 3600000;
    const auto fits = [&](qint64 stepMs) {
        if (stepMs >= lengthMs)
            return true;  // a single label
        const double px = double(stepMs) * widthPx / double(lengthMs);
        const QString widest = clockLabel(lengthMs / stepMs * stepMs, axis.hours);
        return px >= std::max(kMinTickPx, clockLabelWidth(widest) + kTickGap);
    };
    for (qint64 s : kStepsS) {
        if (fits(s * 1000)) {
            axis.stepMs = s * 1000;
            return axis;
        }
    }
    constexpr qint64 day = 86400000;
    for (qint64 days = 1; days <= std::numeric_limits<qint64>::max() / day / 10; days *= 10) {
        for (qint64 m : {1, 2, 5}) {
            if (fits(days * m * day)) {
                axis.stepMs = days * m * day;
                return axis;
            }
        }
    }
    axis.stepMs = lengthMs;
    return axis;
}

void SchedulePlot::addPanel(const ScheduleTraces::Panel &source, qint64 axisMs, double top)
{
    const ScheduleProgram &prog = source.program;
    const TraceReducer &trace = source.trace;
    const qint64 programMs = std::max<qint64>(1, prog.endMs - prog.startMs);
    Panel panel;
    panel.area = QRectF(QPointF(kLeft, top + kTitle), QPointF(kWidth - kRight, top + kPanelHeight - kBelow));
    panel.axisMs = std::max<qint64>(1, axisMs);
    if (trace.hasValues()) {
        panel.lowLog = std::floor(std::log10(trace.lowest().hz));
        panel.highLog = std::ceil(std::log10(trace.highest().hz));
    } else {
        panel.lowLog = 0;
        panel.highLog = 3;
    }
    if (panel.highLog - panel.lowLog < 1)
        panel.highLog = panel.lowLog + 1;

    const QRectF &a = panel.area;
    const auto xAt = [&](qint64 ms) { return a.left() + a.width() * double(ms) / double(panel.axisMs); };
    const QVector<TraceReducer::Column> columns = trace.columns(panel.axisMs, int(a.width()));

    // Row names go on the first of a few levels where they do not run into
    // the previous name, or are left out; the trace keeps below the levels
    // used. Where rows are too dense for a line each, only the named ones get
    // their line.
    struct Mark {
        double x;
        QString name;
        int level;  // -1: no name
    };
    QVector<Mark> marks;
    int rowColumns = 0;
    for (const TraceReducer::Column &c : columns)
        rowColumns += c.rows > 0 ? 1 : 0;
    const bool everyLine = rowColumns <= a.width() / kRowLinePx;
    // Dense rows get a single line of names, a ruler of where which row
    // plays, and leave the trace its height.
    const int nameLevels = everyLine ? kNameLevels : 1;
    double levelEnd[kNameLevels];
    std::fill(std::begin(levelEnd), std::end(levelEnd), -1e9);
    int levelsUsed = 0;
    for (const TraceReducer::Column &c : columns) {
        if (c.rows == 0)
            continue;
        const double x = xAt(c.rowMs);
        const QString name = oneLine(c.name).trimmed().isEmpty() ? QStringLiteral("row %1").arg(c.row)
                                                                 : oneLine(c.name).trimmed();
        int level = -1;
        for (int l = 0; l < nameLevels; ++l) {
            if (levelEnd[l] < x) {
                level = l;
                break;
            }
        }
        QString shown;
        if (level >= 0) {
            shown = elided(name, a.right() - x - 6, kNameFont);
            if (shown.isEmpty())
                level = -1;
        }
        if (level >= 0) {
            levelEnd[level] = x + 3 + textWidth(shown, kNameFont) + 6;
            levelsUsed = std::max(levelsUsed, level + 1);
        }
        if (level >= 0 || everyLine)
            marks.append({x, shown, level});
    }
    panel.topRoom = 8 + 14 * levelsUsed;
    m_panels << panel;
    const int pi = int(m_panels.size()) - 1;
    const auto yAt = [&](double hz) { return at(pi, 0, hz).y(); };

    // Title, cut to leave the durations their room.
    const QString durations = QStringLiteral("program time %1, real duration %2")
                                  .arg(duration(qint64(prog.totalSeconds) * 1000), duration(prog.endMs - prog.startMs));
    const double headingRoom = a.width() - textWidth(durations, 12) - 24;
    const QString heading = elided(QStringLiteral("program %1  %2").arg(prog.entry).arg(oneLine(prog.header)), headingRoom,
                                   13, true);
    m_shapes << textShape({a.left(), top + 20}, heading, 13, -1, kText, true);
    m_shapes << textShape({a.right(), top + 20}, durations, 12, 1);

    // On a scale shared with longer programs, the time after this one's end.
    if (programMs < panel.axisMs) {
        PlotShape after;
        after.kind = PlotShape::Rect;
        after.rect = QRectF(QPointF(xAt(programMs), a.top()), a.bottomRight());
        after.fill = kAfterEnd;
        m_shapes << after;
        m_shapes << line({xAt(programMs), a.top()}, {xAt(programMs), a.bottom()}, kFrame);
    }

    // Frequency grid: decades labelled, the steps between them faint.
    for (int d = int(panel.lowLog); d <= int(panel.highLog); ++d) {
        const double hz = std::pow(10.0, d);
        const double y = yAt(hz);
        m_shapes << line({a.left(), y}, {a.right(), y}, kGrid);
        m_shapes << textShape({a.left() - 6, y + 4}, frequencyLabel(hz), 11, 1);
        if (d < int(panel.highLog) && panel.highLog - panel.lowLog <= 6) {
            for (int m = 2; m <= 9; ++m) {
                const double ym = yAt(hz * m);
                m_shapes << line({a.left(), ym}, {a.right(), ym}, kMinorGrid);
                // With few decades the 2 and 5 steps are labelled too.
                if ((m == 2 || m == 5) && panel.highLog - panel.lowLog <= 2)
                    m_shapes << textShape({a.left() - 6, ym + 4}, frequencyLabel(hz * m), 11, 1);
            }
        }
    }
    PlotShape axisTitle = textShape({18, a.center().y()}, QStringLiteral("frequency"), 12, 0);
    axisTitle.vertical = true;
    m_shapes << axisTitle;

    // Time grid on the clock.
    const TimeAxis axis = timeAxis(panel.axisMs, a.width());
    for (qint64 t = 0; t <= panel.axisMs; t += axis.stepMs) {
        const double x = xAt(t);
        m_shapes << line({x, a.top()}, {x, a.bottom()}, kGrid);
        m_shapes << textShape({x, a.bottom() + 16}, clockLabel(t, axis.hours), kTimeFont, 0);
        if (t > panel.axisMs - axis.stepMs)
            break;
    }
    m_shapes << textShape({a.center().x(), a.bottom() + 36},
                          axis.hours ? QStringLiteral("time since Play (h:mm:ss)") : QStringLiteral("time since Play (m:ss)"),
                          12, 0);

    // Rows: a dashed line where each begins, its name beside it.
    for (const Mark &m : marks) {
        m_shapes << line({m.x, a.top()}, {m.x, a.bottom()}, kRowLine, 1, true);
        if (m.level >= 0)
            m_shapes << textShape({m.x + 3, a.top() + 13 + m.level * 14}, m.name, kNameFont, -1);
    }

    // The trace: per pixel column a vertical stroke over everything held in
    // it, level strokes between.
    if (trace.hasValues()) {
        PlotShape path;
        path.kind = PlotShape::Polyline;
        path.stroke = kTrace;
        path.width = 2;
        const auto add = [&](double x, double hz) {
            const QPointF p(x, yAt(hz));
            if (path.points.isEmpty() || path.points.constLast() != p)
                path.points << p;
        };
        double held = 0;
        for (const TraceReducer::Column &c : columns) {
            if (c.firstMs < 0)
                continue;
            const bool steady = c.carried && c.lo == c.in && c.hi == c.in && c.last == c.in;
            if (!steady) {
                const double x = xAt(c.firstMs);
                if (c.carried)
                    add(x, c.in);
                // The extreme farther from where the column ends first, so
                // that a plain step is one stroke and only a spike turns back.
                const double yLast = yAt(c.last);
                const bool highFirst = std::abs(yAt(c.hi) - yLast) >= std::abs(yAt(c.lo) - yLast);
                add(x, highFirst ? c.hi : c.lo);
                add(x, highFirst ? c.lo : c.hi);
                add(x, c.last);
            }
            held = c.last;
        }
        add(xAt(trace.holdEndMs()), held);
        m_shapes << path;

        // Each row's level labelled beside the panel in the row's unit: the
        // lowest and highest first, then those of the most rows, where they
        // keep apart.
        QVector<TraceReducer::Level> levels = trace.levels();
        std::stable_sort(levels.begin(), levels.end(),
                         [](const TraceReducer::Level &a, const TraceReducer::Level &b) { return a.rows > b.rows; });
        levels.prepend(trace.highest());
        levels.prepend(trace.lowest());
        QVector<double> taken;
        for (const TraceReducer::Level &l : levels) {
            const double y = yAt(l.hz);
            bool apart = true;
            for (double t : taken)
                apart = apart && std::abs(t - y) >= kLevelFont + 2;
            if (!apart)
                continue;
            taken.append(y);
            m_shapes << line({a.right(), y}, {a.right() + 5, y}, kTrace, 2);
            QString label = levelLabel(l.hz, l.unit);
            if (textWidth(label, kLevelFont) > kRight - 10)
                label = frequencyLabel(l.hz);
            m_shapes << textShape({a.right() + 8, y + 4}, label, kLevelFont, -1, kLevelText);
        }
    }

    // Where a row ends the playback early.
    for (const ScheduleProblem &p : source.problems) {
        const double x = xAt(p.ms - prog.startMs);
        m_shapes << line({x, a.top()}, {x, a.bottom()}, kProblem, 2);
        const QString what = oneLine(QStringLiteral("line %1: %2").arg(p.line).arg(p.reason));
        const bool left = x > a.center().x();
        m_shapes << textShape({left ? x - 4 : x + 4, a.bottom() - 8}, elided(what, a.width() / 2, 11), 11, left ? 1 : -1,
                         kProblem);
    }

    // Frame last, over the grid.
    PlotShape frame;
    frame.kind = PlotShape::Rect;
    frame.rect = a;
    frame.stroke = kFrame;
    m_shapes << frame;
}

QByteArray SchedulePlot::png() const
{
    QImage image(m_size, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        for (const PlotShape &s : m_shapes) {
            QPen pen(s.stroke.isValid() ? s.stroke : QColor(Qt::transparent));
            pen.setWidthF(s.kind == PlotShape::Text ? 1 : s.width);
            if (s.dashed)
                pen.setDashPattern({4, 3});
            pen.setJoinStyle(Qt::MiterJoin);
            pen.setCapStyle(Qt::FlatCap);
            p.setPen(s.stroke.isValid() ? pen : QPen(Qt::NoPen));
            switch (s.kind) {
            case PlotShape::Line:
                p.drawLine(s.points.at(0), s.points.at(1));
                break;
            case PlotShape::Polyline:
                p.drawPolyline(s.points.constData(), int(s.points.size()));
                break;
            case PlotShape::Rect:
                p.setBrush(s.fill.isValid() ? QBrush(s.fill) : QBrush(Qt::NoBrush));
                p.drawRect(s.rect);
                p.setBrush(Qt::NoBrush);
                break;
            case PlotShape::Text: {
                const QFont f = plotFont(s.width, s.bold);
                p.setFont(f);
                const double w = QFontMetricsF(f).horizontalAdvance(s.text);
                const double dx = s.anchor < 0 ? 0 : s.anchor == 0 ? -w / 2 : -w;
                p.save();
                p.translate(s.points.at(0));
                if (s.vertical)
                    p.rotate(-90);
                p.drawText(QPointF(dx, 0), s.text);
                p.restore();
                break;
            }
            }
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray SchedulePlot::svg() const
{
    const auto n = [](double v) { return QString::number(v, 'f', 1); };
    QString out;
    out += QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" viewBox=\"0 0 %1 %2\" "
                          "font-family=\"DejaVu Sans, sans-serif\">\n")
               .arg(m_size.width())
               .arg(m_size.height());
    for (const PlotShape &s : m_shapes) {
        const QString dash = s.dashed ? QStringLiteral(" stroke-dasharray=\"4 3\"") : QString();
        switch (s.kind) {
        case PlotShape::Line:
            out += QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\" stroke=\"%5\" stroke-width=\"%6\"%7/>\n")
                       .arg(n(s.points.at(0).x()), n(s.points.at(0).y()), n(s.points.at(1).x()), n(s.points.at(1).y()),
                            svgColour(s.stroke), n(s.width), dash);
            break;
        case PlotShape::Polyline: {
            QStringList pts;
            for (const QPointF &pt : s.points)
                pts << n(pt.x()) + QLatin1Char(',') + n(pt.y());
            out += QStringLiteral("<polyline fill=\"none\" stroke=\"%1\" stroke-width=\"%2\" points=\"%3\"/>\n")
                       .arg(svgColour(s.stroke), n(s.width), pts.join(QLatin1Char(' ')));
            break;
        }
        case PlotShape::Rect:
            out += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\" stroke=\"%6\"/>\n")
                       .arg(n(s.rect.x()), n(s.rect.y()), n(s.rect.width()), n(s.rect.height()), svgColour(s.fill),
                            svgColour(s.stroke));
            break;
        case PlotShape::Text: {
            const QString anchor = s.anchor < 0   ? QStringLiteral("start")
                                   : s.anchor == 0 ? QStringLiteral("middle")
                                                   : QStringLiteral("end");
            const QString turn = s.vertical ? QStringLiteral(" transform=\"rotate(-90 %1 %2)\"")
                                                  .arg(n(s.points.at(0).x()), n(s.points.at(0).y()))
                                            : QString();
            out += QStringLiteral("<text x=\"%1\" y=\"%2\" font-size=\"%3\" text-anchor=\"%4\" fill=\"%5\"%6%7>%8</text>\n")
                       .arg(n(s.points.at(0).x()), n(s.points.at(0).y()), n(s.width), anchor, svgColour(s.stroke),
                            s.bold ? QStringLiteral(" font-weight=\"bold\"") : QString(), turn, xmlEscaped(s.text));
            break;
        }
        }
    }
    out += QStringLiteral("</svg>\n");
    return out.toUtf8();
}

} // namespace zovt
