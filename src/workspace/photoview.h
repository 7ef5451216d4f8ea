#pragma once
// The two views of the parts frame's place (table, image) and the photo
// commands: choose a picture for the job, clear its path.
#include <QObject>
#include <QImage>
#include <QPixmap>

namespace workspace {

class JobDesk;

class PhotoView : public QObject {
    Q_OBJECT
public:
    explicit PhotoView(JobDesk &desk);

    void showImageView();
    void showTableView();
    void choosePhoto();
    void clearPhoto();
    // The picture chosen last since the window opened; null when none.
    QPixmap picture() const { return m_picture; }

private:
    void setImageView(bool on);
    void showPicture(const QImage &image);
    // On a server: the current job's photo, or none.
    void showJobPhoto();

    JobDesk &m_desk;
    QPixmap m_picture;
};

} // namespace workspace
