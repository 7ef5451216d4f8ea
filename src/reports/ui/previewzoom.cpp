#include "reports/ui/previewzoom.h"

#include <QAction>
#include <QComboBox>
#include <QWheelEvent>
#include <QWidget>

#include <algorithm>
#include <array>
#include <cmath>

namespace reports {
namespace {

constexpr std::array kScales = {0.25, 0.5, 0.75, 1.0, 1.25, 1.5, 2.0, 3.0, 4.0};
// The box's first two entries fit; the rest are kScales in order.
constexpr int kFixedEntries = 2;

} // namespace

double steppedScale(double current, int steps)
{
    if (steps > 0) {
        const auto next = std::upper_bound(kScales.begin(), kScales.end(), current + 1e-6);
        const double up = next == kScales.end() ? kScales.back() : *next;
        return steps == 1 ? up : steppedScale(up, steps - 1);
    }
    if (steps < 0) {
        auto below = std::lower_bound(kScales.begin(), kScales.end(), current - 1e-6);
        const double down = below == kScales.begin() ? kScales.front() : *std::prev(below);
        return steps == -1 ? down : steppedScale(down, steps + 1);
    }
    return std::clamp(current, kScales.front(), kScales.back());
}

PreviewZoom::PreviewZoom(QWidget *window, QWidget *wheelArea, std::function<double()> shownScale)
    : QObject(window), m_box(new QComboBox(window)), m_shownScale(std::move(shownScale))
{
    m_box->setObjectName(QStringLiteral("cboZoom"));
    m_box->addItem(QStringLiteral("整页"));
    m_box->addItem(QStringLiteral("页宽"));
    for (double s : kScales)
        m_box->addItem(QStringLiteral("%1%").arg(std::lround(s * 100)));
    m_box->setToolTip(QStringLiteral("缩放：Ctrl+加号 放大，Ctrl+减号 缩小，也可按住 Ctrl 滚动鼠标滚轮"));
    connect(m_box, &QComboBox::activated, this, [this](int index) {
        if (index < kFixedEntries)
            set({index == 0 ? Zoom::Fit::Page : Zoom::Fit::Width, m_zoom.scale});
        else
            set({Zoom::Fit::Scale, kScales.at(index - kFixedEntries)});
    });

    const auto shortcut = [window](QList<QKeySequence> keys, auto slot) {
        auto *a = new QAction(window);
        a->setShortcuts(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        window->addAction(a);
        QObject::connect(a, &QAction::triggered, window, slot);
    };
    shortcut({QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)}, [this] { step(1); });
    shortcut({QKeySequence::ZoomOut}, [this] { step(-1); });
    wheelArea->installEventFilter(this);
}

void PreviewZoom::step(int steps)
{
    const double from = m_zoom.fit == Zoom::Fit::Scale ? m_zoom.scale : m_shownScale();
    set({Zoom::Fit::Scale, steppedScale(from, steps)});
}

void PreviewZoom::set(const Zoom &zoom)
{
    m_zoom = zoom;
    const int index = zoom.fit == Zoom::Fit::Page    ? 0
                      : zoom.fit == Zoom::Fit::Width ? 1
                                                     : kFixedEntries
                                                           + int(std::find(kScales.begin(), kScales.end(), zoom.scale)
                                                                 - kScales.begin());
    m_box->setCurrentIndex(index);
    emit changed(m_zoom);
}

bool PreviewZoom::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Wheel) {
        const auto *wheel = static_cast<QWheelEvent *>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            if (const int delta = wheel->angleDelta().y(); delta != 0)
                step(delta > 0 ? 1 : -1);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace reports
