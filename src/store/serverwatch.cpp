#include "store/serverwatch.h"

#include <sys/socket.h>

namespace store {

QString serverConnectOptions()
{
    // Seconds for keepalives: a link silent for 10 s is probed three times
    // 3 s apart; unacknowledged data gives up after the answer limit.
    return QStringLiteral("application_name=corvale;keepalives=1;keepalives_idle=10;keepalives_interval=3;keepalives_count=3;"
                          "tcp_user_timeout=%1;"
                          "options='-c statement_timeout=%2 -c lock_timeout=%3 "
                          "-c idle_in_transaction_session_timeout=%4'")
        .arg(answerLimitMs)
        .arg(serverStatementLimitMs)
        .arg(serverLockWaitMs)
        .arg(2 * answerLimitMs);
}

ServerWatch::ServerWatch() : m_thread([this] { run(); }) {}

ServerWatch::~ServerWatch()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_one();
    m_thread.join();
}

void ServerWatch::arm(int socket, int limitMs)
{
    {
        const std::lock_guard lock(m_mutex);
        m_socket = socket;
        m_deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
        m_armed = socket >= 0;
        m_cut = false;
        // A watch already counting towards an earlier deadline wakes by
        // itself and sees the later one: only an idle watch needs waking,
        // which spares a reader a thread switch for every row.
        if (!m_idle)
            return;
    }
    m_changed.notify_one();
}

bool ServerWatch::disarm()
{
    const std::lock_guard lock(m_mutex);
    m_armed = false;
    m_socket = -1;
    return std::exchange(m_cut, false);
}

void ServerWatch::run()
{
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        if (!m_armed) {
            m_idle = true;
            m_changed.wait(lock);
            m_idle = false;
            continue;
        }
        if (m_changed.wait_until(lock, m_deadline) == std::cv_status::timeout && m_armed
            && std::chrono::steady_clock::now() >= m_deadline) {
            // The blocked read in the program's thread returns at once, as
            // from a connection the server closed.
            ::shutdown(m_socket, SHUT_RDWR);
            m_cut = true;
            m_armed = false;
        }
    }
}

} // namespace store
