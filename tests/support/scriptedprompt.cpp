#include "scriptedprompt.h"
#include "testapp.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

namespace {

// Opens dialog modally as the program would, waits until the desktop has
// really given it the focus, then closes it with result. The window behind
// it meets the same focus changes as when a clerk answers the box.
void showAndAnswer(QDialog &dialog, int result)
{
    QPointer<QDialog> guard(&dialog);
    QTimer::singleShot(0, &dialog, [guard, result] {
        if (!guard)
            return;
        if (!waitForFocus(guard.data()))
            qWarning("a box never got the focus: %s", qPrintable(guard->windowTitle()));
        if (guard)
            guard->done(result);
    });
    dialog.exec();
}

} // namespace

common::Answer ScriptedPrompt::message(const common::Message &m)
{
    messages << m;
    common::Answer answer = m.buttons == common::Buttons::YesNo ? common::Answer::Yes : common::Answer::Ok;
    if (!answers.isEmpty())
        answer = answers.takeFirst();
    if (whileOpen)
        whileOpen(m);
    const std::unique_ptr<QMessageBox> box = common::messageBox(m, QApplication::activeWindow());
    QTimer::singleShot(0, box.get(), [this, b = box.get()] {
        boxHeights << b->frameGeometry().height();
        boxWidths << b->width();
    });
    showAndAnswer(*box, QMessageBox::Ok);
    return answer;
}

std::optional<QString> ScriptedPrompt::input(const QString &label, const QString &title, const QString &)
{
    inputsAsked << label;
    std::optional<QString> answer;
    if (!inputAnswers.isEmpty())
        answer = inputAnswers.takeFirst();
    const std::unique_ptr<QInputDialog> box = common::inputBox(label, title, QString(), QApplication::activeWindow());
    QTimer::singleShot(0, box.get(), [this, b = box.get()] { boxWidths << b->width(); });
    showAndAnswer(*box, answer ? QDialog::Accepted : QDialog::Rejected);
    return answer;
}

QString ScriptedPrompt::openFile(const QString &, const QString &filter)
{
    return fileDialog(filter, QFileDialog::AcceptOpen);
}

QString ScriptedPrompt::saveFile(const QString &, const QString &, const QString &filter)
{
    return fileDialog(filter, QFileDialog::AcceptSave);
}

QString ScriptedPrompt::openFolder(const QString &, const QString &)
{
    return fileDialog(QStringLiteral("<folder>"), QFileDialog::AcceptOpen);
}

QString ScriptedPrompt::fileDialog(const QString &filter, int mode)
{
    filesAsked << filter;
    QString answer;
    if (!fileAnswers.isEmpty())
        answer = fileAnswers.takeFirst();
    QFileDialog box(QApplication::activeWindow());
    box.setOption(QFileDialog::DontUseNativeDialog);
    box.setAcceptMode(QFileDialog::AcceptMode(mode));
    showAndAnswer(box, answer.isEmpty() ? QDialog::Rejected : QDialog::Accepted);
    return answer;
}

QStringList ScriptedPrompt::texts() const
{
    QStringList out;
    for (const auto &m : messages)
        out << m.text;
    return out;
}

void ScriptedPrompt::clear()
{
    messages.clear();
    inputsAsked.clear();
    filesAsked.clear();
    boxWidths.clear();
}
