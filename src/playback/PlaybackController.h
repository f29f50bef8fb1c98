#pragma once
// The operator's side of playback: Play and PlayVse with the steps before and
// after the row loop (control states, start and end lighting, the running
// indicator), Pause, Stop and StopVse, the repeat counter, the play-all timer
// TimerStrtVse that chains one playback to the next, and the running-bar
// animation CasovLista.
//
// Pause, Stop, StopVse, the repeat counter and CasovLista run nested inside
// the waits of Play (every wait handles events); they only change controls
// and flags, which the row loop looks at once per tick. A play-all run is a
// chain of separate Play operations, 500 ms apart, each started from the
// expiry of TimerStrtVse after the previous one has returned.

#include "core/AppContext.h"
#include "playback/PlaybackEngine.h"
#include "playback/PlaybackJournal.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

namespace zovt {

class ClockTimer;

// Why a playback ended before its last row: a row or total that does not
// convert, or a value the device cannot take. The playback still ran its end
// steps.
// What follows a playback that has ended. Played alone (Play), nothing. In
// a run of every later program (PlayVse) the next entry of the list; after
// the last one, with repeating switched on (the repeat-all flag file) and
// repeats left on the counter, the list again from its first entry; else
// the run ends. Asked when the playback ends and again when the pause
// before the next one is over, since Stop or a new list may come between.
enum class AfterPlayback { NextEntry, RepeatFromFirst, End };
AfterPlayback nextAfterPlayback(bool playAll, int entry, int entries, bool repeatAll, int repeatCounter);

struct PlaybackFault {
    int entry = -1;  // list entry (Pozadplay)
    int row = 0;     // row of the program (1-based); 0: not at a row
    QString reason;
};

class PlaybackController {
public:
    explicit PlaybackController(AppContext &ctx);
    ~PlaybackController();
    PlaybackController(const PlaybackController &) = delete;
    PlaybackController &operator=(const PlaybackController &) = delete;

    // The playback operation on the entry at Pozadplay, when its turn on the
    // device comes (at once when no other operation has it).
    void Play();
    // Play-all from the entry at Pozadplay.
    void PlayVse();
    // Play from a row of the selected entry, with the time that row had
    // left (the rest of a playback that ended unexpectedly).
    void resume(int row, qint64 rowLeftMs);
    void Pause();
    void Stop();
    void StopVse();
    // The repeat counter moved: Kolikrate shows its position.
    void KikratebarChange();

    // Timer expiries (the timers call these themselves).
    void TimerStrtVseElapsed();
    void CasovListaElapsed();
    // Stops TimerStrtVse and CasovLista (start-up and shutdown).
    void stopPlaybackTimers();

    // A playback runs (from its controls switching to playing until its end
    // steps are done).
    bool playing() const { return m_playing; }
    // Stop, and once the playback has run its end steps, then.
    void stopThen(std::function<void()> then);

    ClockTimer &TimerStrtVse() { return *m_timerStrtVse; }
    ClockTimer &CasovLista() { return *m_casovLista; }
    PlaybackEngine &engine() { return m_engine; }
    // The journal of the running playback; null once dropped.
    JournalWriter *journal() { return m_journal.get(); }
    // A playback that no later start will ever resume (the schedule preview
    // plays in a scratch folder) keeps no journal: its per-row record would
    // be most of a long preview's work, written where nobody reads it.
    void keepNoJournal();

    // Fills in the protocol's part of the journal once the protocol has
    // begun (bound by the application).
    std::function<void(JournalRecord &)> describeProtocol;

    // Frame of the running bar shown at animation step timercas (1 to 28).
    static int barFrame(int timercas) { return ((timercas + 10) % 28) + 1; }

    // The fault of the last playback that ended early, if it did.
    const std::optional<PlaybackFault> &lastFault() const { return m_lastFault; }


    // Observers (the schedule preview): a playback passed its guards and
    // begins; a playback has run its end steps; a playback ended early.
    std::function<void(int entry)> playStarted;
    std::function<void(int entry)> playEnded;
    std::function<void(const PlaybackFault &)> faulted;

private:
    // The decision above on the window's state now.
    AfterPlayback next() const;
    enum class Stage { Start, Total, Rows, End };
    void playNow();
    void switchControlsToPlaying();
    void computeTotal();
    void endSteps(bool protocolStarted);
    void endStep(const std::function<void()> &step);
    void showIndicator(const QString &name, const QString &picture);
    void recordFault(Stage stage, const std::exception &e);
    void beginJournal(int entryIndex, const QString &entryText);

    AppContext &m_ctx;
    PlaybackEngine m_engine;
    std::unique_ptr<JournalWriter> m_journal;
    std::unique_ptr<ClockTimer> m_timerStrtVse;
    std::unique_ptr<ClockTimer> m_casovLista;
    std::optional<PlaybackFault> m_lastFault;
    bool m_playAsked = false;
    bool m_playing = false;
    std::function<void()> m_afterEnd;
    int m_totalRows = 0; // rows the program total of the running playback has counted
};

} // namespace zovt
