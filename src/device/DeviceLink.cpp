#include "device/DeviceLink.h"

#include "core/Clock.h"
#include "core/WindowState.h"
#include "device/PortLink.h"
#include "device/Waits.h"
#include "core/ControlSurface.h"
#include "storage/TextCodec.h"
#include "device/VaComm.h"
#include "core/Form19Names.h"

#include <stdexcept>

namespace zovt {

DeviceLink::DeviceLink(Clock &clock, ControlSurface &ui, WindowState &state, Waits &waits, PortLink &port)
    : m_clock(clock), m_ui(ui), m_state(state), m_waits(waits), m_port(port), m_next(clock.createTimer()),
      m_limit(clock.createTimer())
{
    m_next->setSingleShot(true);
    m_next->setInterval(0);
    m_next->setCallback([this] { nextTurn(); });
    m_limit->setSingleShot(true);
    m_limit->setInterval(kPortWaitLimitMs);
    m_limit->setCallback([this] { giveUpWaiting(); });
}

DeviceLink::~DeviceLink() = default;

// ---- Turns ------------------------------------------------------------------

bool DeviceLink::takeTurn(std::function<void()> operation)
{
    if (!busy() && !portHeld() && m_queue.empty()) {
        runTurn(operation);
        return true;
    }
    m_queue.push_back(std::move(operation));
    if (portHeld() && !m_limit->isActive())
        m_limit->start();
    return false;
}

void DeviceLink::runTurn(const std::function<void()> &operation)
{
    struct Turn {
        DeviceLink &d;
        explicit Turn(DeviceLink &link) : d(link) { ++d.m_turns; }
        ~Turn()
        {
            --d.m_turns;
            d.released();
        }
    } turn(*this);
    operation();
}

// The device may have become free: the next operation gets its turn from the
// event loop, not nested inside the code that freed it.
void DeviceLink::released()
{
    if (!portHeld())
        m_limit->stop();
    if (!m_queue.empty() && !busy() && !portHeld() && !m_next->isActive())
        m_next->start();
}

void DeviceLink::nextTurn()
{
    if (m_queue.empty() || busy() || portHeld())
        return;
    auto operation = std::move(m_queue.front());
    m_queue.pop_front();
    runTurn(operation);
}

void DeviceLink::giveUpWaiting()
{
    if (m_queue.empty() || !portHeld())
        return;
    // The port has been held far longer than any cycle takes: the waiting
    // operation runs, and the refused open reports the port error.
    auto operation = std::move(m_queue.front());
    m_queue.pop_front();
    if (!m_queue.empty())
        m_limit->start();
    runTurn(operation);
}

void DeviceLink::releaseSuspendedCycle()
{
    if (!portHeld())
        return;
    m_holder = 0;
    try {
        m_port.close();
    } catch (...) {
        setPortOpen(false);
        throw;
    }
    setPortOpen(false);
}

// ---- Cycles -----------------------------------------------------------------

void DeviceLink::setPortOpen(bool on) { m_ui.setChecked(f19::PortOpen, on); }

int DeviceLink::openCycle()
{
    m_clock.throwIfExiting();
    if (portHeld())
        throw EVaCommError(QStringLiteral("Can't perform this operation while port is open"));
    setPortOpen(true);
    try {
        m_port.setPortNum(m_state.comPort);
        m_port.open();
    } catch (...) {
        setPortOpen(false);
        throw;
    }
    m_holder = ++m_lastTicket;
    if (!m_queue.empty() && !m_limit->isActive())
        m_limit->start();
    return m_holder;
}

void DeviceLink::closeCycle(int ticket)
{
    if (ticket != m_holder)
        return;
    try {
        m_port.close();
    } catch (...) {
        m_holder = 0;
        setPortOpen(false);
        released();
        throw;
    }
    m_holder = 0;
    setPortOpen(false);
    released();
}

void DeviceLink::abandon(int ticket) noexcept
{
    if (ticket == m_holder)
        abandonCycle();
}

void DeviceLink::abandonCycle() noexcept
{
    try {
        m_port.close();
    } catch (...) {
    }
    try {
        m_holder = 0;
        setPortOpen(false);
        released();
    } catch (...) {
    }
}

void DeviceLink::write(const QByteArray &text)
{
    m_clock.throwIfExiting();
    m_port.write(text);
}

void DeviceLink::write(const QByteArray &text, const QString &shown)
{
    write(text);
    m_ui.setText(f19::WritedCom, shown);
}

bool DeviceLink::newFirmware() const { return m_ui.isChecked(f19::VerzeSwZovT); }

bool DeviceLink::colourBlending() const
{
    const int c = m_ui.index(f19::Colortype);
    return c == 1 || (c == 0 && m_state.OrvatrinPower);
}

int DeviceLink::lightingItems(const QString &group) { return group == QLatin1String("R_Power") ? 6 : 3; }

namespace {
int lightingItem(const ControlSurface &ui, const QString &group)
{
    const int k = ui.index(group);
    if (k < 0 || k >= DeviceLink::lightingItems(group))
        throw std::range_error(QStringLiteral("%1 stands on no item (%2)").arg(group).arg(k).toStdString());
    return k;
}
} // namespace

QString DeviceLink::LightByRunText() const
{
    const bool bright = m_state.JasLED_Pc_Swich;
    if (colourBlending()) {
        const bool slow = m_state.ZpomalLED_Pc_Swich;
        return QString::number(bright ? (slow ? 50 : 51) : (slow ? 52 : 53));
    }
    const int k = lightingItem(m_ui, f19::R_Power);
    return QString::number(bright ? 3 : 4) + QString::number(k);
}

QString DeviceLink::LightByPauseText() const
{
    const int k = lightingItem(m_ui, f19::R_Stadby);
    return QString::number((m_state.JasLED_Pc_Swich ? 20 : 25) + k);
}

void DeviceLink::LightByRun()
{
    const QString text = LightByRunText();
    if (m_state.VykonIR_Pc_Swich)
        write(text.toLatin1());
    m_ui.setText(f19::WritedCom, text);
    m_waits.TimenZapsat();
    m_state.Dododo = true;
}

void DeviceLink::LightByPause()
{
    const QString text = LightByPauseText();
    if (m_state.VykonIR_Pc_Swich)
        write(text.toLatin1());
    m_ui.setText(f19::WritedCom, text);
    m_state.Dododo = true;
}

void DeviceLink::runLightByRun()
{
    m_state.Dododo = false;
    LightByRun();
    m_clock.processUntil([this] { return m_state.Dododo; });
}

void DeviceLink::runLightByPause()
{
    m_state.Dododo = false;
    LightByPause();
    m_clock.processUntil([this] { return m_state.Dododo; });
}

void DeviceLink::startupLighting()
{
    cycle([this] {
        runLightByPause();
        m_waits.TimenZapsatPul();
    });
    m_state.Staruji = false;
}

void DeviceLink::settingsLighting()
{
    cycle([this] {
        runLightByPause();
        m_waits.TimenZapsatPul();
    });
}

void DeviceLink::maxCycle()
{
    cycle([this] {
        write("98", QStringLiteral("MAX"));
        m_waits.TimenZapsatPul();
    });
}

void DeviceLink::runCurrentLighting()
{
    if (m_ui.isEnabled(f19::Konec))
        runLightByPause();
    else
        runLightByRun();
}

void DeviceLink::brightnessCycle()
{
    cycle([this] {
        if (newFirmware())
            runCurrentLighting();
        else if (m_state.JasLED_Pc_Swich)
            write("66", QStringLiteral("I66"));
        else
            write("77", QStringLiteral("I77"));
        m_waits.TimenZapsatPul();
    });
}

void DeviceLink::nightCycle()
{
    cycle([this] {
        const bool lit = m_state.VykonIR_Pc_Swich;
        if (newFirmware()) {
            // Back on: the device gets the lighting it was last told (or
            // would have been told while it was dark) again.
            if (lit)
                write(text::toAnsi(m_ui.text(f19::WritedCom)));
            else
                write(QByteArray::number(10 + m_ui.index(f19::R_Night)));
        } else if (lit) {
            write("22", QStringLiteral("I22"));
        } else {
            write("33", QStringLiteral("I33"));
        }
        m_waits.TimenZapsatPul();
    });
}

void DeviceLink::slowDownCycle()
{
    cycle([this] {
        if (newFirmware())
            runCurrentLighting();
        else
            write(m_state.ZpomalLED_Pc_Swich ? "88" : "99");
        m_waits.TimenZapsatPul();
    });
}

void DeviceLink::closeInterruptedCycle() { releaseSuspendedCycle(); }

void DeviceLink::startupCycle(const std::function<void()> &opened, const std::function<void()> &midway)
{
    cycle([&] {
        if (opened)
            opened();
        const bool old = !newFirmware();
        if (old) {
            write("22");
            m_waits.TimenZapsatPul();
            write("88");
            m_waits.TimenZapsatPul();
        }
        if (midway)
            midway();
        if (old) {
            write("66");
            m_waits.TimenZapsatPul();
            write("44");
            m_waits.TimenZapsatPul();
            write("12", QStringLiteral("I12"));
            m_waits.TimenZapsatPul();
        }
    });
}

void DeviceLink::runLightingCycle()
{
    cycle([this] {
        m_waits.TimenZapsat();
        runLightByRun();
        m_waits.TimenZapsat();
    });
}

void DeviceLink::playbackStartLight()
{
    if (newFirmware()) {
        runLightingCycle();
    } else if (colourBlending()) {
        cycle([this] {
            write("55", QStringLiteral("I55"));
            m_waits.TimenZapsat();
        });
    } else {
        cycle([this] {
            write("44", QStringLiteral("I44"));
            m_waits.TimenZapsat();
        });
    }
}

void DeviceLink::endLightCycle(bool first)
{
    cycle([&] {
        if (newFirmware())
            runLightByPause();
        else if (first)
            write("12", QStringLiteral("I12"));
        else
            write("12");
        m_waits.TimenZapsatSTOP();
    });
}

void DeviceLink::playbackEndLight(const std::function<void(const std::function<void()> &)> &step)
{
    if (newFirmware()) {
        for (int i = 0; i < 2; ++i) {
            if (i)
                step([this] { m_waits.TimenZapsatPul(); });
            step([this] {
                cycle([this] {
                    write("13");
                    m_waits.TimenZapsatSTOP();
                });
            });
        }
    }
    step([this] { endLightCycle(true); });
    step([this] { m_waits.TimenZapsatPul(); });
    step([this] { endLightCycle(false); });
}

} // namespace zovt
