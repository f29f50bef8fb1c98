#pragma once
// The handed-over program file, read and totalled on a worker thread while
// the window is built and the start-up sequence runs (its port cycle alone
// pauses 300 ms on closing), so that the program list follows the port cycle
// at once instead of starting to read then.
//
// What the worker read is used only for the very file the load asks for, and
// only when that file still holds the bytes the worker decoded: the load
// reads it once more to compare (a pass over the cached bytes, a small part
// of decoding them). Anything else is read again the usual way, with the
// usual errors. The worker touches nothing but that one file; the Windows
// path is mapped and the hand-off file read on the caller's thread.

#include "program/ProgramList.h"

#include <QString>

#include <memory>
#include <optional>

namespace zovt {

class ReadAhead {
public:
    // Starts reading the program file the hand-off file names, if any.
    static std::unique_ptr<ReadAhead> handedOver();
    // Starts reading one program file.
    explicit ReadAhead(const QString &winPath);
    // Waits for the worker; it reads at most one capped file.
    ~ReadAhead();
    ReadAhead(const ReadAhead &) = delete;
    ReadAhead &operator=(const ReadAhead &) = delete;

    // Waits for the worker to end its reading.
    void finish();
    // Waits for the worker, then gives its file when winPath is the path it
    // read and the file is unchanged; once.
    std::optional<ProgramFile> take(const QString &winPath);

private:
    struct Work;
    std::unique_ptr<Work> m_work;
};

} // namespace zovt
