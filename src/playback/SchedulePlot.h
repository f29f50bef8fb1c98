#pragma once
// A picture of a schedule preview's run: one panel per program played, the
// frequency the device holds over the time since that program's Play on a
// logarithmic axis, a dashed line and the name at the start of rows, each
// row's level labelled in the row's own unit, and the real duration in the
// title. Sweeps show as the staircase the device really receives, as far as
// the picture's pixels can tell it.
//
// The run is reduced to the picture's resolution while it plays: a program
// keeps a fixed number of spans of time with the lowest and highest frequency
// held in each, as an oscilloscope does, never an average or every n-th value.
// A program of a million rows costs the picture what one of ten rows does,
// and a one-second spike in a day-long program still shows.
//
// The picture is kept as a list of plain shapes so that the PNG (drawn by
// QPainter) and the SVG (written as text) are the same drawing.

#include "playback/Schedule.h"

#include <QByteArray>
#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QVector>

#include <vector>

namespace zovt {

struct PlotShape {
    enum Kind { Line, Polyline, Rect, Text };
    Kind kind = Line;
    QVector<QPointF> points;  // Line: two, Polyline: any
    QRectF rect;              // Rect
    QString text;             // Text, drawn with its baseline at points[0]
    QColor stroke;            // line, outline or text colour
    QColor fill;              // Rect only; invalid: no fill
    double width = 1;         // line width; text: font pixel size
    bool dashed = false;
    int anchor = 0;           // Text: -1 start, 0 middle, 1 end
    bool bold = false;
    bool vertical = false;    // Text: turned 90 degrees to read upwards
};

// One program's run as its panel can show it. Times are milliseconds since the
// program's Play. Whatever the number of rows or the length of the program,
// it holds kSpans spans with one row name each and kLevelBins levels.
class TraceReducer {
public:
    // Twice the widest plotting area: a span doubles in length whenever the
    // program outgrows the spans, so at the end a span is never wider than a
    // pixel column of the panel, whichever time scale the panel gets.
    static constexpr int kSpans = 2048;
    // Row levels are kept for labels one per 1/48 of a decade (closer ones
    // could not be labelled apart), from 0.01 Hz to 100 GHz; the lowest and
    // the highest are always known exactly.
    static constexpr int kLevelsPerDecade = 48;
    static constexpr int kLevelBins = 13 * kLevelsPerDecade;
    // A row name is kept no longer than a panel is wide.
    static constexpr int kNameChars = 200;

    struct Level {
        double hz = 0;
        qint32 unit = 0;  // hertz per unit of the row
        qint64 rows = 0;  // rows at this level (or one near it)
    };

    // A stretch of time: what was written in it and which rows began in it.
    struct Span {
        qint64 firstMs = -1;    // the first value written in it; -1: none
        double lo = 0, hi = 0;  // the lowest and highest value written in it
        double last = 0;        // the value it leaves the device holding
        qint64 rowMs = -1;      // the first row beginning in it; -1: none
        int row = 0;
        QString name;
        int rows = 0;           // rows beginning in it
    };

    // A pixel column of a panel: what the device held during it.
    struct Column : Span {
        bool held = false;      // a value is held during some of it
        bool carried = false;   // a value is held as it begins: 'in'
        double in = 0;
        // With 'held': lo and hi are those of everything held during it, the
        // value carried in included, and 'last' what it leaves held.
    };

    TraceReducer();

    void value(qint64 ms, double hz, qint32 unit);
    void command(qint64 ms);
    void rowStarted(qint64 ms, int row, const QString &name);
    // The program's end: the last value is held until then, or until the
    // first command after it (the end lighting).
    void finish(qint64 durationMs);

    bool hasValues() const { return m_firstValueMs >= 0; }
    qint64 holdEndMs() const;
    Level lowest() const { return m_lowest; }
    Level highest() const { return m_highest; }
    // The levels of the rows, each row counted at its lowest and highest
    // value, ordered by frequency; of levels closer than a bin, the first.
    QVector<Level> levels() const;
    qint64 rowCount() const { return m_rowCount; }

    // The length of a span now, and how many hold anything.
    qint64 spanMs() const { return m_spanMs; }
    int spansUsed() const { return m_used; }
    // What is held in memory: the same for any number of rows.
    int spanCapacity() const { return int(m_spans.size()); }

    // The run over 'pixels' columns that together span axisMs.
    QVector<Column> columns(qint64 axisMs, int pixels) const;

private:
    Span &spanAt(qint64 ms);
    void countLevel(const Level &low, const Level &high);

    std::vector<Span> m_spans;
    qint64 m_spanMs = 1;
    int m_used = 0;
    qint64 m_firstValueMs = -1;
    qint64 m_lastValueMs = -1;
    qint64 m_commandAfterMs = -1;  // the first command after the latest value
    qint64 m_durationMs = 0;
    qint64 m_rowCount = 0;
    bool m_rowHasValue = false;
    Level m_rowLow, m_rowHigh, m_lowest, m_highest;
    std::vector<Level> m_levels;  // kLevelBins; rows 0: none
};

// A run reduced as it plays to what its picture shows: a reducer for each of
// the first kMaxPanels programs, a count of the rest. Fed by the sink it
// returns, or event by event.
class ScheduleTraces {
public:
    // A longer run draws its first programs only, so that the picture stays
    // a picture (about 8000 pixels high at most).
    static constexpr int kMaxPanels = 24;
    static constexpr int kMaxProblems = 8;

    struct Panel {
        ScheduleProgram program;
        TraceReducer trace;
        QVector<ScheduleProblem> problems;
    };

    void programStarted(const ScheduleProgram &p);
    void written(const ScheduleWrite &w);
    void rowStarted(const ScheduleRow &r);
    void problem(const ScheduleProblem &p);
    void programEnded(const ScheduleProgram &p);

    // A sink that feeds this, then 'next'; this must outlive it.
    ScheduleSink sink(ScheduleSink next = {});

    int played() const { return m_played; }
    const std::vector<Panel> &panels() const { return m_panels; }

private:
    Panel *open();

    std::vector<Panel> m_panels;
    int m_played = 0;
    bool m_open = false;
};

class SchedulePlot {
public:
    static constexpr int kMaxPanels = ScheduleTraces::kMaxPanels;

    // title: shown above the first panel (the program file's name). With
    // sameScale every panel's time axis is as long as the longest program,
    // so that panels compare; otherwise each spans its own program.
    SchedulePlot(const ScheduleTraces &traces, const QString &title, bool sameScale = false);
    // The same from a run that kept its events.
    SchedulePlot(const ScheduleResult &result, const QString &title, bool sameScale = false);

    QSize size() const { return m_size; }
    const QVector<PlotShape> &shapes() const { return m_shapes; }
    int panelCount() const { return int(m_panels.size()); }

    // Where a time since the Play of the panel's program and a frequency fall
    // in the picture.
    QPointF at(int panel, qint64 msSincePlay, double hz) const;
    // The panel's plotting area, and the time its axis spans.
    QRectF area(int panel) const;
    qint64 axisMs(int panel) const;

    QByteArray png() const;
    QByteArray svg() const;

    // "10 Hz", "2.5 kHz", "1 MHz".
    static QString frequencyLabel(double hz);
    // A row's level in the row's own unit (hertz per unit): "7.83 Hz",
    // "2500 Hz", "2.5 kHz", "3 MHz", to the precision the device takes.
    static QString levelLabel(double hz, qint32 unit);

    // The time axis of a panel lengthMs long and widthPx wide: a step of 1,
    // 2, 5, 10, 15 or 30 seconds or minutes, of 1, 2, 3, 6 or 12 hours, or of
    // 1, 2, 5, 10, 20 ... days, the shortest whose labels keep apart; labels
    // h:mm:ss when the axis spans an hour or more, m:ss otherwise.
    struct TimeAxis {
        qint64 stepMs = 1000;
        bool hours = false;
    };
    static TimeAxis timeAxis(qint64 lengthMs, double widthPx);
    static QString clockLabel(qint64 ms, bool hours);
    // The room a time label is given, wider than any font draws it.
    static double clockLabelWidth(const QString &label);

private:
    struct Panel {
        QRectF area;
        qint64 axisMs = 1;
        double lowLog = 0, highLog = 1;  // decades shown
        double topRoom = 0;              // pixels kept free for the row names
    };
    void build(const ScheduleTraces &traces, const QString &title, bool sameScale);
    void addPanel(const ScheduleTraces::Panel &source, qint64 axisMs, double top);

    QSize m_size;
    QVector<Panel> m_panels;
    QVector<PlotShape> m_shapes;
};

} // namespace zovt
