#include "common/ui/qtwords.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <cstring>

namespace common {

QString MissingQtWords::translate(const char *context, const char *sourceText, const char *, int) const
{
    // Qt 6 moved the file types to a context its Chinese translation does not have yet.
    struct Word {
        const char *context;
        const char *source;
        const char *chinese;
    };
    static const Word words[] = {
        {"QAbstractFileIconProvider", "Folder", "文件夹"},
        {"QAbstractFileIconProvider", "File Folder", "文件夹"},
        {"QAbstractFileIconProvider", "File", "文件"},
        {"QAbstractFileIconProvider", "Drive", "驱动器"},
        {"QAbstractFileIconProvider", "Shortcut", "快捷方式"},
        {"QAbstractFileIconProvider", "Alias", "别名"},
        {"QAbstractFileIconProvider", "Unknown", "未知"},
    };
    for (const Word &w : words)
        if (std::strcmp(context, w.context) == 0 && std::strcmp(sourceText, w.source) == 0)
            return QString::fromUtf8(w.chinese);
    return {};
}

void installChineseQtWords()
{
    auto *app = QCoreApplication::instance();
    auto *qt = new QTranslator(app);
    if (qt->load(QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    // Installed last, asked first: it answers only for the words Qt's file lacks.
    QCoreApplication::installTranslator(new MissingQtWords(app));
}

} // namespace common
