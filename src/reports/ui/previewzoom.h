#pragma once
// How large a preview shows its page: the whole page, the page's width, or a
// scale the clerk steps with Ctrl+plus/minus, Ctrl+wheel or the zoom box.
#include <QObject>

#include <functional>

class QComboBox;
class QWidget;

namespace reports {

struct Zoom {
    enum class Fit { Page, Width, Scale } fit = Fit::Page;
    double scale = 1.0; // with Fit::Scale; 1.0 is the paper's own size
};

// The next scale up or down from current, within 25 % to 400 %.
double steppedScale(double current, int steps);

class PreviewZoom : public QObject {
    Q_OBJECT
public:
    // Adds the shortcuts to window and watches Ctrl+wheel on wheelArea;
    // shownScale says where a fitted page stands, so a step starts from it.
    PreviewZoom(QWidget *window, QWidget *wheelArea, std::function<double()> shownScale);

    // The box that picks a zoom; its owner places it.
    QComboBox *box() const { return m_box; }
    const Zoom &zoom() const { return m_zoom; }
    void step(int steps);

signals:
    void changed(const reports::Zoom &zoom);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void set(const Zoom &zoom);

    QComboBox *m_box;
    Zoom m_zoom;
    std::function<double()> m_shownScale;
};

} // namespace reports
