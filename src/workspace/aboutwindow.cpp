#include "workspace/aboutwindow.h"

#include "common/fonts.h"
#include "common/shopcontext.h"
#include "common/ui/programwindow.h"
#include "store/database.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace workspace {

AboutWindow::AboutWindow(QWidget *workspace, const common::ShopContext &shop)
    : QWidget(workspace, Qt::Window), m_workspace(workspace)
{
    setObjectName(QStringLiteral("frmAbout"));
    common::markProgramWindow(this);
    setWindowTitle(QStringLiteral("关于本软件"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(common::cjkFont(QStringLiteral("宋体"), 9));
    auto *frame = new QGroupBox(QStringLiteral("关于本软件"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    auto *text = new QLabel(frame);
    text->setObjectName(QStringLiteral("Label1"));
    text->setWordWrap(true);
    text->setText(QStringLiteral(
        "Corvale V3.0 是冰箱、空调维修服务站的维修登记软件。\n\n"
        "每一次维修登记为一条记录：客户、产品、购买与出厂资料、接货与发货日期、"
        "故障、检修结果、修理内容与代码、配件与物料代码、各项费用、维修与运送人员以及照片。"
        "可按编号查询、模糊查询与排序，可复制记录，并可打印各品牌的修理凭单、"
        "月报表、季度报表、信封和快递单。\n\n"
        "维修记录保存在%1中，报表格式文件在数据文件夹“%2”的“报表”文件夹中。"
        "请定期备份这些文件。")
                      .arg(store::placeOfJobs(shop.jobTable),
                           QDir::toNativeSeparators(shop.folder)));
    auto *inner = new QVBoxLayout(frame);
    inner->addWidget(text);
    auto *back = new QPushButton(QStringLiteral("返 回(&R)"), this);
    back->setObjectName(QStringLiteral("cmdReturn"));
    connect(back, &QPushButton::clicked, this, [this] {
        close();
        if (m_workspace) {
            m_workspace->raise();
            m_workspace->activateWindow();
        }
    });
    // Esc goes back as 返回 does, as in every other window of the program.
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, back, &QPushButton::click);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame, 1);
    layout->addWidget(back, 0, Qt::AlignHCenter);
    resize(420, 300);
}

} // namespace workspace
