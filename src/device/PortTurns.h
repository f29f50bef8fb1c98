#pragma once
// Port cycles and turns on the device.
//
// Every write to the device happens inside a port cycle: tick PortOpen,
// open, write texts each followed by a wait, close, untick PortOpen.
//
// Every operation that talks to the device (a playback, the start-up cycle
// and lighting, a lighting toggle, the settings' OK and MAX) runs in a turn
// of its own: one operation has the device at a time, the others wait for
// their turn in the order they asked. Everything runs on one thread, and the
// waits of a cycle handle events, so an operation that asked while another
// one held the port would otherwise run nested inside it and find the port
// open. The only operations that run inside another's turn are the auxiliary
// lighting buttons of a playback, which take over its port
// (releaseSuspendedCycle).

#include <QByteArray>
#include <QString>

#include <deque>
#include <functional>
#include <memory>

namespace zovt {

class Clock;
class ClockTimer;
class ControlSurface;
class PortLink;
class Waits;
struct WindowState;

class PortTurns {
public:
    // Longest a waiting operation waits while one cycle holds the port; no
    // cycle holds it for more than a few seconds. When it passes the
    // operation runs all the same, and its open is refused as a port error.
    static constexpr int kPortWaitLimitMs = 30000;

    PortTurns(Clock &clock, ControlSurface &ui, WindowState &state, Waits &waits, PortLink &port);
    ~PortTurns();

    // ---- Cycles ---------------------------------------------------------
    // Opens a cycle: ticks PortOpen and opens the port; returns the cycle's
    // ticket for closeCycle. While another cycle holds the port the open is
    // refused, as the serial component refuses a second open, and the
    // holder's port and PortOpen stay as they are.
    int openCycle();
    // Closes the port and unticks PortOpen. A cycle whose port was taken
    // over meanwhile finds it closed and leaves everything as it is. A close
    // that reports bytes the device never took raises the port error, with
    // the cycle ended.
    void closeCycle(int ticket);
    // Runs body inside one port cycle. When an error unwinds the body, the
    // port is closed and PortOpen cleared all the same, so that the next cycle
    // does not find the port held.
    template <class F> void cycle(F &&body)
    {
        const int ticket = openCycle();
        try {
            body();
        } catch (...) {
            abandon(ticket);
            throw;
        }
        closeCycle(ticket);
    }
    // Closes the port, whoever holds it, and reports nothing (the exits).
    void abandonCycle() noexcept;
    // A cycle holds the port.
    bool portHeld() const { return m_holder != 0; }

    // ---- Turns ----------------------------------------------------------
    // Runs a device operation now when no other has the device and none is
    // waiting, else when its turn comes: when the operations before it have
    // ended and no cycle holds the port. Returns true when it ran now.
    // Waiting is event-driven: the end of a turn or of a cycle starts the
    // next one; a wait on a cycle is bounded by kPortWaitLimitMs.
    bool takeTurn(std::function<void()> operation);
    // An operation has the device.
    bool busy() const { return m_turns > 0; }
    // Operations waiting for their turn.
    int waiting() const { return int(m_queue.size()); }
    // For the auxiliary lighting buttons, which run inside a playback's
    // turn: closes the port of a cycle suspended underneath (a paused or
    // interrupted playback) and unticks PortOpen, so that the buttons' own
    // cycles can open. That cycle's own close later finds the port closed and
    // does nothing. No cycle holding the port: nothing happens.
    void releaseSuspendedCycle();

    // Writes one command text; nothing is written once an exit has begun.
    void write(const QByteArray &text);

    Waits &waits() { return m_waits; }
    PortLink &port() { return m_port; }
    Clock &clock() { return m_clock; }

protected:
    Clock &m_clock;
    ControlSurface &m_ui;
    WindowState &m_state;
    Waits &m_waits;
    PortLink &m_port;

private:
    void setPortOpen(bool on);
    void abandon(int ticket) noexcept;
    void released();
    void runTurn(const std::function<void()> &operation);
    void nextTurn();
    void giveUpWaiting();

    int m_holder = 0;     // ticket of the cycle that holds the port; 0: none
    int m_lastTicket = 0;
    int m_turns = 0;      // operations running (more than one only past the wait limit)
    std::deque<std::function<void()>> m_queue;
    std::unique_ptr<ClockTimer> m_next;  // starts the next turn from the event loop
    std::unique_ptr<ClockTimer> m_limit; // bounds a wait on a held port
};

} // namespace zovt
