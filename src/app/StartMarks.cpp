#include "app/StartMarks.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace zovt::startmarks {

void mark(const char *name)
{
    static const bool wanted = std::getenv("ZOVT_START_MARKS") != nullptr;
    if (!wanted)
        return;
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    std::fprintf(stderr, "zovt-generator: start mark %s at %lld\n", name,
                 static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec);
    std::fflush(stderr);
}

} // namespace zovt::startmarks
