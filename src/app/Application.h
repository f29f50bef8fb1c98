#pragma once
// The controllers of the main window, composed over any control surface: the
// real window, a headless surface in tests, or the schedule preview.

#include "core/AppContext.h"
#include "app/Shell.h"
#include "core/WindowState.h"

#include <memory>

namespace zovt {

class Clock;
class CompanionLauncher;
class CompanionToolController;
class ControlSurface;
class DeviceLink;
class Dialogs;
class PlaybackController;
class PortLink;
class ProgramController;
class SettingsPanel;
class Waits;

class Application {
public:
    // launcher starts the companion tool; without one, the tool runs under
    // wine (WineCompanionLauncher).
    Application(Clock &clock, ControlSurface &ui, PortLink &port, Dialogs &dialogs, WindowHooks hooks = {},
                CompanionLauncher *launcher = nullptr);
    ~Application();

    AppContext &ctx() { return *m_ctx; }
    WindowState &state() { return m_state; }
    Shell &shell() { return *m_shell; }
    Waits &waits() { return *m_waits; }
    DeviceLink &device() { return *m_device; }
    ProgramController &program() { return *m_program; }
    PlaybackController &playback() { return *m_playback; }
    SettingsPanel &settings() { return *m_settings; }
    CompanionToolController &companion() { return *m_companion; }

    // The hooks between subsystems that nothing bound.
    QStringList unboundHooks() const;

    // Runs a named operation as a handler entry point (errors go to the
    // exception handler, an exit unwind ends here).
    void run(const char *operation, const std::function<void()> &f);

private:
    WindowState m_state;
    std::unique_ptr<Waits> m_waits;
    std::unique_ptr<DeviceLink> m_device;
    std::unique_ptr<AppContext> m_ctx;
    std::unique_ptr<Shell> m_shell;
    std::unique_ptr<ProgramController> m_program;
    std::unique_ptr<PlaybackController> m_playback;
    std::unique_ptr<SettingsPanel> m_settings;
    std::unique_ptr<CompanionLauncher> m_ownLauncher;
    std::unique_ptr<CompanionToolController> m_companion;
};

} // namespace zovt
