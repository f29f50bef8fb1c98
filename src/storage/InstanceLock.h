#pragma once
// One controller per data folder. The run marker alone cannot tell a copy
// that still runs from one that was killed, and two copies on one folder
// share its working files (the protocol's working copy among them). A lock
// that the kernel drops with its process can: flock on a lock file in the
// data folder, held for the whole run, reached the same way from any home or
// Wine prefix whose drive C: leads to that folder.
//
// The lock file itself is never written or replaced (a rename would leave the
// lock on a file nobody opens any more); who holds it is written beside it,
// through the one writer, once it is taken.

#include <QDateTime>
#include <QString>

#include <optional>

namespace zovt {

// Who holds a data folder, as the holder wrote it down.
struct InstanceHolder {
    qint64 pid = 0;      // process id on its host
    QString host;        // host name of the holder
    QDateTime since;     // local time the holder took the folder
};

class InstanceLock {
public:
    enum class Result {
        Taken,       // this process holds the folder now
        HeldElsewhere, // a live process holds it (holder() says who, when it said)
        Unavailable, // no lock can be made there (a read-only folder): nothing is known
    };

    InstanceLock() = default;
    ~InstanceLock() { release(); }
    InstanceLock(const InstanceLock &) = delete;
    InstanceLock &operator=(const InstanceLock &) = delete;

    // lockPath and ownerPath are Windows paths in the folder to be held.
    Result acquire(const QString &lockPath, const QString &ownerPath);
    // The holder that refused the last acquire, if it left its name.
    const std::optional<InstanceHolder> &holder() const { return m_holder; }
    bool held() const { return m_fd >= 0; }
    // Lets the folder go; the holder's note goes with it.
    void release() noexcept;

    // The note's text and its reading (CR LF lines: pid, host, ISO local time).
    static QByteArray noteFor(const InstanceHolder &h);
    static std::optional<InstanceHolder> readNote(const QByteArray &bytes);

private:
    int m_fd = -1;
    QString m_ownerPath;
    std::optional<InstanceHolder> m_holder;
};

} // namespace zovt
