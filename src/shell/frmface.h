#pragma once
// The splash window: a picture for two seconds, then one tick.
#include <QWidget>

class QTimer;

namespace shell {

class frmFace : public QWidget {
    Q_OBJECT
public:
    explicit frmFace(QWidget *parent = nullptr);

signals:
    // Sent once, when tmrControl first fires.
    void timerFired();

private:
    QTimer *m_timer;
    bool m_fired = false;
};

// The splash picture, 445 × 244 pixels.
QPixmap splashPicture();

} // namespace shell
