#pragma once
#include <QWidget>

namespace common {
struct ShopContext;
}

namespace workspace {

// "关于本软件": what the program is, where this shop's jobs and reports are,
// and a button back to the workspace.
class AboutWindow : public QWidget {
    Q_OBJECT
public:
    AboutWindow(QWidget *workspace, const common::ShopContext &shop);

private:
    QWidget *m_workspace;
};

} // namespace workspace
