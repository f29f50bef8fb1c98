#include "ui/Accessibility.h"

#include "core/FindControl.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>

#include <algorithm>

namespace zovt::accessibility {

namespace {

// A plain QWidget window reports the role "client" (filler); a screen reader
// announces a frame or a dialog by its title.
QAccessibleInterface *windowRoles(const QString &, QObject *object)
{
    auto *w = qobject_cast<QWidget *>(object);
    if (!w || !w->isWindow())
        return nullptr;
    const QString name = w->objectName();
    if (name == QLatin1String("Form19"))
        return new QAccessibleWidget(w, QAccessible::Window);
    if (name == QLatin1String("Form2") || name == QLatin1String("Form9"))
        return new QAccessibleWidget(w, QAccessible::Dialog);
    return nullptr;
}

// A picture that acts as a button reads as one.
QAccessibleInterface *pictureButtons(const QString &, QObject *object)
{
    auto *l = qobject_cast<QLabel *>(object);
    if (!l || !l->property("pictureButton").toBool())
        return nullptr;
    return new QAccessibleWidget(l, QAccessible::Button);
}

bool isEnterKey(const QKeyEvent *k)
{
    return (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)
           && (k->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

class EnterClicks : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress || !isEnterKey(static_cast<QKeyEvent *>(event)))
            return false;
        auto *b = qobject_cast<QAbstractButton *>(watched);
        if (!b || !b->hasFocus() || !b->isEnabled() || qobject_cast<QDialog *>(b->window()))
            return false;
        b->click();
        return true;
    }
};

class Cover : public QObject {
public:
    Cover(QWidget *cover, QWidget *covered) : QObject(cover), m_covered(covered) { update(cover->isVisibleTo(cover->parentWidget())); }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::ShowToParent)
            update(true);
        else if (event->type() == QEvent::HideToParent)
            update(false);
        return false;
    }

private:
    void update(bool covering)
    {
        if (!m_covered)
            return;
        if (!m_covered->property("ownFocusPolicy").isValid())
            m_covered->setProperty("ownFocusPolicy", int(m_covered->focusPolicy()));
        m_covered->setFocusPolicy(covering ? Qt::NoFocus : Qt::FocusPolicy(m_covered->property("ownFocusPolicy").toInt()));
    }
    QPointer<QWidget> m_covered;
};

bool isContainer(const QWidget *w) { return !w->children().isEmpty() && w->focusPolicy() == Qt::NoFocus; }

void collect(QWidget *container, QList<QWidget *> &out)
{
    QList<QWidget *> kids;
    for (QObject *o : container->children())
        if (auto *w = qobject_cast<QWidget *>(o); w && !w->isWindow())
            kids << w;
    // Rows of 8 pixels, then left to right.
    std::stable_sort(kids.begin(), kids.end(), [](const QWidget *a, const QWidget *b) {
        const int ra = a->y() / 8, rb = b->y() / 8;
        return ra != rb ? ra < rb : a->x() < b->x();
    });
    for (QWidget *w : kids) {
        if (isContainer(w))
            collect(w, out);
        else if (w->focusPolicy() & Qt::TabFocus)
            out << w;
    }
}

} // namespace

void install()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    QAccessible::installFactory(windowRoles);
    QAccessible::installFactory(pictureButtons);
    qApp->installEventFilter(new EnterClicks(qApp));
}

void makePictureButton(QLabel *picture)
{
    picture->setProperty("pictureButton", true);
    picture->setFocusPolicy(Qt::StrongFocus);
    picture->setStyleSheet(QStringLiteral("QLabel:focus { border: 2px solid palette(highlight); }"));
}

void keepCoveredOutOfTabChain(QWidget *window)
{
    const QList<QWidget *> all = window->findChildren<QWidget *>();
    for (QWidget *covered : all) {
        if (covered->isWindow() || !(covered->focusPolicy() & Qt::TabFocus))
            continue;
        const QObjectList &siblings = covered->parent()->children();
        for (qsizetype i = siblings.indexOf(covered) + 1; i < siblings.size(); ++i) {
            auto *cover = qobject_cast<QWidget *>(siblings.at(i));
            if (cover && !cover->isWindow() && cover->geometry() == covered->geometry()) {
                cover->installEventFilter(new Cover(cover, covered));
                break;
            }
        }
    }
}

void setReadingOrder(QWidget *window, const QStringList &containers)
{
    QList<QWidget *> chain;
    for (const QString &name : containers) {
        QWidget *w = findControl(window, name);
        if (!w)
            continue;
        if (isContainer(w))
            collect(w, chain);
        else if (w->focusPolicy() & Qt::TabFocus)
            chain << w;
    }
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain.at(i - 1), chain.at(i));
}

} // namespace zovt::accessibility
