// A damaged Access file must be refused with a reason or read whole; never may
// it take the program down. The program reads through its reader program
// (corvale-mdbreader), so that is what is driven here: libmdb crashing,
// looping or allocating without end in the reader is the case the isolation
// exists for, and the caller must come back with a message every time.
#include "store/mdbisolated.h"

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
    // Ask for every table the file names: a second pass reads them all.
    const auto names = store::readMdbIsolated(inputPath(), {}, 3000);
    if (names.failed()) {
        require(!names.error().text.isEmpty());
        return 0;
    }
    const auto contents = store::readMdbIsolated(inputPath(), names->tableNames, 3000);
    if (contents.failed()) {
        require(!contents.error().text.isEmpty());
        return 0;
    }
    require(contents->tables.size() == names->tableNames.size());
    for (const store::MdbTable &table : contents->tables)
        for (const QVariantMap &row : table.rows)
            require(row.size() <= table.columns.size());
    return 0;
}
