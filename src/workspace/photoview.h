#pragma once
// The two views of the parts frame's place (table, image) and the photo
// commands: choose a picture for the job, clear its path.
#include <QObject>
#include <QPixmap>

namespace workspace {

class frmCorvale;

class PhotoView : public QObject {
    Q_OBJECT
public:
    explicit PhotoView(frmCorvale &window);

    void showImageView();
    void showTableView();
    void choosePhoto();
    void clearPhoto();
    // The picture chosen last since the window opened; null when none.
    QPixmap picture() const { return m_picture; }

private:
    void setImageView(bool on);

    frmCorvale &m_window;
    QPixmap m_picture;
};

// Why a chosen path cannot be a photo (a folder, a pipe, a device, nothing
// at all); empty when it is a regular file. Reading a pipe would block the
// program until someone wrote to it.
QString photoFileRefusal(const QString &path);

} // namespace workspace
