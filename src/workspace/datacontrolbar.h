#pragma once
// The data control's face: first/previous/next/last arrows around a caption.
#include <QFrame>

class QLabel;
class QToolButton;

namespace workspace {

class DataControlBar : public QFrame {
    Q_OBJECT
public:
    explicit DataControlBar(QWidget *parent = nullptr);
    void setCaption(const QString &text);
    QString caption() const;

signals:
    void firstClicked();
    void previousClicked();
    void nextClicked();
    void lastClicked();

private:
    QToolButton *arrow(const QString &name, Qt::ArrowType type, bool edge);
    QLabel *m_caption;
};

} // namespace workspace
