#include "device/UucpLock.h"

#include "core/ProcessState.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zovt {

namespace {

// A lock file holds the owner's pid as ten right-aligned digits and a line
// feed. It is written under a private name and hard-linked into place, so a
// lock is never seen half written by a program that does the same.

QStringList g_lockDirs; // empty: the default list

QByteArray nativeName(const QString &path) { return QFile::encodeName(path); }

QStringList defaultLockDirs()
{
    QStringList raw{QStringLiteral("/run/lock"), QStringLiteral("/var/lock")};
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        raw << runtime;
    raw << QStringLiteral("/tmp");
    QStringList dirs;
    QStringList seen;
    for (const QString &d : raw) {
        const QString canonical = QFileInfo(d).canonicalFilePath();
        if (canonical.isEmpty() || seen.contains(canonical))
            continue;
        seen << canonical;
        dirs << d;
    }
    return dirs;
}

bool blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// The pid of a lock's content: ASCII decimal with blanks around it (the
// usual form), or a native binary int of exactly its size (the old form).
// 0 when it is neither.
long parsePid(const char *buf, ssize_t n)
{
    ssize_t i = 0;
    while (i < n && blank(buf[i]))
        ++i;
    ssize_t end = i;
    long pid = 0;
    while (end < n && buf[end] >= '0' && buf[end] <= '9' && pid <= INT_MAX)
        pid = pid * 10 + (buf[end++] - '0');
    ssize_t rest = end;
    while (rest < n && blank(buf[rest]))
        ++rest;
    if (end > i && rest == n)
        return pid > 0 && pid <= INT_MAX ? pid : 0;
    if (n == ssize_t(sizeof(int))) {
        int binary = 0;
        std::memcpy(&binary, buf, sizeof binary);
        return binary > 0 ? long(binary) : 0;
    }
    return 0;
}

long g_endedPid = 0; // counted as ended whatever it shows

// Its own controller, to a guardian: ended however it looks.
bool holderEnded(long pid) { return pid == g_endedPid || processEnded(pid); }

// Removes a stale lock. False when the lock is held or invalid, or cannot be
// removed.
bool clearStale(const QString &lockPath)
{
    switch (UucpLock::read(lockPath, std::time(nullptr)).kind) {
    case UucpLock::Verdict::Kind::None:
        return true;
    case UucpLock::Verdict::Kind::Held:
    case UucpLock::Verdict::Kind::Invalid:
        return false;
    case UucpLock::Verdict::Kind::Stale:
        break;
    }
    return ::unlink(nativeName(lockPath).constData()) == 0 || errno == ENOENT;
}

QString fileKind(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("it is a directory");
    if (S_ISFIFO(mode))
        return QStringLiteral("it is a FIFO");
    if (S_ISLNK(mode))
        return QStringLiteral("it is a symbolic link");
    if (S_ISSOCK(mode))
        return QStringLiteral("it is a socket");
    return QStringLiteral("it is a device node");
}

QString sysText(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

// Creates the lock in dir. Returns 0; EBUSY when a lock is there that cannot
// be taken; or the errno that keeps this directory from holding a lock.
int createLockIn(const QString &dir, const QString &name, QString *created)
{
    const QString lockPath = dir + QLatin1Char('/') + name;
    const QByteArray lockNative = nativeName(lockPath);
    const QByteArray tmpPath = lockNative + ".tmp" + QByteArray::number(qint64(::getpid()));
    ::unlink(tmpPath.constData());
    const int fd = ::open(tmpPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
        return errno;
    char text[16];
    const int len = std::snprintf(text, sizeof text, "%10ld\n", long(::getpid()));
    const bool written = ::write(fd, text, size_t(len)) == len;
    const int writeErr = errno;
    ::close(fd);
    if (!written) {
        ::unlink(tmpPath.constData());
        return writeErr ? writeErr : EIO;
    }
    int result = EBUSY;
    // Two rounds: a stale lock found here is removed once; a lock that is
    // there again after that belongs to someone who just took it.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (::link(tmpPath.constData(), lockNative.constData()) == 0) {
            result = 0;
            break;
        }
        if (errno != EEXIST) {
            result = errno;
            break;
        }
        if (!clearStale(lockPath))
            break;
        result = EBUSY;
    }
    ::unlink(tmpPath.constData());
    if (result == 0)
        *created = lockPath;
    return result;
}

bool ownedByUs(const QString &lockPath)
{
    const int fd = ::open(nativeName(lockPath).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    char buf[64];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    ::close(fd);
    return n > 0 && parsePid(buf, n) == long(::getpid());
}

} // namespace

void UucpLock::countAsEnded(long pid) { g_endedPid = pid; }

void UucpLock::setDirectories(const QStringList &dirs) { g_lockDirs = dirs; }

QStringList UucpLock::directories() { return g_lockDirs.isEmpty() ? defaultLockDirs() : g_lockDirs; }

QString UucpLock::nameFor(const QString &devicePath)
{
    QString p = QFileInfo(devicePath).canonicalFilePath();
    if (p.isEmpty())
        p = devicePath;
    if (p.startsWith(QLatin1String("/dev/")))
        p = p.mid(5);
    while (p.startsWith(QLatin1Char('/')))
        p.remove(0, 1);
    p.replace(QLatin1Char('/'), QLatin1Char('_'));
    return QStringLiteral("LCK..") + p;
}

QString UucpLock::Verdict::text() const
{
    switch (kind) {
    case Kind::None:
        return QString();
    case Kind::Held:
        return QStringLiteral("lock file %1 is held by pid %2").arg(path).arg(pid);
    case Kind::Stale:
        return pid > 0 ? QStringLiteral("lock file %1 is stale: pid %2 has ended").arg(path).arg(pid)
                       : QStringLiteral("lock file %1 is stale: %2, and over a minute old").arg(path, problem);
    case Kind::Invalid:
        break;
    }
    return QStringLiteral("lock file %1 is not a valid lock: %2").arg(path, problem);
}

UucpLock::Verdict UucpLock::read(const QString &lockPath, std::time_t now)
{
    using Kind = Verdict::Kind;
    Verdict v;
    const QByteArray native = nativeName(lockPath);
    struct stat st;
    if (::lstat(native.constData(), &st) != 0) {
        if (errno == ENOENT)
            return v;
        v.path = lockPath;
        v.kind = Kind::Invalid;
        v.problem = QStringLiteral("it cannot be examined (%1)").arg(sysText(errno));
        return v;
    }
    v.path = lockPath;
    // Opening a FIFO for reading would wait for a writer; a directory reads
    // nothing and cannot be unlinked. Neither is looked into.
    if (!S_ISREG(st.st_mode)) {
        v.kind = Kind::Invalid;
        v.problem = fileKind(st.st_mode);
        return v;
    }
    // Ten digits and a line feed; anything much longer is no lock.
    char buf[65];
    ssize_t n = -1;
    int readErr = 0;
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd >= 0) {
        struct stat opened;
        // Replaced between the lstat and the open: judged by what was opened.
        if (::fstat(fd, &opened) == 0 && !S_ISREG(opened.st_mode)) {
            ::close(fd);
            v.kind = Kind::Invalid;
            v.problem = fileKind(opened.st_mode);
            return v;
        }
        n = ::read(fd, buf, sizeof buf);
        readErr = errno;
        ::close(fd);
    } else {
        readErr = errno;
    }
    const long pid = n > 0 && n < ssize_t(sizeof buf) ? parsePid(buf, n) : 0;
    if (pid > 0) {
        v.pid = pid;
        v.kind = holderEnded(pid) ? Kind::Stale : Kind::Held;
        return v;
    }
    if (n < 0)
        v.problem = QStringLiteral("it cannot be read (%1)").arg(sysText(readErr));
    else if (n == 0)
        v.problem = QStringLiteral("it is empty");
    else if (n == ssize_t(sizeof buf))
        v.problem = QStringLiteral("it is too long to hold a pid");
    else if (std::memchr(buf, '\0', size_t(n)))
        v.problem = QStringLiteral("it holds NUL bytes, not a pid as text");
    else
        v.problem = QStringLiteral("it holds no pid");
    // Maybe still being written: only age tells.
    v.kind = now - st.st_mtime >= kUnreadableStaleSeconds ? Kind::Stale : Kind::Invalid;
    return v;
}

UucpLock::Verdict UucpLock::find(const QString &devicePath, std::time_t now)
{
    const QString name = nameFor(devicePath);
    Verdict found;
    for (const QString &dir : directories()) {
        const Verdict v = read(dir + QLatin1Char('/') + name, now);
        if (v.kind == Verdict::Kind::Held || v.kind == Verdict::Kind::Invalid)
            return v;
        if (v.kind == Verdict::Kind::Stale && found.kind == Verdict::Kind::None)
            found = v;
    }
    return found;
}

UucpLock::State UucpLock::inspect(const QString &lockPath, std::time_t now)
{
    switch (read(lockPath, now).kind) {
    case Verdict::Kind::None:
        return State::Absent;
    case Verdict::Kind::Stale:
        return State::Stale;
    case Verdict::Kind::Held:
    case Verdict::Kind::Invalid:
        break;
    }
    return State::Held;
}

int UucpLock::acquire(const QString &devicePath, bool recheck)
{
    const QString name = nameFor(devicePath);
    if (held()) {
        if (name == m_name && (!recheck || ownedByUs(m_path)))
            return 0;
        release();
    }
    const QStringList dirs = directories();
    // Another user's process may have had to fall back to a later directory:
    // a live lock anywhere on the list counts.
    for (const QString &dir : dirs)
        if (!clearStale(dir + QLatin1Char('/') + name))
            return EBUSY;
    int err = ENOENT;
    for (const QString &dir : dirs) {
        QString created;
        err = createLockIn(dir, name, &created);
        if (err == 0) {
            m_path = created;
            m_name = name;
            return 0;
        }
        if (err == EBUSY)
            return err;
    }
    return err;
}

void UucpLock::release() noexcept
{
    if (m_path.isEmpty())
        return;
    if (ownedByUs(m_path))
        ::unlink(nativeName(m_path).constData());
    m_path.clear();
    m_name.clear();
}

} // namespace zovt
