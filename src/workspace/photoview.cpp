#include "workspace/photoview.h"

#include "common/ui/prompt.h"
#include "common/twips.h"
#include "store/recordset.h"
#include "workspace/binder.h"
#include "workspace/frmcorvale.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace workspace {

PhotoView::PhotoView(frmCorvale &window, QWidget *client) : QObject(&window), m_window(window)
{
    m_image = new QLabel(client);
    m_image->setObjectName(QStringLiteral("Image1"));
    m_image->setGeometry(common::twipRect(180, 855, 8790, 4920));
    m_image->setAlignment(Qt::AlignCenter);
    m_image->setFrameShape(QFrame::StyledPanel);
    m_image->setAutoFillBackground(true);

    // The photo controls take the place of the parts frame.
    const QRect parts = common::twipRect(165, 4305, 8800, 780);
    m_path = new QLineEdit(client);
    m_path->setObjectName(QStringLiteral("txtPhoto"));
    m_path->setGeometry(parts.x() + 8, parts.y() + 18, parts.width() - 190, 22);
    m_choose = new QPushButton(QStringLiteral("更换照片"), client);
    m_choose->setObjectName(QStringLiteral("cmdChangePhoto"));
    m_choose->setGeometry(parts.right() - 174, parts.y() + 16, 84, 26);
    m_clear = new QPushButton(QStringLiteral("清空"), client);
    m_clear->setObjectName(QStringLiteral("Command3"));
    m_clear->setGeometry(parts.right() - 84, parts.y() + 16, 76, 26);

    connect(m_choose, &QPushButton::clicked, this, &PhotoView::choosePhoto);
    connect(m_clear, &QPushButton::clicked, this, &PhotoView::clearPhoto);
    connect(window.findChild<QAction *>(QStringLiteral("ViewImage")), &QAction::triggered, this,
            &PhotoView::showImageView);
    connect(window.findChild<QAction *>(QStringLiteral("ViewTable")), &QAction::triggered, this,
            &PhotoView::showTableView);
}

void PhotoView::setImageView(bool on)
{
    m_window.findChild<QAction *>(QStringLiteral("ViewImage"))->setChecked(on);
    m_window.findChild<QAction *>(QStringLiteral("ViewTable"))->setChecked(!on);
    m_window.findChild<QGroupBox *>(QStringLiteral("Frame1"))->setVisible(!on);
    for (QWidget *w : {static_cast<QWidget *>(m_image), static_cast<QWidget *>(m_clear),
                       static_cast<QWidget *>(m_choose), static_cast<QWidget *>(m_path)}) {
        w->setVisible(on);
        w->raise();
    }
}

void PhotoView::showImageView() { setImageView(true); }
void PhotoView::showTableView() { setImageView(false); }

void PhotoView::choosePhoto()
{
    if (m_window.findChild<QComboBox *>(QStringLiteral("Combo13"))->currentText().isEmpty())
        return;
    const QString path = common::prompt().openFile(QString(), QStringLiteral("*.jpg (*.jpg)"));
    if (path.isEmpty())
        return;
    QImageReader reader(path);
    reader.setAutoTransform(true);
    // A camera photo decoded at full size can pass Qt's allocation limit;
    // the preview only ever needs its own size, which JPEG decodes directly.
    const QSize preview = m_image->size() - QSize(4, 4);
    if (const QSize full = reader.size(); full.isValid() && preview.isValid()
        && (full.width() > preview.width() || full.height() > preview.height()))
        reader.setScaledSize(full.scaled(preview, Qt::KeepAspectRatio));
    const QImage image = reader.read();
    if (image.isNull()) {
        common::say(QStringLiteral("无法读取所选的照片文件，请另选一张JPG照片！\n") + path,
                    QStringLiteral("警告"), common::Icon::Critical);
        return;
    }
    m_path->setText(path);
    m_picture = QPixmap::fromImage(image);
    m_image->setPixmap(m_picture.scaled(m_image->size() - QSize(4, 4), Qt::KeepAspectRatio,
                                        Qt::SmoothTransformation));
}

void PhotoView::clearPhoto()
{
    if (!m_window.recordSet().hasCurrent())
        return;
    m_path->clear();
    m_window.binder().touch(QStringLiteral("Photo"));
    m_window.saveNow();
}

} // namespace workspace
