#pragma once

#include "TUMessage.h"

#include <QString>
#include <QVector>

// A message sink that keeps what it is told, for tests that check which
// messages an action reported. Installed as the process-wide sink while it
// lives.
class RecordingSink : public TUMessage
{
public:
    struct Message {
        char type;
        QString text;
    };

    RecordingSink()
        : TUMessage(QStringLiteral("tests"), false)
    {
        TUMessage::setInstance(this);
    }
    ~RecordingSink() override { TUMessage::releaseInstance(); }

    const QVector<Message> &messages() const { return m_messages; }
    void clear() { m_messages.clear(); }
    bool has(char type, const QString &text) const
    {
        for (const Message &message : m_messages) {
            if (message.type == type && message.text == text)
                return true;
        }
        return false;
    }
    // The texts, one per line, for failure output.
    QString dump() const
    {
        QString all;
        for (const Message &message : m_messages)
            all += QString(QLatin1Char(message.type)) + QLatin1Char(' ') + message.text + QLatin1Char('\n');
        return all;
    }

protected:
    void writeMessage(char type, const QString &text, const QString &, bool) override
    {
        m_messages.append({type, text});
    }

private:
    QVector<Message> m_messages;
};
