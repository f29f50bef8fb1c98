#pragma once
// The large program file the listing benchmarks load: 5,000 programs of 100
// rows (about 500,000 lines, 20 MB), single and band rows, Czech headers in
// the ANSI code page, ending in [STOP].

#include <QString>

namespace zovt::bench {

constexpr int kBigPrograms = 5000;
constexpr int kBigRows = 100;

// Writes the file at the native path, one program at a time so that
// generating does not raise the caller's peak memory; returns its size.
qint64 writeBigProgramFile(const QString &nativePath);

} // namespace zovt::bench
