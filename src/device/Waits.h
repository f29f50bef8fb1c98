#pragma once
// The paced waits of the device link. Each runs one-shot timers of the main
// window and keeps handling events until they have stopped; three of them show
// their phases on the port indicator COMconct. A wait is "running" while its
// timer is enabled, which other operations test.

#include "core/Clock.h"

#include <QString>
#include <functional>
#include <memory>

namespace zovt {

class ControlSurface;

class Waits {
public:
    enum TimerId { Timer1, Timer2, Timer3, Timer4, Timer5, Timer6, TimerCOM, TimerCount };

    Waits(Clock &clock, ControlSurface &ui);
    ~Waits();

    void TimenZapsat();     // Timer3 500 ms orange, Timer5 500 ms red, green
    void TimenZapsatPul();  // Timer2 500 ms red, Timer6 500 ms orange, green
    void TimenZapsatSTOP(); // Timer4 1500 ms orange, green
    void TimenZapsat1();    // Timer1 1000 ms, no picture
    void ZapsatCOM();       // TimerCOM 100 ms, no picture

    // Handles events for as long as held() is true, like a wait without a
    // timer (a paused playback).
    void holdWhile(const std::function<bool()> &held);

    // Waits bring a minimised window back: a playback runs in them, and the
    // operator is not to lose sight of it. The window calls restore while
    // holding() is true; every wait also restores as it begins.
    void setRestore(std::function<void()> restore) { m_restore = std::move(restore); }
    bool holding() const { return m_holding > 0; }

    ClockTimer &timer(TimerId id) { return *m_timers[id]; }
    bool running(TimerId id) const { return m_timers[id]->isActive(); }
    // The timers' state as the window is created: Timer1, 3, 4, 5, 6 enabled.
    void enableCreationTimers();

    Clock &clock() { return m_clock; }

private:
    void runTimer(TimerId id, int ms);
    void process(const std::function<bool()> &done);
    void twoHalves(TimerId first, const QString &firstPicture, TimerId second, const QString &secondPicture);
    Clock &m_clock;
    ControlSurface &m_ui;
    std::unique_ptr<ClockTimer> m_timers[TimerCount];
    std::function<void()> m_restore;
    int m_holding = 0;
};

} // namespace zovt
