#pragma once
// One copy of the program per data folder: an operating-system lock on a
// file, held for the run. The system drops the lock when the process ends,
// however it ends, so what the file holds (nothing after a power cut,
// another computer's name in a folder copied from the old PC) never counts.
#include <QString>

namespace shell {

inline QString instanceLockName() { return QStringLiteral(".corvale.lock"); }

class InstanceGuard {
public:
    enum class State {
        OnlyCopy,       // the lock is ours for the run
        AnotherCopy,    // another copy holds it
        CannotLock,     // the lock file cannot be made: the folder is not writable or the disk full
        LockNotAFile,   // something else stands under the lock file's name (notAFile() says what)
    };

    explicit InstanceGuard(QString lockPath);
    ~InstanceGuard();
    InstanceGuard(const InstanceGuard &) = delete;
    InstanceGuard &operator=(const InstanceGuard &) = delete;

    // Asked once; later calls give the same answer. The lock is kept until
    // the guard goes.
    State state();
    // What stands under the lock file's name when it is no ordinary file.
    QString notAFile() const { return m_notAFile; }

private:
    QString m_path;
    int m_fd = -1;
    State m_state = State::OnlyCopy;
    bool m_asked = false;
    QString m_notAFile;
};

} // namespace shell
