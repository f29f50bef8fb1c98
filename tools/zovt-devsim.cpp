// zovt-devsim: a stand-in for the generator device. It creates a
// pseudo-terminal, gives it a stable path of its own
// ($XDG_STATE_HOME/zovt/devsim-comN, by default ~/.local/state/zovt/), makes
// the Wine serial port COMn of the current prefix ($WINEPREFIX/dosdevices/comN)
// a link to that stable path, and shows every text the controller writes, with
// its time, the gap since the previous text and what it means to the
// firmware the controller's data folder records (or the one forced by an
// option). It also reads back the line settings after every text and
// complains when they are not 9600 8N1 raw.
//
// Wine re-creates the dosdevices links at each session start; a user who pins
// COMn to the stable path in the prefix's registry (HKLM\Software\Wine\Ports)
// keeps the simulator reachable, since only the stable path's target changes
// from run to run. One simulator serves a port at a time: a lock file beside
// the stable path refuses a second one.
//
// The device protocol has no terminators: a text is a burst of bytes, and a
// pause of --gap milliseconds (50 by default; the controller never writes two
// texts less than 100 ms apart) ends it.

#include "core/CommandLine.h"
#include "device/CommandMeaning.h"
#include "device/PortPath.h"
#include "device/VaComm.h"
#include "storage/Paths.h"
#include "storage/WinPath.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <QTime>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <utility>
#include <cstdio>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

using namespace zovt;

namespace {

using Mono = std::chrono::steady_clock;

int g_signalPipe[2] = {-1, -1};

void onSignal(int sig)
{
    const int saved = errno;
    const unsigned char c = static_cast<unsigned char>(sig);
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &c, 1);
    errno = saved;
}

bool installSignals()
{
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        if (::sigaction(sig, &sa, nullptr) != 0)
            return false;
    return true;
}

QString sysError() { return QString::fromLocal8Bit(std::strerror(errno)); }

// Bytes as they would read on a terminal, control bytes escaped.
QString printable(const QByteArray &text)
{
    QString out;
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x20 && c < 0x7f && c != '\\')
            out += QLatin1Char(char(c));
        else
            out += QStringLiteral("\\x%1").arg(uint(c), 2, 16, QLatin1Char('0'));
    }
    return out;
}

// Whether a process other than this one holds the tty open. Only processes
// whose descriptors this user may list are seen, which covers a controller
// run by the same user.
bool othersHold(const QByteArray &ttyPath)
{
    DIR *proc = ::opendir("/proc");
    if (!proc)
        return true; // cannot tell: leave the port as it is
    const QByteArray self = QByteArray::number(qint64(::getpid()));
    bool held = false;
    while (!held) {
        const dirent *e = ::readdir(proc);
        if (!e)
            break;
        const QByteArray pid(e->d_name);
        if (pid.isEmpty() || pid == self || pid.front() < '0' || pid.front() > '9')
            continue;
        const QByteArray fdDir = "/proc/" + pid + "/fd";
        DIR *fds = ::opendir(fdDir.constData());
        if (!fds)
            continue;
        while (const dirent *f = ::readdir(fds)) {
            if (f->d_name[0] == '.')
                continue;
            char target[256];
            const QByteArray fdPath = fdDir + '/' + f->d_name;
            const ssize_t n = ::readlink(fdPath.constData(), target, sizeof target);
            if (n > 0 && QByteArray(target, qsizetype(n)) == ttyPath) {
                held = true;
                break;
            }
        }
        ::closedir(fds);
    }
    ::closedir(proc);
    return held;
}

enum class Firmware { Recorded, Old, New };

struct Options {
    int port = 3;
    Firmware firmware = Firmware::Recorded;
    bool quiet = false;
    bool force = false;
    double durationS = 0; // 0: until a signal
    int gapMs = 50;
    QString logPath;
};

class Simulator {
public:
    explicit Simulator(const Options &o) : m_opt(o), m_out(stdout), m_err(stderr) {}
    ~Simulator() { shutdown(); }

    bool start();
    int run();

private:
    bool takePort();
    bool openPty();
    bool placeStablePath();
    bool placeLink();
    void finishText();
    void releaseAbandonedExclusive();
    // The firmware the texts are read for; a recorded one is looked up anew
    // for every text, as the controller's settings may change meanwhile.
    bool newFirmware();
    void shutdown();
    // One line to the terminal (stdout, or stderr for a warning) and the log.
    void say(const QString &line, bool toTerminal = true, bool warning = false);

    Options m_opt;
    QTextStream m_out;
    QTextStream m_err;
    int m_master = -1;
    int m_slave = -1; // held so the controller's closes never hang the line up
    int m_lockFd = -1;
    QString m_slavePath;
    QString m_stable;   // our own path that leads to the pseudo-terminal
    QString m_lockPath; // beside it
    QString m_link;     // comN, when this run made it
    bool m_pinned = false; // COMn is pinned to the stable path in Wine's registry
    QFile m_log;

    Mono::time_point m_started;
    Mono::time_point m_lastExclusiveCheck;
    AbandonedMark m_mark;
    bool m_bytesSinceLook = false;
    int m_shownFirmware = -1; // the firmware the last text was read for
    QByteArray m_text;           // the text being received
    QTime m_textWall;            // wall time of its first byte
    Mono::time_point m_textMono; // monotonic time of its first byte
    Mono::time_point m_lastByte;
    bool m_haveTexts = false;
    Mono::time_point m_prevText;
    int m_count = 0;
};

void Simulator::say(const QString &line, bool toTerminal, bool warning)
{
    if (m_log.isOpen()) {
        m_log.write(line.toUtf8() + '\n');
        m_log.flush();
    }
    if (toTerminal)
        (warning ? m_err : m_out) << line << Qt::endl;
}

bool Simulator::takePort()
{
    const QString dir = portpath::simulatorStateDirectory();
    if (!QDir().mkpath(dir)) {
        m_err << "zovt-devsim: cannot create " << dir << Qt::endl;
        return false;
    }
    m_stable = dir + QStringLiteral("/devsim-com%1").arg(m_opt.port);
    m_lockPath = m_stable + QStringLiteral(".lock");
    const QByteArray lockName = QFile::encodeName(m_lockPath);
    const int fd = ::open(lockName.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) {
        m_err << "zovt-devsim: cannot open " << m_lockPath << ": " << sysError() << Qt::endl;
        return false;
    }
    // The kernel drops the lock with the process, however it ends: a lock
    // file left by a killed simulator never blocks the next one.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        char buf[32] = {};
        const ssize_t n = ::pread(fd, buf, sizeof buf - 1, 0);
        ::close(fd);
        if (err == EWOULDBLOCK) {
            const QByteArray pid = QByteArray(buf, n > 0 ? qsizetype(n) : 0).trimmed();
            m_err << "zovt-devsim: COM" << m_opt.port << " is already served by another zovt-devsim"
                  << (pid.isEmpty() ? QString() : QStringLiteral(" (pid %1)").arg(QString::fromLatin1(pid)))
                  << "; not starting a second one" << Qt::endl;
        } else {
            m_err << "zovt-devsim: cannot lock " << m_lockPath << ": " << QString::fromLocal8Bit(std::strerror(err)) << Qt::endl;
        }
        return false;
    }
    const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, pid.constData(), size_t(pid.size()), 0) != ssize_t(pid.size())) {
        m_err << "zovt-devsim: cannot write " << m_lockPath << ": " << sysError() << Qt::endl;
        ::close(fd);
        return false;
    }
    m_lockFd = fd;
    return true;
}

bool Simulator::openPty()
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        m_err << "zovt-devsim: cannot create a pseudo-terminal: " << sysError() << Qt::endl;
        return false;
    }
    char name[128];
    if (::ptsname_r(m_master, name, sizeof name) != 0) {
        m_err << "zovt-devsim: ptsname: " << sysError() << Qt::endl;
        return false;
    }
    m_slavePath = QFile::decodeName(name);
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0) {
        m_err << "zovt-devsim: cannot open " << m_slavePath << ": " << sysError() << Qt::endl;
        return false;
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    return true;
}

bool Simulator::placeStablePath()
{
    // Holding the lock makes whatever is there a leftover of an earlier run.
    const QFileInfo existing(m_stable);
    if (existing.isDir() && !existing.isSymLink()) {
        m_err << "zovt-devsim: " << m_stable << " is a folder" << Qt::endl;
        return false;
    }
    const QByteArray stable = QFile::encodeName(m_stable);
    if ((existing.exists() || existing.isSymLink()) && ::unlink(stable.constData()) != 0) {
        m_err << "zovt-devsim: cannot remove " << m_stable << ": " << sysError() << Qt::endl;
        return false;
    }
    if (::symlink(QFile::encodeName(m_slavePath).constData(), stable.constData()) != 0) {
        m_err << "zovt-devsim: cannot create " << m_stable << ": " << sysError() << Qt::endl;
        return false;
    }
    return true;
}

bool Simulator::placeLink()
{
    const QString link = portpath::dosDeviceLink(m_opt.port);
    const QString dir = QFileInfo(link).path();
    if (!QDir().mkpath(dir)) {
        m_err << "zovt-devsim: cannot create " << dir << Qt::endl;
        return false;
    }
    // Pinned in Wine's registry: the controller goes by the pin, and Wine
    // makes the link itself at every session start.
    const QString pinned = portpath::registryDevice(m_opt.port);
    if (!pinned.isEmpty() && QDir::cleanPath(pinned) == QDir::cleanPath(m_stable)) {
        m_pinned = true;
        return true;
    }
    const QFileInfo existing(link);
    if (existing.isSymLink() && existing.symLinkTarget() == QFileInfo(m_stable).absoluteFilePath())
        return true; // already ours: left by an earlier run, or made by Wine from the pin
    if (existing.isSymLink() || existing.exists()) {
        // A link whose target is gone was left by an earlier run (or names an
        // unplugged adapter); anything that still leads somewhere is kept.
        const bool stale = existing.isSymLink() && !existing.exists();
        if (!stale && !m_opt.force) {
            m_err << "zovt-devsim: " << link << " already names "
                  << (existing.isSymLink() ? existing.symLinkTarget() : QStringLiteral("a file"))
                  << "; not replacing it without --force" << Qt::endl;
            return false;
        }
        if (existing.isDir() && !existing.isSymLink()) {
            m_err << "zovt-devsim: " << link << " is a folder" << Qt::endl;
            return false;
        }
        if (::unlink(QFile::encodeName(link).constData()) != 0) {
            m_err << "zovt-devsim: cannot remove " << link << ": " << sysError() << Qt::endl;
            return false;
        }
    }
    if (::symlink(QFile::encodeName(m_stable).constData(), QFile::encodeName(link).constData()) != 0) {
        m_err << "zovt-devsim: cannot create " << link << ": " << sysError() << Qt::endl;
        return false;
    }
    m_link = link;
    return true;
}

bool Simulator::start()
{
    if (!installSignals()) {
        m_err << "zovt-devsim: cannot install signal handlers: " << sysError() << Qt::endl;
        return false;
    }
    if (!takePort())
        return false;
    if (!m_opt.logPath.isEmpty()) {
        // Appended: an earlier session's lines stay, and a reader that follows
        // the file never sees it cut short.
        m_log.setFileName(m_opt.logPath);
        if (!m_log.open(QIODevice::WriteOnly | QIODevice::Append)) {
            m_err << "zovt-devsim: cannot write " << m_opt.logPath << ": " << m_log.errorString() << Qt::endl;
            return false;
        }
    }
    if (!openPty() || !placeStablePath() || !placeLink())
        return false;
    m_started = Mono::now();
    m_lastExclusiveCheck = m_started;
    const QString firmware = m_opt.firmware == Firmware::Recorded
        ? QStringLiteral("firmware as the data folder records it, now %1").arg(newFirmware() ? QStringLiteral("new") : QStringLiteral("old"))
        : QStringLiteral("%1 firmware").arg(m_opt.firmware == Firmware::New ? QStringLiteral("new") : QStringLiteral("old"));
    const QString entry = m_pinned ? QStringLiteral("the pin in Wine's registry (HKLM\\Software\\Wine\\Ports)") : portpath::dosDeviceLink(m_opt.port);
    say(QStringLiteral("zovt-devsim: listening on %1 -> %2 -> %3 (COM%4, %5), started %6")
            .arg(entry, m_stable, m_slavePath, QString::number(m_opt.port), firmware,
                 QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))));
    return true;
}

bool Simulator::newFirmware()
{
    bool isNew = m_opt.firmware == Firmware::New;
    if (m_opt.firmware == Firmware::Recorded) {
        const QString flag = winpath::toNative(paths::NewFirmwareFlag);
        isNew = !flag.isEmpty() && QFileInfo::exists(flag);
    }
    if (m_shownFirmware >= 0 && m_shownFirmware != int(isNew))
        say(QStringLiteral("  the data folder now records the %1 firmware").arg(isNew ? QStringLiteral("new") : QStringLiteral("old")));
    m_shownFirmware = int(isNew);
    return isNew;
}

void Simulator::finishText()
{
    if (m_text.isEmpty())
        return;
    using std::chrono::duration_cast;
    using std::chrono::milliseconds;
    ++m_count;
    const QString shown = printable(m_text);
    QString gap = QStringLiteral("first");
    if (m_haveTexts)
        gap = QStringLiteral("+%1 s").arg(double(duration_cast<milliseconds>(m_textMono - m_prevText).count()) / 1000.0, 0, 'f', 3);
    m_haveTexts = true;
    m_prevText = m_textMono;

    say(m_textWall.toString(QStringLiteral("hh:mm:ss.zzz")) + QStringLiteral("  ") + gap.rightJustified(10) + QStringLiteral("  ")
            + shown + QStringLiteral(" \u2192 ") + commandMeaning(m_text, newFirmware()),
        !m_opt.quiet);

    // The controller has set the line up by the time it writes; a wrong
    // setting would garble the text on a real device.
    termios t;
    if (::tcgetattr(m_master, &t) == 0) {
        const QStringList problems = lineSettingsProblems(t);
        if (!problems.isEmpty())
            say(QStringLiteral("  ! line settings wrong for \"%1\": %2").arg(shown, problems.join(QStringLiteral(", "))), true, m_opt.quiet);
    }
    m_text.clear();
}

// A controller marks the port for exclusive use while it holds it and clears
// the mark when it closes. One that was killed cannot: since this side keeps
// the terminal open, the mark would outlive it and every later open by a
// non-root controller would fail with "busy". A real serial port forgets the
// mark with its last close; here it is cleared once nobody else holds the port.
void Simulator::releaseAbandonedExclusive()
{
    // A live controller writes in every port cycle and clears the mark as it
    // closes, possibly while the holders are being looked up.
    const bool bytes = std::exchange(m_bytesSinceLook, false);
    int on = 0;
    if (::ioctl(m_slave, TIOCGEXCL, &on) != 0)
        return;
    const bool held = on != 0 && othersHold(QFile::encodeName(m_slavePath));
    int still = 0;
    if (on != 0 && !held && ::ioctl(m_slave, TIOCGEXCL, &still) != 0)
        return;
    if (!m_mark.look(on != 0, held, still != 0, bytes))
        return;
    if (::ioctl(m_slave, TIOCNXCL) != 0)
        return;
    say(QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz"))
        + QStringLiteral("  the port was left in exclusive use by a controller that is gone; released"));
}

int Simulator::run()
{
    using std::chrono::duration_cast;
    using std::chrono::milliseconds;
    // How often an abandoned exclusive mark is looked for.
    constexpr milliseconds exclusiveCheck(300);
    const bool limited = m_opt.durationS > 0;
    const auto end = m_started + milliseconds(qint64(m_opt.durationS * 1000.0));
    for (;;) {
        const auto now = Mono::now();
        if (limited && now >= end)
            break;
        if (now >= m_lastExclusiveCheck + exclusiveCheck) {
            m_lastExclusiveCheck = now;
            releaseAbandonedExclusive();
        }
        int timeout = int(duration_cast<milliseconds>(m_lastExclusiveCheck + exclusiveCheck - now).count()) + 1;
        if (!m_text.isEmpty()) {
            const auto due = m_lastByte + milliseconds(m_opt.gapMs);
            if (now >= due) {
                finishText();
                continue;
            }
            timeout = qMin(timeout, int(duration_cast<milliseconds>(due - now).count()) + 1);
        }
        if (limited)
            timeout = qMin(timeout, int(duration_cast<milliseconds>(end - now).count()) + 1);
        pollfd fds[2] = {{m_master, POLLIN, 0}, {g_signalPipe[0], POLLIN, 0}};
        const int n = ::poll(fds, 2, timeout);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            m_err << "zovt-devsim: poll: " << sysError() << Qt::endl;
            return 1;
        }
        if (fds[1].revents & POLLIN)
            break;
        if (fds[0].revents & POLLIN) {
            char buf[4096];
            const ssize_t got = ::read(m_master, buf, sizeof buf);
            if (got > 0) {
                const auto at = Mono::now();
                if (m_text.isEmpty()) {
                    m_textMono = at;
                    m_textWall = QTime::currentTime();
                }
                m_text.append(buf, qsizetype(got));
                m_lastByte = at;
                m_bytesSinceLook = true;
            }
        }
    }
    finishText();
    say(QStringLiteral("zovt-devsim: %1 %2 received").arg(m_count).arg(m_count == 1 ? QStringLiteral("text") : QStringLiteral("texts")),
        !m_opt.quiet);
    return 0;
}

void Simulator::shutdown()
{
    // Only our own links go; one that was replaced meanwhile stays. A comN
    // link this run did not make (Wine's, pinned to the stable path) stays
    // too, and leads nowhere until the next simulator.
    if (!m_link.isEmpty() && QFileInfo(m_link).symLinkTarget() == QFileInfo(m_stable).absoluteFilePath())
        ::unlink(QFile::encodeName(m_link).constData());
    m_link.clear();
    if (!m_slavePath.isEmpty() && QFileInfo(m_stable).symLinkTarget() == m_slavePath)
        ::unlink(QFile::encodeName(m_stable).constData());
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = m_master = -1;
    if (m_lockFd >= 0) {
        ::unlink(QFile::encodeName(m_lockPath).constData());
        ::close(m_lockFd);
        m_lockFd = -1;
    }
}

} // namespace

int main(int argc, char **argv)
{
    cli::Program program;
    program.name = QStringLiteral("zovt-devsim");
    program.synopsis = QStringLiteral("[OPTION...]");
    program.usage = QStringLiteral(
        "Simulates the generator device on a pseudo-terminal reached through $XDG_STATE_HOME/zovt/devsim-comN and $WINEPREFIX/dosdevices/comN, and shows what the controller sends.");
    program.options = {
        {QStringLiteral("port"), QStringLiteral("N"), QStringLiteral("Serial port number N (default 3).")},
        {QStringLiteral("new-firmware"), {}, QStringLiteral("Read texts as the new firmware does (default: as the data folder records).")},
        {QStringLiteral("old-firmware"), {}, QStringLiteral("Read texts as the old firmware does (default: as the data folder records).")},
        {QStringLiteral("log"), QStringLiteral("FILE"), QStringLiteral("Append every line shown (and the texts --quiet hides) to FILE.")},
        {QStringLiteral("duration"), QStringLiteral("SECONDS"), QStringLiteral("Stop after SECONDS (default: run until interrupted).")},
        {QStringLiteral("quiet"), {}, QStringLiteral("Do not print the received texts (warnings go to stderr).")},
        {QStringLiteral("force"), {}, QStringLiteral("Replace a comN entry that still leads to a device.")},
        {QStringLiteral("gap"), QStringLiteral("MS"), QStringLiteral("Idle time that ends a text, in ms (default 50).")},
    };
    program.epilog = QStringLiteral(
        "Environment: WINEPREFIX (default ~/.wine), XDG_STATE_HOME (default ~/.local/state).\n"
        "Exit status: 0 when interrupted or after --duration, 1 when the simulator cannot start,\n"
        "2 for a mistake on the command line or an unusable WINEPREFIX.");
    const cli::Arguments parser = cli::parse(program, argc, argv);
    if (parser.exitCode)
        return *parser.exitCode;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zovt-devsim"));
    const QString portOpt = QStringLiteral("port"), newOpt = QStringLiteral("new-firmware"),
                  oldOpt = QStringLiteral("old-firmware"), logOpt = QStringLiteral("log"),
                  durOpt = QStringLiteral("duration"), quietOpt = QStringLiteral("quiet"),
                  forceOpt = QStringLiteral("force"), gapOpt = QStringLiteral("gap");

    if (const QString why = winpath::prefixProblem(); !why.isEmpty()) {
        std::fprintf(stderr, "zovt-devsim: %s\n", qPrintable(why));
        return 2;
    }
    Options o;
    bool ok = false;
    o.port = parser.value(portOpt, QStringLiteral("3")).toInt(&ok);
    if (!ok || o.port < 1) {
        std::fprintf(stderr, "zovt-devsim: --port needs a number of 1 or more\n");
        return 2;
    }
    o.gapMs = parser.value(gapOpt, QStringLiteral("50")).toInt(&ok);
    if (!ok || o.gapMs < 1) {
        std::fprintf(stderr, "zovt-devsim: --gap needs a positive number of milliseconds\n");
        return 2;
    }
    if (parser.isSet(durOpt)) {
        o.durationS = parser.value(durOpt).toDouble(&ok);
        if (!ok || o.durationS <= 0) {
            std::fprintf(stderr, "zovt-devsim: --duration needs a positive number of seconds\n");
            return 2;
        }
    }
    if (parser.isSet(newOpt) && parser.isSet(oldOpt)) {
        std::fprintf(stderr, "zovt-devsim: --new-firmware and --old-firmware exclude each other\n");
        return 2;
    }
    if (parser.isSet(newOpt))
        o.firmware = Firmware::New;
    else if (parser.isSet(oldOpt))
        o.firmware = Firmware::Old;
    o.quiet = parser.isSet(quietOpt);
    o.force = parser.isSet(forceOpt);
    o.logPath = parser.value(logOpt);

    Simulator sim(o);
    if (!sim.start())
        return 1;
    return sim.run();
}
