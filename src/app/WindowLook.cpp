#include "app/WindowLook.h"

#include "ui/LanguageDialog.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QWidget>

namespace zovt {

namespace {

QString rgb(const QColor &c, int alpha = 255)
{
    return QStringLiteral("rgba(%1, %2, %3, %4)").arg(c.red()).arg(c.green()).arg(c.blue()).arg(alpha);
}

} // namespace

void setBackground(QWidget *widget, QPalette::ColorRole role, const QColor &colour)
{
    QPalette pal = widget->palette();
    pal.setColor(role, colour);
    widget->setPalette(pal);
    if (role == QPalette::Window)
        widget->setAutoFillBackground(true);
}

void applyClientEditorColour(QWidget *clientEditor, ColourScheme scheme)
{
    setBackground(clientEditor, QPalette::Window, schemeColours(scheme, QGuiApplication::palette()).clientEditor);
}

void applyLanguageDialogColour(TForm9 &dialog, ColourScheme scheme)
{
    dialog.applyColour(schemeColours(scheme, QGuiApplication::palette()).languageDialog);
}

QString glassStyleSheet(const GlassLook &look)
{
    return QStringLiteral("QPushButton { color: %1; background: %2; font-size: %3px;"
                          " border: 1px solid %4; border-radius: %5px; }"
                          "QPushButton:hover { border: 2px solid %6;"
                          " background: qradialgradient(cx:0.5, cy:0.5, radius:0.7, fx:0.5, fy:0.5,"
                          " stop:0 %7, stop:1 %2); }"
                          "QPushButton:pressed { background: %6; }"
                          // The keyboard's place must show on the dark face too.
                          "QPushButton:focus { border: 2px dotted white; }"
                          "QPushButton:disabled { color: #707070; }")
        .arg(rgb(look.foreground), rgb(look.background))
        .arg(look.captionPixelSize)
        .arg(rgb(QColor(64, 64, 64))) // a faint rim on the dark face
        .arg(look.cornerRadius)
        .arg(rgb(look.glow), rgb(look.glow, 200));
}

void applyGlass(QPushButton *button, const GlassLook &look) { button->setStyleSheet(glassStyleSheet(look)); }

} // namespace zovt
