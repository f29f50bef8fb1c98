#pragma once
// UUCP lock files for serial devices ("LCK..ttyS0" holding the owner's pid),
// the convention that programs sharing serial ports honour.
//
// A lock is stale only when its pid parses and names a process that has
// ended; a zombie has ended, though it still answers kill(pid, 0) until its
// parent reaps it. A lock that is empty or cannot be read as a pid may be one
// that is still being written, or one written by a program that stores its
// pid differently: it counts as held unless it is clearly old. A lock that cannot
// be removed counts as held, so that one device never ends up with two locks.
// A lock that is not a regular file (a directory, a FIFO, a link) is never
// read, aged or removed: it is someone's mistake, and only the operator can
// tell whether removing it is safe, so it is reported instead.

#include <QString>
#include <QStringList>

#include <ctime>

namespace zovt {

class UucpLock {
public:
    // An empty or unreadable lock younger than this is taken to be in use.
    static constexpr int kUnreadableStaleSeconds = 60;

    UucpLock() = default;
    ~UucpLock() { release(); }
    UucpLock(const UucpLock &) = delete;
    UucpLock &operator=(const UucpLock &) = delete;

    // Lock-file directories, searched in this order for a lock held by
    // another process; the lock is created in the first one that takes it.
    // Default: /run/lock, /var/lock, $XDG_RUNTIME_DIR, /tmp (duplicates and
    // missing entries dropped). An empty list restores the default.
    static void setDirectories(const QStringList &dirs);
    static QStringList directories();
    // "LCK..ttyS0" for /dev/ttyS0, "LCK..pts_3" for /dev/pts/3: the UUCP
    // name of the device a path resolves to.
    static QString nameFor(const QString &devicePath);

    // Takes the lock of the device. Holding it already (for this device)
    // succeeds once the lock file is found still ours, or at once when
    // 'recheck' is false; a lock for another device is given up first.
    // Returns 0, EBUSY when someone else holds it, or the errno that kept
    // every directory from taking it.
    int acquire(const QString &devicePath, bool recheck = true);
    void release() noexcept;
    bool held() const { return !m_path.isEmpty(); }
    // The lock file held (empty when none).
    QString path() const { return m_path; }

    // What a lock file says about its device: one reading, shared by the
    // port list and the open, so that both tell the same story.
    struct Verdict {
        enum class Kind { None, Held, Stale, Invalid };
        Kind kind = Kind::None;
        QString path;    // the lock file (empty for None)
        long pid = 0;    // Held; Stale when its pid has ended
        QString problem; // Invalid, and Stale without a pid: "it is a directory", ...
        // "lock file /run/lock/LCK..ttyS0 is not a valid lock: it is a directory"
        QString text() const;
    };
    // Never blocks on the lock file, whatever it is.
    static Verdict read(const QString &lockPath, std::time_t now);
    // The lock (in any of the directories) that keeps the device from being
    // taken: the first Held or Invalid one; else a Stale one; else None.
    static Verdict find(const QString &devicePath, std::time_t now);

    enum class State { Absent, Held, Stale };
    // now: the time against which an unreadable lock's age is measured.
    static State inspect(const QString &lockPath, std::time_t now);
    // A process whose locks count as stale from now on, though it may still
    // show for a moment: the guardian's controller, which is on its way out
    // once it has closed its end of the guardian's pipe. 0: none.
    static void countAsEnded(long pid);

private:
    QString m_path;
    QString m_name;
};

} // namespace zovt
