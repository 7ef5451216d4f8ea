// A damaged Access file must be refused or read, table by table, with a reason
// for every refusal; the reader only takes paths, so each input goes through a
// file of its own.
#include "store/mdbreader.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <unistd.h>

namespace {

QString inputPath()
{
    static const QString path =
        QDir::temp().filePath(QStringLiteral("corvale-fuzz-legacy-%1.mdb").arg(::getpid()));
    return path;
}

void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    {
        QFile file(inputPath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    QString error;
    const std::unique_ptr<store::MdbReader> reader = store::MdbReader::open(inputPath(), &error);
    if (!reader) {
        require(!error.isEmpty());
        return 0;
    }
    for (const QString &name : reader->tableNames()) {
        store::MdbTable table;
        QString tableError;
        if (reader->readTable(name, &table, &tableError)) {
            for (const QVariantMap &row : table.rows)
                require(row.size() <= table.columns.size());
        } else {
            require(!tableError.isEmpty());
        }
    }
    return 0;
}
