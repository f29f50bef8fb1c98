#include "core/ProcessState.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace zovt {

namespace {

// The state letter of /proc/<pid>/stat: after the command name in
// parentheses, which may itself hold blanks and parentheses. 0 when unknown.
char processStateLetter(long pid)
{
    char path[32];
    std::snprintf(path, sizeof path, "/proc/%ld/stat", pid);
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    char buf[512];
    const ssize_t n = ::read(fd, buf, sizeof buf - 1);
    ::close(fd);
    if (n <= 0)
        return 0;
    buf[n] = 0;
    const char *end = std::strrchr(buf, ')');
    return end && end[1] == ' ' ? end[2] : 0;
}

} // namespace

bool processEnded(long pid)
{
    if (pid <= 0 || pid > INT_MAX)
        return true;
    if (::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
        return true;
    const char state = processStateLetter(pid);
    return state == 'Z' || state == 'X';
}

} // namespace zovt
