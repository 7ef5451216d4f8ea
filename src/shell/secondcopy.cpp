#include "shell/secondcopy.h"

#include <QThread>

namespace shell {

SecondCopy::SecondCopy(QObject *parent) : QObject(parent), m_step(&store::copySnapshotTo) {}

SecondCopy::~SecondCopy()
{
    // Long enough for a piece of a slow copy to finish, short enough that
    // quitting never feels stuck.
    stop(3000);
}

void SecondCopy::start(const QString &snapshot, const QString &folder, int keep)
{
    if (running())
        return;
    delete m_thread;
    auto shared = std::make_shared<Shared>();
    m_shared = shared;
    m_thread = QThread::create([shared, step = m_step, snapshot, folder, keep] {
        shared->result = step(snapshot, folder, keep, [shared](qint64, qint64) { return !shared->stop; });
    });
    connect(m_thread, &QThread::finished, this, &SecondCopy::onThreadFinished);
    m_thread->start(QThread::LowPriority);
}

bool SecondCopy::running() const { return m_thread && !m_thread->isFinished(); }

void SecondCopy::stop(int waitMs)
{
    if (!m_thread)
        return;
    m_shared->stop = true;
    if (m_thread->wait(QDeadlineTimer(waitMs))) {
        delete m_thread;
    } else {
        // A thread object deleted while its thread runs ends the process;
        // this one is let go and ends with it.
        disconnect(m_thread, nullptr, this, nullptr);
    }
    m_thread = nullptr;
}

void SecondCopy::onThreadFinished()
{
    if (!m_shared || m_shared->stop)
        return;
    emit done(m_shared->result);
}

QString secondCopyFailedText(const common::Error &failure)
{
    return QStringLiteral("这次的备份没有复制到备份副本文件夹：\n%1\n\n这次的备份只保存在数据文件夹的“备份”中。"
                          "程序照常运行。")
        .arg(failure.text);
}

} // namespace shell
