#pragma once
// The small pictures that the design draws itself: the lighting switches'
// symbols, the language globe, the colour bands beside the light modes.

#include <QColor>
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

} // namespace zovt::icons
