#include "shell/datafolderdialog.h"

#include "common/ui/prompt.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace shell {

DataFolderDialog::DataFolderDialog(const QString &suggestion, const QString &problem, QWidget *parent)
    : QDialog(parent), m_folder(new QLineEdit(suggestion, this))
{
    setWindowTitle(common::appTitle());
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("请选择存放数据的文件夹"), this));
    auto *explain = new QLabel(
        QStringLiteral("维修记录、报表定义和设置都保存在这里。以后从菜单启动时直接使用这个文件夹。"), this);
    explain->setWordWrap(true);
    layout->addWidget(explain);

    auto *row = new QHBoxLayout;
    m_folder->setMinimumWidth(360);
    row->addWidget(m_folder);
    auto *browse = new QPushButton(QStringLiteral("浏览…"), this);
    connect(browse, &QPushButton::clicked, this, &DataFolderDialog::browse);
    row->addWidget(browse);
    layout->addLayout(row);

    if (!problem.isEmpty()) {
        auto *refused = new QLabel(problem, this);
        refused->setWordWrap(true);
        refused->setStyleSheet(QStringLiteral("color: #b00000;"));
        layout->addWidget(refused);
    }

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(m_folder, &QLineEdit::textChanged, this,
            [this](const QString &text) { m_ok->setEnabled(!text.trimmed().isEmpty()); });
    m_ok->setEnabled(!suggestion.trimmed().isEmpty());
}

QString DataFolderDialog::folder() const
{
    return m_folder->text();
}

void DataFolderDialog::browse()
{
    const QString chosen = QFileDialog::getExistingDirectory(
        this, QStringLiteral("选择数据文件夹"), m_folder->text());
    if (!chosen.isEmpty())
        m_folder->setText(chosen);
}

} // namespace shell
