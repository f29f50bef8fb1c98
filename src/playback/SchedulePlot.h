#pragma once
// A picture of a schedule preview's run: one panel per program played, the
// frequency the device holds over the time since that program's Play on a
// logarithmic axis, a dashed line and the name at the start of each row, and
// the real duration in the title. Sweeps show as the fine staircase the device
// really receives. The picture is kept as a list of plain shapes so that the
// PNG (drawn by QPainter) and the SVG (written as text) are the same drawing.

#include "playback/Schedule.h"

#include <QByteArray>
#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <QString>
#include <QVector>

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

class SchedulePlot {
public:
    // A longer run draws its first programs only, so that the picture stays
    // a picture (about 8000 pixels high at most).
    static constexpr int kMaxPanels = 24;

    // title: shown above the first panel (the program file's name).
    SchedulePlot(const ScheduleResult &result, const QString &title);

    QSize size() const { return m_size; }
    const QVector<PlotShape> &shapes() const { return m_shapes; }
    int panelCount() const { return int(m_panels.size()); }

    // Where a time since the Play of the panel's program and a frequency fall
    // in the picture.
    QPointF at(int panel, qint64 msSincePlay, double hz) const;
    // The panel's plotting area.
    QRectF area(int panel) const;

    QByteArray png() const;
    QByteArray svg() const;

    // "10 Hz", "2.5 kHz", "1 MHz".
    static QString frequencyLabel(double hz);

private:
    struct Panel {
        QRectF area;
        qint64 durationMs = 1;
        double lowLog = 0, highLog = 1;  // decades shown
        double topRoom = 0;              // pixels kept free for the row names
    };
    void addPanel(const ScheduleResult &result, int index, double top);

    QSize m_size;
    QVector<Panel> m_panels;
    QVector<PlotShape> m_shapes;
};

} // namespace zovt
