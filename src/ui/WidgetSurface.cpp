#include "ui/WidgetSurface.h"
#include "ui/FormBuilder.h"

#include "core/FindControl.h"

#include "storage/Picture.h"
#include "ui/ColumnMemo.h"
#include "ui/LineList.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <stdexcept>

namespace zovt {

namespace {

[[noreturn]] void unsupported(const QString &name, const char *what)
{
    throw std::logic_error("Control \"" + name.toStdString() + "\" has no " + what);
}

QList<QRadioButton *> radioItems(const QGroupBox *g)
{
    return g->findChildren<QRadioButton *>(Qt::FindDirectChildrenOnly);
}

// Memo lines follow the usual text-control convention: every line ends with
// a line break, so a trailing empty block is no line, and an empty memo has
// none. That keeps empty lines (also a last one) apart from "no lines".
int memoLineCount(const QTextDocument *doc)
{
    const int blocks = doc->blockCount();
    return doc->lastBlock().text().isEmpty() ? blocks - 1 : blocks;
}

QString memoText(const QStringList &lines)
{
    if (lines.isEmpty())
        return QString();
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QStringList memoLines(const QTextDocument *doc)
{
    QStringList out;
    const int n = memoLineCount(doc);
    out.reserve(n);
    QTextBlock b = doc->begin();
    for (int i = 0; i < n && b.isValid(); ++i, b = b.next())
        out.append(b.text());
    return out;
}

void memoAppend(QTextDocument *doc, const QString &text)
{
    QTextCursor c(doc);
    c.movePosition(QTextCursor::End);
    if (doc->lastBlock().text().isEmpty())
        c.insertText(text + QLatin1Char('\n'));
    else
        c.insertText(QLatin1Char('\n') + text + QLatin1Char('\n'));
}

// Line i must be there.
void memoSetLine(QTextDocument *doc, int i, const QString &text)
{
    QTextCursor c(doc->findBlockByNumber(i));
    c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    c.insertText(text);
}

// Controls that hold lines: the lists, the row display and the memos.
bool holdsLines(const QWidget *w)
{
    return qobject_cast<const LineList *>(w) || qobject_cast<const ColumnMemo *>(w)
           || qobject_cast<const QPlainTextEdit *>(w);
}

void listSetLines(LineList *l, const QStringList &lines)
{
    // The window binds the operator's changes of the current entry; the
    // controllers' own changes must not come back to them as a selection.
    const QSignalBlocker quiet(l);
    l->setLines(lines);
}

} // namespace

WidgetSurface::WidgetSurface(QWidget *root, const design::Form &form)
    : MemorySurface(form), m_root(root)
{
    for (const design::Control &c : form)
        if (c.kind == design::Kind::State)
            m_state.insert(c.name);
}

QWidget *WidgetSurface::find(const QString &name) const
{
    if (m_state.contains(name))
        return nullptr;
    auto it = m_cache.constFind(name);
    if (it != m_cache.cend() && *it)
        return *it;
    QWidget *w = nullptr;
    if (m_root)
        w = findControl(m_root.data(), name);
    if (!w)
        throw std::logic_error("The window has no control named \"" + name.toStdString() + "\"");
    m_cache.insert(name, w);
    return w;
}

bool WidgetSurface::isEnabled(const QString &name) const
{
    const QWidget *w = find(name);
    // The control's own flag: a control inside a disabled panel keeps it.
    return w ? !w->testAttribute(Qt::WA_ForceDisabled) : MemorySurface::isEnabled(name);
}

void WidgetSurface::setEnabled(const QString &name, bool on)
{
    if (QWidget *w = find(name))
        w->setEnabled(on);
    else
        MemorySurface::setEnabled(name, on);
}

bool WidgetSurface::isVisible(const QString &name) const
{
    const QWidget *w = find(name);
    return w ? !w->isHidden() : MemorySurface::isVisible(name);
}

void WidgetSurface::setVisible(const QString &name, bool on)
{
    if (QWidget *w = find(name))
        w->setVisible(on);
    else
        MemorySurface::setVisible(name, on);
}

QString WidgetSurface::text(const QString &name) const
{
    const QWidget *w = find(name);
    if (!w)
        return MemorySurface::text(name);
    if (auto *b = qobject_cast<const QAbstractButton *>(w))
        return b->text();
    if (auto *l = qobject_cast<const QLabel *>(w))
        return l->text();
    if (auto *e = qobject_cast<const QLineEdit *>(w))
        return e->text();
    if (auto *g = qobject_cast<const QGroupBox *>(w))
        return g->title();
    if (holdsLines(w))
        return lines(name).join(QLatin1Char('\n'));
    if (qobject_cast<const QScrollBar *>(w))
        unsupported(name, "text");
    return w->property("caption").toString();
}

void WidgetSurface::setText(const QString &name, const QString &text)
{
    QWidget *w = find(name);
    if (!w)
        return MemorySurface::setText(name, text);
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        return b->setText(text);
    if (auto *l = qobject_cast<QLabel *>(w)) {
        l->setText(text);
        fitToText(l);
        return;
    }
    if (auto *e = qobject_cast<QLineEdit *>(w))
        return e->setText(text);
    if (auto *g = qobject_cast<QGroupBox *>(w))
        return g->setTitle(text);
    if (holdsLines(w))
        return setLines(name, text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n')));
    if (qobject_cast<QScrollBar *>(w))
        unsupported(name, "text");
    w->setProperty("caption", text);
}

QString WidgetSurface::toolTip(const QString &name) const
{
    QWidget *w = find(name);
    return w ? w->toolTip() : MemorySurface::toolTip(name);
}

void WidgetSurface::setToolTip(const QString &name, const QString &text)
{
    if (QWidget *w = find(name))
        return w->setToolTip(text);
    MemorySurface::setToolTip(name, text);
}

bool WidgetSurface::isChecked(const QString &name) const
{
    const QWidget *w = find(name);
    if (!w)
        return MemorySurface::isChecked(name);
    if (auto *b = qobject_cast<const QAbstractButton *>(w))
        return b->isChecked();
    unsupported(name, "check mark");
}

void WidgetSurface::setChecked(const QString &name, bool on)
{
    QWidget *w = find(name);
    if (!w)
        return MemorySurface::setChecked(name, on);
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        return b->setChecked(on);
    unsupported(name, "check mark");
}

int WidgetSurface::index(const QString &name) const
{
    const QWidget *w = find(name);
    if (!w)
        return MemorySurface::index(name);
    if (auto *g = qobject_cast<const QGroupBox *>(w)) {
        const QList<QRadioButton *> items = radioItems(g);
        for (int i = 0; i < items.size(); ++i)
            if (items.at(i)->isChecked())
                return i;
        return -1;
    }
    if (auto *l = qobject_cast<const LineList *>(w))
        return l->currentRow();
    if (auto *s = qobject_cast<const QScrollBar *>(w))
        return s->value();
    unsupported(name, "item index");
}

void WidgetSurface::setIndex(const QString &name, int index)
{
    QWidget *w = find(name);
    if (!w)
        return MemorySurface::setIndex(name, index);
    if (auto *g = qobject_cast<QGroupBox *>(w)) {
        const QList<QRadioButton *> items = radioItems(g);
        if (index >= 0 && index < items.size())
            return items.at(index)->setChecked(true);
        // No item: an exclusive radio button refuses to be unchecked.
        for (QRadioButton *r : items) {
            if (!r->isChecked())
                continue;
            r->setAutoExclusive(false);
            r->setChecked(false);
            r->setAutoExclusive(true);
        }
        return;
    }
    if (auto *l = qobject_cast<LineList *>(w)) {
        const QSignalBlocker quiet(l); // as in listSetLines
        return l->setCurrentRow(index);
    }
    if (auto *s = qobject_cast<QScrollBar *>(w))
        return s->setValue(index);
    unsupported(name, "item index");
}

QStringList WidgetSurface::lines(const QString &name) const
{
    const QWidget *w = find(name);
    if (!w)
        return MemorySurface::lines(name);
    if (auto *l = qobject_cast<const LineList *>(w))
        return l->lines();
    if (auto *m = qobject_cast<const ColumnMemo *>(w))
        return m->rows();
    if (auto *m = qobject_cast<const QPlainTextEdit *>(w))
        return memoLines(m->document());
    if (auto *g = qobject_cast<const QGroupBox *>(w)) {
        QStringList out;
        for (const QRadioButton *r : radioItems(g))
            out.append(r->text());
        return out;
    }
    unsupported(name, "lines");
}

void WidgetSurface::setLines(const QString &name, const QStringList &lines)
{
    QWidget *w = find(name);
    if (!w)
        return MemorySurface::setLines(name, lines);
    if (auto *l = qobject_cast<LineList *>(w))
        return listSetLines(l, lines);
    if (auto *m = qobject_cast<ColumnMemo *>(w))
        return m->setRows(lines);
    if (auto *m = qobject_cast<QPlainTextEdit *>(w))
        return m->setPlainText(memoText(lines));
    unsupported(name, "lines");
}

int WidgetSurface::lineCount(const QString &name) const
{
    const QWidget *w = find(name);
    if (!w)
        return MemorySurface::lineCount(name);
    if (auto *l = qobject_cast<const LineList *>(w))
        return l->count();
    if (auto *m = qobject_cast<const ColumnMemo *>(w))
        return int(m->rows().size());
    if (auto *m = qobject_cast<const QPlainTextEdit *>(w))
        return memoLineCount(m->document());
    if (auto *g = qobject_cast<const QGroupBox *>(w))
        return int(radioItems(g).size());
    unsupported(name, "lines");
}

QString WidgetSurface::line(const QString &name, int i) const
{
    const QWidget *w = find(name);
    if (!w)
        return MemorySurface::line(name, i);
    if (auto *l = qobject_cast<const LineList *>(w))
        return l->line(i);
    if (auto *m = qobject_cast<const ColumnMemo *>(w))
        return m->rows().value(i);
    if (auto *m = qobject_cast<const QPlainTextEdit *>(w)) {
        const QTextDocument *doc = m->document();
        return i >= 0 && i < memoLineCount(doc) ? doc->findBlockByNumber(i).text() : QString();
    }
    return lines(name).value(i);
}

void WidgetSurface::setLine(const QString &name, int i, const QString &text)
{
    QWidget *w = find(name);
    if (!w)
        return MemorySurface::setLine(name, i, text);
    if (!holdsLines(w))
        unsupported(name, "lines");
    // As in memory: only a line that is there can be set.
    if (i < 0 || i >= lineCount(name))
        return;
    if (auto *l = qobject_cast<LineList *>(w))
        return l->setLine(i, text);
    if (auto *m = qobject_cast<ColumnMemo *>(w))
        return m->setRow(i, text);
    if (auto *m = qobject_cast<QPlainTextEdit *>(w))
        return memoSetLine(m->document(), i, text);
}

void WidgetSurface::appendLine(const QString &name, const QString &text)
{
    QWidget *w = find(name);
    if (!w)
        return MemorySurface::appendLine(name, text);
    if (auto *l = qobject_cast<LineList *>(w))
        return l->appendLine(text);
    if (auto *m = qobject_cast<ColumnMemo *>(w))
        return m->appendRow(text);
    if (auto *m = qobject_cast<QPlainTextEdit *>(w))
        return memoAppend(m->document(), text);
    unsupported(name, "lines");
}

void WidgetSurface::showPicture(const QString &name, const QString &winPath)
{
    QWidget *w = find(name);
    if (!w)
        return MemorySurface::showPicture(name, winPath);
    auto *label = qobject_cast<QLabel *>(w);
    if (!label)
        unsupported(name, "picture");
    const QImage image = loadPictureFor(winPath, label->devicePixelRatioF());
    label->setScaledContents(true);
    // The same picture again (the indicator's phases): the pixmap made for it
    // last time, and no repaint when the label already shows it.
    auto it = m_pixmaps.constFind(image.cacheKey());
    if (it == m_pixmaps.cend()) {
        if (m_pixmaps.size() >= 64)
            m_pixmaps.clear();
        it = m_pixmaps.insert(image.cacheKey(), QPixmap::fromImage(image));
    }
    if (label->pixmap().cacheKey() != it->cacheKey())
        label->setPixmap(*it);
    at(name).picture = winPath;
}

} // namespace zovt
