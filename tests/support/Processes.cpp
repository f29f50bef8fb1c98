#include "support/Processes.h"

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zovt::test {

long deadPid()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return long(child);
}

} // namespace zovt::test
