#include "device/DeviceLink.h"

#include "core/Clock.h"
#include "core/WindowState.h"
#include "device/PortLink.h"
#include "device/Waits.h"
#include "core/ControlSurface.h"
#include "storage/TextCodec.h"

namespace zovt {

namespace {
const QString kPortOpen = QStringLiteral("PortOpen");
const QString kWritedCom = QStringLiteral("WritedCom");
} // namespace

DeviceLink::DeviceLink(Clock &clock, ControlSurface &ui, WindowState &state, Waits &waits, PortLink &port)
    : m_clock(clock), m_ui(ui), m_state(state), m_waits(waits), m_port(port), m_idleCheck(clock.createTimer())
{
    m_idleCheck->setSingleShot(true);
    m_idleCheck->setInterval(100);
    m_idleCheck->setCallback([this] { runDeferred(); });
}

DeviceLink::~DeviceLink() = default;

bool DeviceLink::idle() const
{
    return m_operations == 0 && !m_ui.isChecked(kPortOpen) && m_ui.isEnabled(QStringLiteral("Konec"));
}

void DeviceLink::whenIdle(std::function<void()> operation)
{
    if (m_deferred.empty() && idle()) {
        operation();
        return;
    }
    m_deferred.push_back(std::move(operation));
    if (!m_idleCheck->isActive())
        m_idleCheck->start();
}

void DeviceLink::runDeferred()
{
    if (m_deferred.empty())
        return;
    if (!idle()) {
        m_idleCheck->start();
        return;
    }
    auto operation = std::move(m_deferred.front());
    m_deferred.pop_front();
    if (!m_deferred.empty())
        m_idleCheck->start();
    operation();
}

void DeviceLink::setPortOpen(bool on) { m_ui.setChecked(kPortOpen, on); }

void DeviceLink::waitPortFree()
{
    while (m_ui.isChecked(kPortOpen))
        m_waits.ZapsatCOM();
}

void DeviceLink::openCycle()
{
    m_clock.throwIfExiting();
    setPortOpen(true);
    try {
        m_port.setPortNum(m_state.comPort);
        m_port.open();
    } catch (...) {
        setPortOpen(false);
        throw;
    }
}

void DeviceLink::closeCycle()
{
    m_port.close();
    setPortOpen(false);
    waitPortFree();
}

void DeviceLink::abandonCycle() noexcept
{
    try {
        m_port.close();
    } catch (...) {
    }
    try {
        setPortOpen(false);
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
    m_ui.setText(kWritedCom, shown);
}

bool DeviceLink::newFirmware() const { return m_ui.isChecked(QStringLiteral("VerzeSwZovT")); }

bool DeviceLink::colourBlending() const
{
    const int c = m_ui.index(QStringLiteral("Colortype"));
    return c == 1 || (c == 0 && m_state.OrvatrinPower);
}

QString DeviceLink::LightByRunText() const
{
    const bool bright = m_state.JasLED_Pc_Swich;
    if (colourBlending()) {
        const bool slow = m_state.ZpomalLED_Pc_Swich;
        return QString::number(bright ? (slow ? 50 : 51) : (slow ? 52 : 53));
    }
    const int k = m_ui.index(QStringLiteral("R_Power"));
    return QString::number(bright ? 3 : 4) + QString::number(k);
}

QString DeviceLink::LightByPauseText() const
{
    const int k = m_ui.index(QStringLiteral("R_Stadby"));
    return QString::number((m_state.JasLED_Pc_Swich ? 20 : 25) + k);
}

void DeviceLink::LightByRun()
{
    const QString text = LightByRunText();
    if (m_state.VykonIR_Pc_Swich)
        write(text.toLatin1());
    m_ui.setText(kWritedCom, text);
    m_waits.TimenZapsat();
    m_state.Dododo = true;
}

void DeviceLink::LightByPause()
{
    const QString text = LightByPauseText();
    if (m_state.VykonIR_Pc_Swich)
        write(text.toLatin1());
    m_ui.setText(kWritedCom, text);
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

void DeviceLink::maxCycle()
{
    cycle([this] {
        write("98", QStringLiteral("MAX"));
        m_waits.TimenZapsatPul();
    });
}

void DeviceLink::runCurrentLighting()
{
    if (m_ui.isEnabled(QStringLiteral("Konec")))
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
                write(text::toAnsi(m_ui.text(kWritedCom)));
            else
                write(QByteArray::number(10 + m_ui.index(QStringLiteral("R_Night"))));
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

void DeviceLink::closeInterruptedCycle()
{
    m_port.close();
    setPortOpen(false);
}

} // namespace zovt
