#include "core/Clock.h"
#include "core/ErrorPolicy.h"
#include "core/Excerpt.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <optional>
#include <thread>

namespace zovt {

void Clock::wait(int ms)
{
    auto t = createTimer();
    t->setSingleShot(true);
    t->setInterval(ms);
    t->start();
    processUntil([&] { return !t->isActive(); });
}

void Clock::requestExit() { m_exiting = true; }

void Clock::guarded(const char *where, const std::function<void()> &f)
{
    forgetWake();
    try {
        f();
    } catch (const ExitUnwind &) {
    } catch (...) {
        reportError(where, std::current_exception());
    }
}

void Clock::reportError(const char *where, std::exception_ptr e)
{
    if (m_sink) {
        m_sink(where, e);
        return;
    }
    logError(where, e, "");
}

void ClockTimer::fire()
{
    if (!m_callback)
        return;
    try {
        m_callback();
    } catch (const ExitUnwind &) {
    } catch (...) {
        m_clock.reportError("timer", std::current_exception());
    }
}

// ---------------------------------------------------------------- QtClock

struct QtClock::Impl {
    QElapsedTimer elapsed;
    // The one-shot timer or sleep that ended last, in ns of elapsed.
    std::optional<GridMark> lastWake;

    struct Loop {
        QEventLoop *loop;
        const std::function<bool()> *done;
    };
    std::vector<Loop> loops;
};

namespace {
std::atomic<qint64> g_lastWakeNs{0};
std::atomic<qint64> g_lastWakeLateNs{0};

void markWake(qint64 lateNs)
{
    g_lastWakeNs.store(std::chrono::duration_cast<std::chrono::nanoseconds>(
                           std::chrono::steady_clock::now().time_since_epoch())
                           .count(),
                       std::memory_order_relaxed);
    g_lastWakeLateNs.store(lateNs, std::memory_order_relaxed);
}
} // namespace

qint64 lastWakeNs() { return g_lastWakeNs.load(std::memory_order_relaxed); }

qint64 lastWakeLateNs() { return g_lastWakeLateNs.load(std::memory_order_relaxed); }

void forgetWake() { g_lastWakeNs.store(0, std::memory_order_relaxed); }

namespace {
// A one-shot wait is armed on a Qt timer for whole milliseconds, which Qt may
// end up to a millisecond early or late. Armed to end a millisecond or two
// before the due time, it leaves a remainder that is slept, so the wait ends
// at its due time plus the kernel's wake delay only, not up to a millisecond
// after it. The most that is slept (a Qt timer that ended early by its whole
// millisecond as well):
constexpr qint64 kSleptRemainderNs = 3'000'000;

// Whole milliseconds for arming a Qt timer that is to end a little before ns.
int earlyMs(qint64 ns)
{
    return int(std::max<qint64>(0, ns / 1'000'000 - 1));
}

// Sleeps out what is left until dueNs (each pass the whole remainder; a
// second one only if woken early) and records the wake, for the next wait's
// grid and for the write path's figures.
void wakeAt(QtClock::Impl &d, qint64 dueNs)
{
    for (qint64 leftNs = dueNs - d.elapsed.nsecsElapsed(); leftNs > 0; leftNs = dueNs - d.elapsed.nsecsElapsed())
        std::this_thread::sleep_for(std::chrono::nanoseconds(leftNs));
    const qint64 wokeNs = d.elapsed.nsecsElapsed();
    d.lastWake = GridMark{dueNs, wokeNs};
    markWake(wokeNs - dueNs);
}

class QtTimer : public ClockTimer {
public:
    QtTimer(QtClock &clock, QtClock::Impl &d) : ClockTimer(clock), m_d(d)
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (m_singleShot) {
                // The rest of the wait is slept (see earlyMs), or armed again
                // should Qt have ended the timer earlier than that.
                const qint64 leftNs = m_dueNs - m_d.elapsed.nsecsElapsed();
                if (leftNs > kSleptRemainderNs) {
                    m_timer.start(earlyMs(leftNs));
                    return;
                }
                wakeAt(m_d, m_dueNs);
            }
            fire();
            m_clock.notify();
        });
    }
    void start() override
    {
        m_timer.setSingleShot(m_singleShot);
        if (!m_singleShot) {
            // Qt keeps precise repeating timers on their own grid.
            m_timer.start(m_interval);
            return;
        }
        const qint64 now = m_d.elapsed.nsecsElapsed();
        m_dueNs = gridDueNs(now, m_d.lastWake, m_interval);
        m_timer.start(earlyMs(m_dueNs - now));
    }
    void stop() override { m_timer.stop(); }
    bool isActive() const override { return m_timer.isActive(); }

private:
    QtClock::Impl &m_d;
    QTimer m_timer;
    qint64 m_dueNs = 0;
};
} // namespace

qint64 gridDueNs(qint64 nowNs, std::optional<GridMark> previous, int intervalMs)
{
    const qint64 lengthNs = qint64(std::max(0, intervalMs)) * 1'000'000;
    if (previous && std::abs(nowNs - previous->wokeNs) <= std::max(kGridWindowNs, lengthNs / 2)) {
        const qint64 planned = previous->dueNs + lengthNs;
        if (nowNs - planned <= kGridWindowNs)
            return planned;
    }
    return nowNs + lengthNs;
}

QtClock::QtClock() : d(std::make_unique<Impl>()) { d->elapsed.start(); }
QtClock::~QtClock() = default;

qint64 QtClock::nowMs() const { return d->elapsed.elapsed(); }

std::unique_ptr<ClockTimer> QtClock::createTimer() { return std::make_unique<QtTimer>(*this, *d); }

void QtClock::processUntil(const std::function<bool()> &done)
{
    throwIfExiting();
    while (!done()) {
        QEventLoop loop;
        d->loops.push_back({&loop, &done});
        loop.exec();
        d->loops.pop_back();
        throwIfExiting();
    }
}

void QtClock::processPending()
{
    QCoreApplication::processEvents();
    throwIfExiting();
}

void QtClock::sleep(int ms)
{
    wakeAt(*d, gridDueNs(d->elapsed.nsecsElapsed(), d->lastWake, ms));
}

void QtClock::notify()
{
    for (auto &l : d->loops)
        if ((*l.done)())
            l.loop->quit();
}

void QtClock::requestExit()
{
    Clock::requestExit();
    for (auto &l : d->loops)
        l.loop->quit();
}

// ----------------------------------------------------------- VirtualClock

class VirtualTimer : public ClockTimer {
public:
    explicit VirtualTimer(VirtualClock &clock) : ClockTimer(clock), m_vclock(clock)
    {
        m_vclock.m_timers.push_back(this);
    }
    ~VirtualTimer() override
    {
        auto &v = m_vclock.m_timers;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
    }
    void start() override
    {
        m_active = true;
        m_due = m_singleShot ? m_vclock.gridDue(m_interval) : m_vclock.m_now + std::max(0, m_interval);
        m_planned = m_due;
        m_seq = ++m_vclock.m_seq;
    }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }

    void elapse()
    {
        if (m_singleShot) {
            m_active = false;
            m_vclock.m_lastWake = GridMark{m_planned, m_vclock.m_now};
        } else {
            m_due += std::max(1, m_interval);
            m_seq = ++m_vclock.m_seq;
        }
        fire();
    }

    VirtualClock &m_vclock;
    bool m_active = false;
    qint64 m_due = 0;
    qint64 m_planned = 0; // m_due before a late wake moved it
    quint64 m_seq = 0;
};

VirtualClock::VirtualClock() = default;
VirtualClock::~VirtualClock() = default;

std::unique_ptr<ClockTimer> VirtualClock::createTimer() { return std::make_unique<VirtualTimer>(*this); }

qint64 VirtualClock::gridDue(int intervalMs) const
{
    // Work takes no virtual time: a wait chained to the last wake starts at
    // that very moment. The real clock's rule, in ms.
    constexpr qint64 kNsPerMs = 1'000'000;
    std::optional<GridMark> previous;
    if (m_lastWake && m_lastWake->wokeNs == m_now)
        previous = GridMark{m_lastWake->dueNs * kNsPerMs, m_now * kNsPerMs};
    return gridDueNs(m_now * kNsPerMs, previous, intervalMs) / kNsPerMs;
}

void VirtualClock::sleep(int ms)
{
    const qint64 due = gridDue(ms);
    m_now = std::max(m_now, due);
    m_lastWake = GridMark{due, m_now};
}

bool VirtualClock::step()
{
    VirtualTimer *next = nullptr;
    for (auto *t : m_timers) {
        if (!t->m_active)
            continue;
        if (!next || t->m_due < next->m_due || (t->m_due == next->m_due && t->m_seq < next->m_seq))
            next = t;
    }
    if (!next)
        return false;
    if (next->isSingleShot()) {
        const auto late = std::find_if(m_lateWakes.begin(), m_lateWakes.end(),
                                       [next](const auto &w) { return w.first == next->m_due && w.second > 0; });
        if (late != m_lateWakes.end()) {
            // Moved once; whatever falls due before the late wake fires first.
            next->m_due += late->second;
            m_lateWakes.erase(late);
            return true;
        }
    }
    m_now = std::max(m_now, next->m_due);
    next->elapse();
    return true;
}

void VirtualClock::processPending()
{
    if (m_qtEvents && QCoreApplication::instance())
        QCoreApplication::processEvents();
    throwIfExiting();
}

void VirtualClock::processUntil(const std::function<bool()> &done)
{
    for (;;) {
        processPending();
        if (done())
            return;
        if (!step())
            throw std::logic_error("virtual clock: waiting with no timer running");
    }
}

void VirtualClock::advance(qint64 ms)
{
    runUntil([] { return false; }, ms);
}

bool VirtualClock::runUntil(const std::function<bool()> &done, qint64 limitMs)
{
    auto marker = createTimer();
    marker->setSingleShot(true);
    marker->setInterval(int(limitMs));
    marker->start();
    bool reached = false;
    processUntil([&] {
        reached = done();
        return reached || !marker->isActive();
    });
    return reached;
}

} // namespace zovt
