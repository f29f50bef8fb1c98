#pragma once
// The design of the client editor Form2 as data, like the main window's:
// its fields in their tab order, the captions before the editor's catalogue
// replaces them, and its hidden editor state.

#include "core/FormDesign.h"

#include <QSize>
#include <QStringList>

namespace zovt::design {

inline constexpr QSize ClientEditorSize{436, 312};

const Form &clientEditorControls();
// The fields that Enter moves through, in order; Enter in the last one
// presses Save.
const QStringList &clientEditorTabOrder();
// The buttons after Save in the tab order.
const QStringList &clientEditorButtonOrder();

} // namespace zovt::design
