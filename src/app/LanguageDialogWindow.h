#pragma once
// The real language dialog: Form9 with its controls as a surface, the
// language choice bound to its buttons, and its opening from the main
// window's globe picture.

#include "app/Application.h"
#include "i18n/LanguageChoice.h"
#include "ui/LanguageDialog.h"
#include "ui/WidgetSurface.h"

namespace zovt {

class MainWindowController;

class LanguageDialogWindow {
public:
    // Made at start-up after the main window; takes the colour scheme then.
    explicit LanguageDialogWindow(MainWindowController &main);
    ~LanguageDialogWindow();

    TForm9 &window() { return m_window; }
    LanguageChoice &choice() { return m_choice; }
    // Shows the dialog without blocking the main window.
    void open();
    // A language was confirmed: once the program has ended, it is to be
    // started again with the same arguments and environment.
    bool restartAsked() const { return m_restartAsked; }
    // What the main window showed when the language was confirmed, for the
    // next run to show again.
    const ShownView &shownAtRestart() const { return m_shownAtRestart; }

private:
    MainWindowController &m_main;
    TForm9 m_window;
    WidgetSurface m_ui;
    LanguageChoice m_choice;
    bool m_restartAsked = false;
    ShownView m_shownAtRestart;
};

} // namespace zovt
