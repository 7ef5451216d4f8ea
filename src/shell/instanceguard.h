#pragma once
// One copy of the program per data folder: a lock file held for the run.
#include <QLockFile>
#include <QString>

namespace shell {

inline QString instanceLockName() { return QStringLiteral(".corvale.lock"); }

class InstanceGuard {
public:
    explicit InstanceGuard(const QString &lockPath);
    // Asked once; later calls give the same answer. The lock is kept until
    // the guard goes.
    bool anotherCopyRunning();

private:
    QLockFile m_lock;
    int m_answer = -1;
};

} // namespace shell
