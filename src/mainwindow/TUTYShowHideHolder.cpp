#include "TUTYShowHideHolder.h"

#include "oswUtil.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
QString collapseIconPath()
{
    return oswUtil::QVXDir() + QStringLiteral("/resources/icons/palette/collapse.png");
}
} // namespace

TUTYShowHideHolder::TUTYShowHideHolder(const QString &title, QWidget *parent)
    : QFrame(parent)
{
    m_bar = createBar(title);
    m_body = new QWidget(this);
    m_bodyLayout = new QVBoxLayout(m_body);
    m_bodyLayout->setContentsMargins(0, 0, 0, 0);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_bar);
    layout->addWidget(m_body);
    updateButtonIcon();
}

QFrame *TUTYShowHideHolder::createBar(const QString &title)
{
    auto *bar = new QFrame(this);
    bar->setFrameShape(QFrame::HLine);
    bar->setFrameShadow(QFrame::Raised);
    bar->setLineWidth(0);
    bar->setMidLineWidth(2);
    bar->installEventFilter(this);

    // The label's filled background interrupts the line behind the title.
    // The line's frame takes its width above and below the contents, so the
    // bar is the title's full font height (descenders too) plus that frame.
    m_title = new QLabel(title, bar);
    const int titleHeight = qMax(16, m_title->fontMetrics().height());
    m_title->setFixedHeight(titleHeight);
    m_barHeight = titleHeight + 2 * bar->frameWidth();
    bar->setFixedHeight(m_barHeight);
    m_title->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
    m_title->setAutoFillBackground(true);

    m_button = new QToolButton(bar);
    m_button->setAutoRaise(true);
    // Like the title, the button interrupts the line it sits on.
    m_button->setAutoFillBackground(true);
    m_button->setFixedSize(16, 16);
    m_button->setIconSize(QSize(12, 12));
    connect(m_button, &QToolButton::clicked, this, &TUTYShowHideHolder::toggle);

    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addSpacing(16);
    layout->addWidget(m_title);
    layout->addStretch();
    layout->addWidget(m_button);
    layout->addSpacing(10);
    return bar;
}

void TUTYShowHideHolder::setWidget(QWidget *widget, bool shown)
{
    m_bodyLayout->addWidget(widget);
    m_shown = shown;
    applyState();
}

void TUTYShowHideHolder::toggle()
{
    m_shown = !m_shown;
    applyState();
}

void TUTYShowHideHolder::applyState()
{
    m_body->setVisible(m_shown);
    updateButtonIcon();
    if (m_shown) {
        setMaximumHeight(QWIDGETSIZE_MAX);
        emit expandShowHide();
        return;
    }
    // Held at the bar's height so a splitter cannot hand a folded holder
    // empty space.
    setMaximumHeight(m_barHeight);
    resize(width(), m_barHeight);
    emit collapsedShowHide();
}

void TUTYShowHideHolder::updateButtonIcon()
{
    // The installed icon folds up; turned over, it unfolds.
    const QPixmap icon(collapseIconPath());
    if (!icon.isNull()) {
        m_button->setIcon(m_shown ? icon : icon.transformed(QTransform().rotate(180)));
        return;
    }
    // Without the installed icon the button still shows which way it folds.
    m_button->setArrowType(m_shown ? Qt::UpArrow : Qt::DownArrow);
}

bool TUTYShowHideHolder::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_bar && event->type() == QEvent::MouseButtonDblClick) {
        toggle();
        return true;
    }
    return QFrame::eventFilter(watched, event);
}
