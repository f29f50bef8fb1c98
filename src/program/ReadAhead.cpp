#include "program/ReadAhead.h"

#include "storage/DataFiles.h"
#include "storage/FileIO.h"
#include "storage/Paths.h"
#include "storage/WinPath.h"

#include <zlib.h>

#include <thread>

namespace zovt {

// Named, not anonymous: the worker's state, which holds one, belongs to the
// class.
namespace readahead {

// What the bytes of a file were, in 64 bits of two checksums and a length: a
// file rewritten within the file system's timestamp granularity, to the same
// size, is told apart all the same.
struct Fingerprint {
    uLong crc = crc32(0, nullptr, 0);
    uLong adler = adler32(0, nullptr, 0);
    qint64 size = 0;
    void add(QByteArrayView chunk)
    {
        // zlib takes at most 4 GiB a call; chunks are 1 MiB.
        const auto *bytes = reinterpret_cast<const Bytef *>(chunk.data());
        crc = crc32(crc, bytes, uInt(chunk.size()));
        adler = adler32(adler, bytes, uInt(chunk.size()));
        size += chunk.size();
    }
    bool operator==(const Fingerprint &) const = default;
};

} // namespace readahead

using readahead::Fingerprint;

struct ReadAhead::Work {
    QString winPath;
    QString nativePath;
    // Set by the worker only, read after joining it.
    std::optional<ProgramFile> file;
    Fingerprint read;
    std::thread thread;

    void run()
    {
        try {
            // The first reading only counts lines; what was decoded is what
            // the second one read.
            int reading = 0;
            ProgramFile f = ProgramFile::read([this, &reading](const std::function<void(QByteArrayView)> &chunk) {
                const bool decoding = ++reading == 2;
                files::readNativeChunks(nativePath, files::cap::Document, winPath, [&](QByteArrayView bytes) {
                    if (decoding)
                        read.add(bytes);
                    chunk(bytes);
                });
            });
            f.setTotalAhead(fileTotalAhead(f.lines()));
            file = std::move(f);
        } catch (...) {
            // The load meets the same failure again and reports it.
            file.reset();
        }
    }

    // The file as it is now: missing, unreadable or other bytes are no match.
    bool unchanged() const
    {
        try {
            Fingerprint now;
            files::readNativeChunks(nativePath, files::cap::Document, winPath, [&](QByteArrayView b) { now.add(b); });
            return now == read;
        } catch (...) {
            return false;
        }
    }
};

std::unique_ptr<ReadAhead> ReadAhead::handedOver()
{
    try {
        if (!files::fileExists(paths::ProgramHandOff))
            return nullptr;
        const QString program = files::readFirstLine(paths::ProgramHandOff);
        if (program.isEmpty() || !files::fileExists(program))
            return nullptr;
        return std::make_unique<ReadAhead>(program);
    } catch (...) {
        // Start-up reads the hand-off file itself and meets whatever failed.
        return nullptr;
    }
}

ReadAhead::ReadAhead(const QString &winPath) : m_work(std::make_unique<Work>())
{
    m_work->winPath = winPath;
    m_work->nativePath = winpath::toNative(winPath);
    m_work->thread = std::thread([w = m_work.get()] { w->run(); });
}

ReadAhead::~ReadAhead() { finish(); }

void ReadAhead::finish()
{
    if (m_work && m_work->thread.joinable())
        m_work->thread.join();
}

std::optional<ProgramFile> ReadAhead::take(const QString &winPath)
{
    finish();
    const std::unique_ptr<Work> work = std::move(m_work);
    if (!work || !work->file || winPath != work->winPath || winpath::toNative(winPath) != work->nativePath
        || !work->unchanged())
        return std::nullopt;
    return std::move(work->file);
}

} // namespace zovt
