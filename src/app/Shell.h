#pragma once
// The application shell: the start-up sequence of the main window, the
// delayed stand-by lighting, the exits and the single-instance marker.

#include "core/AppContext.h"
#include "playback/PlaybackJournal.h"
#include "storage/InstanceLock.h"

#include <functional>
#include <memory>
#include <optional>

namespace zovt {

class ClockTimer;

// What the shell needs of the real window; headless runs leave them unset.
struct WindowHooks {
    std::function<void()> show;
    std::function<void()> restoreIfMinimized;
    std::function<void(bool dark)> applyColourScheme;
    std::function<void(int main, int secondary)> applyFontSizes;
    std::function<void(int Languagem)> applyLanguage; // Qt's own texts follow the language read
    std::function<void()> placeOpenButtons; // OpenZov 100 and OpenSBZ 40 wide, side by side after Open
    std::function<void()> closeWindow;      // closes the window (its close event runs FormClose)
    std::function<void(int code)> quit;     // ends the event loop
};

// How the last run on this data folder ended, as start-up finds it.
enum class LastRun {
    Orderly,      // no marker: nothing to ask
    StillRunning, // a live controller holds the folder: this copy ends and touches nothing
    Interrupted,  // a playback's journal and nobody running: recorded, and the rest offered
    NotClosed,    // the marker alone: the question of a run that was not closed
};
// markerExists: the run marker is there; heldElsewhere: a live process holds
// the folder's lock; journalFound: a readable playback journal is there.
LastRun lastRun(bool markerExists, bool heldElsewhere, bool journalFound);

class Shell {
public:
    Shell(AppContext &ctx, WindowHooks hooks);
    ~Shell();

    // The start-up sequence; returns when it has run through, stopped at an
    // error, or ended the application (question 100 declined).
    void Nastav();
    // The delayed stand-by lighting, 3000 ms after Nastav.
    void TimerColorByStartElapsed();
    // The shutdown sequence; nothing is written to the device.
    void Konec();
    // Closes the main window (its closing removes the marker) and ends the
    // application; the end of Konec and of the hand-over to the companion tool.
    void closeAndEnd();
    // The window closing by any means: only the marker goes.
    void FormClose();
    // Closes the window as its close box does: FormClose, then the end.
    void closeWindow();
    // Ends the application at once, without Konec or FormClose.
    void endNow(int code = 0);

    // The one exception handler of the application once start-up installed
    // it: serial-port errors end the program (or, during start-up, offer the
    // port setting); everything else is dropped with one line on stderr.
    void HandleException(const char *where, std::exception_ptr error);
    bool handlerInstalled() const { return m_handlerInstalled; }

    // Set when an exit has begun; main() returns without the event loop then.
    bool ended() const { return m_ended; }
    int exitCode() const { return m_exitCode; }

    ClockTimer &TimerColorByStart() { return *m_timerColorByStart; }

    // Plays the rest of an interrupted playback once start-up is through
    // (bound by the application).
    std::function<void(const JournalRecord &)> resumePlayback;


private:
    void applyCaptions();
    void prepareWindowAndSettings();
    // Its steps, in the order it takes them.
    void showWindowAtRest();
    void readClientFolders();
    void showIndicatorsAtRest();
    void makeSharedFolders();
    void readLanguage();
    void applyLookAndCaptions();
    void resetSessionState();
    void readPortAndLighting();
    void meetTheDevice();
    void firstDeviceTurn();
    void restore();
    // The single-instance check; false when this copy ends.
    bool settleLastRun();
    void settleInterrupted(const JournalRecord &j);
    void removeAbandonedSaves();
    QString text(int number) const;

    AppContext &m_ctx;
    WindowHooks m_hooks;
    std::unique_ptr<ClockTimer> m_timerColorByStart;
    InstanceLock m_instance;
    // The marker found at start-up is not this run's to remove until this
    // run has made its own: it may be another controller's, or a dead run's
    // that a signal interrupted the question about.
    bool m_markerNotOurs = false;
    // The interrupted playback the operator chose to play on, until it is started.
    std::optional<JournalRecord> m_resume;
    std::unique_ptr<ClockTimer> m_resumeTimer;
    bool m_handlerInstalled = false;
    bool m_ended = false;
    int m_exitCode = 0;
};


} // namespace zovt
