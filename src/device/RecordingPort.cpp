#include "core/Clock.h"
#include "device/PortLink.h"

namespace zovt {

RecordingPort::RecordingPort(Clock &clock, int closeDelayMs) : m_clock(clock), m_closeDelay(closeDelayMs) {}

void RecordingPort::open()
{
    if (m_failOpen || m_gone || m_port <= 0)
        throw EVaCommError(QStringLiteral("Specified device not found (COM%1).").arg(m_port).toStdString());
    if (m_open)
        throw EVaCommError(QStringLiteral("Can't perform this operation while port is open"));
    m_open = true;
    ++m_opens;
}

void RecordingPort::checkPresent()
{
    if (m_gone && !m_open)
        throw EVaCommError(QStringLiteral("Specified device not found (COM%1).").arg(m_port).toStdString());
}

namespace {
EVaCommError lostDevice() { return EVaCommError(QStringLiteral("Error writing to device (5), Input/output error")); }
} // namespace

void RecordingPort::close()
{
    if (!m_open)
        return;
    m_open = false;
    if (m_unsent) {
        m_unsent = false;
        throw lostDevice();
    }
    m_clock.sleep(m_closeDelay);
}

void RecordingPort::write(const QByteArray &text)
{
    if (!m_open) // a closed port takes nothing and reports nothing
        return;
    if (m_unsent)
        throw lostDevice();
    if (m_lost) {
        m_unsent = !text.isEmpty();
        return;
    }
    m_writes.push_back({m_clock.nowMs(), text});
    if (m_onWrite)
        m_onWrite(m_writes.back());
}

} // namespace zovt
