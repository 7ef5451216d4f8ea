#include "store/mdbisolated.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QFileInfo>
#include <QIODevice>
#include <QProcess>

#include <sys/resource.h>

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

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

// The reader: given by CORVALE_MDBREADER, beside the running program, where
// this build put it, or where the package installs it.
QString readerProgram()
{
    if (const QString given = qEnvironmentVariable("CORVALE_MDBREADER"); !given.isEmpty())
        return given;
    QStringList candidates;
    if (QCoreApplication::instance())
        candidates << QCoreApplication::applicationDirPath() + QStringLiteral("/corvale-mdbreader");
    candidates << QStringLiteral(CORVALE_MDBREADER_BUILT) << QStringLiteral(CORVALE_MDBREADER_INSTALLED);
    for (const QString &c : candidates)
        if (QFileInfo(c).isExecutable())
            return c;
    return candidates.last();
}

} // namespace

QByteArray readMdbForParent(const QString &path, const QStringList &wanted)
{
    QByteArray bytes;
    QDataStream s(&bytes, QIODevice::WriteOnly);
    common::Result<std::unique_ptr<MdbReader>> reader = MdbReader::open(path);
    if (reader.failed()) {
        s << false << reader.error().text;
        return bytes;
    }
    MdbContents contents;
    contents.tableNames = (*reader)->tableNames();
    for (const QString &name : wanted) {
        common::Result<MdbTable> table = (*reader)->readTable(name);
        if (table.failed()) {
            s << false << table.error().text;
            return bytes;
        }
        contents.tables.append(std::move(table).value());
    }
    s << true << QString() << contents.tableNames << qint32(contents.tables.size());
    for (const MdbTable &t : contents.tables)
        s << t;
    return bytes;
}

common::Result<MdbContents> readMdbIsolated(const QString &path, const QStringList &tables, int timeoutMs)
{
    const common::Error damaged = common::Error::failed(QStringLiteral("无法读取 Access 文件 %1：文件已损坏").arg(path));
    QProcess reader;
    reader.setProgram(readerProgram());
    reader.setArguments(QStringList{path} + tables);
    if (kAddressSanitizer) {
        // The sanitizer reserves more address space than any cap allows; its
        // own limit stops the reader instead.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ASAN_OPTIONS"),
                   env.value(QStringLiteral("ASAN_OPTIONS"))
                       + QStringLiteral(":hard_rss_limit_mb=%1:allocator_may_return_null=1").arg(kMdbReaderMemoryLimit >> 20));
        reader.setProcessEnvironment(env);
    } else {
        reader.setChildProcessModifier([] {
            const rlimit cap{rlim_t(kMdbReaderMemoryLimit), rlim_t(kMdbReaderMemoryLimit)};
            ::setrlimit(RLIMIT_AS, &cap);
        });
    }
    reader.start(QIODevice::ReadOnly);
    if (!reader.waitForStarted())
        return common::Error::failed(QStringLiteral("无法启动 Access 文件读取程序 %1：%2")
                                         .arg(reader.program(), reader.errorString()));
    if (!reader.waitForFinished(timeoutMs)) {
        reader.kill();
        reader.waitForFinished();
        return damaged;
    }
    if (reader.exitStatus() != QProcess::NormalExit || reader.exitCode() != 0)
        return damaged;

    QDataStream s(reader.readAllStandardOutput());
    bool ok = false;
    QString readerError;
    s >> ok >> readerError;
    if (!ok)
        return s.status() == QDataStream::Ok && !readerError.isEmpty() ? common::Error::failed(readerError) : damaged;
    MdbContents contents;
    qint32 count = 0;
    s >> contents.tableNames >> count;
    for (qint32 i = 0; i < count && s.status() == QDataStream::Ok; ++i) {
        MdbTable t;
        s >> t;
        contents.tables.append(std::move(t));
    }
    if (s.status() != QDataStream::Ok || contents.tables.size() != tables.size())
        return damaged;
    return contents;
}

} // namespace store
