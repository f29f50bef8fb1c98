#include "ui/LineList.h"

#include "ui/LayoutRules.h"

#include <QItemSelectionModel>

namespace zovt {

int LineListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_lines.size());
}

QVariant LineListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_lines.size())
        return {};
    // The view measures and paints this text; a header line of many
    // megabytes would freeze it on its first paint.
    if (role == Qt::DisplayRole)
        return layout::displayLine(m_lines.at(index.row()));
    return {};
}

void LineListModel::setLines(const QStringList &lines)
{
    beginResetModel();
    m_lines = lines;
    endResetModel();
}

void LineListModel::setLine(int i, const QString &text)
{
    m_lines[i] = text;
    const QModelIndex at = index(i);
    emit dataChanged(at, at, {Qt::DisplayRole});
}

void LineListModel::appendLine(const QString &text)
{
    const int row = int(m_lines.size());
    beginInsertRows(QModelIndex(), row, row);
    m_lines.append(text);
    endInsertRows();
}

LineList::LineList(QWidget *parent) : QListView(parent), m_model(new LineListModel(this))
{
    setModel(m_model);
    // Every row is one line of the same font: the view lays out none of the
    // rows it does not show.
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

int LineList::currentRow() const
{
    const QModelIndex c = currentIndex();
    return c.isValid() ? c.row() : -1;
}

void LineList::setCurrentRow(int row)
{
    QItemSelectionModel *sel = selectionModel();
    if (row >= 0 && row < count()) {
        sel->setCurrentIndex(m_model->index(row), QItemSelectionModel::ClearAndSelect);
        return;
    }
    sel->setCurrentIndex(QModelIndex(), QItemSelectionModel::Clear);
    sel->clearSelection();
}

void LineList::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QListView::currentChanged(current, previous);
    emit currentRowChanged(current.isValid() ? current.row() : -1);
}

} // namespace zovt
