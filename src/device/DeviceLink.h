#pragma once
// Port cycles and the device's command vocabulary. Every write to the device
// happens inside a port cycle: tick PortOpen, open, write texts each followed
// by a wait, close, untick PortOpen.

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

class DeviceLink {
public:
    DeviceLink(Clock &clock, ControlSurface &ui, WindowState &state, Waits &waits, PortLink &port);
    ~DeviceLink();

    // Waits in 100 ms steps while PortOpen is ticked (start-up does, before
    // its cycle).
    void waitPortFree();
    // Opens a cycle: ticks PortOpen and opens the port. A port that is open
    // already refuses, as the serial component does; device operations of
    // their own go through whenIdle.
    void openCycle();
    // Closes the port, unticks PortOpen and waits until it is clear.
    void closeCycle();
    // Runs body inside one port cycle. When an error unwinds the body, the
    // port is closed and PortOpen cleared all the same, so that the next cycle
    // does not find the port held.
    template <class F> void cycle(F &&body)
    {
        openCycle();
        try {
            body();
        } catch (...) {
            abandonCycle();
            throw;
        }
        closeCycle();
    }
    void abandonCycle() noexcept;

    // Writes one command text; nothing is written once an exit has begun.
    void write(const QByteArray &text);
    // Writes a text and shows a caption in WritedCom.
    void write(const QByteArray &text, const QString &shown);

    bool newFirmware() const;
    // Colour blending: Colortype item 1, or item 0 with an Orvatrin program.
    bool colourBlending() const;

    QString LightByRunText() const;
    QString LightByPauseText() const;
    // The lighting selectors: write into the cycle the caller has opened (only
    // while the night toggle is on), show the text and tick Dododo.
    void LightByRun();
    void LightByPause();
    // Unticks Dododo, runs the selector and goes on once Dododo is ticked.
    void runLightByRun();
    void runLightByPause();

    // No program plays, no cycle holds the port and no device operation of
    // several cycles is under way.
    bool idle() const;
    // Runs a device operation of several cycles (a lighting toggle): the
    // operations deferred by whenIdle wait until it has ended, so that none
    // of them slips in between its cycles.
    template <class F> void operation(F &&body)
    {
        struct Running {
            int &n;
            explicit Running(int &count) : n(count) { ++n; }
            ~Running() { --n; }
        } running(m_operations);
        body();
    }
    // Runs a device operation of its own (one or more cycles) now when the
    // device is idle, else as soon as it is, in the order asked (checked
    // every 100 ms). Everything runs on one thread: a cycle that finds the
    // port held lies above the cycle that holds it and could only wait for it
    // forever, and commands in the middle of a program would change what
    // the program shows.
    void whenIdle(std::function<void()> operation);

    // The delayed stand-by lighting after start-up.
    void startupLighting();
    // The MAX service command.
    void maxCycle();

    // New firmware: the current lighting command, stand-by (LightByPause)
    // while no program plays and run lighting (LightByRun) while one plays;
    // the exit button Konec is disabled for the whole of a playback.
    void runCurrentLighting();
    // The port cycles of the three lighting toggles, each for the toggle's
    // new state and followed by TimenZapsatPul inside the cycle.
    void brightnessCycle();
    void nightCycle();
    void slowDownCycle();
    // Ends the cycle of a playback that lies suspended underneath an
    // auxiliary lighting click: closes the port and unticks PortOpen. The
    // playback's own close later finds the port closed and returns at once.
    void closeInterruptedCycle();

    Waits &waits() { return m_waits; }
    PortLink &port() { return m_port; }
    Clock &clock() { return m_clock; }

private:
    void setPortOpen(bool on);
    void runDeferred();

    Clock &m_clock;
    ControlSurface &m_ui;
    WindowState &m_state;
    Waits &m_waits;
    PortLink &m_port;
    std::unique_ptr<ClockTimer> m_idleCheck;
    std::deque<std::function<void()>> m_deferred;
    int m_operations = 0;
};

} // namespace zovt
