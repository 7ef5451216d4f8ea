#pragma once
// Every message box, input box and file dialog of the program goes through
// one Prompt, so tests can install a scripted one and read what was asked.
#include "common/result.h"

#include <QString>
#include <memory>
#include <optional>

class QInputDialog;
class QMessageBox;
class QWidget;

namespace common {

// The program's own title: message boxes without a title of their own show it.
inline QString appTitle() { return QStringLiteral("Corvale V3.0"); }

enum class Icon { None, Information, Question, Warning, Critical };
enum class Buttons { Ok, YesNo, OkCancel };
enum class Answer { Ok, Cancel, Yes, No };

struct Message {
    QString text;
    QString title = appTitle();
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
    QString detail; // the engine's own words, folded away under the text
};

class Prompt {
public:
    virtual ~Prompt() = default;
    virtual Answer message(const Message &m) = 0;
    // An input box; nothing when the user cancels.
    virtual std::optional<QString> input(const QString &label, const QString &title,
                                         const QString &defaultText) = 0;
    // An open-file dialog; an empty path when cancelled.
    virtual QString openFile(const QString &title, const QString &filter) = 0;
    // A save-file dialog offering name; an empty path when cancelled.
    virtual QString saveFile(const QString &title, const QString &name, const QString &filter) = 0;
    // A folder chooser starting at start; an empty path when cancelled.
    virtual QString openFolder(const QString &title, const QString &start) = 0;
};

// The prompt in force: the real dialogs unless a test installed another.
Prompt &prompt();
// Installs p (not owned); nullptr restores the real dialogs.
void setPrompt(Prompt *p);

// The text as a message box can show it: a run of Latin letters, digits or
// signs too long to wrap (a pasted path, a key typed thousands of characters
// long) is shortened in its middle, so the box never grows wider than the screen.
QString displayableText(const QString &text);

// How many lines of text a box shows before the rest is folded away with
// the detail, so no box is taller than a small screen.
constexpr int shownLines = 20;
struct FoldedText {
    QString text;
    QString detail;
};
FoldedText foldedText(const QString &text, const QString &detail);
// The box a message is shown in: the text shortened to fit the screen, the
// rest and the detail behind 显示详细信息.
std::unique_ptr<QMessageBox> messageBox(const Message &m, QWidget *parent);
// The box a line of text is asked in.
std::unique_ptr<QInputDialog> inputBox(const QString &label, const QString &title, const QString &defaultText,
                                       QWidget *parent);
// The width a box takes at least so that the window manager shows its whole
// title beside its buttons, not "Co… .0".
int widthForTitle(const QWidget *box, const QString &title);

// The way the program asks: through the prompt in force, and afterwards the
// window the clerk was in gets the focus back, also where the window manager
// leaves it nowhere once a box has closed.
Answer say(const QString &text, const QString &title = appTitle(),
           Icon icon = Icon::None, Buttons buttons = Buttons::Ok, const QString &detail = {});
// A failure as it stands: its text, and its detail folded away.
Answer say(const Error &failure, const QString &title, Icon icon);
std::optional<QString> askText(const QString &label, const QString &title, const QString &defaultText = {});
QString askOpenFile(const QString &title, const QString &filter);
QString askSaveFile(const QString &title, const QString &name, const QString &filter);
QString askFolder(const QString &title, const QString &start);

} // namespace common
