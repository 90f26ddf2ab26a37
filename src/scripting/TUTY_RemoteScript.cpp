#include "TUTY_RemoteScript.h"

#include "TUTY_RemoteScript_Impl.h"

TUTY_RemoteScript::TUTY_RemoteScript(QObject *parent, TUDbSelect *selector, DBS_Mediator *mediator,
                                     const QString &port)
    : m_impl(std::make_unique<TUTY_RemoteScript_Impl>(parent, selector, mediator, port))
{
    m_impl->start(QThread::LowPriority);
}

TUTY_RemoteScript::~TUTY_RemoteScript()
{
    m_impl->stop();
}
