#include "playback/SchedulePlot.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>

namespace zovt {

namespace {

constexpr int kWidth = 1200;
constexpr double kHeader = 34;
constexpr double kPanelHeight = 330;
constexpr double kLeft = 90, kRight = 24;
constexpr double kTitle = 30;     // panel title above the area
constexpr double kBelow = 48;     // time labels and axis title under the area
constexpr double kNameFont = 11;
constexpr int kNameLevels = 3;
constexpr double kFooter = 30;

const QColor kText(0x20, 0x20, 0x20);
const QColor kGrid(0xd8, 0xd8, 0xd8);
const QColor kMinorGrid(0xee, 0xee, 0xee);
const QColor kFrame(0x80, 0x80, 0x80);
const QColor kRowLine(0x90, 0x90, 0x90);
const QColor kTrace(0x1f, 0x5f, 0xbf);
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

// A fixed estimate, so that the layout does not depend on the fonts at hand.
double textWidth(const QString &t, double size) { return double(t.size()) * size * 0.6; }

QString minutesLabel(double minutes)
{
    QString s = QString::number(minutes, 'f', 2);
    while (s.contains(QLatin1Char('.')) && (s.endsWith(QLatin1Char('0')) || s.endsWith(QLatin1Char('.'))))
        s.chop(1);
    return s;
}

QString duration(qint64 ms)
{
    const qint64 s = (ms + 500) / 1000;
    return QStringLiteral("%1:%2:%3").arg(s / 3600).arg(s / 60 % 60, 2, 10, QLatin1Char('0')).arg(s % 60, 2, 10, QLatin1Char('0'));
}

QString elided(const QString &t, double room, double size)
{
    const qsizetype fits = qsizetype(room / (size * 0.6));
    if (t.size() <= fits)
        return t;
    return fits <= 1 ? QString() : t.left(fits - 1) + QChar(0x2026);
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

} // namespace

SchedulePlot::SchedulePlot(const ScheduleResult &result, const QString &title)
{
    const int played = int(result.programs.size());
    const int panels = std::clamp(played, 1, kMaxPanels);
    const bool cut = played > kMaxPanels;
    m_size = QSize(kWidth, int(kHeader + kPanelHeight * panels + (cut ? kFooter : 0)));
    PlotShape background;
    background.kind = PlotShape::Rect;
    background.rect = QRectF(QPointF(0, 0), QSizeF(m_size));
    background.fill = Qt::white;
    m_shapes << background;
    m_shapes << textShape({kLeft, 22}, title, 15, -1, kText, true);
    if (result.programs.isEmpty()) {
        m_shapes << textShape({kWidth / 2.0, kHeader + kPanelHeight / 2}, QStringLiteral("no program was played"), 14, 0);
        return;
    }
    for (int i = 0; i < panels; ++i)
        addPanel(result, i, kHeader + kPanelHeight * i);
    if (cut)
        m_shapes << textShape({kLeft, kHeader + kPanelHeight * panels + 16},
                         QStringLiteral("%1 more programs played, not drawn: pick them with ENTRY").arg(played - panels),
                         12, -1);
}

QRectF SchedulePlot::area(int panel) const { return m_panels.at(panel).area; }

QPointF SchedulePlot::at(int panel, qint64 msSincePlay, double hz) const
{
    const Panel &p = m_panels.at(panel);
    // Room above for the row names and a little below, so that a trace on a
    // decade line does not hide in the frame.
    constexpr double below = 8;
    const double lg = std::log10(std::max(hz, 1e-9));
    const double x = p.area.left() + p.area.width() * double(msSincePlay) / double(p.durationMs);
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

void SchedulePlot::addPanel(const ScheduleResult &result, int index, double top)
{
    const ScheduleProgram &prog = result.programs.at(index);
    Panel panel;
    panel.area = QRectF(QPointF(kLeft, top + kTitle), QPointF(kWidth - kRight, top + kPanelHeight - kBelow));
    panel.durationMs = std::max<qint64>(1, prog.endMs - prog.startMs);
    const auto inProgram = [&](qint64 ms) { return ms >= prog.startMs && ms <= prog.endMs; };

    // What the device holds: each value from its write to the next value, the
    // last one until the first command after it (the end lighting).
    QVector<const ScheduleWrite *> values;
    qint64 traceEnd = prog.endMs;
    for (const ScheduleWrite &w : result.writes) {
        if (!inProgram(w.ms))
            continue;
        if (w.hz > 0)
            values << &w;
    }
    if (!values.isEmpty()) {
        for (const ScheduleWrite &w : result.writes) {
            if (w.ms > values.last()->ms && w.ms <= prog.endMs && w.hz <= 0) {
                traceEnd = w.ms;
                break;
            }
        }
        double lo = values.first()->hz, hi = lo;
        for (const ScheduleWrite *w : values) {
            lo = std::min(lo, w->hz);
            hi = std::max(hi, w->hz);
        }
        panel.lowLog = std::floor(std::log10(lo));
        panel.highLog = std::ceil(std::log10(hi));
    } else {
        panel.lowLog = 0;
        panel.highLog = 3;
    }
    if (panel.highLog - panel.lowLog < 1)
        panel.highLog = panel.lowLog + 1;

    // Row names go on the first of a few levels where they do not run into
    // the previous name; the trace keeps below the levels used.
    QVector<const ScheduleRow *> rows;
    for (const ScheduleRow &r : result.rows)
        if (r.entry == prog.entry && inProgram(r.startMs))
            rows << &r;
    QVector<int> nameLevel;
    QStringList nameShown;
    double levelEnd[kNameLevels];
    std::fill(std::begin(levelEnd), std::end(levelEnd), -1e9);
    int levelsUsed = 0;
    for (const ScheduleRow *r : rows) {
        const double x = panel.area.left() + panel.area.width() * double(r->startMs - prog.startMs) / double(panel.durationMs);
        const QString name = r->name.trimmed().isEmpty() ? QStringLiteral("row %1").arg(r->row) : r->name.trimmed();
        int level = 0;
        for (int l = 0; l < kNameLevels; ++l) {
            if (levelEnd[l] < x) {
                level = l;
                break;
            }
            if (levelEnd[l] < levelEnd[level])
                level = l;
        }
        const QString shown = elided(name, panel.area.right() - x - 6, kNameFont);
        levelEnd[level] = x + 3 + textWidth(shown, kNameFont) + 4;
        levelsUsed = std::max(levelsUsed, level + 1);
        nameLevel << level;
        nameShown << shown;
    }
    panel.topRoom = 8 + 14 * levelsUsed;
    m_panels << panel;
    const int pi = int(m_panels.size()) - 1;
    const QRectF &a = panel.area;

    // Title.
    QString heading = QStringLiteral("program %1  %2").arg(prog.entry).arg(prog.header);
    heading = elided(heading, a.width() - 330, 13);
    m_shapes << textShape({a.left(), top + 20}, heading, 13, -1, kText, true);
    m_shapes << textShape({a.right(), top + 20},
                     QStringLiteral("program time %1, real duration %2").arg(duration(qint64(prog.totalSeconds) * 1000),
                                                                             duration(prog.endMs - prog.startMs)),
                     12, 1);

    // Frequency grid: decades labelled, the steps between them faint.
    for (int d = int(panel.lowLog); d <= int(panel.highLog); ++d) {
        const double hz = std::pow(10.0, d);
        const double y = at(pi, 0, hz).y();
        m_shapes << line({a.left(), y}, {a.right(), y}, kGrid);
        m_shapes << textShape({a.left() - 6, y + 4}, frequencyLabel(hz), 11, 1);
        if (d < int(panel.highLog) && panel.highLog - panel.lowLog <= 6) {
            for (int m = 2; m <= 9; ++m) {
                const double ym = at(pi, 0, hz * m).y();
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

    // Time grid in minutes, at a step that gives at most ten divisions.
    static const double steps[] = {0.25, 0.5, 1, 2, 5, 10, 15, 30, 60, 120, 240, 480};
    const double minutes = double(panel.durationMs) / 60000.0;
    double step = steps[std::size(steps) - 1];
    for (double s : steps) {
        if (minutes / s <= 10) {
            step = s;
            break;
        }
    }
    for (int k = 0; k * step <= minutes + 1e-9; ++k) {
        const double x = at(pi, qint64(k * step * 60000.0), 1).x();
        m_shapes << line({x, a.top()}, {x, a.bottom()}, kGrid);
        m_shapes << textShape({x, a.bottom() + 16}, minutesLabel(k * step), 11, 0);
    }
    m_shapes << textShape({a.center().x(), a.bottom() + 36}, QStringLiteral("minutes since Play"), 12, 0);

    // Rows: a dashed line at the first value of each, its name beside it.
    for (qsizetype k = 0; k < rows.size(); ++k) {
        const double x = at(pi, rows.at(k)->startMs - prog.startMs, 1).x();
        m_shapes << line({x, a.top()}, {x, a.bottom()}, kRowLine, 1, true);
        m_shapes << textShape({x + 3, a.top() + 13 + nameLevel.at(k) * 14}, nameShown.at(k), kNameFont, -1);
    }

    // The trace.
    if (!values.isEmpty()) {
        PlotShape trace;
        trace.kind = PlotShape::Polyline;
        trace.stroke = kTrace;
        trace.width = 2;
        for (qsizetype k = 0; k < values.size(); ++k) {
            const qint64 from = values.at(k)->ms - prog.startMs;
            const qint64 to = (k + 1 < values.size() ? values.at(k + 1)->ms : traceEnd) - prog.startMs;
            trace.points << at(pi, from, values.at(k)->hz) << at(pi, to, values.at(k)->hz);
        }
        m_shapes << trace;
    }

    // Where a row ends the playback early.
    for (const ScheduleProblem &p : result.problems) {
        if (p.entry != prog.entry || !inProgram(p.ms))
            continue;
        const double x = at(pi, p.ms - prog.startMs, 1).x();
        m_shapes << line({x, a.top()}, {x, a.bottom()}, kProblem, 2);
        const QString what = QStringLiteral("line %1: %2").arg(p.line).arg(p.reason);
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
                QFont f(QStringLiteral("DejaVu Sans"));
                f.setPixelSize(int(s.width));
                f.setBold(s.bold);
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
