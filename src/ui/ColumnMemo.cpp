#include "ui/ColumnMemo.h"

#include "ui/LayoutRules.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

#include <QtMath>

#include <algorithm>

namespace zovt {

namespace {

// The playing row is marked in front; room for the mark is kept in every
// row, so marking a row moves no column and lays out nothing anew.
const QString &marker()
{
    static const QString m = QString(QChar(0x2022)) + QLatin1Char(' ');
    return m;
}

QStringView unmarked(const QString &line)
{
    return line.startsWith(marker()) ? QStringView(line).mid(marker().size()) : QStringView(line);
}

// Rows from..from + n of rows, cut for showing, each ending in a line break.
QString shownText(const QStringList &rows, qsizetype from, qsizetype n)
{
    QString text;
    qsizetype size = 0;
    for (qsizetype i = from; i < from + n; ++i)
        size += std::min(rows.at(i).size(), layout::DisplayLineCap) + 1;
    text.reserve(size);
    for (qsizetype i = from; i < from + n; ++i) {
        const QString &r = rows.at(i);
        text += r.size() <= layout::DisplayLineCap ? r : layout::displayLine(r);
        text += QLatin1Char('\n');
    }
    return text;
}

} // namespace

ColumnMemo::ColumnMemo(QWidget *parent) : QPlainTextEdit(parent)
{
    connect(document(), &QTextDocument::contentsChanged, this, [this] {
        if (!m_ownEdit)
            takeForeignText();
    });
}

void ColumnMemo::takeForeignText()
{
    const QScopedValueRollback own(m_ownEdit, true);
    // Every line ends with a line break, so a trailing empty block is no line.
    const QTextDocument *doc = document();
    int n = doc->blockCount();
    if (doc->lastBlock().text().isEmpty())
        --n;
    m_first = 0;
    m_rows.clear();
    m_rows.reserve(n);
    QTextBlock b = doc->begin();
    for (int i = 0; i < n && b.isValid(); ++i, b = b.next())
        m_rows.append(b.text());
    fitColumns();
    applyStops();
}

void ColumnMemo::setRows(const QStringList &rows)
{
    const QScopedValueRollback own(m_ownEdit, true);
    m_rows = rows;
    m_first = 0;
    fitColumns();
    showFrom(0);
}

void ColumnMemo::showFrom(qsizetype first)
{
    m_first = first;
    // The old text goes before the new stops, which then lay out nothing but
    // the new text.
    clear();
    applyStops();
    setPlainText(shownText(m_rows, m_first, shownCount()));
}

qsizetype ColumnMemo::shownCount() const { return std::clamp<qsizetype>(m_rows.size() - m_first, 0, ShownRows); }

void ColumnMemo::setRow(int i, const QString &text)
{
    const QScopedValueRollback own(m_ownEdit, true);
    QString &row = m_rows[i];
    if (unmarked(text) != unmarked(row) && widenFor(text))
        applyStops();
    row = text;
    if (i < m_first || i >= m_first + ShownRows) {
        // The row played has left the rows shown: they move on to it, or
        // back to the header for a row near the start.
        showFrom(i < ShownRows ? 0 : std::min<qsizetype>(i, std::max<qsizetype>(m_rows.size() - ShownRows, 0)));
        return;
    }
    // Putting the marker in front or taking it away is an edit of the two
    // characters alone: the text layout then redoes that line only, where a
    // replaced line makes it lay out the lines after it anew.
    const QTextBlock block = document()->findBlockByNumber(int(i - m_first));
    const QString shown = layout::displayLine(text);
    const QString before = block.text();
    QTextCursor c(block);
    if (shown.size() == before.size() + marker().size() && shown.startsWith(marker())
        && QStringView(shown).mid(marker().size()) == before) {
        c.insertText(marker());
        return;
    }
    if (before.size() == shown.size() + marker().size() && before.startsWith(marker())
        && QStringView(before).mid(marker().size()) == shown) {
        c.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor, int(marker().size()));
        c.removeSelectedText();
        return;
    }
    c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    c.insertText(shown);
}

void ColumnMemo::appendRow(const QString &text)
{
    const QScopedValueRollback own(m_ownEdit, true);
    m_rows.append(text);
    if (widenFor(text))
        applyStops();
    if (m_rows.size() > m_first + ShownRows)
        return;
    // Every shown line ends with a line break, so the last block is the
    // empty one after it.
    QTextCursor c(document());
    c.movePosition(QTextCursor::End);
    c.insertText(layout::displayLine(text) + QLatin1Char('\n'));
}

void ColumnMemo::changeEvent(QEvent *e)
{
    QPlainTextEdit::changeEvent(e);
    if (e->type() == QEvent::FontChange) {
        fitColumns();
        applyStops();
    }
}

void ColumnMemo::fitColumns()
{
    const QFontMetricsF fm(font());
    const auto width = [&fm](const QString &s) { return qCeil(fm.horizontalAdvance(s)); };
    // Stops without a gap are the running sum of the column widths.
    const QList<qreal> sums = layout::columnTabStops(layout::columnSample(m_rows, SampleLines, SampleFieldCap), width, 0,
                                                     marker());
    m_widths.clear();
    qreal before = 0;
    for (qreal s : sums) {
        m_widths.append(int(s - before));
        before = s;
    }
}

bool ColumnMemo::widenFor(const QString &line)
{
    const QFontMetricsF fm(font());
    const QStringView text = unmarked(line);
    bool grew = false;
    qsizetype from = 0;
    for (qsizetype k = 0;; ++k) {
        const qsizetype tab = text.indexOf(QLatin1Char('\t'), from);
        if (tab < 0)
            break; // the last field pushes no stop
        QString field = text.mid(from, std::min(tab - from, SampleFieldCap)).toString();
        if (k == 0)
            field.prepend(marker());
        const int w = qCeil(fm.horizontalAdvance(field));
        if (k >= m_widths.size()) {
            m_widths.append(w);
            grew = true;
        } else if (w > m_widths.at(k)) {
            m_widths[k] = w;
            grew = true;
        }
        from = tab + 1;
    }
    return grew;
}

void ColumnMemo::applyStops()
{
    const QFontMetricsF fm(font());
    const int gap = qCeil(2 * fm.averageCharWidth());
    QList<qreal> stops;
    stops.reserve(m_widths.size());
    int at = 0;
    for (int w : m_widths) {
        at += std::max(w, 0) + gap;
        stops.append(at);
    }
    QTextOption option = document()->defaultTextOption();
    if (option.tabArray() == stops)
        return;
    option.setTabArray(stops);
    document()->setDefaultTextOption(option);
}

} // namespace zovt
