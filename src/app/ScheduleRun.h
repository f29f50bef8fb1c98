#pragma once
// The schedule preview run: the application as the window composes it, on a
// scratch surface, a virtual clock (unless given another) and a recording port.

#include "playback/Schedule.h"

namespace zovt {

// Runs the preview in the current WINEPREFIX (the caller provides a scratch
// one). The program file is loaded through its Windows path. Times are those
// of the clock, from the moment the run begins.
ScheduleResult runSchedule(const ScheduleOptions &options, const ScheduleSink &sink = {});

} // namespace zovt
