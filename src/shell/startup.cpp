#include "shell/startup.h"

#include "common/ui/prompt.h"
#include "shell/legacystartup.h"
#include "store/backup.h"
#include "store/serveraddress.h"

#include <QDir>
#include <QFileInfo>

namespace shell {

DatabaseAction databaseActionFor(store::FileKind kind)
{
    switch (kind) {
    case store::FileKind::Missing: return DatabaseAction::CreateNew;
    case store::FileKind::Jet3:
    case store::FileKind::Jet4:
    case store::FileKind::Ace: return DatabaseAction::LegacyData;
    case store::FileKind::SQLite:
    case store::FileKind::Unknown: break;
    }
    return DatabaseAction::Open;
}

QString createdText(const QString &path, int earlierBackups)
{
    QString text = QStringLiteral("没有找到数据库文件，已新建一个空的数据库：\n%1\n\n"
                                  "从现在起，这台电脑的维修记录保存在这个文件中，其他电脑看不到。")
                       .arg(QDir::toNativeSeparators(path));
    // A desk taken off its server, or one whose file went, starts empty:
    // said while the clerk can still put it right.
    if (earlierBackups > 0)
        text += QStringLiteral("\n\n数据文件夹的“备份”中有 %1 份以前的备份，以前的记录不在这个新文件中。"
                               "如果本店的记录放在数据库服务器上，请在“基础资料设置 → 数据库服务器”中填回服务器地址，"
                               "然后重新启动本程序；如果是数据文件丢了，可用“高级功能 → 从备份恢复…”。")
                    .arg(earlierBackups);
    return text;
}

QString openFailedText(const QString &path, const QString &engineText)
{
    return QStringLiteral("无法打开数据库文件：\n%1\n\n%2").arg(QDir::toNativeSeparators(path), engineText);
}

QString readablePasswordText(const QString &iniPath, const QString &serverLine)
{
    if (serverLine.trimmed().isEmpty() || store::maskedAddress(serverLine) == serverLine.trimmed())
        return {};
    const QFileInfo ini(iniPath);
    if (!ini.exists() || !(ini.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther)))
        return {};
    return QStringLiteral("设置文件 %1 的数据库服务器地址中写有密码，而这台电脑上的其他用户也能读取这个文件。\n"
                          "在“基础资料设置 → 数据库服务器”中按一次“保存”，之后只有您能读取它"
                          "（或在终端执行 chmod 600 %1）。\n"
                          "更稳妥的是把密码从地址中删去，改放在 ~/.pgpass 文件中。")
        .arg(QDir::toNativeSeparators(ini.absoluteFilePath()));
}

std::unique_ptr<store::Database> openWorkingDatabase(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    switch (databaseActionFor(store::detectFileKind(path))) {
    case DatabaseAction::CreateNew: {
        auto db = store::Database::create(path);
        if (db.failed()) {
            common::say(openFailedText(absolute, db.error().text), QStringLiteral("警告"), common::Icon::Critical, common::Buttons::Ok, db.error().detail);
            return nullptr;
        }
        const int earlier = int(store::snapshots(path).size());
        common::say(createdText(absolute, earlier), QStringLiteral("提示"),
                    earlier > 0 ? common::Icon::Warning : common::Icon::Information);
        return std::move(db).value();
    }
    case DatabaseAction::LegacyData:
        // The import asks first, keeps the original as a backup and leaves the
        // new database under the usual name; anything else ends the run.
        if (!startUpGoesOn(offerLegacyImport(path)))
            return nullptr;
        [[fallthrough]];
    case DatabaseAction::Open: {
        auto db = store::Database::open(path);
        if (db.failed()) {
            common::say(openFailedText(absolute, db.error().text), QStringLiteral("警告"), common::Icon::Critical, common::Buttons::Ok, db.error().detail);
            return nullptr;
        }
        return std::move(db).value();
    }
    }
    return nullptr;
}

QString serverRefusedText(const QString &address, const QString &engineText)
{
    return QStringLiteral("无法使用数据库服务器：\n%1\n\n%2").arg(store::displayedAddress(address), engineText);
}

} // namespace shell
