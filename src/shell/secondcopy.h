#pragma once
// The start's snapshot copied to the second backup folder away from the
// window: a network share or a slow stick may take half a minute, and the
// clerk works meanwhile.
#include "common/result.h"
#include "store/backup.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>

class QThread;

namespace shell {

class SecondCopy : public QObject {
    Q_OBJECT
public:
    // How a snapshot gets to the folder: store::copySnapshotTo, unless a test
    // puts a slower one in its place.
    using Step = std::function<common::Result<QString>(const QString &snapshot, const QString &folder, int keep,
                                                       const store::CopyProgress &going)>;

    explicit SecondCopy(QObject *parent = nullptr);
    // Stops a copy still running (see stop()).
    ~SecondCopy() override;

    void setStep(Step step) { m_step = std::move(step); }
    // Starts the copy on a thread of its own; done() follows on this one.
    void start(const QString &snapshot, const QString &folder, int keep);
    bool running() const;
    // Asks a running copy to stop, which removes what it wrote, and waits
    // for it at most waitMs. A copy stuck in a write that never returns is
    // left to the end of the process: its aside file is what the next
    // start's copy removes first.
    void stop(int waitMs);

signals:
    // The copy ended: the copy's path, or why not (a stopped copy says nothing).
    void done(const common::Result<QString> &copied);

private:
    struct Shared {
        std::atomic_bool stop{false};
        common::Result<QString> result = QString();
    };
    void onThreadFinished();

    Step m_step;
    std::shared_ptr<Shared> m_shared;
    QThread *m_thread = nullptr;
};

// What the shell says when the copy to the second folder failed.
QString secondCopyFailedText(const common::Error &failure);

} // namespace shell
