#pragma once
// Asked on the first start from the desktop menu: where the shop's data goes.
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace shell {

class DataFolderDialog : public QDialog {
    Q_OBJECT
public:
    // problem, when not empty, says why the folder chosen before was refused.
    explicit DataFolderDialog(const QString &suggestion, const QString &problem = {},
                              QWidget *parent = nullptr);

    // The folder as typed or browsed to.
    QString folder() const;

private:
    void browse();

    QLineEdit *m_folder;
    QPushButton *m_ok;
};

} // namespace shell
