#pragma once
// The controllers of the main window, composed over any control surface: the
// real window, a headless surface in tests, or the schedule preview.

#include "core/AppContext.h"
#include "app/Shell.h"
#include "core/WindowState.h"

#include <memory>

namespace zovt {

class ClientEditor;
class ClientPanel;
class Clock;
class CompanionLauncher;
class CompanionToolController;
class ControlSurface;
class DeviceLink;
class Dialogs;
class GeneratorMode;
class LightingToggles;
class PlaybackController;
class PortLink;
class ProgramController;
class ProtocolController;
class SettingsPanel;
class Waits;
class WishController;
struct JournalRecord;

// What the operator has in front of him: the client, the program file
// listed and the program chosen in it.
struct ShownView {
    QString clientFile;  // Windows path of the client file loaded; empty without a client
    QString programFile; // Windows path of the program file listed; empty when none is
    int entry = -1;      // the program chosen in the list; -1 when none is
    QString entryText;   // that entry as the list shows it

    bool operator==(const ShownView &) const = default;
};

class Application {
public:
    // editorUi: the client editor's controls; without it the editor works on
    // controls of its own in memory (headless runs). launcher starts the
    // companion tool; without one, the tool runs under wine.
    Application(Clock &clock, ControlSurface &ui, PortLink &port, Dialogs &dialogs, WindowHooks hooks = {},
                ControlSurface *editorUi = nullptr, CompanionLauncher *launcher = nullptr);
    ~Application();

    AppContext &ctx() { return *m_ctx; }
    WindowState &state() { return m_state; }
    Shell &shell() { return *m_shell; }
    Waits &waits() { return *m_waits; }
    DeviceLink &device() { return *m_device; }
    ProgramController &program() { return *m_program; }
    PlaybackController &playback() { return *m_playback; }
    ProtocolController &protocol() { return *m_protocol; }
    SettingsPanel &settings() { return *m_settings; }
    ClientPanel &clientPanel() { return *m_clientPanel; }
    ClientEditor &clientEditor() { return *m_clientEditor; }
    ControlSurface &clientEditorUi() { return *m_editorUi; }
    LightingToggles &lighting() { return *m_lighting; }
    GeneratorMode &generator() { return *m_generator; }
    WishController &wishes() { return *m_wishes; }
    CompanionToolController &companion() { return *m_companion; }

    // The hooks between subsystems that nothing bound.
    QStringList unboundHooks() const;

    // The window is asked to close (its close box). During a playback the
    // playback ends first, as Stop ends it, so that the device is left in
    // stand-by and the protocol closed; the window then closes itself.
    // Returns whether the window may close now.
    bool closeQuery();
    // Ends the program through the window's own closing path, a running
    // playback first stopped with its end steps; the marker goes with it.
    void endThroughClosing();

    // What is shown now, and the same shown again in a new run (a program
    // file that cannot be read, or an entry no longer in it, is a ReadError).
    ShownView shownView() const;
    void showView(const ShownView &view);

    // Plays the rest of an interrupted playback: its client, its program
    // file and entry, from the row where it stopped.
    void resumeInterrupted(const JournalRecord &j);

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
    std::unique_ptr<ProtocolController> m_protocol;
    std::unique_ptr<SettingsPanel> m_settings;
    std::unique_ptr<ControlSurface> m_ownEditorUi;
    ControlSurface *m_editorUi = nullptr;
    std::unique_ptr<ClientPanel> m_clientPanel;
    std::unique_ptr<ClientEditor> m_clientEditor;
    std::unique_ptr<LightingToggles> m_lighting;
    std::unique_ptr<GeneratorMode> m_generator;
    std::unique_ptr<WishController> m_wishes;
    std::unique_ptr<CompanionLauncher> m_ownLauncher;
    std::unique_ptr<CompanionToolController> m_companion;
};

} // namespace zovt
