#pragma once

#include <QString>

#include <memory>

class DBS_Mediator;
class QObject;
class TUDbSelect;
class TUTY_RemoteScript_Impl;

// The start-up's handle on the remote script server: starts it at low
// priority (it listens only when a port is known) and stops it on
// destruction.
class TUTY_RemoteScript
{
public:
    TUTY_RemoteScript(QObject *parent, TUDbSelect *selector, DBS_Mediator *mediator, const QString &port);
    ~TUTY_RemoteScript();

    TUTY_RemoteScript_Impl *impl() const { return m_impl.get(); }

private:
    std::unique_ptr<TUTY_RemoteScript_Impl> m_impl;
};
