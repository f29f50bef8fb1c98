#include "device/Waits.h"

#include "storage/Paths.h"
#include "core/ControlSurface.h"
#include "core/Form19Names.h"

namespace zovt {

namespace {
const int kIntervals[Waits::TimerCount] = {1000, 500, 500, 1500, 500, 500, 100};
} // namespace

Waits::Waits(Clock &clock, ControlSurface &ui) : m_clock(clock), m_ui(ui)
{
    for (int i = 0; i < TimerCount; ++i) {
        m_timers[i] = clock.createTimer();
        ClockTimer *t = m_timers[i].get();
        t->setSingleShot(true);
        t->setInterval(kIntervals[i]);
        // Each tick does one thing: it stops its own timer.
        t->setCallback([t] { t->stop(); });
    }
}

Waits::~Waits() = default;

void Waits::enableCreationTimers()
{
    for (TimerId id : {Timer1, Timer3, Timer4, Timer5, Timer6})
        m_timers[id]->start();
}

void Waits::process(const std::function<bool()> &done)
{
    struct Holding {
        int &n;
        explicit Holding(int &count) : n(count) { ++n; }
        ~Holding() { --n; }
    } holding(m_holding);
    if (m_restore)
        m_restore();
    m_clock.processUntil(done);
}

void Waits::runTimer(TimerId id, int ms)
{
    ClockTimer &t = *m_timers[id];
    t.setInterval(ms);
    t.start();
    process([&t] { return !t.isActive(); });
}

void Waits::holdWhile(const std::function<bool()> &held)
{
    if (held())
        process([&held] { return !held(); });
}

void Waits::twoHalves(TimerId first, const QString &firstPicture, TimerId second, const QString &secondPicture)
{
    m_ui.showPicture(f19::COMconct, firstPicture);
    runTimer(first, 500);
    m_ui.showPicture(f19::COMconct, secondPicture);
    runTimer(second, 500);
    m_ui.showPicture(f19::COMconct, paths::PicGreen);
}

void Waits::TimenZapsat() { twoHalves(Timer3, paths::PicOrange, Timer5, paths::PicRed); }

void Waits::TimenZapsatPul() { twoHalves(Timer2, paths::PicRed, Timer6, paths::PicOrange); }

void Waits::TimenZapsatSTOP()
{
    m_ui.showPicture(f19::COMconct, paths::PicOrange);
    runTimer(Timer4, 1500);
    m_ui.showPicture(f19::COMconct, paths::PicGreen);
}

void Waits::TimenZapsat1() { runTimer(Timer1, 1000); }

void Waits::ZapsatCOM() { runTimer(TimerCOM, 100); }

} // namespace zovt
