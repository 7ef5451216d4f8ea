#include "store/mdbisolated.h"

#include <QDataStream>
#include <QElapsedTimer>
#include <QFile>
#include <QIODevice>

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace store {

namespace {

QDataStream &operator<<(QDataStream &s, const MdbTable &t)
{
    s << t.name << qint32(t.columns.size());
    for (const MdbColumnInfo &c : t.columns)
        s << c.name << qint32(c.type);
    return s << t.rows;
}

QDataStream &operator>>(QDataStream &s, MdbTable &t)
{
    qint32 count = 0;
    s >> t.name >> count;
    for (qint32 i = 0; i < count && s.status() == QDataStream::Ok; ++i) {
        MdbColumnInfo c;
        qint32 type = 0;
        s >> c.name >> type;
        c.type = MdbColumnType(type);
        t.columns.append(c);
    }
    return s >> t.rows;
}

// What the child sends back: ok, error, names, tables.
QByteArray readInChild(const QString &path, const QStringList &wanted)
{
    QByteArray bytes;
    QDataStream s(&bytes, QIODevice::WriteOnly);
    QString error;
    const auto reader = MdbReader::open(path, &error);
    if (!reader) {
        s << false << error;
        return bytes;
    }
    MdbContents contents;
    contents.tableNames = reader->tableNames();
    for (const QString &name : wanted) {
        MdbTable table;
        if (!reader->readTable(name, &table, &error)) {
            s << false << error;
            return bytes;
        }
        contents.tables.append(std::move(table));
    }
    s << true << QString() << contents.tableNames << qint32(contents.tables.size());
    for (const MdbTable &t : contents.tables)
        s << t;
    return bytes;
}

bool writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// A damaged property block can send libmdb allocating without end; the
// largest real file reads in a small fraction of this.
constexpr qint64 kChildMemoryLimit = qint64(1) << 30;

qint64 residentBytes(pid_t pid)
{
    QFile statm(QStringLiteral("/proc/%1/statm").arg(pid));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> pages = statm.readAll().split(' ');
    return pages.size() > 1 ? pages[1].toLongLong() * ::sysconf(_SC_PAGESIZE) : 0;
}

// Everything the child writes until it closes the pipe; false when the child
// runs out of time or grows past the memory limit.
bool readAll(int fd, pid_t child, QByteArray *out, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    char buffer[65536];
    for (;;) {
        const qint64 left = timeoutMs - timer.elapsed();
        if (left <= 0 || residentBytes(child) > kChildMemoryLimit)
            return false;
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, int(qMin<qint64>(left, 200)));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return false;
        if (ready == 0)
            continue;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return true;
        out->append(buffer, n);
    }
}

} // namespace

bool readMdbIsolated(const QString &path, const QStringList &tables, MdbContents *out, QString *error,
                     int timeoutMs)
{
    const QString damaged = QStringLiteral("无法读取 Access 文件 %1：文件已损坏").arg(path);
    int fds[2];
    if (::pipe(fds) != 0) {
        *error = damaged;
        return false;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        *error = damaged;
        return false;
    }
    if (child == 0) {
        ::close(fds[0]);
        const bool sent = writeAll(fds[1], readInChild(path, tables));
        ::_exit(sent ? 0 : 1); // no exit handlers: they belong to the parent
    }
    ::close(fds[1]);
    QByteArray bytes;
    const bool finished = readAll(fds[0], child, &bytes, timeoutMs);
    ::close(fds[0]);
    if (!finished)
        ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!finished || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        *error = damaged;
        return false;
    }

    QDataStream s(bytes);
    bool ok = false;
    QString childError;
    s >> ok >> childError;
    if (!ok) {
        *error = s.status() == QDataStream::Ok && !childError.isEmpty() ? childError : damaged;
        return false;
    }
    MdbContents contents;
    qint32 count = 0;
    s >> contents.tableNames >> count;
    for (qint32 i = 0; i < count && s.status() == QDataStream::Ok; ++i) {
        MdbTable t;
        s >> t;
        contents.tables.append(std::move(t));
    }
    if (s.status() != QDataStream::Ok || contents.tables.size() != tables.size()) {
        *error = damaged;
        return false;
    }
    *out = std::move(contents);
    return true;
}

} // namespace store
