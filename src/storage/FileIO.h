#pragma once
// The one reader and the one writer of whole files. Everything this program
// keeps on disk is meant to go through them: the data files (DataFiles.h),
// the client and wish files, and the protocol with its copy-back.
//
// Reading never blocks and never runs away: only a regular file is read (a
// FIFO, a device or a folder, also behind a symbolic link, is a ReadError
// before anything is opened that could block), and every read stops at a cap.
//
// Writing never leaves a half-written file: the bytes go to a new file in
// the target's folder, which is flushed to disk and then renamed over the
// target. Any failure on the way, closing included, throws WriteError and
// leaves the target as it was.

#include "storage/FileError.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <cerrno>
#include <functional>

namespace zovt::files {

// The read caps, in bytes: a file larger than its cap is a ReadError.
namespace cap {
// Settings, flag, integer, byte and hand-off files, client files: a few lines.
inline constexpr qint64 Setting = qint64(1) << 20;
// Program files and memo files (protocols, wishes, hand-over copies).
inline constexpr qint64 Document = qint64(64) << 20;
// JPEG and PNG pictures of the indicators and the progress animation.
inline constexpr qint64 Picture = qint64(32) << 20;
// Wine's registry files (system.reg, user.reg); a few MB in a busy prefix.
inline constexpr qint64 Registry = qint64(64) << 20;
} // namespace cap

// The text of every read error: "Cannot read file "<name>". <why>", the
// name cut to an excerpt.
QString readErrorText(const QString &shownName, const QString &why);

// Reads the whole regular file at a native path, at most 'limit' bytes.
// Throws ReadError whose text names 'shownName' (the path the caller knows
// the file by) when the file is missing, not a regular file, larger than
// 'limit', or cannot be read.
QByteArray readNative(const QString &nativePath, qint64 limit, const QString &shownName);
// The same file handed over in pieces of at most 1 MiB as they are read, so
// that a large file is never held whole; the same refusals and errors.
void readNativeChunks(const QString &nativePath, qint64 limit, const QString &shownName,
                      const std::function<void(QByteArrayView)> &chunk);

// Replaces the file at a native path by 'bytes' (see above). A symbolic link
// is followed and its target replaced; a target that exists but is not a
// regular file is refused. Throws WriteError naming 'shownName'. A new file
// gets the usual permissions (0666 less the umask), a replaced one keeps its
// own.
void writeNative(const QString &nativePath, const QByteArray &bytes, const QString &shownName);

// Temporary files of this writer that a process ended before it could rename
// them (a kill, a power cut): their writer's pid names no live process.
// Removes them from one folder (not below it), if at least minAgeSeconds
// old, and returns how many.
int removeAbandonedTemporaries(const QString &nativeFolder, qint64 minAgeSeconds = 0);
// The rule itself: a temporary file's name, its age, and who is alive.
bool abandonedTemporary(const QString &name, qint64 ageSeconds, const std::function<bool(qint64 pid)> &alive);

namespace testing {

// The steps of a write at which a fault can be injected.
enum class WriteStep { Create, Write, Sync, Close, Rename };

// While an instance lives, every write after the first 'spared' ones fails at
// 'step' with the error number 'error', as a full disk (ENOSPC, the default)
// or a failing device would: a Write fault lets half of the bytes reach the
// temporary file first. For tests only; not thread-safe.
class WriteFault {
public:
    explicit WriteFault(WriteStep step, int error = ENOSPC, int spared = 0);
    ~WriteFault();
    WriteFault(const WriteFault &) = delete;
    WriteFault &operator=(const WriteFault &) = delete;
};

} // namespace testing

} // namespace zovt::files
