// The kernel's own wake floor: how late a thread that does nothing but sleep
// to absolute deadlines one second apart wakes, in the scheduling class the
// controller's writing thread has during a playback (ordinary, or with
// --realtime the round-robin class at the same priority, where granted).
// Run beside the same load as a playback measurement, it is the floor the
// controller's own figures stand on: nothing waking in that class can do
// better. scripts/measure-playback.sh runs it beside the controller.
//
//   bench_wakefloor [--seconds N] [--realtime]

#include "device/WritePriority.h"

#include <QString>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

qint64 nowNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

} // namespace

int main(int argc, char **argv)
{
    int seconds = 60;
    bool realtime = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc)
            seconds = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--realtime"))
            realtime = true;
        else {
            std::fprintf(stderr, "usage: bench_wakefloor [--seconds N] [--realtime]\n");
            return 2;
        }
    }
    zovt::WritePriority priority;
    const bool raised = realtime && priority.raise();
    if (realtime && !raised)
        std::fprintf(stderr, "bench_wakefloor: real-time class refused (%s); measuring the ordinary one\n",
                     qPrintable(priority.refusal()));

    std::vector<qint64> late;
    qint64 due = nowNs() + 1000000000LL;
    for (int i = 0; i < seconds; ++i, due += 1000000000LL) {
        const timespec at{time_t(due / 1000000000LL), long(due % 1000000000LL)};
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) != 0) {
        }
        late.push_back(nowNs() - due);
    }
    std::sort(late.begin(), late.end());
    std::printf("kernel wake floor (%s class): median %.3f ms, max %.3f ms over %zu wakes\n",
                raised ? "real-time round-robin" : "ordinary", double(late[late.size() / 2]) / 1e6,
                double(late.back()) / 1e6, late.size());
    return 0;
}
