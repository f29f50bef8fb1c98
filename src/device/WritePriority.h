#pragma once
// The priority of the thread that writes to the device, during a playback.
//
// A playback writes on its one-second grid from the window's thread: the
// timer wakes it and the write follows within a fraction of a millisecond.
// Beside programs that keep every core busy, the kernel's fair share can
// hold a woken thread back for several milliseconds before and during that
// path. In the round-robin real-time class, at a low priority, the thread
// runs as soon as it wakes and is not put aside for ordinary work.
//
// The class is taken only where the system grants it outright: a
// RLIMIT_RTPRIO limit (Debian's audio group has one) or CAP_SYS_NICE. It is
// not asked of RealtimeKit, which grants it only under an RLIMIT_RTTIME
// limit whose overrun ends the process: the window's thread also lays out
// and paints, and no playback is to end because a repaint ran long. Where it
// is not granted the thread stays as it was, silently.
//
// SCHED_RESET_ON_FORK keeps helpers the program starts (the simulator, the
// companion tool) out of the class.

#include <QString>

#include <optional>

namespace zovt {

class WritePriority {
public:
    // The real-time priority asked for: low, below audio servers (which use
    // 5 to 20 and up) so that sound on the same machine keeps its own.
    static constexpr int kPriority = 3;

    // Raises the calling thread; true when the class was granted. Again
    // while raised does nothing.
    bool raise();
    // Back to the policy before raise().
    void lower();
    bool raised() const { return m_saved.has_value(); }

    // Why the last raise() was not granted, for the timing tools.
    const QString &refusal() const { return m_refusal; }

private:
    struct Saved {
        int policy;
        int priority;
    };
    std::optional<Saved> m_saved;
    QString m_refusal;
};

} // namespace zovt
