#include "common/ui/prompt.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace common {
namespace {

QMessageBox::Icon toQt(Icon icon)
{
    switch (icon) {
    case Icon::Information: return QMessageBox::Information;
    case Icon::Question: return QMessageBox::Question;
    case Icon::Warning: return QMessageBox::Warning;
    case Icon::Critical: return QMessageBox::Critical;
    case Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

class DialogPrompt final : public Prompt {
public:
    Answer message(const Message &m) override
    {
        QMessageBox box(toQt(m.icon), m.title, m.text, QMessageBox::NoButton,
                        QApplication::activeWindow());
        switch (m.buttons) {
        case Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
        case Buttons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
        case Buttons::OkCancel: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
        }
        switch (box.exec()) {
        case QMessageBox::Yes: return Answer::Yes;
        case QMessageBox::No: return Answer::No;
        case QMessageBox::Cancel: return Answer::Cancel;
        default: return m.buttons == Buttons::Ok ? Answer::Ok
                      : m.buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
        }
    }

    std::optional<QString> input(const QString &label, const QString &title,
                                 const QString &defaultText) override
    {
        bool ok = false;
        const QString text = QInputDialog::getText(QApplication::activeWindow(), title, label,
                                                   QLineEdit::Normal, defaultText, &ok);
        if (!ok)
            return std::nullopt;
        return text;
    }

    QString openFile(const QString &title, const QString &filter) override
    {
        return QFileDialog::getOpenFileName(QApplication::activeWindow(), title, QString(), filter);
    }
};

DialogPrompt g_dialogs;
Prompt *g_current = nullptr;

} // namespace

Prompt &prompt() { return g_current ? *g_current : g_dialogs; }

void setPrompt(Prompt *p) { g_current = p; }

Answer say(const QString &text, const QString &title, Icon icon, Buttons buttons)
{
    return prompt().message(Message{text, title, icon, buttons});
}

} // namespace common
