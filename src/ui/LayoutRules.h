#pragma once
// Widget-free layout of the main window: how a size change moves the named
// controls, and where the columns of the program display stop. The window
// reads its controls' geometries into a table, lets these rules compute the
// new table and applies it; nothing here touches a widget.

#include <QHash>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>

namespace zovt::layout {

// Geometry of each control by name, relative to its parent as the window
// keeps it (Open, OpenZov and OpenSBZ inside PanelZac, the others in the
// client area).
using Geometries = QHash<QString, QRect>;

// Up to this outer width the window keeps the design layout.
inline constexpr int FixedLayoutMaxWidth = 880;

// num / den rounded to the nearest whole number, halves to the even neighbour,
// computed exactly (0.01 × 650 is 6.5 here, never 6.4999…). den must be > 0.
int roundHalfEven(qint64 num, qint64 den);

// The controls that FormResize reads or changes; all must be present in the
// table given to it.
const QStringList &resizedControls();

// The resize rule of the main window. outerWidth and outerHeight are the
// window's frame size; memoWishVisible says whether the wish text is shown
// (wish mode), which decides the height of the Orvatrin picture panel.
// Returns the table with the new positions and heights; widths never change,
// and up to FixedLayoutMaxWidth nothing does. Sizes are not clamped: a very
// low window gives negative tops and heights. Throws std::invalid_argument
// when a control of resizedControls() is missing from the table.
Geometries FormResize(int outerWidth, int outerHeight, const Geometries &current, bool memoWishVisible);

// Tab stops for tab-separated lines such that every column starts at the same
// place in every line: column k + 1 begins `gap` pixels after the widest field
// of column k. Only fields that a tab follows count (the header line without
// tabs and each line's last field push no stop). firstFieldPrefix is added in
// front of every first field that a tab follows before it is measured, to keep
// room for a marker put in front of a line later ("• " of the row playing).
// Returns one position per tab, in pixels from the start of the line, for
// QTextOption::setTabArray.
QList<qreal> columnTabStops(const QStringList &lines, const std::function<int(const QString &)> &width, int gap,
                            const QString &firstFieldPrefix = QString());

// A display holds at most this many characters of a line; the rest of a
// longer line is left out (display only: the lines themselves stay whole).
inline constexpr qsizetype DisplayLineCap = 1024;
// The line as a display shows it: whole up to DisplayLineCap, else cut there
// with an ellipsis as its last character.
QString displayLine(const QString &line);

// A bounded stand-in for a program display's lines, for columnTabStops: at
// most maxLines lines spread evenly over the whole list, each field cut to
// fieldCap characters, plus one line made of the longest field of every
// column over all lines (cut alike), so that the widest columns still count.
// Lists of up to maxLines lines come back whole but for the cut fields.
QStringList columnSample(const QStringList &lines, qsizetype maxLines, qsizetype fieldCap);

} // namespace zovt::layout
