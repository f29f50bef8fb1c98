#pragma once
// The client editor Form2: a small modeless window built from its design
// table. It has no behaviour of its own; it reports what the operator does
// to its fields (leaving one, typing in one, Enter) and offers what a
// control surface cannot: focus, colour, title and placement. Closing it
// only hides it.

#include <QHash>
#include <QString>
#include <QWidget>

#include <functional>
#include <stdexcept>

namespace zovt {

class TForm2 : public QWidget {
    Q_OBJECT
public:
    explicit TForm2(QWidget *parent = nullptr);
    ~TForm2() override;

    QWidget *widget(const QString &name) const { return m_widgets.value(name); }
    template <class T = QWidget>
    T *control(const char *name) const
    {
        T *w = qobject_cast<T *>(widget(QString::fromLatin1(name)));
        if (!w)
            throw std::logic_error(std::string("Client editor has no control \"") + name
                                   + "\" of the requested class");
        return w;
    }

    // Puts the focus into a control (a field with its text selected). When a
    // failed check sends it back, leaving the field that had it is not a
    // field exit.
    void focusControl(const QString &name);
    void centreOnScreen();

    // Runs the check of a field the focus has just left, if it has not run
    // yet; false when the check failed. A button runs it before its click.
    bool settleFieldExit();

    // The check of a field the focus left for another control of this
    // window; false when it failed.
    std::function<bool(const QString &name)> fieldExit;

signals:
    // The operator changed the text of a field.
    void fieldEdited(const QString &name);
    // Enter in a field.
    void enterPressed(const QString &name);
    // The window's close box: the window hides.
    void closed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QHash<QString, QWidget *> m_widgets;
    bool m_placingFocus = false;
    bool m_settling = false; // a field's check is running
    QString m_exited; // the field whose check is still to run
};

} // namespace zovt
