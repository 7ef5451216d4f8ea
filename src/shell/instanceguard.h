#pragma once
// One copy of the program per data folder: a lock file held for the run.
#include <QLockFile>
#include <QString>

namespace shell {

inline QString instanceLockName() { return QStringLiteral(".corvale.lock"); }

class InstanceGuard {
public:
    enum class State {
        OnlyCopy,       // the lock is ours for the run
        AnotherCopy,    // another copy really holds it
        CannotLock,     // the lock file cannot be made: the folder is not writable or the disk full
    };

    explicit InstanceGuard(const QString &lockPath);
    // Asked once; later calls give the same answer. The lock is kept until
    // the guard goes.
    State state();
    bool anotherCopyRunning() { return state() == State::AnotherCopy; }

private:
    QLockFile m_lock;
    State m_state = State::OnlyCopy;
    bool m_asked = false;
};

} // namespace shell
