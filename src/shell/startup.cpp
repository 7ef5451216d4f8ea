#include "shell/startup.h"

#include "common/ui/prompt.h"
#include "shell/legacystartup.h"

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

QString createdText(const QString &path)
{
    return QStringLiteral("没有找到数据库文件，已新建一个空的数据库：\n%1").arg(QDir::toNativeSeparators(path));
}

QString openFailedText(const QString &path, const QString &engineText)
{
    return QStringLiteral("无法打开数据库文件：\n%1\n\n%2").arg(QDir::toNativeSeparators(path), engineText);
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
        common::say(createdText(absolute), QStringLiteral("提示"), common::Icon::Information);
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

std::unique_ptr<store::Database> openServerDatabase(const QString &address)
{
    auto db = store::Database::open(address);
    if (db.failed()) {
        // The store says what is wrong with the address; where to correct it is the program's to say.
        common::say(QStringLiteral("无法使用数据库服务器：\n%1\n\n%2\n\n服务器地址在“基础资料设置 → 数据库服务器”中。")
                        .arg(store::displayedAddress(address), db.error().text),
                    QStringLiteral("警告"), common::Icon::Critical, common::Buttons::Ok, db.error().detail);
        return nullptr;
    }
    return std::move(db).value();
}

} // namespace shell
