#pragma once
// The display of program rows: tab-separated columns whose fields differ in
// width from row to row (a band has two frequencies, a single one none), so
// fixed stops would let a long field push the rest of its row out of line.
// The stops follow the widest field of each column.
//
// A program may run to a million rows, a row to megabytes: the stops are
// measured on a bounded sample when the lines are set, each shown line is cut
// to a display length, at most ShownRows rows are shown at a time (from the
// first, moving on with the row being played), and editing one row measures
// that row only. The rows themselves are kept whole and all: the program
// reads them back exactly.

#include <QList>
#include <QPlainTextEdit>
#include <QStringList>

namespace zovt {

class ColumnMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit ColumnMemo(QWidget *parent = nullptr);

    const QStringList &rows() const { return m_rows; }
    void setRows(const QStringList &rows);
    // Row i must be there.
    void setRow(int i, const QString &text);
    void appendRow(const QString &text);

    // The most rows the text holds at a time.
    static constexpr qsizetype ShownRows = 10000;
    // What the sample is bounded to.
    static constexpr qsizetype SampleLines = 1000;
    static constexpr qsizetype SampleFieldCap = 256;

protected:
    void changeEvent(QEvent *e) override;

private:
    // Text put in by other means than these functions (the widget's own
    // setPlainText) becomes the rows.
    void takeForeignText();
    void fitColumns();
    // Shows the rows from first on, as many as fit ShownRows.
    void showFrom(qsizetype first);
    qsizetype shownCount() const;
    // Widens the columns for one more line; true when a column grew.
    bool widenFor(const QString &line);
    void applyStops();

    QStringList m_rows;
    qsizetype m_first = 0; // the row that the first line shown holds
    bool m_ownEdit = false;
    QList<int> m_widths; // widest field of each column that a tab follows, in pixels
};

} // namespace zovt
