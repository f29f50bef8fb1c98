#include "device/Guardian.h"

#include "device/CommandMeaning.h"
#include "device/UucpLock.h"
#include "device/VaComm.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace zovt {

namespace {

using GuardClock = std::chrono::steady_clock;
using std::chrono::milliseconds;

int msLeft(GuardClock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - GuardClock::now()).count();
    return left <= 0 ? 0 : int(std::min<long long>(left, INT_MAX));
}

void sleepUntil(GuardClock::time_point due)
{
    // sleep_until resumes after a signal by itself.
    std::this_thread::sleep_until(due);
}

// The guardian's descriptor for the pipe, and nothing else of the controller:
// whatever the controller had open at the fork (a terminal, a log) is closed,
// so that the guardian keeps no file, terminal or device of it alive. The
// standard descriptors lead to /dev/null, so that nothing the libraries say
// ever lands in a descriptor the guardian opens later.
constexpr int kPipeFd = 3;

void keepOnlyThePipe(int fd)
{
    if (fd != kPipeFd) {
        if (::dup3(fd, kPipeFd, O_CLOEXEC) < 0)
            ::_exit(1);
        ::close(fd);
    }
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    for (int i = 0; i < 3; ++i)
        if (null >= 0 && null != i)
            ::dup2(null, i);
    if (::close_range(kPipeFd + 1, ~0U, 0) != 0) {
        rlimit r{};
        const rlim_t last = ::getrlimit(RLIMIT_NOFILE, &r) == 0 && r.rlim_cur != RLIM_INFINITY
            ? std::min<rlim_t>(r.rlim_cur, 1 << 20) : 1 << 16;
        for (rlim_t i = kPipeFd + 1; i < last; ++i)
            ::close(int(i));
    }
}

[[noreturn]] void runGuardian(int fd, pid_t controller)
{
    keepOnlyThePipe(fd);
    // A session of its own: the terminal's Ctrl+C, Ctrl+Z and hang-up, which
    // may end the controller, must not end the one that cleans up after it.
    ::setsid();
    ::prctl(PR_SET_NAME, "zovt-guardian", 0, 0, 0);
    // Handlers the controller may have installed before the fork act on the
    // controller's own pipes and event loop, which the guardian has not.
    for (int sig = 1; sig < NSIG; ++sig) {
        struct sigaction was {};
        if (::sigaction(sig, nullptr, &was) != 0)
            continue;
        const bool handled = (was.sa_flags & SA_SIGINFO) ? was.sa_sigaction != nullptr
                                                         : was.sa_handler != SIG_DFL && was.sa_handler != SIG_IGN;
        if (handled)
            std::signal(sig, SIG_DFL);
    }
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    // A logout or shutdown signals every process of the session's group: the
    // controller then ends its playback itself, and should it be killed
    // before it is through, the guardian must still be there. It ends with
    // its controller's pipe, within the bounded end texts.
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        std::signal(sig, SIG_IGN);
    Guardian::serve(kPipeFd, controller);
    ::_exit(0);
}

bool isDecimal(const QByteArray &s)
{
    return !s.isEmpty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A device that stops taking bytes must not hold the guardian beyond its
// controller: the write gives up at its bound.
bool writeWithin(int fd, const QByteArray &text)
{
    const auto deadline = GuardClock::now() + milliseconds(Guardian::kWriteLimitMs);
    qsizetype done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.constData() + done, size_t(text.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return false;
        const int left = msLeft(deadline);
        if (left == 0)
            return false;
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, left) < 0 && errno != EINTR)
            return false;
    }
    return true;
}

// What the device has not sent yet gets a bounded time; the rest is dropped,
// so that a device that stopped taking bytes cannot hold the close.
void drainWithin(int fd)
{
    const auto deadline = GuardClock::now() + milliseconds(Guardian::kDrainLimitMs);
    for (;;) {
        int pending = 0;
        if (::ioctl(fd, TIOCOUTQ, &pending) != 0 || pending <= 0)
            return;
        if (msLeft(deadline) == 0) {
            ::tcflush(fd, TCOFLUSH);
            return;
        }
        std::this_thread::sleep_for(milliseconds(2));
    }
}

// The serial component's line: 9600 8N1 raw, no flow control, DTR and RTS off.
bool setSerialLine(int fd)
{
    termios t;
    if (::tcgetattr(fd, &t) != 0)
        return false;
    applyLineSettings(t);
    termios back;
    if (::tcsetattr(fd, TCSANOW, &t) != 0 || ::tcgetattr(fd, &back) != 0 || !lineSettingsProblems(back).isEmpty())
        return false;
    int lines = TIOCM_DTR | TIOCM_RTS;
    // A pseudo-terminal has no modem lines and says so.
    return ::ioctl(fd, TIOCMBIC, &lines) == 0 || errno == ENOTTY || errno == EINVAL;
}

// Opens the device as the serial component does. A device still marked for
// exclusive use by the dead controller answers "busy" until whoever holds its
// other side notices; that is waited for within kBusyRetryMs.
int openWithinBusy(const QByteArray &path)
{
    const auto deadline = GuardClock::now() + milliseconds(Guardian::kBusyRetryMs);
    for (;;) {
        const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0)
            return fd;
        if (errno == EINTR)
            continue;
        if (errno != EBUSY || msLeft(deadline) == 0)
            return -1;
        std::this_thread::sleep_for(milliseconds(std::min(50, msLeft(deadline))));
    }
}

// Said once, when the controller learns that it runs without a guardian.
void sayUnguarded(const char *program, const char *what, int err)
{
    std::fprintf(stderr, "%s: %s (%s); should the controller die during a playback, the device keeps its last "
                         "frequency\n", program, what, std::strerror(err));
}

} // namespace

// ---- The controller's side -------------------------------------------------

Guardian::~Guardian()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool Guardian::start(const char *program)
{
    m_program = program;
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        sayUnguarded(program, "cannot start the guardian", errno);
        return false;
    }
    const pid_t controller = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        const int err = errno;
        ::close(ends[0]);
        ::close(ends[1]);
        sayUnguarded(program, "cannot start the guardian", err);
        return false;
    }
    if (pid == 0) {
        ::close(ends[0]);
        runGuardian(ends[1], controller);
    }
    ::close(ends[1]);
    m_fd = ends[0];
    m_pid = pid;
    return true;
}

QByteArray Guardian::armMessage(const QString &devicePath, const QVector<EndText> &texts)
{
    const auto framed = [](const QByteArray &s) { return !s.contains('\t') && !s.contains('\n'); };
    const QByteArray path = QFile::encodeName(devicePath);
    if (path.isEmpty() || !framed(path))
        return {};
    QByteArray line = "arm " + path;
    for (const EndText &t : texts) {
        if (!framed(t.text))
            return {};
        line += '\t' + QByteArray::number(t.gapMs) + ':' + t.text;
    }
    return line;
}

void Guardian::arm(const QString &devicePath, const QVector<EndText> &texts)
{
    const QByteArray line = armMessage(devicePath, texts);
    // Texts that cannot be said would leave the guardian with old ones.
    send(line.isEmpty() ? QByteArray("disarm") : line);
}

void Guardian::disarm() { send("disarm"); }

void Guardian::send(const QByteArray &line)
{
    if (m_fd < 0)
        return;
    m_pending += line;
    m_pending += '\n';
    flush(0);
}

bool Guardian::flush(int waitMs)
{
    const auto deadline = GuardClock::now() + milliseconds(waitMs);
    while (m_fd >= 0 && !m_pending.isEmpty()) {
        // MSG_NOSIGNAL: a guardian that has gone must not end the controller.
        const ssize_t n = ::send(m_fd, m_pending.constData(), size_t(m_pending.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            m_pending.remove(0, qsizetype(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const int left = msLeft(deadline);
            if (left == 0)
                return false;
            pollfd p{m_fd, POLLOUT, 0};
            ::poll(&p, 1, left);
            continue;
        }
        lost(n < 0 ? errno : EPIPE);
        return false;
    }
    return m_pending.isEmpty();
}

void Guardian::lost(int err)
{
    sayUnguarded(m_program, "the guardian has ended", err);
    ::close(m_fd);
    m_fd = -1;
    m_pending.clear();
}

void Guardian::farewell()
{
    if (m_fd < 0)
        return;
    m_pending += "bye\n";
    flush(500);
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_pending.clear();
    // It ends at once on the pipe's end; waited for only briefly.
    const auto deadline = GuardClock::now() + milliseconds(500);
    while (m_pid > 0) {
        const pid_t r = ::waitpid(m_pid, nullptr, WNOHANG);
        if (r == m_pid || (r < 0 && errno != EINTR)) {
            m_pid = -1;
            break;
        }
        if (msLeft(deadline) == 0)
            break;
        std::this_thread::sleep_for(milliseconds(2));
    }
}

// ---- The guardian's side ---------------------------------------------------

bool Guardian::isCommand(const QByteArray &text)
{
    return describeCommand(text, false).kind == CommandKind::Command
        || describeCommand(text, true).kind == CommandKind::Command;
}

Guardian::Message Guardian::parse(const QByteArray &line)
{
    Message m;
    if (line == "disarm") {
        m.kind = Message::Kind::Disarm;
        return m;
    }
    if (line == "bye") {
        m.kind = Message::Kind::Bye;
        return m;
    }
    if (!line.startsWith("arm /"))
        return m;
    const QList<QByteArray> fields = line.mid(4).split('\t');
    if (fields.size() < 2 || fields.size() - 1 > kMaxTexts || fields[0].contains('\0'))
        return m;
    QVector<EndText> texts;
    for (qsizetype i = 1; i < fields.size(); ++i) {
        const QByteArray &f = fields[i];
        const qsizetype colon = f.indexOf(':');
        const QByteArray gap = f.left(colon);
        if (colon < 0 || !isDecimal(gap) || gap.size() > 5)
            return m;
        const int ms = gap.toInt();
        const QByteArray text = f.mid(colon + 1);
        if (ms > kMaxGapMs || !isCommand(text))
            return m;
        texts.push_back({ms, text});
    }
    m.kind = Message::Kind::Arm;
    m.devicePath = fields[0];
    m.texts = texts;
    return m;
}

void Guardian::serve(int fd, pid_t controllerPid)
{
    QByteArray buffer;
    bool skipping = false; // inside a line too long to be a message
    bool bye = false;
    Message armed;         // Kind::Arm while armed
    char chunk[1024];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        buffer.append(chunk, qsizetype(n));
        for (qsizetype eol; (eol = buffer.indexOf('\n')) >= 0;) {
            const QByteArray line = buffer.left(eol);
            buffer.remove(0, eol + 1);
            if (std::exchange(skipping, false) || bye)
                continue;
            Message m = parse(line);
            switch (m.kind) {
            case Message::Kind::Arm:
                armed = std::move(m);
                break;
            case Message::Kind::Disarm:
                armed = {};
                break;
            case Message::Kind::Bye:
                bye = true;
                break;
            case Message::Kind::Refused:
                break;
            }
        }
        if (buffer.size() > kMaxLineBytes) {
            buffer.clear();
            skipping = true;
        }
    }
    // A line the pipe's end cut short was never said.
    if (bye || armed.kind != Message::Kind::Arm)
        return;
    // The controller has closed its end: it is dead or dying, though it may
    // still show (a zombie, or a process in the middle of its exit).
    UucpLock::countAsEnded(controllerPid);
    sendEnd(armed.devicePath, armed.texts);
}

bool Guardian::sendEnd(const QByteArray &devicePath, const QVector<EndText> &texts)
{
    const auto quiet = GuardClock::now() + milliseconds(kQuietMs);
    auto last = GuardClock::now();
    UucpLock lock;
    if (lock.acquire(QFile::decodeName(devicePath)) != 0)
        return false;
    const int fd = openWithinBusy(devicePath);
    if (fd < 0)
        return false;
    bool written = false;
    if (::ioctl(fd, TIOCEXCL) == 0 && setSerialLine(fd)) {
        written = true;
        for (const EndText &t : texts) {
            sleepUntil(std::max(last + milliseconds(t.gapMs), quiet));
            if (!writeWithin(fd, t.text)) {
                written = false;
                break;
            }
            last = GuardClock::now();
        }
        drainWithin(fd);
    }
    ::ioctl(fd, TIOCNXCL);
    ::close(fd);
    lock.release();
    return written;
}

} // namespace zovt
