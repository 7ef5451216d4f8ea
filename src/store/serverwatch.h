#pragma once
// What keeps a desk from freezing on its server. Every connection carries
// limits the server enforces (a statement, a wait for another desk's row
// lock, a transaction left idle) and keepalives that find a dead link. A
// server that cannot enforce them (stopped, hung, its machine gone) is
// caught by a watch of the desk's own: a round trip without an answer
// within answerLimitMs has its connection cut, and fails like a lost one.
#include <QString>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace store {

// The server's own limits, in milliseconds.
constexpr int serverLockWaitMs = 3000;
constexpr int serverStatementLimitMs = 5000;
// Longer than the server's limits, so that a busy server answers first.
constexpr int answerLimitMs = 8000;

// The libpq connection options every server connection is opened with:
// the limits above, keepalives, and the program's name in the server's
// list of sessions. Added to those the server address gives.
QString serverConnectOptions();

// A thread that cuts one socket when a round trip on it outlasts its limit.
// Only the round trip armed can be cut: disarming waits for a cut in
// progress, so a socket is never touched after it was handed back.
class ServerWatch {
public:
    ServerWatch();
    ~ServerWatch();
    ServerWatch(const ServerWatch &) = delete;
    ServerWatch &operator=(const ServerWatch &) = delete;

    void arm(int socket, int limitMs);
    // Whether the round trip was cut.
    bool disarm();

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_socket = -1;
    std::chrono::steady_clock::time_point m_deadline;
    bool m_armed = false;
    bool m_cut = false;
    bool m_stopping = false;
    bool m_idle = false; // waiting for the next round trip, no deadline
    std::thread m_thread;
};

} // namespace store
