#include "query/workspacebuttons.h"

#include "common/ui/widgets.h"

#include <QPushButton>

namespace query {

QPushButton *WorkspaceButtons::button(const QString &name) const
{
    return m_workspace ? m_workspace->findChild<QPushButton *>(name) : nullptr;
}

void WorkspaceButtons::setEnabled(const QStringList &names, bool enabled) const
{
    for (const QString &name : names) {
        if (QPushButton *b = button(name))
            b->setEnabled(enabled);
    }
}

void WorkspaceButtons::markFilter() const
{
    if (QPushButton *b = button(QStringLiteral("cmdSearch")))
        common::setBackColor(b, filterMarkColor());
}

} // namespace query
