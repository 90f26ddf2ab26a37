#pragma once

#include <QEvent>
#include <QObject>

#include <functional>

// Wake-up event posted to the main thread when another thread queued a message.
class MessageCmdEvent : public QEvent
{
public:
    static constexpr QEvent::Type EventType = QEvent::Type(1234);
    MessageCmdEvent() : QEvent(EventType) {}
};

// Lives on the main thread and runs the given callback whenever a
// MessageCmdEvent reaches it. Private to the message sinks.
class MSG_Courier : public QObject
{
public:
    explicit MSG_Courier(std::function<void()> onWake) : m_onWake(std::move(onWake)) {}

protected:
    void customEvent(QEvent *event) override
    {
        if (event->type() == MessageCmdEvent::EventType)
            m_onWake();
    }

private:
    std::function<void()> m_onWake;
};
