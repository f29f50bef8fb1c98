#include "app/StartMarks.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace zovt::startmarks {

long long nowNs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

void mark(const char *name)
{
    static const bool wanted = std::getenv("ZOVT_START_MARKS") != nullptr;
    if (!wanted)
        return;
    std::fprintf(stderr, "zovt-generator: start mark %s at %lld\n", name, nowNs());
    std::fflush(stderr);
}

} // namespace zovt::startmarks
