#include "ui/FormBuilder.h"
#include "core/Form19Names.h"

#include "ui/ColumnMemo.h"
#include "ui/LineList.h"
#include "ui/MainWindowDesign.h"
#include "ui/WidgetLook.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <QtMath>

#include <algorithm>

namespace zovt {

namespace {

using design::Kind;

// A memo stops tabs every eight average characters of its font, whether the
// font is set on the memo or inherited, and follows every change of it.
class Memo : public QPlainTextEdit {
public:
    explicit Memo(QWidget *parent) : QPlainTextEdit(parent) { fitTabStops(); }

protected:
    void changeEvent(QEvent *e) override
    {
        QPlainTextEdit::changeEvent(e);
        if (e->type() == QEvent::FontChange)
            fitTabStops();
    }

private:
    void fitTabStops() { setTabStopDistance(8.0 * QFontMetricsF(font()).averageCharWidth()); }
};

QWidget *makeWidget(const design::Control &c, QWidget *parent)
{
    switch (c.kind) {
    case Kind::Panel: {
        auto *f = new QFrame(parent);
        // Narrow strips and the progress strip have no frame of their own.
        if (c.geometry.width() > 20)
            f->setFrameStyle(QFrame::Panel | QFrame::Raised);
        f->setProperty("caption", c.caption);
        return f;
    }
    case Kind::Button:
    case Kind::GlassButton: {
        auto *b = new QPushButton(c.caption, parent);
        b->setAutoDefault(false);
        if (c.kind == Kind::GlassButton)
            b->setStyleSheet(glassStyleSheet(c.name == QLatin1String(f19::Setting) ? design::SettingGlass : design::SwitchGlass));
        return b;
    }
    case Kind::Label: {
        auto *l = new QLabel(c.caption, parent);
        l->setTextFormat(Qt::PlainText);
        // Labels fit their text, whatever language or size it comes in.
        l->setProperty("autoSize", true);
        return l;
    }
    case Kind::CheckBox: {
        auto *b = new QCheckBox(c.caption, parent);
        b->setChecked(c.checked);
        return b;
    }
    case Kind::RadioGroup: {
        auto *g = new QGroupBox(c.caption, parent);
        auto *layout = new QVBoxLayout(g);
        layout->setContentsMargins(8, 4, 4, 4);
        layout->setSpacing(0);
        for (int i = 0; i < c.items.size(); ++i) {
            auto *r = new QRadioButton(c.items.at(i), g);
            r->setChecked(i == c.index);
            r->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
            // Items spread evenly over the group, level with the colour
            // bands drawn beside it.
            layout->addWidget(r, 1);
        }
        return g;
    }
    case Kind::ListBox: {
        auto *l = new LineList(parent);
        if (c.wrap) {
            // Text that the window reads to the operator: its lines break at
            // the list's width in every language, instead of scrolling.
            l->setUniformItemSizes(false);
            l->setWordWrap(true);
            l->setTextElideMode(Qt::ElideNone);
            l->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            l->setResizeMode(QListView::Adjust);
        }
        l->setLines(c.items);
        l->setCurrentRow(c.index);
        return l;
    }
    case Kind::Memo: {
        // The program rows: a read-only view over rows that may number a
        // million, which the program rewrites row by row all through a
        // playback.
        if (c.name == QLatin1String(f19::MemoPlayShow)) {
            Q_ASSERT_X(c.readOnly, "makeWidget", "the row display is read-only");
            return new ColumnMemo(parent);
        }
        auto *m = new Memo(parent);
        m->setReadOnly(c.readOnly);
        if (c.readOnly) {
            // No undo history to grow, no wrapping to blur the lines.
            m->setUndoRedoEnabled(false);
            m->setLineWrapMode(QPlainTextEdit::NoWrap);
        }
        return m;
    }
    case Kind::Edit: {
        auto *e = new QLineEdit(c.caption, parent);
        e->setReadOnly(c.readOnly);
        return e;
    }
    case Kind::Picture: {
        auto *p = new QLabel(parent);
        p->setScaledContents(true);
        return p;
    }
    case Kind::ScrollBar: {
        auto *s = new QScrollBar(Qt::Horizontal, parent);
        s->setRange(c.minimum, c.maximum);
        s->setValue(c.index);
        s->setPageStep(1);
        return s;
    }
    case Kind::State:
        break;
    }
    return nullptr;
}

} // namespace

QHash<QString, QWidget *> buildForm(QWidget *window, const design::Form &form, QObject *filter)
{
    QHash<QString, QWidget *> widgets;
    for (const design::Control &c : form) {
        if (c.kind == Kind::State)
            continue;
        QWidget *parent = c.parent.isEmpty() ? window : widgets.value(c.parent);
        Q_ASSERT_X(parent, "buildForm", "a panel must come before its controls");
        QWidget *w = makeWidget(c, parent);
        w->setObjectName(c.name);
        if (c.fill) {
            // Follows its panel, which the resize rules stretch.
            w->setProperty("fill", true);
            w->setGeometry(parent->rect());
            parent->installEventFilter(filter);
        } else {
            w->setGeometry(c.geometry);
        }
        fitToText(w);
        if (c.kind == Kind::Picture)
            w->installEventFilter(filter);
        if (!c.visible)
            w->hide();
        if (!c.enabled)
            w->setEnabled(false);
        widgets.insert(c.name, w);
    }
    return widgets;
}

void fitToText(QWidget *w)
{
    auto *l = qobject_cast<QLabel *>(w);
    if (!l || !l->property("autoSize").toBool())
        return;
    l->adjustSize();
    // Some fonts draw the dots of "Ö" or the ring of "Å" above their ascent,
    // which a label of the font's height cuts off; the text is centred, so
    // the room is added above and below.
    const QFontMetrics fm(l->font());
    const QRect ink = fm.tightBoundingRect(l->text());
    const int over = std::max({0, -ink.top() - fm.ascent(), ink.bottom() + 1 - fm.descent()});
    if (over > 0)
        l->resize(l->width(), std::max(l->height(), fm.height() + 2 * over + 1));
}

} // namespace zovt
