#include "TULogView.h"

#include "TUUIMessage.h"

#include <QContextMenuEvent>
#include <QMenu>

TULogView::TULogView(QWidget *parent)
    : QPlainTextEdit(parent)
    , m_sink(dynamic_cast<TUUIMessage *>(&TUMessage::instance()))
{
    setObjectName(QStringLiteral("logView"));
    setWindowTitle(tr("Log Window"));
    setReadOnly(true);
    if (m_sink)
        m_sink->attachLogView(this);
}

TULogView::~TULogView()
{
    if (m_sink)
        m_sink->detachLogView(this);
}

void TULogView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createStandardContextMenu(event->pos());
    menu->setObjectName(QStringLiteral("MessageLogContextMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}
