#include "support/Pty.h"

#include "device/PortPath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace zovt::test {

Pty::Pty()
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        m_error = QStringLiteral("posix_openpt: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    char name[128];
    if (::ptsname_r(m_master, name, sizeof name) != 0) {
        m_error = QStringLiteral("ptsname: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    m_slavePath = QFile::decodeName(name);
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0) {
        m_error = QStringLiteral("open %1: %2").arg(m_slavePath, QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
}

Pty::~Pty()
{
    if (!m_link.isEmpty() && QFileInfo(m_link).symLinkTarget() == m_slavePath)
        QFile::remove(m_link);
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
}

QString Pty::linkAsCom(int port)
{
    const QString link = portpath::dosDeviceLink(port);
    QDir().mkpath(QFileInfo(link).path());
    QFile::remove(link);
    if (!QFile::link(m_slavePath, link))
        return QString();
    m_link = link;
    return link;
}

void Pty::closeMaster()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

bool Pty::waitReadable(int timeoutMs)
{
    pollfd p{m_master, POLLIN, 0};
    int r;
    do
        r = ::poll(&p, 1, timeoutMs);
    while (r < 0 && errno == EINTR);
    return r > 0 && (p.revents & POLLIN);
}

QByteArray Pty::readAvailable()
{
    QByteArray out;
    if (m_master < 0)
        return out;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0)
            out.append(buf, qsizetype(n));
        else if (n < 0 && errno == EINTR)
            continue;
        else
            return out;
    }
}

QByteArray Pty::read(int n, int timeoutMs)
{
    using C = std::chrono::steady_clock;
    const auto deadline = C::now() + std::chrono::milliseconds(timeoutMs);
    QByteArray out = readAvailable();
    while (out.size() < n) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - C::now()).count();
        if (left <= 0 || !waitReadable(int(left)))
            break;
        out += readAvailable();
    }
    return out;
}

termios Pty::settings() const
{
    termios t;
    std::memset(&t, 0, sizeof t);
    ::tcgetattr(m_slave, &t);
    return t;
}

bool Pty::setSettings(const termios &t) { return ::tcsetattr(m_slave, TCSANOW, &t) == 0; }

bool Pty::exclusive() const
{
    int on = 0;
    return ::ioctl(m_slave, TIOCGEXCL, &on) == 0 && on != 0;
}

} // namespace zovt::test
