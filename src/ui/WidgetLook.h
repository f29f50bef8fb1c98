#pragma once
// Colours and looks put on single widgets of any window: a background in one
// palette role, and the style sheet of the rounded glass buttons.

#include <QColor>
#include <QPalette>
#include <QString>

class QWidget;

namespace zovt {

// The background of a widget in one palette role; a panel or a window fills
// its background with it.
void setBackground(QWidget *widget, QPalette::ColorRole role, const QColor &colour);

// How a rounded glass button looks. Every glass button wears the style sheet
// written from its look, so the keyboard's place and the disabled state show
// alike on all of them.
struct GlassLook {
    QColor caption{Qt::white};
    int captionPixelSize = 0; // 0: the button's own font size
    int cornerRadius = 10;
    QColor face;              // a solid face; invalid: the shaded dark face
    QColor rim;
    QColor glow;              // the rim while the mouse is over the button
    bool glowLightsFace = false; // the glow also lights the face from within
    QColor pressedFace;
    QColor disabledRim;       // invalid: the rim stays as it is
};

QString glassStyleSheet(const GlassLook &look);

} // namespace zovt
