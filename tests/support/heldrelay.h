#pragma once
// A TCP relay in front of the test's server that can stop passing bytes, as
// a server whose process is stopped looks from a desk: the connection stays
// up, the desk's request is taken by the network and never answered. The
// relay runs in a thread of its own, so it keeps holding (and then passes
// what waited) while the test's own thread is blocked on the same server.
#include <QMetaObject>
#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QUrl>

#include <atomic>
#include <utility>
#include <vector>

class HeldRelay : private QThread {
public:
    // In front of the server a postgresql:// address names.
    explicit HeldRelay(const QString &serverAddress) : m_server(serverAddress)
    {
        start();
        m_listening.acquire();
    }
    ~HeldRelay() override
    {
        quit();
        wait();
    }

    // The same address, reached through the relay.
    QString address() const
    {
        QUrl url(m_server);
        url.setPort(m_port);
        return url.toString();
    }

    // From now on nothing passes either way.
    void hold() { m_held = true; }
    // Whether a desk has sent something since hold() that waits unanswered.
    bool somethingWaits() const { return m_waiting; }
    // What waited passes now, and everything after it.
    void release()
    {
        m_held = false;
        m_waiting = false;
        QMetaObject::invokeMethod(m_context, [this] {
            for (const auto &[desk, server] : m_pairs) {
                pass(desk, server);
                pass(server, desk);
            }
        });
    }

private:
    void run() override
    {
        QTcpServer listener;
        listener.listen(QHostAddress::LocalHost);
        m_port = listener.serverPort();
        m_context = &listener;
        QObject::connect(&listener, &QTcpServer::newConnection, &listener, [this, &listener] {
            while (QTcpSocket *desk = listener.nextPendingConnection())
                pair(desk);
        });
        m_listening.release();
        exec();
        m_pairs.clear();
    }

    void pair(QTcpSocket *desk)
    {
        const QUrl url(m_server);
        auto *server = new QTcpSocket(desk);
        m_pairs.emplace_back(desk, server);
        QObject::connect(desk, &QTcpSocket::readyRead, desk, [=, this] { pass(desk, server); });
        QObject::connect(server, &QTcpSocket::readyRead, desk, [=, this] { pass(server, desk); });
        // What the desk sent before the server's side was up.
        QObject::connect(server, &QTcpSocket::connected, desk, [=, this] { pass(desk, server); });
        QObject::connect(server, &QTcpSocket::disconnected, desk, [desk] { desk->disconnectFromHost(); });
        QObject::connect(desk, &QTcpSocket::disconnected, desk, [=, this] {
            std::erase(m_pairs, std::pair(desk, server));
            server->disconnectFromHost();
            desk->deleteLater();
        });
        server->connectToHost(url.host(), quint16(url.port()));
    }

    void pass(QTcpSocket *from, QTcpSocket *to)
    {
        if (m_held) {
            m_waiting = m_waiting || from->bytesAvailable() > 0;
            return;
        }
        if (to->state() == QAbstractSocket::ConnectedState)
            to->write(from->readAll());
    }

    const QString m_server;
    QSemaphore m_listening;
    quint16 m_port = 0;
    QObject *m_context = nullptr;
    std::atomic<bool> m_held = false;
    std::atomic<bool> m_waiting = false;
    // Lives in the relay's thread only.
    std::vector<std::pair<QTcpSocket *, QTcpSocket *>> m_pairs;
};
