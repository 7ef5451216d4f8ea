#include "shell/instanceguard.h"

namespace shell {

InstanceGuard::InstanceGuard(const QString &lockPath) : m_lock(lockPath)
{
    // A lock left by a copy that crashed is taken over, never waited for.
    m_lock.setStaleLockTime(0);
}

InstanceGuard::State InstanceGuard::state()
{
    if (!m_asked) {
        m_asked = true;
        if (m_lock.tryLock(0))
            m_state = State::OnlyCopy;
        else if (m_lock.error() == QLockFile::LockFailedError)
            m_state = State::AnotherCopy;
        else
            m_state = State::CannotLock;
    }
    return m_state;
}

} // namespace shell
