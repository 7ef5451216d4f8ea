#pragma once
#include <QWidget>

namespace workspace {

// "关于本软件": what the program is, and a button back to the workspace.
class AboutWindow : public QWidget {
    Q_OBJECT
public:
    explicit AboutWindow(QWidget *workspace);

private:
    QWidget *m_workspace;
};

} // namespace workspace
