#pragma once
// The shared vocabulary of the design tables: one fluent row per control,
// so that every window's table reads as a list of its controls.

#include "core/FormDesign.h"

#include <QList>
#include <QStringList>

#include <initializer_list>

namespace zovt::design {

// Fluent rows keep the table readable: one line per control.
struct Row {
    Control c;
    Row &hidden()
    {
        c.visible = false;
        return *this;
    }
    Row &disabled()
    {
        c.enabled = false;
        return *this;
    }
    Row &text(const char *utf8)
    {
        c.caption = QString::fromUtf8(utf8);
        return *this;
    }
    Row &items(int count, int selected)
    {
        c.items = QStringList(count, QString());
        c.index = selected;
        return *this;
    }
    Row &items(std::initializer_list<const char *> utf8, int selected)
    {
        c.items.clear();
        for (const char *t : utf8)
            c.items.append(QString::fromUtf8(t));
        c.index = selected;
        return *this;
    }
    Row &readOnly()
    {
        c.readOnly = true;
        return *this;
    }
    Row &wrapped()
    {
        c.wrap = true;
        return *this;
    }
    Row &fill()
    {
        c.fill = true;
        return *this;
    }
    Row &range(int lo, int hi, int pos)
    {
        c.minimum = lo;
        c.maximum = hi;
        c.index = pos;
        return *this;
    }
};

inline Row ctl(Kind kind, const char *name, const char *parent, int x, int y, int w, int h)
{
    Row r;
    r.c.name = QString::fromLatin1(name);
    r.c.kind = kind;
    r.c.parent = QString::fromLatin1(parent);
    r.c.geometry = QRect(x, y, w, h);
    return r;
}

inline Row state(const char *name)
{
    Row r;
    r.c.name = QString::fromLatin1(name);
    r.c.kind = Kind::State;
    r.c.visible = false;
    return r;
}

inline Form toForm(const QList<Row> &rows)
{
    Form table;
    table.reserve(rows.size());
    for (const Row &r : rows)
        table.append(r.c);
    return table;
}

inline QStringList names(std::initializer_list<const char *> list)
{
    QStringList out;
    for (const char *n : list)
        out.append(QString::fromLatin1(n));
    return out;
}

} // namespace zovt::design
