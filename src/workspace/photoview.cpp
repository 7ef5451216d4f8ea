#include "workspace/photoview.h"

#include "common/ui/prompt.h"
#include "store/jobphotos.h"
#include "store/recordset.h"
#include "workspace/binder.h"
#include "workspace/jobdesk.h"

#include <QAction>
#include <QBuffer>
#include <QComboBox>
#include <QGroupBox>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace workspace {

namespace {

// The picture in bytes, decoded no larger than the preview needs: a camera
// photo decoded at full size can pass Qt's allocation limit.
QImage previewOf(const QByteArray &bytes, const QSize &preview)
{
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    if (const QSize full = reader.size(); full.isValid() && preview.isValid()
        && (full.width() > preview.width() || full.height() > preview.height()))
        reader.setScaledSize(full.scaled(preview, Qt::KeepAspectRatio));
    return reader.read();
}

} // namespace

PhotoView::PhotoView(JobDesk &desk) : QObject(desk.workspaceWindow()), m_desk(desk)
{
    const WorkspaceControls &c = desk.controls();
    connect(c.cmdChangePhoto, &QPushButton::clicked, this, &PhotoView::choosePhoto);
    connect(c.Command3, &QPushButton::clicked, this, &PhotoView::clearPhoto);
    connect(desk.commands().viewImage, &QAction::triggered, this, &PhotoView::showImageView);
    connect(desk.commands().viewTable, &QAction::triggered, this, &PhotoView::showTableView);
    // On a server the photo is the job's, kept there for every desk: it
    // follows the current job.
    if (store::keepsPhotos(desk.recordSet().database()))
        connect(&desk.recordSet(), &store::RecordSet::repositioned, this, &PhotoView::showJobPhoto);
}

void PhotoView::showPicture(const QImage &image)
{
    QLabel *label = m_desk.controls().Image1;
    m_picture = QPixmap::fromImage(image);
    if (m_picture.isNull())
        label->clear();
    else
        label->setPixmap(m_picture.scaled(label->size() - QSize(4, 4), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void PhotoView::showJobPhoto()
{
    if (!m_desk.controls().Image1->isVisible())
        return;
    const auto job = m_desk.currentJobNumber();
    if (!job) {
        showPicture({});
        return;
    }
    const auto photo = store::readPhoto(m_desk.recordSet().database(), *job);
    // A photo that cannot be read now is not shown; the job itself is.
    showPicture(photo.ok() && photo->has_value()
                    ? previewOf((*photo)->bytes, m_desk.controls().Image1->size() - QSize(4, 4))
                    : QImage());
}

void PhotoView::setImageView(bool on)
{
    const WorkspaceControls &c = m_desk.controls();
    m_desk.commands().viewImage->setChecked(on);
    m_desk.commands().viewTable->setChecked(!on);
    c.Frame1->setVisible(!on);
    for (QWidget *w : std::initializer_list<QWidget *>{c.Image1, c.Command3, c.cmdChangePhoto, c.txtPhoto})
        w->setVisible(on);
}

void PhotoView::showImageView()
{
    setImageView(true);
    if (store::keepsPhotos(m_desk.recordSet().database()))
        showJobPhoto();
}
void PhotoView::showTableView() { setImageView(false); }

void PhotoView::choosePhoto()
{
    const WorkspaceControls &c = m_desk.controls();
    if (c.Combo13->currentText().isEmpty())
        return;
    const QString path = common::askOpenFile(QString(), QStringLiteral("*.jpg (*.jpg)"));
    if (path.isEmpty())
        return;
    const auto refuse = [](const QString &why) {
        common::say(QStringLiteral("无法读取所选的照片文件，请另选一张JPG照片！\n%1").arg(why), QStringLiteral("警告"),
                    common::Icon::Critical);
    };
    const common::Result<store::JobPhoto> photo = store::photoFromFile(path);
    if (photo.failed()) {
        refuse(photo.error().text);
        return;
    }
    const QImage image = previewOf(photo->bytes, c.Image1->size() - QSize(4, 4));
    if (image.isNull()) {
        refuse(QStringLiteral("不是能读取的图片：\n%1").arg(path));
        return;
    }
    const store::Database &db = m_desk.recordSet().database();
    if (store::keepsPhotos(db)) {
        const auto job = m_desk.currentJobNumber();
        if (!job)
            return;
        if (const auto saved = store::savePhoto(db, *job, *photo); saved.failed()) {
            m_desk.reportStoreFailure(saved.error(), QStringLiteral("照片没有保存"));
            return;
        }
    }
    c.txtPhoto->setText(path);
    showPicture(image);
}

void PhotoView::clearPhoto()
{
    if (!m_desk.recordSet().hasCurrent())
        return;
    const store::Database &db = m_desk.recordSet().database();
    if (const auto job = m_desk.currentJobNumber(); job && store::keepsPhotos(db)) {
        if (const auto removed = store::removePhoto(db, *job); removed.failed()) {
            m_desk.reportStoreFailure(removed.error(), QStringLiteral("照片没有清除"));
            return;
        }
        showPicture({}); // gone for every desk
    }
    m_desk.controls().txtPhoto->clear();
    m_desk.binder().touch(QStringLiteral("Photo"));
    m_desk.saveNow();
}

} // namespace workspace
