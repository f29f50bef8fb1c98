#include "storage/InstanceLock.h"

#include "storage/DataFiles.h"
#include "storage/FileError.h"
#include "storage/WinPath.h"

#include <QFile>
#include <QList>
#include <QSysInfo>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace zovt {

namespace {

// A note is three short lines; anything longer is not ours.
constexpr qint64 kNoteCap = 4096;

int openLockFile(const QByteArray &native)
{
    // Another user of the same folder may own the file: flock needs no write
    // access, so a read-only descriptor serves as well.
    int fd = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
    if (fd < 0 && (errno == EACCES || errno == EROFS))
        fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    return fd;
}

} // namespace

QByteArray InstanceLock::noteFor(const InstanceHolder &h)
{
    return QByteArray::number(h.pid) + "\r\n" + h.host.toUtf8() + "\r\n"
        + h.since.toString(Qt::ISODate).toLatin1() + "\r\n";
}

std::optional<InstanceHolder> InstanceLock::readNote(const QByteArray &bytes)
{
    const QList<QByteArray> lines = bytes.split('\n');
    if (lines.size() < 3)
        return std::nullopt;
    bool ok = false;
    InstanceHolder h;
    h.pid = lines.at(0).trimmed().toLongLong(&ok);
    if (!ok || h.pid <= 0)
        return std::nullopt;
    h.host = QString::fromUtf8(lines.at(1).trimmed());
    h.since = QDateTime::fromString(QString::fromLatin1(lines.at(2).trimmed()), Qt::ISODate);
    return h;
}

InstanceLock::Result InstanceLock::acquire(const QString &lockPath, const QString &ownerPath)
{
    release();
    m_holder.reset();
    const QByteArray native = QFile::encodeName(winpath::toNative(lockPath));
    const int fd = openLockFile(native);
    if (fd < 0)
        return Result::Unavailable;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        if (err != EWOULDBLOCK)
            return Result::Unavailable;
        try {
            m_holder = readNote(files::readAll(ownerPath, kNoteCap));
        } catch (const FileError &) {
            // Taken a moment ago and not yet signed: held all the same.
        }
        return Result::HeldElsewhere;
    }
    m_fd = fd;
    m_ownerPath = ownerPath;
    InstanceHolder me;
    me.pid = ::getpid();
    me.host = QSysInfo::machineHostName();
    me.since = QDateTime::currentDateTime();
    try {
        files::writeAll(ownerPath, noteFor(me));
    } catch (const FileError &) {
        // The lock holds without the note; a refused copy only cannot say who.
    }
    return Result::Taken;
}

void InstanceLock::release() noexcept
{
    if (m_fd < 0)
        return;
    files::remove(m_ownerPath);
    ::close(m_fd);
    m_fd = -1;
}

} // namespace zovt
