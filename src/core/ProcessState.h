#pragma once
// Whether a process id still names a process that can act: lock files and
// temporary files carry their writer's pid, and both are taken over once the
// writer has ended.

namespace zovt {

// True when no process has this pid, or it is a zombie: a killed process
// stays one until its parent reaps it, and kill(pid, 0) still finds it, but
// it will never write again. A pid of 0 or below names no process.
bool processEnded(long pid);

} // namespace zovt
