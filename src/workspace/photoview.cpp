#include "workspace/photoview.h"

#include "common/ui/prompt.h"
#include "store/recordset.h"
#include "workspace/binder.h"
#include "workspace/frmcorvale.h"

#include <QAction>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace workspace {

QString photoFileRefusal(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("找不到所选的照片文件");
    if (!info.isFile())
        return QStringLiteral("所选的不是一个普通文件");
    if (!info.isReadable())
        return QStringLiteral("没有读取所选照片文件的权限");
    return {};
}

PhotoView::PhotoView(frmCorvale &window) : QObject(&window), m_window(window)
{
    const WorkspaceControls &c = window.controls();
    connect(c.cmdChangePhoto, &QPushButton::clicked, this, &PhotoView::choosePhoto);
    connect(c.Command3, &QPushButton::clicked, this, &PhotoView::clearPhoto);
    connect(window.commands().viewImage, &QAction::triggered, this, &PhotoView::showImageView);
    connect(window.commands().viewTable, &QAction::triggered, this, &PhotoView::showTableView);
}

void PhotoView::setImageView(bool on)
{
    const WorkspaceControls &c = m_window.controls();
    m_window.commands().viewImage->setChecked(on);
    m_window.commands().viewTable->setChecked(!on);
    c.Frame1->setVisible(!on);
    for (QWidget *w : std::initializer_list<QWidget *>{c.Image1, c.Command3, c.cmdChangePhoto, c.txtPhoto})
        w->setVisible(on);
}

void PhotoView::showImageView() { setImageView(true); }
void PhotoView::showTableView() { setImageView(false); }

void PhotoView::choosePhoto()
{
    const WorkspaceControls &c = m_window.controls();
    if (c.Combo13->currentText().isEmpty())
        return;
    const QString path = common::askOpenFile(QString(), QStringLiteral("*.jpg (*.jpg)"));
    if (path.isEmpty())
        return;
    const auto refuse = [&path](const QString &why) {
        common::say(QStringLiteral("无法读取所选的照片文件，请另选一张JPG照片！\n%1：\n%2").arg(why, path),
                    QStringLiteral("警告"), common::Icon::Critical);
    };
    if (const QString why = photoFileRefusal(path); !why.isEmpty()) {
        refuse(why);
        return;
    }
    QImageReader reader(path);
    reader.setAutoTransform(true);
    // A camera photo decoded at full size can pass Qt's allocation limit;
    // the preview only ever needs its own size, which JPEG decodes directly.
    const QSize preview = c.Image1->size() - QSize(4, 4);
    if (const QSize full = reader.size(); full.isValid() && preview.isValid()
        && (full.width() > preview.width() || full.height() > preview.height()))
        reader.setScaledSize(full.scaled(preview, Qt::KeepAspectRatio));
    const QImage image = reader.read();
    if (image.isNull()) {
        refuse(QStringLiteral("不是能读取的图片"));
        return;
    }
    c.txtPhoto->setText(path);
    m_picture = QPixmap::fromImage(image);
    c.Image1->setPixmap(m_picture.scaled(preview, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void PhotoView::clearPhoto()
{
    if (!m_window.recordSet().hasCurrent())
        return;
    m_window.controls().txtPhoto->clear();
    m_window.binder().touch(QStringLiteral("Photo"));
    m_window.saveNow();
}

} // namespace workspace
