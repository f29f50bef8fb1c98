#pragma once
// The one builder of the windows: every named control of a design table
// becomes its widget, with its name, place, caption and design state, in the
// table's order (panels before their controls).

#include "core/FormDesign.h"

#include <QHash>
#include <QString>

class QObject;
class QWidget;

namespace zovt {

// Builds the controls of form into window and returns them by name. The
// filter watches the panels that fill-controls follow and the pictures (they
// have no click signal of their own); state-only controls get no widget.
QHash<QString, QWidget *> buildForm(QWidget *window, const design::Form &form, QObject *filter);

// Sizes a label that fits its text to the text in its present font: as wide
// as the text and as high as its ink, accents over capitals included.
// Other controls are left as they are.
void fitToText(QWidget *w);

} // namespace zovt
