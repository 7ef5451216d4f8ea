#include "common/ui/prompt.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>

#include <algorithm>

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
        const std::unique_ptr<QMessageBox> box = messageBox(m, QApplication::activeWindow());
        switch (box->exec()) {
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
        const std::unique_ptr<QInputDialog> box = inputBox(label, title, defaultText, QApplication::activeWindow());
        if (box->exec() != QDialog::Accepted)
            return std::nullopt;
        return box->textValue();
    }

    QString openFile(const QString &title, const QString &filter) override
    {
        return QFileDialog::getOpenFileName(QApplication::activeWindow(), title, QString(), filter);
    }

    QString saveFile(const QString &title, const QString &name, const QString &filter) override
    {
        return QFileDialog::getSaveFileName(QApplication::activeWindow(), title, name, filter);
    }

    QString openFolder(const QString &title, const QString &start) override
    {
        return QFileDialog::getExistingDirectory(QApplication::activeWindow(), title, start);
    }
};

DialogPrompt g_dialogs;
Prompt *g_current = nullptr;

} // namespace

QString displayableText(const QString &text)
{
    constexpr int longest = 80, head = 60, tail = 10;
    QString out;
    QString run;
    const auto flush = [&] {
        const bool wraps = std::any_of(run.cbegin(), run.cend(), [](QChar c) { return c.unicode() >= 0x2E80; });
        out += run.size() > longest && !wraps ? run.left(head) + QStringLiteral("…") + run.right(tail) : run;
        run.clear();
    };
    for (const QChar c : text) {
        if (c.isSpace()) {
            flush();
            out += c;
        } else {
            run += c;
        }
    }
    flush();
    return out;
}

std::unique_ptr<QMessageBox> messageBox(const Message &m, QWidget *parent)
{
    const FoldedText folded = foldedText(m.text, m.detail);
    auto box = std::make_unique<QMessageBox>(toQt(m.icon), m.title, displayableText(folded.text), QMessageBox::NoButton,
                                             parent);
    if (!folded.detail.isEmpty())
        box->setDetailedText(folded.detail);
    // A message box sizes itself by its text; a spanning spacer makes it no
    // narrower than its title.
    if (auto *grid = qobject_cast<QGridLayout *>(box->layout()))
        grid->addItem(new QSpacerItem(widthForTitle(box.get(), m.title), 0), grid->rowCount(), 0, 1,
                      grid->columnCount());
    switch (m.buttons) {
    case Buttons::Ok: box->setStandardButtons(QMessageBox::Ok); break;
    case Buttons::YesNo: box->setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case Buttons::OkCancel: box->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    }
    return box;
}

std::unique_ptr<QInputDialog> inputBox(const QString &label, const QString &title, const QString &defaultText,
                                       QWidget *parent)
{
    auto box = std::make_unique<QInputDialog>(parent);
    box->setWindowTitle(title);
    box->setLabelText(label);
    box->setTextValue(defaultText);
    box->setMinimumWidth(widthForTitle(box.get(), title));
    return box;
}

int widthForTitle(const QWidget *box, const QString &title)
{
    // The title bar's font is the window manager's, often larger and bold:
    // a fifth more than the box's own, and room for its icon and three buttons.
    QFont font = box->font();
    font.setBold(true);
    return QFontMetrics(font).horizontalAdvance(title) * 6 / 5 + 4 * QFontMetrics(font).height() + 40;
}

FoldedText foldedText(const QString &text, const QString &detail)
{
    const QStringList lines = text.split(u'\n');
    if (lines.size() <= shownLines)
        return {text, detail};
    QString rest = lines.mid(shownLines - 1).join(u'\n');
    if (!detail.isEmpty())
        rest += QStringLiteral("\n\n") + detail;
    return {lines.first(shownLines - 1).join(u'\n') + QStringLiteral("\n……（其余见详细信息）"), rest};
}

Prompt &prompt() { return g_current ? *g_current : g_dialogs; }

void setPrompt(Prompt *p) { g_current = p; }

namespace {

// Gives the focus back to the window that had it when a box opened.
class FocusReturn {
public:
    FocusReturn() : m_window(QApplication::activeWindow()) {}
    ~FocusReturn()
    {
        if (m_window && m_window->isVisible() && !m_window->isActiveWindow())
            m_window->activateWindow();
    }
    FocusReturn(const FocusReturn &) = delete;
    FocusReturn &operator=(const FocusReturn &) = delete;

private:
    QPointer<QWidget> m_window;
};

} // namespace

Answer say(const QString &text, const QString &title, Icon icon, Buttons buttons, const QString &detail)
{
    const FocusReturn back;
    return prompt().message(Message{text, title, icon, buttons, detail});
}

Answer say(const Error &failure, const QString &title, Icon icon)
{
    return say(failure.text, title, icon, Buttons::Ok, failure.detail);
}

std::optional<QString> askText(const QString &label, const QString &title, const QString &defaultText)
{
    const FocusReturn back;
    return prompt().input(label, title, defaultText);
}

QString askOpenFile(const QString &title, const QString &filter)
{
    const FocusReturn back;
    return prompt().openFile(title, filter);
}

QString askSaveFile(const QString &title, const QString &name, const QString &filter)
{
    const FocusReturn back;
    return prompt().saveFile(title, name, filter);
}

QString askFolder(const QString &title, const QString &start)
{
    const FocusReturn back;
    return prompt().openFolder(title, start);
}

} // namespace common
