#include "ui/ColumnMemo.h"

#include "ui/LayoutRules.h"
#include "ui/LineList.h"

#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QItemSelectionModel>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QStyledItemDelegate>
#include <QTextOption>

#include <QtMath>

#include <algorithm>
#include <cmath>

namespace zovt {

namespace {

// The playing row is marked in front; room for the mark is kept in every
// row, so marking a row moves no column.
const QString &marker()
{
    static const QString m = QString(QChar(0x2022)) + QLatin1Char(' ');
    return m;
}

QStringView unmarked(const QString &line)
{
    return line.startsWith(marker()) ? QStringView(line).mid(marker().size()) : QStringView(line);
}

// Beyond the columns' stops a tab goes on to the next multiple of this, as in
// a text display.
qreal defaultTabDistance()
{
    static const qreal d = QTextOption().tabStopDistance();
    return d;
}

// Draws a row's fields at their columns; every row is one line of the same
// height, as wide as the widest row measured.
class RowDelegate : public QStyledItemDelegate {
public:
    explicit RowDelegate(ColumnMemo *memo) : QStyledItemDelegate(memo), m_memo(memo) {}

    QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        return {m_memo->textWidth(), m_memo->rowHeight()};
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        // The model gives the row already cut to the display length.
        const QString line = index.data(Qt::DisplayRole).toString();
        const QPalette::ColorGroup group = !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
                                           : (option.state & QStyle::State_Active) ? QPalette::Normal
                                                                                    : QPalette::Inactive;
        painter->save();
        painter->setFont(option.font);
        painter->setPen(option.palette.color(group, QPalette::Text));
        const QFontMetricsF fm(option.font);
        const QRectF r = option.rect;
        const qreal baseline = r.top() + (r.height() - fm.height()) / 2 + fm.ascent();
        const qreal left = r.left() + ColumnMemo::TextMargin;
        qsizetype from = 0;
        for (const qreal x : m_memo->fieldStarts(line)) {
            const qsizetype tab = line.indexOf(QLatin1Char('\t'), from);
            const qsizetype end = tab < 0 ? line.size() : tab;
            if (end > from)
                painter->drawText(QPointF(left + x, baseline), line.mid(from, end - from));
            from = end + 1;
        }
        painter->restore();

        // The row the keys stand on, while the display has the focus.
        if (option.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(option);
            focus.state |= QStyle::State_KeyboardFocusChange | QStyle::State_Item;
            focus.backgroundColor = option.palette.color(group, QPalette::Base);
            const QWidget *w = option.widget;
            (w ? w->style() : QApplication::style())->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, w);
        }
    }

private:
    ColumnMemo *m_memo;
};

} // namespace

ColumnMemo::ColumnMemo(QWidget *parent) : QListView(parent), m_model(new LineListModel(this))
{
    setModel(m_model);
    setItemDelegate(new RowDelegate(this));
    // Every row is one line of the same font: where a row lies is its number
    // times the row height, and the view measures no row to place it.
    setUniformItemSizes(true);
    // Scrolling by items would look through every row to place one; by
    // pixels it is arithmetic.
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // A display: nothing to edit, and no selection bar to be taken for the
    // row being played.
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    setWordWrap(false);
    fitColumns();
}

const QStringList &ColumnMemo::rows() const { return m_model->lines(); }

void ColumnMemo::setRows(const QStringList &rows)
{
    m_model->setLines(rows);
    fitColumns();
    // A new program is shown from its header.
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
}

void ColumnMemo::setRow(int i, const QString &text)
{
    const QString &before = rows().at(i);
    const bool marks = text.startsWith(marker()) && !before.startsWith(marker());
    if (unmarked(text) != unmarked(before)) {
        const int widest = m_textWidth;
        if (widenFor(text)) {
            // The columns moved: every row in sight is drawn anew. A wider
            // row widens them all, which the view lays out again; putting the
            // marker in front of a row or taking it away never comes here.
            if (m_textWidth != widest)
                scheduleDelayedItemsLayout();
            viewport()->update();
        }
    }
    m_model->setLine(i, text);
    if (marks)
        keepInSight(i);
}

void ColumnMemo::keepInSight(int i)
{
    // The row being played stays in sight with a few rows on either side: the
    // header above the first row, the rows to come below. The view turns a
    // page at a time, when the row comes within those few rows of an edge or
    // lies outside; between two rows the operator may look anywhere.
    const QModelIndex index = m_model->index(i);
    scrollTo(index, QAbstractItemView::EnsureVisible); // lays the list out if that is due
    const int h = rowHeight();
    const int around = h > 0 ? std::clamp(viewport()->height() / h / 4, 0, RowsAroundPlayed) : 0;
    const QRect r = rowRect(i);
    if (r.top() >= around * h && r.bottom() < viewport()->height() - around * h)
        return;
    // The bar stops at its ends: near the last row the last page shows.
    verticalScrollBar()->setValue(verticalScrollBar()->value() + r.top() - around * h);
}

void ColumnMemo::appendRow(const QString &text)
{
    // An added row lays the list out again (no operation adds rows to the
    // display: it is set whole, then rows are marked).
    if (widenFor(text))
        viewport()->update();
    m_model->appendLine(text);
}

QString ColumnMemo::shownRow(int i) const { return m_model->data(m_model->index(i), Qt::DisplayRole).toString(); }

QRect ColumnMemo::rowRect(int i) const { return visualRect(m_model->index(i)); }

int ColumnMemo::rowHeight() const { return QFontMetrics(font()).height(); }

void ColumnMemo::keyboardSearch(const QString &) {}

void ColumnMemo::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles)
{
    // QListView lays out every row again after any change of data, in case
    // the sizes changed; here they never do.
    QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
}

void ColumnMemo::changeEvent(QEvent *e)
{
    QListView::changeEvent(e);
    if (e->type() == QEvent::FontChange) {
        fitColumns();
        scheduleDelayedItemsLayout();
    }
}

void ColumnMemo::focusInEvent(QFocusEvent *e)
{
    // Coming in by the keyboard, a list stands on its first row, and the
    // first arrow key would take the view there; the keys start at the top
    // row in sight instead.
    if (!currentIndex().isValid() && e->reason() != Qt::MouseFocusReason) {
        // The first row wholly in sight: standing on one cut at the top
        // would move the view.
        QModelIndex top = indexAt(QPoint(0, 0));
        if (top.isValid() && visualRect(top).top() < 0 && top.row() + 1 < m_model->rowCount())
            top = m_model->index(top.row() + 1);
        if (top.isValid())
            selectionModel()->setCurrentIndex(top, QItemSelectionModel::NoUpdate);
    }
    QListView::focusInEvent(e);
}

QList<qreal> ColumnMemo::fieldStarts(QStringView line) const
{
    const QFontMetricsF fm(font());
    QList<qreal> starts{0};
    qreal x = 0;
    qsizetype from = 0;
    for (;;) {
        const qsizetype tab = line.indexOf(QLatin1Char('\t'), from);
        if (tab < 0)
            return starts;
        x += fm.horizontalAdvance(line.mid(from, tab - from).toString());
        // A tab goes on to the first stop past the text, as in a text display.
        const auto stop = std::upper_bound(m_stops.cbegin(), m_stops.cend(), x);
        x = stop != m_stops.cend() ? *stop : (std::floor(x / defaultTabDistance()) + 1) * defaultTabDistance();
        starts.append(x);
        from = tab + 1;
    }
}

int ColumnMemo::lineWidth(QStringView shown) const
{
    const qsizetype lastTab = shown.lastIndexOf(QLatin1Char('\t'));
    const qreal last = fieldStarts(shown).constLast();
    return qCeil(last + QFontMetricsF(font()).horizontalAdvance(shown.mid(lastTab + 1).toString()));
}

void ColumnMemo::fitColumns()
{
    const QFontMetricsF fm(font());
    const auto width = [&fm](const QString &s) { return qCeil(fm.horizontalAdvance(s)); };
    const QStringList sample = layout::columnSample(rows(), SampleLines, SampleFieldCap);
    // Stops without a gap are the running sum of the column widths.
    const QList<qreal> sums = layout::columnTabStops(sample, width, 0, marker());
    m_widths.clear();
    qreal before = 0;
    for (qreal s : sums) {
        m_widths.append(int(s - before));
        before = s;
    }
    placeStops();
    // How far the rows reach, on the same sample and the header shown whole.
    m_textWidth = 0;
    for (const QString &line : sample)
        m_textWidth = std::max(m_textWidth, lineWidth(line));
    if (!rows().isEmpty())
        m_textWidth = std::max(m_textWidth, lineWidth(shownRow(0)));
}

void ColumnMemo::placeStops()
{
    const int gap = qCeil(2 * QFontMetricsF(font()).averageCharWidth());
    m_stops.clear();
    m_stops.reserve(m_widths.size());
    int at = 0;
    for (int w : std::as_const(m_widths)) {
        at += std::max(w, 0) + gap;
        m_stops.append(at);
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
    if (grew) {
        // Every row's later fields move on as far as the last stop does.
        const qreal lastStop = m_stops.isEmpty() ? 0 : m_stops.constLast();
        placeStops();
        m_textWidth += qCeil(m_stops.constLast() - lastStop);
    }
    const int w = lineWidth(layout::displayLine(line));
    if (w > m_textWidth) {
        m_textWidth = w;
        grew = true;
    }
    return grew;
}

} // namespace zovt
