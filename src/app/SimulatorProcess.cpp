#include "app/SimulatorProcess.h"

#include "device/PortPath.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zovt {

namespace {

constexpr int kPollMs = 50;

void sleepMs(int ms)
{
    timespec t{ms / 1000, long(ms % 1000) * 1000000L};
    while (::nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

// The port leads to a pseudo-terminal: the simulator's.
bool servedBySimulator(int port)
{
    return QFileInfo(portpath::devicePath(port)).canonicalFilePath().startsWith(QLatin1String("/dev/pts/"));
}

} // namespace

QString SimulatorProcess::findProgram(const QString &executableDir)
{
    for (const QString &candidate : {executableDir + QStringLiteral("/zovt-devsim"),
                                     executableDir + QStringLiteral("/tools/zovt-devsim")})
        if (QFileInfo(candidate).isExecutable() && QFileInfo(candidate).isFile())
            return candidate;
    return QStandardPaths::findExecutable(QStringLiteral("zovt-devsim"));
}

QStringList SimulatorProcess::start(const QString &program, int port, const QString &logFile, int waitMs)
{
    if (program.isEmpty())
        return {QStringLiteral("the device simulator zovt-devsim is not installed; COM%1 is opened as configured.").arg(port)};
    // Everything the child needs is made before it exists: between fork and
    // exec only async-signal-safe calls are allowed.
    std::vector<std::string> args = {QFile::encodeName(program).toStdString(), "--port", std::to_string(port), "--quiet",
                                     "--log", QFile::encodeName(logFile).toStdString()};
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0)
        return {QStringLiteral("cannot start the device simulator: %1").arg(QString::fromLocal8Bit(std::strerror(errno)))};
    if (pid == 0) {
        // The controller's own signal handling is not the simulator's.
        sigset_t none;
        ::sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGPIPE})
            ::signal(sig, SIG_DFL);
        // Ends with the controller, however the controller ends.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(0);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    m_pid = pid;
    for (int waited = 0; waited < waitMs; waited += kPollMs) {
        if (ended())
            return {QStringLiteral("the device simulator did not start (its reason is above); COM%1 is opened as configured.").arg(port)};
        if (servedBySimulator(port))
            return {QStringLiteral("the device simulator zovt-devsim serves COM%1; what it receives is appended to %2").arg(port).arg(logFile)};
        sleepMs(kPollMs);
    }
    return {QStringLiteral("the device simulator has not made COM%1 its own within %2 s; the controller opens it as configured.")
                .arg(port)
                .arg(waitMs / 1000)};
}

bool SimulatorProcess::ended()
{
    if (m_pid <= 0)
        return true;
    int status = 0;
    const pid_t r = ::waitpid(m_pid, &status, WNOHANG);
    if (r == m_pid || (r < 0 && errno == ECHILD)) {
        m_pid = -1;
        return true;
    }
    return false;
}

void SimulatorProcess::stop()
{
    if (ended())
        return;
    ::kill(m_pid, SIGTERM);
    for (int waited = 0; waited < 3000; waited += kPollMs) {
        if (ended())
            return;
        sleepMs(kPollMs);
    }
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
    m_pid = -1;
}

} // namespace zovt
