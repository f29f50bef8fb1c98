#pragma once
// Moments of a start, for timing it from outside. With ZOVT_START_MARKS set
// in the environment each mark prints one line to stderr:
//   zovt-generator: start mark NAME at NS
// NS being CLOCK_MONOTONIC in nanoseconds, the clock every process of the
// machine shares, so a launcher can subtract the moment it called exec.
// Without the variable a mark costs one cached lookup.

namespace zovt::startmarks {

void mark(const char *name);

// Now on the clock the marks use, in ns.
long long nowNs();

} // namespace zovt::startmarks
