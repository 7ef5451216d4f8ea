// corvale-mdbreader: reads an Access file for the program, apart from it.
//   corvale-mdbreader FILE [TABLE...]
// Writes what it read (or why it could not) to stdout for readMdbIsolated.
#include "store/mdbisolated.h"

#include <QCoreApplication>
#include <QFile>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return 2;
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly))
        return 3;
    const QByteArray bytes = store::readMdbForParent(args.first(), args.mid(1));
    return out.write(bytes) == bytes.size() && out.flush() ? 0 : 3;
}
