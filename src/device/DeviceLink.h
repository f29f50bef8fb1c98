#pragma once
// The device's command sequences: what each operation writes, in which
// port cycles and with which waits, for either firmware. The cycles and the
// turns they run in are PortTurns'; the texts are those of Commands.h.

#include "device/EndGuard.h"
#include "device/PortTurns.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <functional>

namespace zovt {

class DeviceLink : public PortTurns {
public:
    DeviceLink(Clock &clock, ControlSurface &ui, WindowState &state, Waits &waits, PortLink &port);

    using PortTurns::write;
    // Writes a text and shows a caption in WritedCom.
    void write(const QByteArray &text, const QString &shown);

    bool newFirmware() const;
    // Colour blending: Colortype item 1, or item 0 with an Orvatrin program.
    bool colourBlending() const;

    // The selectors' texts. A group standing on no item of its own raises
    // std::range_error: no text outside the command set reaches the device.
    QString LightByRunText() const;
    QString LightByPauseText() const;
    // The lighting selectors: write into the cycle the caller has opened (only
    // while the night toggle is on), show the text and tick Dododo (a hidden
    // check box of the window, like PortOpen: its one home).
    void LightByRun();
    void LightByPause();
    // Unticks Dododo, runs the selector and goes on once Dododo is ticked.
    void runLightByRun();
    void runLightByPause();

    // ---- Operations (each inside the caller's turn) ---------------------
    // The start-up cycle: the idle state (old firmware) or just the port
    // test (new). opened runs once the port is open, midway between the
    // second and the third command.
    void startupCycle(const std::function<void()> &opened, const std::function<void()> &midway);
    // The delayed stand-by lighting after start-up.
    void startupLighting();
    // The settings' OK: the chosen stand-by lighting at once.
    void settingsLighting();
    // The MAX service command.
    void maxCycle();
    // The start light of a playback.
    void playbackStartLight();
    // The new firmware's run lighting cycle (the start light's and the one
    // after the protocol start).
    void runLightingCycle();
    // The end light of a playback: "13" twice (new firmware), then stand-by
    // twice. step runs each part, so that the caller can let a part fail
    // without giving up the ones after it.
    void playbackEndLight(const std::function<void(const std::function<void()> &)> &step);
    // What playbackEndLight writes, each text with the time before it (the
    // first's is 0), for the firmware, the night toggle and the stand-by item
    // as they stand now. A stand-by group on no item leaves the stand-by
    // texts out, as the end light's parts that would send them fail then.
    QVector<EndText> playbackEndTexts() const;

    // ---- The end of a playback should the controller die during it ------
    // The guard that sends the end texts then; none: arming does nothing.
    void setEndGuard(EndGuard *guard) { m_endGuard = guard; }
    // A playback has begun: from now on its end texts go to the device the
    // port holds, should the controller never reach the playback's end.
    void armEndGuard();
    // The playback has sent its own end: nothing is sent for it any more.
    void disarmEndGuard();
    // The lighting changed during a playback: the guard learns the new end
    // texts, and only when they differ from the ones it has.
    void refreshEndGuard();

    // New firmware: the current lighting command, stand-by (LightByPause)
    // while no program plays and run lighting (LightByRun) while one plays;
    // the exit button Konec is disabled for the whole of a playback.
    void runCurrentLighting();
    // The port cycles of the three lighting toggles, each for the toggle's
    // new state and followed by TimenZapsatPul inside the cycle.
    void brightnessCycle();
    void nightCycle();
    void slowDownCycle();

private:
    void endLightCycle(bool first);

    // Tells the guard the end texts that stand now, unless it has them already.
    void updateEndGuard();

    // The last lighting command chosen ("20" to "53"), written or not: what
    // the night toggle restores when it is switched back on.
    QByteArray m_lastLighting;

    EndGuard *m_endGuard = nullptr;
    bool m_endGuarded = false;   // a playback runs that has not sent its end yet
    QString m_guardedPath;       // what the guard was told last (empty: disarmed)
    QVector<EndText> m_guardedTexts;
};

} // namespace zovt
