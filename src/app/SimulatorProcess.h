#pragma once
// The device simulator started beside the controller (--simulator, the
// desktop entry's second action): a user without a generator gets a device
// that answers at the configured port, as the run script gives one. It is
// this process's child, ends with it, and never replaces a port that leads
// to a real device (the simulator itself refuses to).

#include <QString>
#include <QStringList>

#include <sys/types.h>

namespace zovt {

class SimulatorProcess {
public:
    SimulatorProcess() = default;
    ~SimulatorProcess() { stop(); }
    SimulatorProcess(const SimulatorProcess &) = delete;
    SimulatorProcess &operator=(const SimulatorProcess &) = delete;

    // The simulator program: beside the executable (installed), in the
    // build tree's tools folder, else by name on PATH.
    static QString findProgram(const QString &executableDir);

    // Starts 'program' for COM'port', what it receives appended to
    // 'logFile', and waits (at most waitMs) until the port leads to it.
    // Returns the lines for stderr: what serves the port, or why nothing does.
    QStringList start(const QString &program, int port, const QString &logFile, int waitMs = 5000);
    // Ends the simulator (its links go with it); waits a bounded time.
    void stop();
    bool running() const { return m_pid > 0; }

private:
    // Whether the child has ended; reaps it.
    bool ended();

    pid_t m_pid = -1;
};

} // namespace zovt
