#include "device/VaCommPort.h"

#include "core/Clock.h"

namespace zovt {

VaCommPort::VaCommPort(Clock &clock)
{
    m_comm.setCloseDelay([&clock](int ms) { clock.sleep(ms); });
    // The port stays reserved for the controller's whole run: a second
    // controller is refused when it starts, not in the middle of a playback.
    m_comm.setKeepLock(true);
}

} // namespace zovt
