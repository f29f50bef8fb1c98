#pragma once
// The list box of the windows: a list view over a model that holds nothing
// but the lines, so a program file of a million entries costs a million
// strings, not a million widget items. What the view paints is cut to a
// display length; what the program reads back is the whole line. The row
// display (ColumnMemo) keeps its rows in a model of this class too.

#include <QAbstractListModel>
#include <QListView>
#include <QStringList>

namespace zovt {

class LineListModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    const QStringList &lines() const { return m_lines; }
    void setLines(const QStringList &lines);
    // Row i must be there.
    void setLine(int i, const QString &text);
    void appendLine(const QString &text);

private:
    QStringList m_lines;
};

class LineList : public QListView {
    Q_OBJECT
public:
    explicit LineList(QWidget *parent = nullptr);

    int count() const { return int(m_model->lines().size()); }
    // The whole line; an empty text for a row that is not there.
    QString line(int i) const { return m_model->lines().value(i); }
    const QStringList &lines() const { return m_model->lines(); }
    void setLines(const QStringList &lines) { m_model->setLines(lines); }
    void setLine(int i, const QString &text) { m_model->setLine(i, text); }
    void appendLine(const QString &text) { m_model->appendLine(text); }

    // -1 when no row is current.
    int currentRow() const;
    // Makes row the current and only selected one; a row that is not there
    // leaves none current or selected.
    void setCurrentRow(int row);
    // Where row i is painted, in viewport coordinates.
    QRect rowRect(int i) const { return visualRect(m_model->index(i)); }

signals:
    // Any change of the current row, by the operator or the program, as a
    // list widget reports it; blocking the view's signals silences it.
    void currentRowChanged(int row);

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    LineListModel *m_model;
};

} // namespace zovt
