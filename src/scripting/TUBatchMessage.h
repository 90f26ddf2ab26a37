#pragma once

#include "TUMessage.h"

#include <QMutex>
#include <QObject>
#include <QStringList>

class QScriptContext;

// The sink of the script runs: keeps up to 200 lines that scripts read back,
// writes errors to standard error, and attaches the running script's
// backtrace to errors raised while a script calls into the database.
class TUBatchMessage : public QObject, public TUMessage
{
    Q_OBJECT
public:
    TUBatchMessage(const QString &programName, bool debug);

    static constexpr int MaxLines = 200;

    // Empties the log and writes its five header lines.
    void openLog() override;
    QString getLogContent() const override { return messageLog(); }
    QString messageLog() const { return m_log.join(QLatin1Char('\n')); }
    const QStringList &lines() const { return m_log; }

    void setScriptContext(QScriptContext *context) { m_scriptContext = context; }
    QScriptContext *scriptContext() const { return m_scriptContext; }

protected:
    void writeMessage(char type, const QString &text, const QString &translated, bool interactive) override;

private:
    void writeError(const QString &text);
    static void toStandardError(const QString &text);

    QStringList m_log;
    QString m_versionText;
    QScriptContext *m_scriptContext = nullptr;
};
