#pragma once
// The three lighting toggles of the main window (brightness JasLED, night
// VykonIR, slow-down ZpomalLED) and their auxiliary buttons, which take the
// toggles' place while a program plays.
//
// A toggle click runs nested inside whatever wait is running: it is refused
// while a TimenZapsatPul of another operation runs, and waits for the other
// waits to end before it acts. An auxiliary click holds the running program
// first (Pause), ends the port cycle of the suspended playback underneath it,
// runs the toggle and lets the program go on, so that the playback resumes
// exactly where it stood.

#include "core/AppContext.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace zovt {

class LightingToggles {
public:
    enum class Toggle { Brightness, Night, SlowDown };

    // How long a toggle waits at most for another operation's waits to end
    // before it gives up like a refused click. The longest wait lasts 1.5 s.
    static constexpr int WaitBoundMs = 10000;

    explicit LightingToggles(AppContext &ctx);

    void JasLEDClick() { click(Toggle::Brightness); }
    void VykonIRClick() { click(Toggle::Night); }
    void ZpomalLEDClick() { click(Toggle::SlowDown); }
    void JasLED_PomClick() { auxClick(Toggle::Brightness); }
    void VykonIR_PomClick() { auxClick(Toggle::Night); }
    void ZpomalLED_PomClick() { auxClick(Toggle::SlowDown); }

    // A toggle's click: the guard, then the toggle once the device is idle.
    void click(Toggle t);
    // An auxiliary button's click during a playback.
    void auxClick(Toggle t);

    // The lamp beside a toggle and the toggle's button.
    static QString lampOf(Toggle t);
    static QString buttonOf(Toggle t);

private:
    // Hides the toggles while another operation's waits run: false when the
    // click is refused (the toggles are shown again).
    bool guard();
    // Flips the toggle and sends its lighting, then shows the toggles again.
    void toggle(Toggle t);
    void showToggles(bool on);
    bool &stateOf(Toggle t);

    AppContext &m_ctx;
};

} // namespace zovt
