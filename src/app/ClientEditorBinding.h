#pragma once
// Binds the real client editor window to its controller: the window's field
// exits, edits, Enter and buttons run the controller's operations, and the
// controller's hooks show, hide, place, colour and focus the window.

class QWidget;

namespace zovt {

class Application;
class TForm2;

// main: the main window, which the editor stays above while it is open.
void bindClientEditor(TForm2 &form, Application &app);

} // namespace zovt
