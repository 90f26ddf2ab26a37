#pragma once

#include "TUMessage.h"

#include <QStringList>
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
    // "<type> <text>" for each message, in order; dump() has them one per line.
    QStringList lines() const
    {
        QStringList lines;
        for (const Message &message : m_messages)
            lines.append(QLatin1Char(message.type) + QStringLiteral(" ") + message.text);
        return lines;
    }
    QString dump() const { return lines().join(QLatin1Char('\n')); }
    bool has(char type, const QString &text) const
    {
        return lines().contains(QLatin1Char(type) + QStringLiteral(" ") + text);
    }

protected:
    void writeMessage(char type, const QString &text, const QString &, bool) override { m_messages.append({type, text}); }

private:
    QVector<Message> m_messages;
};
