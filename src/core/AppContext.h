#pragma once
// What the controllers of the subsystems share: the clock, the window's named
// controls, the window-wide variables, the waits, the device link and the
// dialogs; and the named operations of other subsystems, which the
// application that composes the controllers binds.

#include <QString>
#include <QStringList>
#include <functional>
#include <stdexcept>

namespace zovt {

class Clock;
class ControlSurface;
class DeviceLink;
class Dialogs;
class Waits;
struct WindowState;

// Every call from one subsystem into another goes through here, by the name
// of the operation it runs. The application binds them all when it composes
// the controllers, and refuses to run with one unbound.
struct Operations {
    std::function<void()> Konec;
    std::function<void()> Stop;
    std::function<void()> Play;
    std::function<void()> Pause;
    std::function<void()> ZakladMemoCliknul;
    std::function<void()> VyplnZaklMemo;
    std::function<void()> Open1;
    std::function<void()> stopPlaybackTimers;       // TimerStrtVse and CasovLista
    std::function<void()> KlientOpen;               // the client choice of the client panel
    std::function<void()> Nactiklient;              // loads the client named by the hand-off file
    std::function<void()> openClientEditor;         // shows the editor, runs its Language and Novy
    std::function<void(const QString &record)> fillClientFromRecord; // client header of a program
    std::function<void()> protocolStart;
    std::function<void()> protocolEnd;
    std::function<void()> wishPlayStart;
    std::function<void()> wishPlayEnd;
    std::function<void()> reloadWishText;
    std::function<void()> showComStripAlone;        // the port-number strip after a start-up port error
    std::function<void()> closeAndEnd;              // closes the window and ends the program

    // The names of the calls nothing has bound.
    QStringList unbound() const;
    // Throws std::logic_error naming every unbound call.
    void requireBound() const;
    // Unbinds the call of that name; false when there is none.
    bool unbind(const QString &name);

    // Binds every call nothing has bound to 'record', which is told the
    // call's name each time it runs: a test composes only what it looks at
    // and can still say that, say, playback asked for the protocol's end.
    void bindUnbound(const std::function<void(const QString &name)> &record);

    // A call that nothing bound is a fault of the composition, never a
    // quiet no-op: it throws std::logic_error, which the error policy keeps
    // apart from ordinary failures.
    static void run(const std::function<void()> &f)
    {
        if (!f)
            throw std::logic_error("a call between subsystems was made that nothing has bound");
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
