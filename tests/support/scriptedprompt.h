#pragma once
// A prompt that records what the program asked and answers from a script.
// Each box, input box or file dialog is really opened, modal, and closed once
// it has the focus, so the windows behind meet the focus changes a clerk's
// answer makes. Installed for its lifetime.
#include "common/ui/prompt.h"

#include <QList>
#include <QStringList>
#include <functional>

class ScriptedPrompt final : public common::Prompt {
public:
    ScriptedPrompt() { common::setPrompt(this); }
    ~ScriptedPrompt() override { common::setPrompt(nullptr); }

    // What was asked, in order.
    QList<common::Message> messages;
    QStringList inputsAsked;   // labels of input boxes
    QStringList filesAsked;    // filters of file dialogs, open and save
    QList<int> boxHeights;     // of each message box as it showed, in pixels
    QList<int> boxWidths;      // of each message and input box as it showed, in pixels

    // Answers, taken from the front; when a list runs out: the first button
    // (OK / Yes), a cancelled input box, a cancelled file dialog.
    QList<common::Answer> answers;
    QList<std::optional<QString>> inputAnswers;
    QStringList fileAnswers;

    // Runs just before a message box opens, e.g. to look at the window behind it.
    std::function<void(const common::Message &)> whileOpen;

    common::Answer message(const common::Message &m) override;
    std::optional<QString> input(const QString &label, const QString &title,
                                 const QString &defaultText) override;
    QString openFile(const QString &title, const QString &filter) override;
    QString saveFile(const QString &title, const QString &name, const QString &filter) override;
    QString openFolder(const QString &title, const QString &start) override; // asked as filter "<folder>"

    QStringList texts() const;
    void clear();

private:
    QString fileDialog(const QString &filter, int mode); // a QFileDialog::AcceptMode
};
