#include "ui/WidgetLook.h"

#include <QWidget>

namespace zovt {

namespace {

QString css(const QColor &c, int alpha = 255)
{
    return QStringLiteral("rgba(%1, %2, %3, %4)").arg(c.red()).arg(c.green()).arg(c.blue()).arg(alpha);
}

// Light from above on black glass: a bright top half over a dark lower one.
const QString ShadedFace = QStringLiteral(
    "qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #4a4a4a, stop:0.48 #151515, stop:0.52 #000000, stop:1 #202020)");

} // namespace

void setBackground(QWidget *widget, QPalette::ColorRole role, const QColor &colour)
{
    QPalette pal = widget->palette();
    pal.setColor(role, colour);
    widget->setPalette(pal);
    if (role == QPalette::Window)
        widget->setAutoFillBackground(true);
}

QString glassStyleSheet(const GlassLook &look)
{
    const QString face = look.face.isValid() ? css(look.face) : ShadedFace;
    const QString size =
        look.captionPixelSize > 0 ? QStringLiteral(" font-size: %1px;").arg(look.captionPixelSize) : QString();
    const QString litFace = look.glowLightsFace
                                ? QStringLiteral(" background: qradialgradient(cx:0.5, cy:0.5, radius:0.7, fx:0.5,"
                                                 " fy:0.5, stop:0 %1, stop:1 %2);")
                                      .arg(css(look.glow, 200), face)
                                : QString();
    const QString disabledRim =
        look.disabledRim.isValid() ? QStringLiteral(" border-color: %1;").arg(css(look.disabledRim)) : QString();
    return QStringLiteral("QPushButton { color: %1; background: %2;%3 border: 1px solid %4; border-radius: %5px; }"
                          "QPushButton:hover { border: 2px solid %6;%7 }"
                          "QPushButton:pressed { background: %8; }"
                          // The keyboard's place must show on the dark face too.
                          "QPushButton:focus { border: 2px dotted white; }"
                          "QPushButton:disabled { color: #707070;%9 }")
        .arg(css(look.caption), face, size, css(look.rim), QString::number(look.cornerRadius), css(look.glow), litFace,
             css(look.pressedFace), disabledRim);
}

} // namespace zovt
