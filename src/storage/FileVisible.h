#pragma once
// A file that has just been written is normally there at once; on a shared
// or slow drive it may show up a little later. The client operations wait for
// it in short pauses, but never for ever.

#include <QString>

#include <functional>

namespace zovt {

class Clock;

// Long enough for a slow network drive, short enough that the operator does
// not take the program for hung.
inline constexpr int FileVisibleBoundMs = 3000;

// Runs pause() until the file exists. A file still missing once boundMs of the
// clock have passed ends the operation as a failed write would (WriteError).
void waitUntilVisible(Clock &clock, const QString &winPath, const std::function<void()> &pause,
                      int boundMs = FileVisibleBoundMs);

} // namespace zovt
