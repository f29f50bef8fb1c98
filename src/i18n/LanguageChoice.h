#pragma once
// The language dialog's behaviour: the chosen language is stored for the
// next start and the application ends at once; without a choice, or with X,
// the dialog only goes out of sight. Works on the dialog's controls through
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
    // Ends the application at once: not through the main window's own
    // closing path, so the single-instance marker stays.
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
