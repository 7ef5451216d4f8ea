#include "common/fonts.h"
#include "common/ui/lateinput.h"
#include "common/ui/qtwords.h"
#include "shell/launcher.h"
#include "shell/shell.h"
#include "store/database.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QLocale>
#include <QStyleFactory>

int main(int argc, char *argv[])
{
    // --help, --version and a wrong argument are answered before anything
    // touches the window system, so they work without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (const std::optional<int> end = shell::answerCommandLine(arguments))
        return *end;

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvale"));
    QApplication::setDesktopFileName(QStringLiteral("cn.corvale.corvale"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("corvale")));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    common::installFontSubstitutions();
    QApplication::setFont(common::cjkFont(QStringLiteral("宋体"), 9));

    // Standard buttons read 确定/取消/是/否, a file dialog's types 文件夹.
    common::installChineseQtWords();

    // What was typed while the program waited on its database goes nowhere:
    // not into the next job after a save that took long, not into a box.
    auto *lateInput = new common::LateInputFilter(&app);
    store::setLongWaitObserver([lateInput] { lateInput->discardUntilNow(); });

    // The workspace's closing, not the last window, ends the run; the data
    // folder question is such a window.
    QApplication::setQuitOnLastWindowClosed(false);
    // Everything after this finds its files by bare name in the data folder.
    if (const std::optional<int> end = shell::enterDataFolder(QApplication::arguments()))
        return *end;
    shell::Shell shell(QDir::currentPath());
    QObject::connect(&shell, &shell::Shell::finished, &app, [](int code) { QApplication::exit(code); });
    shell.start();
    return app.exec();
}
