// zovt-devsim: a stand-in for the generator device. It creates a
// pseudo-terminal, makes it the Wine serial port COMn of the current prefix
// ($WINEPREFIX/dosdevices/comN) and shows every text the controller writes,
// with its time, the gap since the previous text and what it means to the
// chosen firmware. It also reads back the line settings after every text and
// complains when they are not 9600 8N1 raw.
//
// The device protocol has no terminators: a text is a burst of bytes, and a
// pause of --gap milliseconds (50 by default; the controller never writes two
// texts less than 100 ms apart) ends it.

#include "device/CommandMeaning.h"
#include "device/PortPath.h"
#include "device/VaComm.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <QTime>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
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

struct Options {
    int port = 3;
    bool newFirmware = false;
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
    bool openPty();
    bool placeLink();
    void finishText();
    void shutdown();

    Options m_opt;
    QTextStream m_out;
    QTextStream m_err;
    int m_master = -1;
    int m_slave = -1; // held so the controller's closes never hang the line up
    QString m_slavePath;
    QString m_link;
    QFile m_log;

    Mono::time_point m_started;
    QByteArray m_text;           // the text being received
    QTime m_textWall;            // wall time of its first byte
    Mono::time_point m_textMono; // monotonic time of its first byte
    Mono::time_point m_lastByte;
    bool m_haveTexts = false;
    Mono::time_point m_prevText;
    int m_count = 0;
};

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

bool Simulator::placeLink()
{
    const QString link = portpath::dosDeviceLink(m_opt.port);
    const QString dir = QFileInfo(link).path();
    if (!QDir().mkpath(dir)) {
        m_err << "zovt-devsim: cannot create " << dir << Qt::endl;
        return false;
    }
    const QFileInfo existing(link);
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
    if (::symlink(QFile::encodeName(m_slavePath).constData(), QFile::encodeName(link).constData()) != 0) {
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
    if (!m_opt.logPath.isEmpty()) {
        m_log.setFileName(m_opt.logPath);
        if (!m_log.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
            m_err << "zovt-devsim: cannot write " << m_opt.logPath << ": " << m_log.errorString() << Qt::endl;
            return false;
        }
    }
    if (!openPty() || !placeLink())
        return false;
    m_started = Mono::now();
    m_out << "zovt-devsim: listening on " << m_link << " -> " << m_slavePath << " (COM" << m_opt.port << ", "
          << (m_opt.newFirmware ? "new" : "old") << " firmware)" << Qt::endl;
    return true;
}

void Simulator::finishText()
{
    if (m_text.isEmpty())
        return;
    using std::chrono::duration_cast;
    using std::chrono::milliseconds;
    ++m_count;
    const QString shown = printable(m_text);
    const qint64 sinceStart = duration_cast<milliseconds>(m_textMono - m_started).count();
    QString gap = QStringLiteral("first");
    if (m_haveTexts)
        gap = QStringLiteral("+%1 s").arg(double(duration_cast<milliseconds>(m_textMono - m_prevText).count()) / 1000.0, 0, 'f', 3);
    m_haveTexts = true;
    m_prevText = m_textMono;

    if (m_log.isOpen()) {
        m_log.write(QByteArray::number(sinceStart) + '\t' + shown.toLatin1() + '\n');
        m_log.flush();
    }
    if (!m_opt.quiet)
        m_out << m_textWall.toString(QStringLiteral("hh:mm:ss.zzz")) << "  " << gap.rightJustified(10) << "  " << shown
              << QStringLiteral(" \u2192 ") << commandMeaning(m_text, m_opt.newFirmware) << Qt::endl;

    // The controller has set the line up by the time it writes; a wrong
    // setting would garble the text on a real device.
    termios t;
    if (::tcgetattr(m_master, &t) == 0) {
        const QStringList problems = lineSettingsProblems(t);
        if (!problems.isEmpty())
            (m_opt.quiet ? m_err : m_out) << "  ! line settings wrong for \"" << shown << "\": " << problems.join(QStringLiteral(", "))
                                          << Qt::endl;
    }
    m_text.clear();
}

int Simulator::run()
{
    using std::chrono::duration_cast;
    using std::chrono::milliseconds;
    const bool limited = m_opt.durationS > 0;
    const auto end = m_started + milliseconds(qint64(m_opt.durationS * 1000.0));
    for (;;) {
        const auto now = Mono::now();
        if (limited && now >= end)
            break;
        int timeout = -1;
        if (!m_text.isEmpty()) {
            const auto due = m_lastByte + milliseconds(m_opt.gapMs);
            if (now >= due) {
                finishText();
                continue;
            }
            timeout = int(duration_cast<milliseconds>(due - now).count()) + 1;
        }
        if (limited) {
            const int left = int(duration_cast<milliseconds>(end - now).count()) + 1;
            timeout = timeout < 0 ? left : qMin(timeout, left);
        }
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
            }
        }
    }
    finishText();
    if (!m_opt.quiet)
        m_out << "zovt-devsim: " << m_count << (m_count == 1 ? " text" : " texts") << " received" << Qt::endl;
    return 0;
}

void Simulator::shutdown()
{
    // Only our own link goes; one that was replaced meanwhile stays.
    if (!m_link.isEmpty() && QFileInfo(m_link).symLinkTarget() == m_slavePath)
        ::unlink(QFile::encodeName(m_link).constData());
    m_link.clear();
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = m_master = -1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zovt-devsim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulates the generator device on a pseudo-terminal linked as $WINEPREFIX/dosdevices/comN and shows what the controller sends."));
    parser.addHelpOption();
    const QCommandLineOption portOpt(QStringLiteral("port"), QStringLiteral("Serial port number N (default 3)."), QStringLiteral("N"), QStringLiteral("3"));
    const QCommandLineOption newOpt(QStringLiteral("new-firmware"), QStringLiteral("Read texts as the new firmware does (default: old)."));
    const QCommandLineOption logOpt(QStringLiteral("log"), QStringLiteral("Write every text as \"<ms since start>\\t<text>\" to FILE."), QStringLiteral("FILE"));
    const QCommandLineOption durOpt(QStringLiteral("duration"), QStringLiteral("Stop after SECONDS (default: run until interrupted)."), QStringLiteral("SECONDS"));
    const QCommandLineOption quietOpt(QStringLiteral("quiet"), QStringLiteral("Do not print the received texts (warnings go to stderr)."));
    const QCommandLineOption forceOpt(QStringLiteral("force"), QStringLiteral("Replace a comN entry that still leads to a device."));
    const QCommandLineOption gapOpt(QStringLiteral("gap"), QStringLiteral("Idle time that ends a text, in ms (default 50)."), QStringLiteral("MS"), QStringLiteral("50"));
    parser.addOptions({portOpt, newOpt, logOpt, durOpt, quietOpt, forceOpt, gapOpt});
    parser.process(app);

    Options o;
    bool ok = false;
    o.port = parser.value(portOpt).toInt(&ok);
    if (!ok || o.port < 1) {
        std::fprintf(stderr, "zovt-devsim: --port needs a number of 1 or more\n");
        return 2;
    }
    o.gapMs = parser.value(gapOpt).toInt(&ok);
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
    o.newFirmware = parser.isSet(newOpt);
    o.quiet = parser.isSet(quietOpt);
    o.force = parser.isSet(forceOpt);
    o.logPath = parser.value(logOpt);

    Simulator sim(o);
    if (!sim.start())
        return 1;
    return sim.run();
}
