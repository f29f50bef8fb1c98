#include "storage/FileIO.h"

#include "core/Excerpt.h"
#include "core/ProcessState.h"

#include <QFile>
#include <QFileInfo>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <utility>

namespace zovt::files {

namespace {

QString shown(const QString &name) { return excerpt(name, kPathExcerptChars); }

QString errnoText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

[[noreturn]] void readFail(const QString &name, const QString &why) { throw ReadError(readErrorText(name, why).toStdString()); }

[[noreturn]] void writeFail(const QString &name, const char *what, int error)
{
    throw WriteError(QStringLiteral("Cannot %1 file \"%2\". %3")
                         .arg(QLatin1String(what), shown(name), errnoText(error))
                         .toStdString());
}

} // namespace

QString readErrorText(const QString &shownName, const QString &why)
{
    return QStringLiteral("Cannot read file \"%1\". %2").arg(shown(shownName), why);
}

namespace {

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    Fd(Fd &&other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    int get() const { return m_fd; }
    // Closes now and returns 0 or the error number.
    int close()
    {
        const int fd = m_fd;
        m_fd = -1;
        // A close interrupted by a signal has released the descriptor on
        // Linux: retrying could close another thread's new file.
        return ::close(fd) == 0 || errno == EINTR ? 0 : errno;
    }

private:
    int m_fd;
};

struct Fault {
    testing::WriteStep step;
    int error;
    int spared; // writes still to succeed before the fault strikes
};
std::optional<Fault> g_fault;

bool faultAt(testing::WriteStep step, int &error)
{
    if (!g_fault || g_fault->step != step || g_fault->spared > 0)
        return false;
    error = g_fault->error;
    return true;
}

} // namespace

namespace {

// Opens the regular file at a native path for reading, refusing anything else
// and a file larger than 'limit'.
Fd openForReading(const QString &nativePath, qint64 limit, const QString &shownName, struct stat &st)
{
    const QByteArray path = QFile::encodeName(nativePath);
    // Looked at before opening: opening a FIFO waits for a writer, and opening
    // a device can have effects of its own.
    if (::stat(path.constData(), &st) != 0)
        readFail(shownName, errnoText(errno));
    if (!S_ISREG(st.st_mode))
        readFail(shownName, QStringLiteral("It is not a regular file."));
    if (st.st_size > limit)
        readFail(shownName, QStringLiteral("It is larger than %1 bytes.").arg(limit));

    // Non-blocking and checked again on the open file: it may have been
    // replaced by something else since it was looked at.
    int fd = -1;
    do
        fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        readFail(shownName, errnoText(errno));
    Fd file(fd);
    if (::fstat(fd, &st) != 0)
        readFail(shownName, errnoText(errno));
    if (!S_ISREG(st.st_mode))
        readFail(shownName, QStringLiteral("It is not a regular file."));
    return file;
}

// One read, retried when interrupted; 0 at the end of the file.
qsizetype readSome(int fd, char *to, qsizetype n, const QString &shownName)
{
    for (;;) {
        const ssize_t got = ::read(fd, to, size_t(n));
        if (got >= 0)
            return qsizetype(got);
        if (errno != EINTR)
            readFail(shownName, errnoText(errno));
    }
}

} // namespace

QByteArray readNative(const QString &nativePath, qint64 limit, const QString &shownName)
{
    struct stat st {};
    const Fd file = openForReading(nativePath, limit, shownName, st);

    // The file may still grow while it is read: one byte past the cap tells.
    QByteArray out;
    out.resize(qsizetype(qMin<qint64>(qMax<qint64>(st.st_size, 0), limit) + 1));
    qint64 got = 0;
    for (;;) {
        if (got == out.size()) {
            if (got > limit)
                readFail(shownName, QStringLiteral("It is larger than %1 bytes.").arg(limit));
            out.resize(qsizetype(qMin<qint64>(limit + 1, got + (qint64(64) << 10))));
        }
        const qsizetype n = readSome(file.get(), out.data() + got, qsizetype(out.size() - got), shownName);
        if (n == 0)
            break;
        got += n;
    }
    out.resize(qsizetype(got));
    return out;
}

void readNativeChunks(const QString &nativePath, qint64 limit, const QString &shownName,
                      const std::function<void(QByteArrayView)> &chunk)
{
    struct stat st {};
    const Fd file = openForReading(nativePath, limit, shownName, st);
    QByteArray buffer(qsizetype(1) << 20, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        const qsizetype n = readSome(file.get(), buffer.data(), buffer.size(), shownName);
        if (n == 0)
            break;
        total += n;
        // The file may have grown since it was looked at.
        if (total > limit)
            readFail(shownName, QStringLiteral("It is larger than %1 bytes.").arg(limit));
        chunk(QByteArrayView(buffer.constData(), n));
    }
}

void writeNative(const QString &nativePath, const QByteArray &bytes, const QString &shownName)
{
    using testing::WriteStep;
    int error = 0;

    // Replace what a symbolic link points to, not the link: the link is the
    // owner's choice of where the file lives.
    QString target = nativePath;
    const QFileInfo info(nativePath);
    if (info.isSymLink()) {
        const QString resolved = info.canonicalFilePath();
        if (!resolved.isEmpty())
            target = resolved;
    }
    const QByteArray targetPath = QFile::encodeName(target);
    struct stat old {};
    const bool replacing = ::stat(targetPath.constData(), &old) == 0;
    if (replacing && !S_ISREG(old.st_mode))
        writeFail(shownName, "replace", EINVAL);

    const qsizetype slash = target.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash < 0 ? QStringLiteral(".") : slash == 0 ? QStringLiteral("/") : target.left(slash);
    const QString folderPrefix = slash < 0 ? QString() : target.left(slash + 1);

    // A hidden name of bounded length, so that a long target name cannot make
    // it too long and folder listings of the companion programs skip it.
    QByteArray tmpPath;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        // The writer's pid in the name tells a later start whose it was.
        tmpPath = QFile::encodeName(folderPrefix
                                    + QStringLiteral(".zovt-%1-%2.tmp")
                                          .arg(qint64(::getpid()))
                                          .arg(QRandomGenerator::global()->generate64() & 0xffffffffffffULL, 12, 16,
                                               QLatin1Char('0')));
        if (faultAt(WriteStep::Create, error))
            writeFail(shownName, "create", error);
        fd = ::open(tmpPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST && errno != EINTR)
            writeFail(shownName, "create", errno);
    }
    if (fd < 0)
        writeFail(shownName, "create", EEXIST);

    Fd file(fd);
    // From here on a failure removes the temporary file; the target has not
    // been touched.
    const auto fail = [&](const char *what, int err) {
        if (file.get() >= 0)
            file.close();
        ::unlink(tmpPath.constData());
        writeFail(shownName, what, err);
    };

    if (replacing && ::fchmod(fd, old.st_mode & 07777) != 0)
        fail("write", errno);

    const char *p = bytes.constData();
    qint64 left = bytes.size();
    bool faulty = faultAt(WriteStep::Write, error);
    if (faulty)
        left /= 2; // a disk that fills up half-way
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail("write", errno);
        }
        p += n;
        left -= n;
    }
    if (faulty)
        fail("write", error);

    if (faultAt(WriteStep::Sync, error))
        fail("write", error);
    if (::fsync(fd) != 0)
        fail("write", errno);

    // Some file systems report a failed write only here.
    error = file.close();
    if (error == 0)
        faultAt(WriteStep::Close, error);
    if (error != 0)
        fail("write", error);

    if (faultAt(WriteStep::Rename, error))
        fail("replace", error);
    if (::rename(tmpPath.constData(), targetPath.constData()) != 0)
        fail("replace", errno);
    if (g_fault && g_fault->spared > 0)
        --g_fault->spared;

    // Makes the rename itself durable. The new content is in place and is what
    // every reader sees now, so a folder that cannot be synced (some file
    // systems refuse) does not turn this into a failed write.
    do
        fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

bool abandonedTemporary(const QString &name, qint64 ageSeconds, const std::function<bool(qint64 pid)> &alive)
{
    static const QRegularExpression withPid(QStringLiteral("^\\.zovt-([0-9]{1,10})-[0-9a-f]{12}\\.tmp$"));
    static const QRegularExpression older(QStringLiteral("^\\.zovt-[0-9a-f]{16}\\.tmp$"));
    const QRegularExpressionMatch m = withPid.match(name);
    if (m.hasMatch())
        return !alive(m.captured(1).toLongLong());
    // Names of before the pid was in them: no save lasts a minute.
    return older.match(name).hasMatch() && ageSeconds > 60;
}

int removeAbandonedTemporaries(const QString &nativeFolder, qint64 minAgeSeconds)
{
    const auto alive = [](qint64 pid) { return !processEnded(long(pid)); };
    int removed = 0;
    QDirIterator it(nativeFolder, {QStringLiteral(".zovt-*.tmp")}, QDir::Files | QDir::Hidden | QDir::System);
    const QDateTime now = QDateTime::currentDateTime();
    while (it.hasNext()) {
        const QFileInfo f = it.nextFileInfo();
        if (f.isSymLink() || !f.isFile())
            continue;
        const qint64 age = f.lastModified().secsTo(now);
        if (age >= minAgeSeconds && abandonedTemporary(f.fileName(), age, alive)
            && ::unlink(QFile::encodeName(f.filePath()).constData()) == 0)
            ++removed;
    }
    return removed;
}

namespace testing {

WriteFault::WriteFault(WriteStep step, int error, int spared) { g_fault = Fault{step, error, spared}; }
WriteFault::~WriteFault() { g_fault.reset(); }

} // namespace testing

} // namespace zovt::files
