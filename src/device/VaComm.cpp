#include "device/VaComm.h"

#include "core/Clock.h"
#include "device/PortPath.h"
#include "device/UucpLock.h"
#include "storage/TextCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace zovt {

namespace {

using SteadyClock = std::chrono::steady_clock;

QString systemText(int err) { return QString::fromStdString(std::generic_category().message(err)); }

EVaCommError notFound(const QString &path)
{
    return EVaCommError(QStringLiteral("Specified device not found (%1).").arg(path));
}

EVaCommError cantOpen(const QString &path, int err)
{
    return EVaCommError(
        QStringLiteral("Can't open specified device %1").arg(path)
        + QStringLiteral(" (Error %1, %2)").arg(err).arg(systemText(err)));
}

EVaCommError dcbError(int err)
{
    return EVaCommError(QStringLiteral("Error writing dcb (%1), %2").arg(err).arg(systemText(err)));
}

EVaCommError writeError(int err)
{
    return EVaCommError(QStringLiteral("Error writing to device (%1), %2").arg(err).arg(systemText(err)));
}

std::function<void(qint64, qint64, qint64, qint64)> g_writeProbe;

qint64 steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(SteadyClock::now().time_since_epoch()).count();
}

// What "the device does not exist" looks like here: no such path, or a
// device node with nothing behind it.
bool meansMissing(int err) { return err == ENOENT || err == ENOTDIR || err == ENXIO || err == ENODEV; }

QByteArray nativeBytes(const QString &path) { return QFile::encodeName(path); }

} // namespace

void applyLineSettings(termios &t)
{
    t.c_iflag &= ~tcflag_t(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK);
    t.c_oflag &= ~tcflag_t(OPOST);
    t.c_lflag &= ~tcflag_t(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tcflag_t clear = CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS;
#ifdef CMSPAR
    clear |= CMSPAR;
#endif
    t.c_cflag &= ~clear;
    t.c_cflag |= CS8 | CREAD | CLOCAL;
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    // Reads return at once with whatever arrived (nothing is ever read).
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    t.c_cc[VSTART] = 17;
    t.c_cc[VSTOP] = 19;
}

QStringList lineSettingsProblems(const termios &t)
{
    QStringList p;
    // Linux keeps one speed for both directions unless they were split;
    // an input speed of B0 means "as the output".
    const speed_t in = cfgetispeed(&t);
    if (cfgetospeed(&t) != B9600)
        p << QStringLiteral("speed is not 9600 bit/s");
    else if (in != B9600 && in != B0)
        p << QStringLiteral("input speed is not 9600 bit/s");
    if ((t.c_cflag & CSIZE) != CS8)
        p << QStringLiteral("not 8 data bits");
    if (t.c_cflag & PARENB)
        p << QStringLiteral("parity on");
    if (t.c_cflag & CSTOPB)
        p << QStringLiteral("2 stop bits");
    if (!(t.c_cflag & CREAD))
        p << QStringLiteral("receiver off");
    if (!(t.c_cflag & CLOCAL))
        p << QStringLiteral("modem-control lines not ignored");
    if (t.c_cflag & CRTSCTS)
        p << QStringLiteral("RTS/CTS flow control on");
    if (t.c_iflag & IXON)
        p << QStringLiteral("XON/XOFF output flow control on");
    if (t.c_iflag & IXOFF)
        p << QStringLiteral("XON/XOFF input flow control on");
    if (t.c_iflag & (ISTRIP | INLCR | IGNCR | ICRNL))
        p << QStringLiteral("input characters translated");
    if (t.c_iflag & (IGNBRK | BRKINT | PARMRK))
        p << QStringLiteral("break handling not raw");
    if (t.c_oflag & OPOST)
        p << QStringLiteral("output post-processing on");
    if (t.c_lflag & ICANON)
        p << QStringLiteral("canonical (line) input on");
    if (t.c_lflag & (ECHO | ECHONL))
        p << QStringLiteral("echo on");
    if (t.c_lflag & ISIG)
        p << QStringLiteral("signal characters on");
    if (t.c_lflag & IEXTEN)
        p << QStringLiteral("extended input processing on");
    return p;
}

// ---- TVaComm ---------------------------------------------------------------

TVaComm::TVaComm() : m_uucp(std::make_unique<UucpLock>())
{
    m_closeDelay = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
}

TVaComm::~TVaComm()
{
    try {
        Close();
    } catch (...) {
    }
    m_uucp->release();
}

void TVaComm::setCloseDelay(std::function<void(int)> delay)
{
    if (delay)
        m_closeDelay = std::move(delay);
    else
        m_closeDelay = [](int) {};
}

void TVaComm::setWriteProbe(std::function<void(qint64, qint64, qint64, qint64)> probe) { g_writeProbe = std::move(probe); }

void TVaComm::setLockDirectories(const QStringList &dirs) { UucpLock::setDirectories(dirs); }

QStringList TVaComm::lockDirectories() { return UucpLock::directories(); }

QString TVaComm::lockName(const QString &devicePath) { return UucpLock::nameFor(devicePath); }

QString TVaComm::lockFile() const { return m_uucp->path(); }

void TVaComm::setKeepLock(bool keep)
{
    m_keepLock = keep;
    if (!keep && !Active())
        m_uucp->release();
}

void TVaComm::releaseLock() noexcept
{
    if (!Active())
        m_uucp->release();
}

void TVaComm::checkClosed() const
{
    if (Active())
        throw EVaCommError(QStringLiteral("Can't perform this operation while port is open"));
}

void TVaComm::SetPortNum(int n)
{
    checkClosed();
    if (n != m_portNum) {
        m_resolved.clear();
        m_resolvedTarget.clear();
    }
    m_portNum = n;
}

QString TVaComm::DeviceName() const { return portpath::devicePath(m_portNum); }

void TVaComm::HoldDevice(bool hold)
{
    m_holdDevice = hold;
    m_lockChecked = false;
    if (!hold && !Active()) {
        m_resolved.clear();
        m_resolvedTarget.clear();
    }
}

void TVaComm::resolve()
{
    if (m_holdDevice && !m_resolved.isEmpty())
        return;
    m_resolved = DeviceName();
    // The tty behind the links, so that a held device stays the one found
    // even when a link is pointed elsewhere meanwhile; a dangling link stays
    // itself and reads as "not found".
    const QString target = QFileInfo(m_resolved).canonicalFilePath();
    m_resolvedTarget = target.isEmpty() ? m_resolved : target;
}

void TVaComm::CheckPresent() const
{
    if (Active() || !portpath::namesDevice(m_portNum))
        return;
    // The device the last cycle opened: looking it up again at every tick
    // would read the prefix's registry each second.
    const QString path = m_resolved.isEmpty() ? DeviceName() : m_resolved;
    const QString target = m_resolved.isEmpty() ? path : m_resolvedTarget;
    struct stat st;
    if (::stat(nativeBytes(target).constData(), &st) != 0 && meansMissing(errno))
        throw notFound(path);
}

void TVaComm::Open()
{
    checkClosed();
    resolve();
    createHandle(m_resolved, m_resolvedTarget);
    try {
        setLineSettings();
        resetWriter();
    } catch (...) {
        destroyHandle();
        throw;
    }
}

void TVaComm::createHandle(const QString &path, const QString &target)
{
    if (!portpath::namesDevice(m_portNum))
        throw notFound(path);
    const QByteArray native = nativeBytes(target);
    struct stat st;
    if (::stat(native.constData(), &st) != 0) {
        const int err = errno;
        if (meansMissing(err))
            throw notFound(path);
        throw cantOpen(path, err);
    }

    // A lock this component kept from an earlier cycle is its own; one taken
    // now is given back when the open fails. Reading the lock file back at
    // every tick of a playback would stand between the tick and its write.
    const bool hadLock = m_uucp->held();
    const bool recheck = !(m_holdDevice && m_lockChecked);
    if (const int err = m_uucp->acquire(target, recheck))
        throw cantOpen(path, err);
    m_lockChecked = m_holdDevice;
    const auto dropLock = [&] {
        if (!(m_keepLock && hadLock))
            m_uucp->release();
    };

    // Never O_CREAT: only a device that is already there is opened.
    const int fd = ::open(native.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        dropLock();
        if (meansMissing(err))
            throw notFound(path);
        throw cantOpen(path, err);
    }
    // Keeps non-root processes off the tty; the lock file covers root.
    if (::ioctl(fd, TIOCEXCL) != 0) {
        const int err = errno;
        ::close(fd);
        dropLock();
        throw cantOpen(path, err);
    }
    const int wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake < 0) {
        const int err = errno;
        ::ioctl(fd, TIOCNXCL);
        ::close(fd);
        dropLock();
        throw cantOpen(path, err);
    }
    m_fd = fd;
    m_wakeFd = wake;
}

void TVaComm::setLineSettings()
{
    termios was;
    if (::tcgetattr(m_fd, &was) != 0)
        throw dcbError(errno);
    termios t = was;
    applyLineSettings(t);
    // The settings stay on the device from one cycle to the next; setting
    // them again would only cost time on every tick.
    const bool same = t.c_iflag == was.c_iflag && t.c_oflag == was.c_oflag && t.c_cflag == was.c_cflag
        && t.c_lflag == was.c_lflag && std::memcmp(t.c_cc, was.c_cc, sizeof t.c_cc) == 0
        && ::cfgetispeed(&t) == ::cfgetispeed(&was) && ::cfgetospeed(&t) == ::cfgetospeed(&was)
        && lineSettingsProblems(was).isEmpty();
    if (!same) {
        // tcsetattr reports success when any part was taken; read back for the rest.
        if (::tcsetattr(m_fd, TCSANOW, &t) != 0)
            throw dcbError(errno);
        termios back;
        if (::tcgetattr(m_fd, &back) != 0)
            throw dcbError(errno);
        if (!lineSettingsProblems(back).isEmpty())
            throw dcbError(EINVAL);
    }
    int lines = TIOCM_DTR | TIOCM_RTS;
    // A pseudo-terminal has no modem lines and says so; that is no failure.
    if (::ioctl(m_fd, TIOCMBIC, &lines) != 0 && errno != ENOTTY && errno != EINVAL)
        throw dcbError(errno);
}

void TVaComm::resetWriter()
{
    std::lock_guard<std::mutex> g(m_lock);
    m_queue.clear();
    m_stop = false;
    m_writeError = 0;
}

void TVaComm::startWriter()
{
    // Only for bytes the device did not take at once; the usual few digits
    // of a tick go straight from the caller to the device.
    if (!m_writer.joinable())
        m_writer = std::thread([this] { writerLoop(); });
}

void TVaComm::wakeWriter() noexcept
{
    const std::uint64_t one = 1;
    // A full counter (never reached) still leaves the writer woken.
    [[maybe_unused]] const ssize_t n = ::write(m_wakeFd, &one, sizeof one);
}

void TVaComm::writerLoop()
{
    char chunk[kWriteSize];
    for (;;) {
        bool wantWrite;
        {
            std::lock_guard<std::mutex> g(m_lock);
            if (m_stop)
                return;
            wantWrite = !m_queue.isEmpty() && m_writeError == 0;
        }
        pollfd fds[2] = {{m_wakeFd, POLLIN, 0}, {m_fd, POLLOUT, 0}};
        const int n = ::poll(fds, wantWrite ? 2 : 1, -1);
        if (n < 0) {
            if (errno != EINTR)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        if (fds[0].revents & POLLIN) {
            std::uint64_t v;
            [[maybe_unused]] const ssize_t r = ::read(m_wakeFd, &v, sizeof v);
            std::lock_guard<std::mutex> g(m_lock);
            if (m_stop)
                return;
            continue;
        }
        if (!wantWrite || fds[1].revents == 0)
            continue;
        if (!(fds[1].revents & POLLOUT)) { // hang-up or error without room to write
            std::lock_guard<std::mutex> g(m_lock);
            m_writeError = EIO;
            m_changed.notify_all();
            continue;
        }
        qsizetype len;
        {
            std::lock_guard<std::mutex> g(m_lock);
            len = qMin<qsizetype>(m_queue.size(), kWriteSize);
            std::memcpy(chunk, m_queue.constData(), size_t(len));
        }
        const ssize_t w = ::write(m_fd, chunk, size_t(len));
        const int err = errno;
        if (w < 0 && (err == EAGAIN || err == EWOULDBLOCK || err == EINTR))
            continue;
        std::lock_guard<std::mutex> g(m_lock);
        if (w > 0)
            m_queue.remove(0, qsizetype(w));
        else
            m_writeError = w == 0 ? EIO : err; // the device is gone: the next call reports it
        m_changed.notify_all();
    }
}

void TVaComm::throwIfWriteFailed()
{
    int err;
    {
        std::lock_guard<std::mutex> g(m_lock);
        err = m_queue.isEmpty() ? 0 : m_writeError;
    }
    if (err)
        throw writeError(err);
}

bool TVaComm::WriteText(const QByteArray &text)
{
    if (!Active())
        return text.isEmpty();
    throwIfWriteFailed();
    if (text.isEmpty())
        return true;
    {
        std::unique_lock<std::mutex> g(m_lock);
        const auto fits = [&] { return m_queue.size() + text.size() <= kWriteSize || m_writeError != 0; };
        if (!fits()) {
            const auto deadline = SteadyClock::now() + std::chrono::milliseconds(kWriteTimeoutMs);
            if (!m_changed.wait_until(g, deadline, fits))
                throw EVaCommError(QStringLiteral("Output buffer is full. Please check comm status."));
        }
        if (m_writeError != 0) {
            const int err = m_writeError;
            g.unlock();
            throw writeError(err);
        }
        if (m_queue.isEmpty()) {
            // Nothing waits before it: written here, without a thread to wake.
            // The descriptor does not block; what the device does not take now
            // goes to the queue, and a refusal is kept like the writer's own.
            const qint64 calledNs = g_writeProbe ? steadyNs() : 0;
            ssize_t w;
            do
                w = ::write(m_fd, text.constData(), size_t(text.size()));
            while (w < 0 && errno == EINTR);
            const int err = errno;
            if (w == text.size()) {
                if (const qint64 wake = g_writeProbe ? lastWakeNs() : 0)
                    g_writeProbe(wake, lastWakeLateNs(), calledNs, steadyNs());
                return true;
            }
            if (w < 0 && err != EAGAIN && err != EWOULDBLOCK) {
                m_queue.append(text);
                m_writeError = err;
                m_changed.notify_all();
                return true;
            }
            m_queue.append(text.constData() + std::max<ssize_t>(w, 0), text.size() - std::max<ssize_t>(w, 0));
        } else {
            m_queue.append(text);
        }
    }
    startWriter();
    wakeWriter();
    return true;
}

bool TVaComm::WriteText(const QString &text) { return WriteText(text::toAnsi(text)); }

void TVaComm::drain()
{
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(kDrainLimitMs);
    {
        std::unique_lock<std::mutex> g(m_lock);
        m_changed.wait_until(g, deadline, [this] { return m_queue.isEmpty() || m_writeError != 0; });
    }
    // The driver's own buffer: a device that stopped taking bytes must not
    // make close() wait for the kernel's closing timeout, so whatever is left
    // at the deadline is dropped.
    for (;;) {
        int pending = 0;
        if (::ioctl(m_fd, TIOCOUTQ, &pending) != 0 || pending <= 0)
            return;
        if (SteadyClock::now() >= deadline) {
            ::tcflush(m_fd, TCOFLUSH);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void TVaComm::stopWriter() noexcept
{
    if (!m_writer.joinable())
        return;
    {
        std::lock_guard<std::mutex> g(m_lock);
        m_stop = true;
    }
    wakeWriter();
    m_writer.join();
    std::lock_guard<std::mutex> g(m_lock);
    m_queue.clear();
    m_stop = false;
    m_writeError = 0;
}

void TVaComm::destroyHandle() noexcept
{
    stopWriter();
    if (m_fd >= 0) {
        // The exclusive mark would outlive us on a tty someone else keeps open.
        ::ioctl(m_fd, TIOCNXCL);
        ::close(m_fd);
        m_fd = -1;
    }
    if (m_wakeFd >= 0) {
        ::close(m_wakeFd);
        m_wakeFd = -1;
    }
    if (!m_keepLock)
        m_uucp->release();
}

void TVaComm::Close()
{
    if (!Active())
        return;
    drain();
    int lost;
    {
        std::lock_guard<std::mutex> g(m_lock);
        lost = m_queue.isEmpty() ? 0 : m_writeError;
    }
    destroyHandle();
    // Bytes the device never took are no success: the program must learn
    // that the device is gone, not go on as if the commands had been sent.
    if (lost)
        throw writeError(lost);
    m_closeDelay(kCloseDelayMs);
}

} // namespace zovt
