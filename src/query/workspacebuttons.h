#pragma once
// The workspace buttons the query and sort windows mark, found by name so the
// windows need nothing of the workspace but its widget.
#include <QColor>
#include <QStringList>

class QPushButton;
class QWidget;

namespace query {

// The query button's mark while a filter is in force.
inline QColor filterMarkColor() { return QColor(255, 0, 0); }

class WorkspaceButtons {
public:
    explicit WorkspaceButtons(QWidget *workspace) : m_workspace(workspace) {}

    // nullptr when the workspace has no such button.
    QPushButton *button(const QString &name) const;
    void setEnabled(const QStringList &names, bool enabled) const;
    void markFilter() const;

private:
    QWidget *m_workspace;
};

} // namespace query
