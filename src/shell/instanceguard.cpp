#include "shell/instanceguard.h"

#include "common/regularfile.h"

#include <QCoreApplication>
#include <QFile>
#include <QSysInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace shell {

InstanceGuard::InstanceGuard(QString lockPath) : m_path(std::move(lockPath)) {}

InstanceGuard::~InstanceGuard()
{
    // Closing drops the lock; the file stays, so no copy starting meanwhile
    // can lock a file that is about to be removed.
    if (m_fd >= 0)
        ::close(m_fd);
}

InstanceGuard::State InstanceGuard::state()
{
    if (m_asked)
        return m_state;
    m_asked = true;
    // A folder, a pipe or a link to nothing under that name is said as what it is.
    m_notAFile = common::notRegularKind(m_path);
    if (!m_notAFile.isEmpty()) {
        m_state = State::LockNotAFile;
        return m_state;
    }
    m_fd = ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0644);
    if (m_fd < 0) {
        m_state = State::CannotLock;
        return m_state;
    }
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        m_state = errno == EWOULDBLOCK ? State::AnotherCopy : State::CannotLock;
        ::close(m_fd);
        m_fd = -1;
        return m_state;
    }
    // Who holds it, for a person looking at the folder; the program never
    // reads it back, and a disk too full to take it leaves the lock as good.
    const QByteArray who = QByteArray::number(QCoreApplication::applicationPid()) + '\n'
                           + QSysInfo::machineHostName().toUtf8() + '\n';
    if (::ftruncate(m_fd, 0) == 0) {
        const ssize_t written = ::write(m_fd, who.constData(), size_t(who.size()));
        Q_UNUSED(written);
    }
    m_state = State::OnlyCopy;
    return m_state;
}

} // namespace shell
