#pragma once
// The window's controllers without a window: a virtual clock, the named
// controls in memory in their design state, and a port that records every
// text with its virtual time. Fixtures of the playback tests build on it.

#include "core/AppContext.h"
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/WindowState.h"
#include "device/DeviceLink.h"
#include "device/PortLink.h"
#include "device/Waits.h"
#include "support/Rows.h"
#include "support/Timeline.h"
#include "core/ControlSurface.h"
#include "ui/MainWindowDesign.h"

#include <QStringList>

namespace zovt {
class ProgramController;
}

#include <functional>

namespace zovt::test {

struct Headless {
    VirtualClock clock;
    MemorySurface ui{design::mainWindowControls()};
    WindowState state;
    Waits waits{clock, ui};
    RecordingPort port{clock};
    DeviceLink device{clock, ui, state, waits, port};
    ScriptedDialogs dialogs;
    AppContext ctx{clock, ui, state, waits, device, dialogs, {}};
    // The calls into other subsystems that ran, by name, in order; a test
    // that binds a call itself replaces its recorder.
    QStringList calls;

    Headless();

    // Runs f at virtual time ms, inside whatever wait is running then.
    void at(qint64 ms, std::function<void()> f) { m_timeline.at(ms, std::move(f)); }

    // What the device received: "ms text" per write, or the texts alone.
    QStringList writes() const { return writesOf(port); }
    QStringList texts() const { return textsOf(port); }

private:
    Timeline m_timeline{clock};
};

// Puts a program file into NacistMemo and builds the list, as loading does;
// a row that the file total stumbles over leaves the list built.
void loadProgram(ControlSurface &ui, ProgramController &programs, const QStringList &lines);
// A click on a list entry; a bad row only ends the display build.
void selectEntry(ControlSurface &ui, ProgramController &programs, int entry);

} // namespace zovt::test
