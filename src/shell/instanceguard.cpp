#include "shell/instanceguard.h"

namespace shell {

InstanceGuard::InstanceGuard(const QString &lockPath) : m_lock(lockPath)
{
    // A lock left by a copy that crashed is taken over, never waited for.
    m_lock.setStaleLockTime(0);
}

bool InstanceGuard::anotherCopyRunning()
{
    if (m_answer < 0)
        m_answer = m_lock.tryLock(0) ? 0 : 1;
    return m_answer == 1;
}

} // namespace shell
