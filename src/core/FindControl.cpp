#include "core/FindControl.h"

#include <QWidget>

namespace zovt {

namespace {

QWidget *search(QWidget *parent, const QString &name)
{
    // Breadth first, as QObject::findChild looks: a direct child wins.
    const QObjectList &children = parent->children();
    for (QObject *o : children)
        if (o->isWidgetType() && o->objectName() == name && !static_cast<QWidget *>(o)->isWindow())
            return static_cast<QWidget *>(o);
    for (QObject *o : children) {
        if (!o->isWidgetType() || static_cast<QWidget *>(o)->isWindow())
            continue;
        if (QWidget *w = search(static_cast<QWidget *>(o), name))
            return w;
    }
    return nullptr;
}

} // namespace

QWidget *findControl(QWidget *root, const QString &name)
{
    if (!root)
        return nullptr;
    if (root->objectName() == name)
        return root;
    return search(root, name);
}

} // namespace zovt
