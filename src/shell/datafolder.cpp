#include "shell/datafolder.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace shell {

LaunchOptions parseLaunchArguments(const QStringList &arguments)
{
    LaunchOptions options;
    const auto takeFolder = [&options](const QString &folder) {
        if (folder.isEmpty())
            options.error = QStringLiteral("--data 后面缺少文件夹");
        else if (!options.dataFolder.isEmpty())
            options.error = QStringLiteral("--data 只能给出一次");
        else
            options.dataFolder = folder;
    };
    const QString dataPrefix = QStringLiteral("--data=");
    const QString databasePrefix = QStringLiteral("--database=");
    const auto takeServer = [&options](const QString &address) {
        if (!address.startsWith(QLatin1String("postgresql://")) && !address.startsWith(QLatin1String("postgres://")))
            options.error = QStringLiteral("--database 后面应是服务器地址 postgresql://用户:密码@主机:5432/数据库");
        else
            options.database = address;
    };
    for (qsizetype i = 0; i < arguments.size() && options.error.isEmpty(); ++i) {
        const QString &arg = arguments.at(i);
        if (arg == QLatin1String("--from-menu"))
            options.fromMenu = true;
        else if (arg == QLatin1String("--help") || arg == QLatin1String("-h"))
            options.help = true;
        else if (arg == QLatin1String("--version"))
            options.version = true;
        else if (arg == QLatin1String("--data"))
            takeFolder(i + 1 < arguments.size() ? arguments.at(++i) : QString());
        else if (arg.startsWith(dataPrefix))
            takeFolder(arg.mid(dataPrefix.size()));
        else if (arg == QLatin1String("--database"))
            takeServer(i + 1 < arguments.size() ? arguments.at(++i) : QString());
        else if (arg.startsWith(databasePrefix))
            takeServer(arg.mid(databasePrefix.size()));
        else
            options.error = QStringLiteral("无法识别的参数：%1").arg(arg);
    }
    return options;
}

QString shortUsageText()
{
    return QStringLiteral("用法：corvale [--data 文件夹] [--database 服务器地址] [--from-menu]\n"
                          "      corvale --help | --version\n");
}

QString usageText()
{
    return shortUsageText()
        + QStringLiteral(
            "冰箱空调维修服务站的维修记录与报表。\n"
            "\n"
            "  不带参数         在当前文件夹中工作\n"
            "  --data 文件夹    在指定的文件夹中工作，不存在时自动创建\n"
            "  --database 地址  维修记录放在维修站的数据库服务器上，如\n"
            "                   postgresql://用户:密码@主机:5432/数据库\n"
            "                   命令行上的密码，这台电脑的其他用户用 ps 就能看到：\n"
            "                   地址中不写密码，把它放在 ~/.pgpass 或 PGPASSWORD 中\n"
            "  --from-menu      从桌面菜单启动：使用上次选定的数据文件夹，第一次启动时询问\n"
            "  -h, --help       显示本说明后退出\n"
            "  --version        显示版本后退出\n");
}

FolderDecision decideDataFolder(const LaunchOptions &options, const QString &workingFolder,
                                const QString &remembered, const QString &home)
{
    if (!options.dataFolder.isEmpty())
        return {FolderSource::Argument, absoluteFolder(options.dataFolder, workingFolder, home)};
    if (!options.fromMenu)
        return {FolderSource::WorkingFolder, QDir::cleanPath(workingFolder)};
    if (!remembered.isEmpty())
        return {FolderSource::Remembered, absoluteFolder(remembered, home, home)};
    return {FolderSource::Ask, QDir(home).filePath(QStringLiteral("Corvale"))};
}

QString absoluteFolder(const QString &typed, const QString &base, const QString &home)
{
    QString path = typed.trimmed();
    if (path == QLatin1String("~"))
        path = home;
    else if (path.startsWith(QLatin1String("~/")))
        path = home + path.mid(1);
    return QDir::cleanPath(QDir(base).absoluteFilePath(path));
}

QString prepareDataFolder(const QString &folder)
{
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir())
        return QStringLiteral("%1 是一个文件，不是文件夹，不能用来存放数据。").arg(folder);
    if (!QDir().mkpath(folder))
        return QStringLiteral("无法创建数据文件夹 %1。\n请检查路径是否正确、是否有权限。").arg(folder);
    // Permission bits say little (root, network shares): try a real file.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".corvale-probe-XXXXXX")));
    if (!probe.open())
        return QStringLiteral("数据文件夹 %1 无法写入。\n请检查权限，或另选一个文件夹。").arg(folder);
    return {};
}

} // namespace shell
