#include "device/WritePriority.h"

#include <pthread.h>
#include <sched.h>

#include <cstring>

namespace zovt {

bool WritePriority::raise()
{
    if (m_saved)
        return true;
    int policy = 0;
    sched_param was{};
    if (const int err = pthread_getschedparam(pthread_self(), &policy, &was)) {
        m_refusal = QString::fromLocal8Bit(std::strerror(err));
        return false;
    }
    // Already real-time (started so by the user): left as it is.
    if ((policy & ~SCHED_RESET_ON_FORK) != SCHED_OTHER) {
        m_refusal = QStringLiteral("the thread is in a scheduling class of its own already");
        return false;
    }
    sched_param rt{};
    rt.sched_priority = kPriority;
    if (const int err = pthread_setschedparam(pthread_self(), SCHED_RR | SCHED_RESET_ON_FORK, &rt)) {
        m_refusal = QString::fromLocal8Bit(std::strerror(err));
        return false;
    }
    m_saved = Saved{policy, was.sched_priority};
    m_refusal.clear();
    return true;
}

void WritePriority::lower()
{
    if (!m_saved)
        return;
    sched_param was{};
    was.sched_priority = m_saved->priority;
    // Lowering one's own priority is always allowed.
    pthread_setschedparam(pthread_self(), m_saved->policy, &was);
    m_saved.reset();
}

} // namespace zovt
