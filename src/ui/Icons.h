#pragma once
// The small pictures that the design draws itself: the lighting switches'
// symbols, the language globe, the colour bands beside the light modes.

#include <QColor>
#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QSize>

namespace zovt::icons {

QPixmap lampIcon(const QSize &size);
QPixmap moonIcon(const QSize &size);
QPixmap clockIcon(const QSize &size);
QPixmap circleIcon(const QSize &size, const QColor &colour);
QPixmap globeIcon(const QSize &size);
// Vertical bands of colours; an invalid colour is a lilac gradient band.
QPixmap bands(const QSize &size, const QList<QColor> &colours);
// The colour-change strip: violet through red.
QPixmap colourChange(const QSize &size);

// The program's own icon (data/desktop/zovt-generator.svg, built in). Without
// Qt's SVG plugin the same picture is painted here.
QIcon appIcon();

} // namespace zovt::icons
