#pragma once
// Time for the whole program goes through Clock: one-shot and repeating
// timers and waits that keep handling events. Production runs on precise Qt
// timers and nested event loops; tests run the same code on VirtualClock, where
// an hour of device cadence passes in milliseconds and in a fixed order.

#include <QtGlobal>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

namespace zovt {

// Thrown out of every wait once an exit has begun, so that each running
// operation unwinds and nothing more reaches the device.
class ExitUnwind : public std::exception {
public:
    const char *what() const noexcept override { return "application exit"; }
};

class Clock;

class ClockTimer {
public:
    virtual ~ClockTimer() = default;
    void setInterval(int ms) { m_interval = ms; }
    int interval() const { return m_interval; }
    void setSingleShot(bool s) { m_singleShot = s; }
    bool isSingleShot() const { return m_singleShot; }
    void setCallback(std::function<void()> cb) { m_callback = std::move(cb); }
    // (Re)starts with the current interval.
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    // Enabled-property style used by the window's named timers.
    void setEnabled(bool on) { on ? start() : stop(); }

protected:
    explicit ClockTimer(Clock &clock) : m_clock(clock) {}
    // Runs the callback as a handler entry point: errors go to the installed
    // error sink, the exit unwind ends here.
    void fire();

    Clock &m_clock;
    int m_interval = 0;
    bool m_singleShot = false;
    std::function<void()> m_callback;
};

class Clock {
public:
    using ErrorSink = std::function<void(const char *where, std::exception_ptr)>;

    virtual ~Clock() = default;

    // Monotonic milliseconds since the clock was made.
    virtual qint64 nowMs() const = 0;
    virtual std::unique_ptr<ClockTimer> createTimer() = 0;

    // Handles events and timers until done() holds; done() is tested after
    // every timer callback. Throws ExitUnwind when an exit begins meanwhile.
    virtual void processUntil(const std::function<bool()> &done) = 0;

    // Handles the events that are pending now, without waiting.
    virtual void processPending() = 0;

    // A plain wait of ms milliseconds that keeps handling events.
    void wait(int ms);

    // Blocks the thread for ms milliseconds without handling anything (the
    // serial component's close delay); timers due meanwhile fire late. On the
    // real clock a sleep, like a one-shot timer, that starts right after
    // another ended counts from that one's due time, so a chain of waits keeps
    // its grid.
    virtual void sleep(int ms) = 0;

    // Tells running waits that state they test may have changed (a handler
    // set a flag); timer callbacks do this on their own.
    virtual void notify() {}

    // Begins the exit: every running wait returns by throwing ExitUnwind.
    virtual void requestExit();
    bool exiting() const { return m_exiting; }
    void throwIfExiting() const
    {
        if (m_exiting)
            throw ExitUnwind();
    }

    // Where errors of timer callbacks go (the application's exception handler).
    void setErrorSink(ErrorSink sink) { m_sink = std::move(sink); }
    void reportError(const char *where, std::exception_ptr e);

    // Runs a handler entry point: Qt carries no exception through its event
    // loop, so the exit unwind ends here and every other error goes to the
    // error sink (the application's exception handler).
    void guarded(const char *where, const std::function<void()> &f);

protected:
    bool m_exiting = false;
    ErrorSink m_sink;
};

// How long after its predecessor's wake a one-shot timer or sleep may start
// on the real clock and still count from that one's due time (this, or half
// the new wait when that is longer), and how far in the past that planned due
// time may then lie. Beyond either (a modal dialog, a paused playback, a
// suspended machine, a wake later than a whole wait) the schedule starts
// afresh, so nothing ever catches up in a burst. Half a wait lets a tick's
// work stall (a file synced to a busy disk takes a tenth of a second) without
// moving every tick after it, and still leaves the next wait half its length.
constexpr qint64 kGridWindowNs = 50'000'000;

// The one-shot timer or sleep that ended last: when it was due, and when the
// program actually woke from it.
struct GridMark {
    qint64 dueNs = 0;
    qint64 wokeNs = 0;
};

// When a one-shot timer or sleep of intervalMs that starts at nowNs is due,
// given the one that ended last (none at first). Started within the window
// above of that one's wake, it counts from that one's due time, however late the
// wake was: a playback is a chain of such waits, so a late wake makes its own
// tick late by the wake delay only, and neither it nor the short work between
// the waits (a port opening, a picture, a journal synced) moves the ticks
// after it. Negative
// intervals count as zero.
qint64 gridDueNs(qint64 nowNs, std::optional<GridMark> previous, int intervalMs);


// The moment the real clock last woke the program (a one-shot timer's or a
// sleep's end), in ns of std::chrono::steady_clock; 0 before the first and
// from an entry point (guarded) to the next wake. Lets the timing tools tell
// how long the program itself takes from a wake to the port.
qint64 lastWakeNs();
// How long after its due time that wake came, in ns: the kernel's and the
// event loop's delay in waking the program.
qint64 lastWakeLateNs();
// What runs next was started by something other than a timer (an operator's
// press, which guarded runs): no write is timed from the wake before it.
void forgetWake();

// Production clock: precise QTimers and nested QEventLoops; a waiting program
// sleeps in the event loop. A one-shot timer or sleep never ends before its
// due time on the grid.
class QtClock : public Clock {
public:
    QtClock();
    ~QtClock() override;
    qint64 nowMs() const override;
    std::unique_ptr<ClockTimer> createTimer() override;
    void processUntil(const std::function<bool()> &done) override;
    void processPending() override;
    void sleep(int ms) override;
    void requestExit() override;

    void notify() override;

    struct Impl; // shared with the clock's timers

private:
    std::unique_ptr<Impl> d;
};

// Deterministic clock for tests and the schedule preview: time jumps from one
// due timer to the next; timers due at the same moment fire in start order.
class VirtualClock : public Clock {
public:
    VirtualClock();
    ~VirtualClock() override;
    qint64 nowMs() const override { return m_now; }
    std::unique_ptr<ClockTimer> createTimer() override;
    void processUntil(const std::function<bool()> &done) override;
    void processPending() override;
    void sleep(int ms) override;

    // The one-shot timer due at dueMs wakes the program lateMs late, as a
    // loaded machine would; the waits after it keep their grid as on the real
    // clock. Timers due meanwhile fire first.
    void wakeLate(qint64 dueMs, qint64 lateMs) { m_lateWakes.push_back({dueMs, lateMs}); }

    // Lets virtual time run for ms milliseconds (a test driver step).
    void advance(qint64 ms);
    // Runs until done() holds or limitMs of virtual time passed; true if done.
    bool runUntil(const std::function<bool()> &done, qint64 limitMs);
    // Also dispatch Qt's posted events at every step (off for pure logic).
    void setProcessQtEvents(bool on) { m_qtEvents = on; }

private:
    friend class VirtualTimer;
    struct Entry;
    bool step();
    // Where a one-shot timer or sleep starting now is due.
    qint64 gridDue(int intervalMs) const;
    qint64 m_now = 0;
    std::optional<GridMark> m_lastWake; // in ms
    std::vector<std::pair<qint64, qint64>> m_lateWakes;
    quint64 m_seq = 0;
    bool m_qtEvents = true;
    std::vector<class VirtualTimer *> m_timers;
};

} // namespace zovt
