#pragma once
// Processes as lock files and pid checks meet them.

namespace zovt::test {

// A pid that certainly belonged to a process that has ended: a child that
// exited and was reaped.
long deadPid();

} // namespace zovt::test
