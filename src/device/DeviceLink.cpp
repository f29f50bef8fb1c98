#include "device/DeviceLink.h"

#include "core/Clock.h"
#include "core/WindowState.h"
#include "device/Commands.h"
#include "device/PortLink.h"
#include "device/VaComm.h"
#include "device/Waits.h"
#include "core/ControlSurface.h"
#include "storage/TextCodec.h"
#include "core/Form19Names.h"
#include "core/Form19States.h"

#include <stdexcept>

namespace zovt {

DeviceLink::DeviceLink(Clock &clock, ControlSurface &ui, WindowState &state, Waits &waits, PortLink &port)
    : PortTurns(clock, ui, state, waits, port)
{
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

namespace {
int lightingItem(const ControlSurface &ui, const QString &group)
{
    const int k = ui.index(group);
    if (k < 0 || k >= f19::lightingItems(group))
        throw std::range_error(QStringLiteral("%1 stands on no item (%2)").arg(group).arg(k).toStdString());
    return k;
}
} // namespace

QString DeviceLink::LightByRunText() const
{
    const bool bright = m_state.JasLED_Pc_Swich;
    if (colourBlending()) {
        const bool slow = m_state.ZpomalLED_Pc_Swich;
        return QString::number(bright ? (slow ? cmd::BlendBrightSlow : cmd::BlendBrightFast)
                                      : (slow ? cmd::BlendDimSlow : cmd::BlendDimFast));
    }
    const int k = lightingItem(m_ui, f19::R_Power);
    return QString::number((bright ? cmd::RunLightBright : cmd::RunLightDim) + k);
}

QString DeviceLink::LightByPauseText() const
{
    const int k = lightingItem(m_ui, f19::R_Stadby);
    return QString::number((m_state.JasLED_Pc_Swich ? cmd::StandByBright : cmd::StandByDim) + k);
}

void DeviceLink::LightByRun()
{
    const QString text = LightByRunText();
    m_lastLighting = text.toLatin1();
    if (m_state.VykonIR_Pc_Swich)
        write(text.toLatin1());
    m_ui.setText(f19::WritedCom, text);
    m_waits.TimenZapsat();
    m_ui.setChecked(f19::Dododo, true);
}

void DeviceLink::LightByPause()
{
    const QString text = LightByPauseText();
    m_lastLighting = text.toLatin1();
    if (m_state.VykonIR_Pc_Swich)
        write(text.toLatin1());
    m_ui.setText(f19::WritedCom, text);
    m_ui.setChecked(f19::Dododo, true);
}

void DeviceLink::runLightByRun()
{
    m_ui.setChecked(f19::Dododo, false);
    LightByRun();
    m_clock.processUntil([this] { return m_ui.isChecked(f19::Dododo); });
}

void DeviceLink::runLightByPause()
{
    m_ui.setChecked(f19::Dododo, false);
    LightByPause();
    m_clock.processUntil([this] { return m_ui.isChecked(f19::Dododo); });
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
        write(cmd::Maximum, QStringLiteral("MAX"));
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
            write(cmd::BrightnessOn, QStringLiteral("I66"));
        else
            write(cmd::BrightnessOff, QStringLiteral("I77"));
        m_waits.TimenZapsatPul();
    });
}

void DeviceLink::nightCycle()
{
    cycle([this] {
        const bool lit = m_state.VykonIR_Pc_Swich;
        if (newFirmware()) {
            // Back on: the device gets the lighting it was last told (or
            // would have been told while it was dark) again. Not whatever
            // WritedCom shows: that may be a label ("Start", "MAX"). Before
            // any lighting was chosen there is nothing to restore; the
            // delayed stand-by lighting follows.
            if (lit) {
                if (!m_lastLighting.isEmpty())
                    write(m_lastLighting);
            } else
                write(QByteArray::number(cmd::NightLighting + m_ui.index(f19::R_Night)));
        } else if (lit) {
            write(cmd::LightingOn, QStringLiteral("I22"));
        } else {
            write(cmd::Night, QStringLiteral("I33"));
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
            write(m_state.ZpomalLED_Pc_Swich ? cmd::SlowDownOn : cmd::SlowDownOff);
        m_waits.TimenZapsatPul();
    });
}

void DeviceLink::startupCycle(const std::function<void()> &opened, const std::function<void()> &midway)
{
    cycle([&] {
        if (opened)
            opened();
        const bool old = !newFirmware();
        if (old) {
            write(cmd::LightingOn);
            m_waits.TimenZapsatPul();
            write(cmd::SlowDownOn);
            m_waits.TimenZapsatPul();
        }
        if (midway)
            midway();
        if (old) {
            write(cmd::BrightnessOn);
            m_waits.TimenZapsatPul();
            write(cmd::ConstantLight);
            m_waits.TimenZapsatPul();
            write(cmd::StandBy, QStringLiteral("I12"));
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
            write(cmd::ColourBlending, QStringLiteral("I55"));
            m_waits.TimenZapsat();
        });
    } else {
        cycle([this] {
            write(cmd::ConstantLight, QStringLiteral("I44"));
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
            write(cmd::StandBy, QStringLiteral("I12"));
        else
            write(cmd::StandBy);
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
                    write(cmd::EndOfPlayback);
                    m_waits.TimenZapsatSTOP();
                });
            });
        }
    }
    step([this] { endLightCycle(true); });
    step([this] { m_waits.TimenZapsatPul(); });
    step([this] { endLightCycle(false); });
}

namespace {
// The paces of the end light's parts, as Waits runs them: TimenZapsatSTOP
// inside each cycle, TimenZapsatPul between two cycles, and the pause every
// close of the serial component makes.
constexpr int kStopWaitMs = 1500;
constexpr int kPulWaitMs = 1000;
constexpr int kCloseMs = TVaComm::kCloseDelayMs;
} // namespace

QVector<EndText> DeviceLink::playbackEndTexts() const
{
    QVector<EndText> texts;
    int since = 0; // time since the previous text
    // One cycle: its text (none when nothing is written), TimenZapsatSTOP, the close.
    const auto cycleOf = [&](const QByteArray &text) {
        if (!text.isEmpty()) {
            texts.push_back({since, text});
            since = 0;
        }
        since += kStopWaitMs + kCloseMs;
    };
    QByteArray standBy = cmd::StandBy;
    if (newFirmware()) {
        cycleOf(cmd::EndOfPlayback);
        since += kPulWaitMs;
        cycleOf(cmd::EndOfPlayback);
        standBy.clear();
        if (m_state.VykonIR_Pc_Swich) {
            try {
                standBy = LightByPauseText().toLatin1();
            } catch (const std::range_error &) {
            }
        }
    }
    cycleOf(standBy);
    since += kPulWaitMs;
    cycleOf(standBy);
    return texts;
}

void DeviceLink::updateEndGuard()
{
    if (!m_endGuard)
        return;
    const QString path = m_port.devicePath();
    QVector<EndText> texts = playbackEndTexts();
    // A device that cannot be named gets nothing; the guard forgets what it
    // had, as that may name a device the port no longer holds.
    if (path.isEmpty() || texts.isEmpty()) {
        if (!m_guardedPath.isEmpty())
            m_endGuard->disarm();
        m_guardedPath.clear();
        m_guardedTexts.clear();
        return;
    }
    if (path == m_guardedPath && texts == m_guardedTexts)
        return;
    m_endGuard->arm(path, texts);
    m_guardedPath = path;
    m_guardedTexts = std::move(texts);
}

void DeviceLink::armEndGuard()
{
    m_endGuarded = true;
    updateEndGuard();
}

void DeviceLink::refreshEndGuard()
{
    if (m_endGuarded)
        updateEndGuard();
}

void DeviceLink::disarmEndGuard()
{
    m_endGuarded = false;
    if (m_endGuard && !m_guardedPath.isEmpty())
        m_endGuard->disarm();
    m_guardedPath.clear();
    m_guardedTexts.clear();
}

} // namespace zovt
