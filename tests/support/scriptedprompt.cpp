#include "scriptedprompt.h"

common::Answer ScriptedPrompt::message(const common::Message &m)
{
    messages << m;
    if (whileOpen)
        whileOpen(m);
    if (!answers.isEmpty())
        return answers.takeFirst();
    return m.buttons == common::Buttons::YesNo ? common::Answer::Yes : common::Answer::Ok;
}

std::optional<QString> ScriptedPrompt::input(const QString &label, const QString &, const QString &)
{
    inputsAsked << label;
    if (!inputAnswers.isEmpty())
        return inputAnswers.takeFirst();
    return std::nullopt;
}

QString ScriptedPrompt::openFile(const QString &, const QString &filter)
{
    filesAsked << filter;
    if (!fileAnswers.isEmpty())
        return fileAnswers.takeFirst();
    return QString();
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
}
