#include "workspace/datacontrolbar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace workspace {

DataControlBar::DataControlBar(QWidget *parent) : QFrame(parent)
{
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(1, 1, 1, 1);
    row->setSpacing(0);
    QToolButton *first = arrow(QStringLiteral("cmdFirst"), Qt::LeftArrow, true);
    QToolButton *previous = arrow(QStringLiteral("cmdPrevious"), Qt::LeftArrow, false);
    QToolButton *next = arrow(QStringLiteral("cmdNext"), Qt::RightArrow, false);
    QToolButton *last = arrow(QStringLiteral("cmdLast"), Qt::RightArrow, true);
    m_caption = new QLabel(this);
    m_caption->setObjectName(QStringLiteral("lblCaption"));
    row->addWidget(first);
    row->addWidget(previous);
    row->addWidget(m_caption, 1);
    row->addWidget(next);
    row->addWidget(last);
    connect(first, &QToolButton::clicked, this, &DataControlBar::firstClicked);
    connect(previous, &QToolButton::clicked, this, &DataControlBar::previousClicked);
    connect(next, &QToolButton::clicked, this, &DataControlBar::nextClicked);
    connect(last, &QToolButton::clicked, this, &DataControlBar::lastClicked);
}

QToolButton *DataControlBar::arrow(const QString &name, Qt::ArrowType type, bool edge)
{
    auto *b = new QToolButton(this);
    b->setObjectName(name);
    b->setArrowType(type);
    // Clicking the arrows must not take the focus from the field being typed in.
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoRaise(false);
    b->setFixedWidth(edge ? 28 : 22);
    if (edge)
        b->setText(type == Qt::LeftArrow ? QStringLiteral("|◀") : QStringLiteral("▶|"));
    if (edge)
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return b;
}

void DataControlBar::setCaption(const QString &text) { m_caption->setText(text); }
QString DataControlBar::caption() const { return m_caption->text(); }

} // namespace workspace
