#pragma once
// The language dialog Form9: the five languages, OK and X, built from its
// design table. Like the main window it has no behaviour of its own; the
// composing code binds its buttons.

#include <QColor>
#include <QHash>
#include <QString>
#include <QWidget>

#include <stdexcept>

namespace zovt {

class TForm9 : public QWidget {
    Q_OBJECT
public:
    explicit TForm9(QWidget *parent = nullptr);
    ~TForm9() override;

    QWidget *widget(const QString &name) const { return m_widgets.value(name); }
    template <class T = QWidget>
    T *control(const char *name) const
    {
        T *w = qobject_cast<T *>(widget(QString::fromLatin1(name)));
        if (!w)
            throw std::logic_error(std::string("Language dialog has no control \"") + name + "\" of the requested class");
        return w;
    }

    // The background of the dialog and of its radio group.
    void applyColour(const QColor &colour);
    // Shows the dialog in the middle of the screen, without blocking any
    // other window, and brings it to the front.
    void open();

private:
    QHash<QString, QWidget *> m_widgets;
};

} // namespace zovt
