#include "device/VaCommPort.h"

#include "core/Clock.h"

namespace zovt {

VaCommPort::VaCommPort(Clock &clock)
{
    m_comm.setCloseDelay([&clock](int ms) { clock.sleep(ms); });
}

} // namespace zovt
