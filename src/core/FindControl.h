#pragma once
// Named controls are looked up within one window. The client editor and the
// language dialog are child windows of the main window (so that the window
// manager keeps them above it) and share some control names with it; a
// lookup from the main window must never reach into them.

#include <QString>

class QWidget;

namespace zovt {

// The widget named 'name' among 'root' and its descendants in root's own
// window; nullptr when there is none.
QWidget *findControl(QWidget *root, const QString &name);

} // namespace zovt
