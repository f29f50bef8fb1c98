#include "panels/LightingToggles.h"

#include "core/Clock.h"
#include "core/ControlSurface.h"
#include "core/WindowState.h"
#include "device/DeviceLink.h"
#include "device/Waits.h"
#include "storage/Paths.h"
#include "core/Form19Names.h"
#include "core/Form19States.h"

namespace zovt {

LightingToggles::LightingToggles(AppContext &ctx) : m_ctx(ctx) {}

namespace {

// Each toggle's button, its lamp and the window-wide switch it flips, in the
// order of the Toggle values.
struct ToggleRow {
    LightingToggles::Toggle toggle;
    const char *button;
    const char *lamp;
    bool WindowState::*state;
};
constexpr ToggleRow kToggles[] = {
    {LightingToggles::Toggle::Brightness, f19::JasLED, f19::JasLED_Pc_Zn, &WindowState::JasLED_Pc_Swich},
    {LightingToggles::Toggle::Night, f19::VykonIR, f19::VykonIR_Pc_Zn, &WindowState::VykonIR_Pc_Swich},
    {LightingToggles::Toggle::SlowDown, f19::ZpomalLED, f19::ZpomalLED_Pc_Zn, &WindowState::ZpomalLED_Pc_Swich},
};

const ToggleRow &rowOf(LightingToggles::Toggle t)
{
    for (const ToggleRow &r : kToggles)
        if (r.toggle == t)
            return r;
    return kToggles[0];
}

} // namespace

QString LightingToggles::lampOf(Toggle t) { return QString::fromLatin1(rowOf(t).lamp); }

QString LightingToggles::buttonOf(Toggle t) { return QString::fromLatin1(rowOf(t).button); }

bool &LightingToggles::stateOf(Toggle t) { return m_ctx.state.*rowOf(t).state; }

void LightingToggles::showToggles(bool on) { m_ctx.ui.show({f19::JasLED, f19::VykonIR, f19::ZpomalLED}, on); }

bool LightingToggles::guard()
{
    Waits &w = m_ctx.waits;
    // Toggles hidden while we check.
    showToggles(false);
    // Another operation is pacing a lighting command right now.
    if (w.running(Waits::Timer2) || w.running(Waits::Timer6)) {
        showToggles(true);
        return false;
    }
    // The timers stop themselves, and every timer callback wakes the
    // wait, so it ends as soon as the last of them has.
    const auto othersWaiting = [&w] {
        return w.running(Waits::Timer1) || w.running(Waits::Timer3) || w.running(Waits::Timer4)
               || w.running(Waits::Timer5);
    };
    if (othersWaiting()) {
        bool expired = false;
        auto bound = m_ctx.clock.createTimer();
        bound->setSingleShot(true);
        bound->setInterval(WaitBoundMs);
        bound->setCallback([&expired] { expired = true; });
        bound->start();
        m_ctx.clock.processUntil([&] { return expired || !othersWaiting(); });
        if (othersWaiting()) {
            showToggles(true);
            return false;
        }
    }
    return true;
}

void LightingToggles::click(Toggle t)
{
    if (!guard())
        return;
    // Behind any device operation still due (the start-up lighting, a
    // settings command), never in between the cycles of one.
    m_ctx.device.takeTurn([this, t] { toggle(t); });
}

void LightingToggles::toggle(Toggle t)
{
    DeviceLink &d = m_ctx.device;
    Waits &w = m_ctx.waits;
    {
        // Flip the state and its lamp, then cycle the device.
        bool &on = stateOf(t);
        on = !on;
        m_ctx.ui.showPicture(lampOf(t), on ? paths::PicGreen : paths::PicRed);
        switch (t) {
        case Toggle::Brightness:
            d.brightnessCycle();
            w.TimenZapsatPul();
            if (d.newFirmware())
                d.brightnessCycle();
            break;
        case Toggle::Night:
            d.nightCycle();
            break;
        case Toggle::SlowDown:
            d.slowDownCycle();
            w.TimenZapsatPul();
            d.slowDownCycle();
            break;
        }
        // During a playback the stand-by lighting its end sends may have
        // changed with the toggle.
        d.refreshEndGuard();
    }
    // An error above leaves the toggles hidden: the program ends then.
    showToggles(true);
}

void LightingToggles::auxClick(Toggle t)
{
    ControlSurface &ui = m_ctx.ui;
    Waits &w = m_ctx.waits;
    // Stop and Pause cannot be pressed meanwhile.
    ui.show({f19::StopPrekryv, f19::PausePrekryv}, true);
    ui.show({f19::JasLED_Pom, f19::VykonIR_Pom, f19::ZpomalLED_Pom}, false);
    showToggles(false);
    m_ctx.clock.processPending();
    // A running program is held first.
    bool pausedHere = false;
    if (f19::pauseWouldHold(ui)) {
        Operations::run(m_ctx.ops.Pause);
        pausedHere = true;
        w.TimenZapsatPul();
        w.TimenZapsatPul();
    }
    // The playback lies suspended underneath, possibly inside one of its
    // port cycles: that cycle ends here, so the toggle can open the port.
    if (f19::playbackHeld(ui)) {
        w.TimenZapsatPul();
        m_ctx.device.releaseSuspendedCycle();
    }
    // Toggle only when the device is free.
    if (guard())
        toggle(t);
    // Resume what we paused.
    if (pausedHere)
        Operations::run(m_ctx.ops.Pause);
    // Controls back.
    ui.show({f19::JasLED_Pom, f19::VykonIR_Pom, f19::ZpomalLED_Pom}, true);
    ui.show({f19::StopPrekryv, f19::PausePrekryv}, false);
}

} // namespace zovt
