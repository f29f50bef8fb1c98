#pragma once
#include "device/PortLink.h"
#include "device/VaComm.h"

namespace zovt {

class Clock;

// The real serial port, the window's VaComm1, as the command code sees it.
// The close delay goes through the clock so that it blocks like the
// component's own pause.
class VaCommPort : public PortLink {
public:
    explicit VaCommPort(Clock &clock);
    void setPortNum(int n) override { m_comm.SetPortNum(n); }
    int portNum() const override { return m_comm.PortNum(); }
    void open() override { m_comm.Open(); }
    void close() override { m_comm.Close(); }
    void write(const QByteArray &text) override { m_comm.WriteText(text); }
    bool active() const override { return m_comm.Active(); }
    void checkPresent() override { m_comm.CheckPresent(); }
    void holdDevice(bool hold) override { m_comm.HoldDevice(hold); }
    QString devicePath() const override { return m_comm.OpenedDevice(); }
    TVaComm &comm() { return m_comm; }

private:
    TVaComm m_comm;
};

} // namespace zovt
