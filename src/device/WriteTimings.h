#pragma once
// How long the program takes to hand each text to the device, for the timing
// tools. Two figures per write: from the clock's last wake to the write()
// call, which is the program's own path, and the call itself. On a loaded
// machine the call can return milliseconds late: the kernel has taken the
// bytes by then and lets other work run first (for a pseudo-terminal, the
// worker that carries the text to the other end). That is the kernel's share,
// reported beside the program's, not in it.

#include <QString>
#include <QtGlobal>

#include <vector>

namespace zovt {

// Moments in ns of std::chrono::steady_clock.
struct WriteTiming {
    qint64 wakeNs = 0;
    qint64 wakeLateNs = 0; // after the timer's due time; the kernel's and the event loop's share

    qint64 calledNs = 0;
    qint64 returnedNs = 0;
    qint64 wakeLate() const { return wakeLateNs; }
    qint64 wakeToCallNs() const { return calledNs - wakeNs; }
    qint64 callNs() const { return returnedNs - calledNs; }
};

class WriteTimings {
public:
    // Collects the writes of the whole process until destroyed; one
    // collector at a time.
    WriteTimings();
    ~WriteTimings();
    WriteTimings(const WriteTimings &) = delete;
    WriteTimings &operator=(const WriteTimings &) = delete;

    const std::vector<WriteTiming> &samples() const { return m_samples; }
    bool empty() const { return m_samples.empty(); }

    struct Spread {
        double medianMs = 0;
        double maxMs = 0;
    };
    Spread wakeToCall() const { return spread(&WriteTiming::wakeToCallNs); }
    Spread call() const { return spread(&WriteTiming::callNs); }
    Spread wakeLate() const { return spread(&WriteTiming::wakeLate); }

    // "timer to write: median 0.120 ms, max 0.400 ms over 17 writes; the
    // write() call itself: median 0.030 ms, max 4.800 ms; the timer's wake
    // after its due time: median 0.080 ms, max 0.900 ms"
    QString summary() const;

private:
    Spread spread(qint64 (WriteTiming::*length)() const) const;

    std::vector<WriteTiming> m_samples;
};

} // namespace zovt
