#pragma once
// The language dialog's behaviour: the chosen language is stored and the
// application ends so that it can come up again in it; without a choice, or
// with X, the dialog only goes out of sight. Works on the dialog's controls through
// any surface (the real Form9 or a headless one).

#include <functional>

namespace zovt {

class ControlSurface;

class LanguageChoice {
public:
    // ui holds the controls of the language dialog's design.
    explicit LanguageChoice(ControlSurface &ui);

    // Hides the dialog; it lives on for the next opening.
    std::function<void()> closeDialog;
    // Ends the application through the main window's own closing path (a
    // playback gets its end steps, the single-instance marker goes), and has
    // it started again in the new language.
    std::function<void()> endApplication;

    // OK: stores the chosen index in the language file and ends the
    // application; a failed write throws WriteError before anything ends,
    // leaving the dialog open.
    void OKClick();
    // X: nothing is stored.
    void XClick();

private:
    ControlSurface &m_ui;
};

} // namespace zovt
