#include "device/PortTurns.h"

#include "core/Clock.h"
#include "core/ControlSurface.h"
#include "core/Form19Names.h"
#include "core/WindowState.h"
#include "device/PortLink.h"

namespace zovt {

PortTurns::PortTurns(Clock &clock, ControlSurface &ui, WindowState &state, Waits &waits, PortLink &port)
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

PortTurns::~PortTurns() = default;

// ---- Turns ------------------------------------------------------------------

bool PortTurns::takeTurn(std::function<void()> operation)
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

void PortTurns::runTurn(const std::function<void()> &operation)
{
    struct Turn {
        PortTurns &d;
        explicit Turn(PortTurns &link) : d(link) { ++d.m_turns; }
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
void PortTurns::released()
{
    if (!portHeld())
        m_limit->stop();
    if (!m_queue.empty() && !busy() && !portHeld() && !m_next->isActive())
        m_next->start();
}

void PortTurns::nextTurn()
{
    if (m_queue.empty() || busy() || portHeld())
        return;
    auto operation = std::move(m_queue.front());
    m_queue.pop_front();
    runTurn(operation);
}

void PortTurns::giveUpWaiting()
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

void PortTurns::releaseSuspendedCycle()
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

void PortTurns::setPortOpen(bool on) { m_ui.setChecked(f19::PortOpen, on); }

int PortTurns::openCycle()
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

void PortTurns::closeCycle(int ticket)
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

void PortTurns::abandon(int ticket) noexcept
{
    if (ticket == m_holder)
        abandonCycle();
}

void PortTurns::abandonCycle() noexcept
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

void PortTurns::write(const QByteArray &text)
{
    m_clock.throwIfExiting();
    m_port.write(text);
}

} // namespace zovt
