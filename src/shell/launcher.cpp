#include "shell/launcher.h"

#include "common/ui/prompt.h"
#include "shell/datafolder.h"
#include "shell/datafolderdialog.h"

#include <QDir>
#include <QSettings>
#include <QTextStream>

namespace shell {
namespace {

const QString rememberedKey = QStringLiteral("dataFolder");

// A terminal start has a terminal to read the message; a menu start has not.
void complain(const QString &text, bool fromMenu)
{
    if (fromMenu)
        common::say(text, common::appTitle(), common::Icon::Critical);
    else
        QTextStream(stderr) << "corvale: " << text << '\n';
}

// Asks until the folder chosen is usable; nothing when the user cancels.
std::optional<QString> askForFolder(QString suggestion, QString problem, const QString &home)
{
    for (;;) {
        DataFolderDialog dialog(suggestion, problem);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        suggestion = absoluteFolder(dialog.folder(), home, home);
        problem = prepareDataFolder(suggestion);
        if (problem.isEmpty())
            return suggestion;
    }
}

} // namespace

std::optional<int> answerCommandLine(const QStringList &arguments)
{
    const LaunchOptions options = parseLaunchArguments(arguments.mid(1));
    if (!options.error.isEmpty()) {
        QTextStream(stderr) << "corvale: " << options.error << '\n' << shortUsageText()
                            << "详见 corvale --help。\n";
        return 2;
    }
    if (options.help) {
        QTextStream(stdout) << usageText();
        return 0;
    }
    if (options.version) {
        QTextStream(stdout) << "corvale " << CORVALE_VERSION << '\n';
        return 0;
    }
    return std::nullopt;
}

std::optional<int> enterDataFolder(const QStringList &arguments)
{
    const LaunchOptions options = parseLaunchArguments(arguments.mid(1));
    // The store finds the server where it looks first, before corvale.ini.
    if (!options.database.isEmpty())
        qputenv("CORVALE_DATABASE", options.database.toUtf8());

    // The user's own launcher setting, in ~/.config/Corvale; the shop's
    // corvale.ini lives in the data folder it points to.
    QSettings launcher(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Corvale"),
                       QStringLiteral("corvale-launcher"));
    const QString home = QDir::homePath();
    const FolderDecision decision = decideDataFolder(options, QDir::currentPath(),
                                                     launcher.value(rememberedKey).toString(), home);
    QString folder = decision.folder;
    const QString problem =
        decision.source == FolderSource::Ask ? QString() : prepareDataFolder(folder);
    // A remembered folder that is gone for good (a disk taken away) is asked
    // about again instead of ending every menu start.
    if (decision.source == FolderSource::Ask
        || (decision.source == FolderSource::Remembered && !problem.isEmpty())) {
        const std::optional<QString> chosen = askForFolder(folder, problem, home);
        if (!chosen)
            return 0;
        folder = *chosen;
        launcher.setValue(rememberedKey, folder);
    } else if (!problem.isEmpty()) {
        complain(problem, options.fromMenu);
        return 1;
    }

    if (!QDir::setCurrent(folder)) {
        complain(QStringLiteral("无法进入数据文件夹 %1。").arg(folder), options.fromMenu);
        return 1;
    }
    return std::nullopt;
}

} // namespace shell
