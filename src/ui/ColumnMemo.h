#pragma once
// The display of program rows: a list view over the rows, one line each,
// drawn in tab-separated columns whose fields differ in width from row to
// row (a band has two frequencies, a single one none), so fixed stops would
// let a long field push the rest of its row out of line. The stops follow
// the widest field of each column.
//
// A program may run to a million rows, a row to megabytes. The model holds
// the rows whole (the program reads them back exactly); the view draws only
// the rows in sight, each cut to a display length, and every row has the
// same height, so no row is measured or laid out to place it. The stops are
// measured on a bounded sample when the rows are set; editing one row
// measures that row only; putting the playing row's marker in front of a row
// or taking it away repaints that row alone, and the view then turns, a page
// at a time, to keep the marked row in sight with a few rows around it.

#include <QList>
#include <QListView>
#include <QStringList>

namespace zovt {

class LineListModel;

class ColumnMemo : public QListView {
    Q_OBJECT
public:
    explicit ColumnMemo(QWidget *parent = nullptr);

    const QStringList &rows() const;
    void setRows(const QStringList &rows);
    // Row i must be there.
    void setRow(int i, const QString &text);
    void appendRow(const QString &text);

    // Where each field of a line begins as the display draws it, in pixels
    // from the start of its text: the first at 0, then one for every tab.
    QList<qreal> fieldStarts(QStringView line) const;
    // The row as the display draws it: cut to the display length.
    QString shownRow(int i) const;
    // Where row i is drawn, in viewport coordinates.
    QRect rowRect(int i) const;
    // How wide the widest row is drawn (of those measured), margins included.
    int textWidth() const { return m_textWidth + 2 * TextMargin; }
    // The height of every row.
    int rowHeight() const;

    // Typing on a list looks for the row that starts so; over a million rows
    // that search is no keystroke's work, and a display has nothing to find.
    void keyboardSearch(const QString &search) override;

    // Rows kept in sight above and below the row being played (fewer in a
    // display of few rows).
    static constexpr int RowsAroundPlayed = 3;

    // What the sample is bounded to.
    static constexpr qsizetype SampleLines = 1000;
    static constexpr qsizetype SampleFieldCap = 256;
    // Room left of the text and around it, as a text display keeps.
    static constexpr int TextMargin = 4;

protected:
    void changeEvent(QEvent *e) override;
    void focusInEvent(QFocusEvent *e) override;
    // A row's text changes no row's place: only the row is drawn anew.
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles = QList<int>()) override;

private:
    // Scrolls, a page at a time, so that row i shows with rows around it.
    void keepInSight(int i);
    void fitColumns();
    // The stops from the column widths: each column a gap after the one before.
    void placeStops();
    // Widens the columns and the text width for one more line; true when
    // either grew.
    bool widenFor(const QString &line);
    // How wide a shown line is drawn.
    int lineWidth(QStringView shown) const;

    LineListModel *m_model;
    QList<int> m_widths; // widest field of each column that a tab follows, in pixels
    QList<qreal> m_stops; // where the column after each tab starts
    int m_textWidth = 0;  // widest line measured, without the margins
};

} // namespace zovt
