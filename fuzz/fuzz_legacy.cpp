// A damaged Access file must be refused with a reason or read whole; never may
// it take the program down. The program reads through the isolated reader, so
// that is what is driven here: libmdb crashing, looping or allocating without
// end in the child is the case the isolation exists for, and the parent must
// come back with a message every time.
#include "store/mdbisolated.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <pthread.h>
#include <sanitizer/common_interface_defs.h>
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

// The fuzzer's death callback would record a reader crash in the child as a
// finding of the run; for the parent it is an ordinary refusal.
void forgetFuzzerInChild()
{
    __sanitizer_set_death_callback(nullptr);
}

const bool childHookInstalled = pthread_atfork(nullptr, nullptr, forgetFuzzerInChild) == 0;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    require(childHookInstalled);
    {
        QFile file(inputPath());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    // Ask for every table the file names: a second pass reads them all.
    store::MdbContents names;
    QString error;
    if (!store::readMdbIsolated(inputPath(), {}, &names, &error, 3000)) {
        require(!error.isEmpty());
        return 0;
    }
    store::MdbContents contents;
    if (!store::readMdbIsolated(inputPath(), names.tableNames, &contents, &error, 3000)) {
        require(!error.isEmpty());
        return 0;
    }
    require(contents.tables.size() == names.tableNames.size());
    for (const store::MdbTable &table : contents.tables)
        for (const QVariantMap &row : table.rows)
            require(row.size() <= table.columns.size());
    return 0;
}
