#pragma once
// The two views of the middle of the workspace (table, image) and the photo
// commands: choose a picture for the job, clear its path.
#include <QObject>
#include <QPixmap>

class QAction;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace workspace {

class frmCorvale;

class PhotoView : public QObject {
    Q_OBJECT
public:
    PhotoView(frmCorvale &window, QWidget *client);

    void showImageView();
    void showTableView();
    void choosePhoto();
    void clearPhoto();
    // The picture chosen last since the window opened; null when none.
    QPixmap picture() const { return m_picture; }

private:
    void setImageView(bool on);

    frmCorvale &m_window;
    QLabel *m_image;
    QLineEdit *m_path;
    QPushButton *m_choose;
    QPushButton *m_clear;
    QPixmap m_picture;
};

} // namespace workspace
