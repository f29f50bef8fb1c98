#pragma once
// What the controllers of the subsystems share: the clock, the window's named
// controls, the window-wide variables, the waits, the device link and the
// dialogs; and the named operations of other subsystems, which the window
// that composes the controllers binds. Hooks into a single subsystem live on
// the controller that calls them.

#include <QString>
#include <functional>

namespace zovt {

class Clock;
class ControlSurface;
class DeviceLink;
class Dialogs;
class Waits;
struct WindowState;

struct Operations {
    std::function<void()> Konec;
    std::function<void()> Stop;
    std::function<void()> ZakladMemoCliknul;
    std::function<void()> Open1;
    std::function<void()> KlientOpen;               // the client choice of the client panel
    std::function<void()> stopPlaybackTimers;       // TimerStrtVse and CasovLista

    static void run(const std::function<void()> &f)
    {
        if (f)
            f();
    }
};

struct AppContext {
    Clock &clock;
    ControlSurface &ui;
    WindowState &state;
    Waits &waits;
    DeviceLink &device;
    Dialogs &dialogs;
    Operations ops;
};

} // namespace zovt
