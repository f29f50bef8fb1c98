#pragma once
// The main window Form19: its controls, built from the design table, with
// their names, places, captions and colours. It has no behaviour of its own;
// the controllers act on it through a WidgetSurface and the composing code
// binds their operations to the widgets' signals.

#include "ui/LayoutRules.h"

#include <QHash>
#include <QSize>
#include <QString>
#include <QWidget>

#include <functional>
#include <stdexcept>

namespace zovt {

class TForm19 : public QWidget {
    Q_OBJECT
public:
    explicit TForm19(QWidget *parent = nullptr);
    ~TForm19() override;

    // The widget of a named control, or nullptr (also for state-only names).
    QWidget *widget(const QString &name) const { return m_widgets.value(name); }

    // The widget of a named control as its class, for binding signals:
    //   connect(w.control<QPushButton>("Play"), &QPushButton::clicked, ...)
    // A missing name or a different class is a programming error.
    template <class T = QWidget>
    T *control(const QString &name) const
    {
        T *w = qobject_cast<T *>(widget(name));
        if (!w)
            throw std::logic_error("Main window has no control \"" + name.toStdString() + "\" of the requested class");
        return w;
    }
    template <class T = QWidget>
    T *control(const char *name) const
    {
        return control<T>(QString::fromLatin1(name));
    }

    // Colours of the window and its panels: the dark scheme, or the light one.
    void applyColourScheme(bool dark);
    // Point sizes: `main` for the wish text and the close button, `secondary`
    // for the labels, lists, fields and buttons that follow the font scale.
    void applyFontSizes(int main, int secondary);
    // Places the window in the middle of the screen it is on.
    void centreOnScreen();

    // Asked before the window closes; false keeps it open (it closes itself
    // later). Unset: the window always closes.
    std::function<bool()> closeQuery;
    // The window's size with its frame, as the window manager drew it.
    QSize outerSize() const { return frameGeometry().size(); }
    // The size the resize rules work on: the client area in the design's
    // frame, whatever frame the window manager really draws.
    QSize layoutSize() const;
    // Places and sizes of the controls that the resize rules move, and
    // applying a table of them.
    layout::Geometries geometries() const;
    void applyGeometries(const layout::Geometries &geometries);

signals:
    // Every change of the window's outer size, the first sizing included.
    // The frame is known only once the window manager has put it around the
    // window, so the first showing and moves are looked at as well.
    void resized();
    // The window is closing, by whatever means.
    void closing();
    // A click on a picture control (pictures have no click signal of their
    // own), with the picture's name.
    void pictureClicked(const QString &name);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void noticeOuterSize();

    void addDecorations();
    void applyFixedColours();
    void setPointSize(const QString &name, int points);

    QHash<QString, QWidget *> m_widgets;
    QSize m_lastOuterSize;
};

} // namespace zovt
