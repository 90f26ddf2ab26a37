#include "TUMessage.h"

#include "BAPP_Application.h"
#include "MSG_Courier.h"
#include "MSG_StdErrSink.h"
#include "MSG_Text.h"
#include "oswUtil.h"

#include <QCoreApplication>
#include <QTime>

std::atomic<TUMessage *> TUMessage::s_instance{nullptr};

static TUMessage &fallbackSink()
{
    static MSG_StdErrSink sink;
    return sink;
}

TUMessage::TUMessage(const QString &programName, bool debug, bool)
    : m_programName(programName)
    , m_userName(oswUtil::getUserName())
    , m_debug(debug)
    , m_courier(std::make_unique<MSG_Courier>([this] { flush(); }))
{
}

TUMessage::~TUMessage()
{
    TUMessage *self = this;
    s_instance.compare_exchange_strong(self, nullptr);
}

TUMessage &TUMessage::instance()
{
    TUMessage *sink = s_instance.load();
    return sink ? *sink : fallbackSink();
}

void TUMessage::setInstance(TUMessage *sink)
{
    s_instance.store(sink);
}

void TUMessage::releaseInstance()
{
    if (TUMessage *sink = s_instance.exchange(nullptr))
        sink->flush();
}

void TUMessage::report(char type, const MSG_Text &text, int errorCode, bool interactive)
{
    catchErrorCode(errorCode);
    if (BAPP_Application::isMainThread()) {
        flush();
        writeMessage(type, MSG_Text::visible(text.text()), MSG_Text::visible(text.translated()), interactive);
        return;
    }
    QMutexLocker locker(&m_queueLock);
    m_queue.push_back({type, MSG_Text::visible(text.text()), MSG_Text::visible(text.translated())});
    if (!m_posted) {
        m_posted = true;
        QCoreApplication::postEvent(m_courier.get(), new MessageCmdEvent);
    }
}

void TUMessage::flush()
{
    std::vector<Queued> pending;
    {
        QMutexLocker locker(&m_queueLock);
        m_posted = false;
        pending.swap(m_queue);
    }
    // Queued messages never open a report box: their thread is not the user's.
    for (const Queued &message : pending)
        writeMessage(message.type, message.text, message.translated, false);
}

void TUMessage::catchErrorCode(int code)
{
    int current = m_errorCode.load();
    while (code > current && !m_errorCode.compare_exchange_weak(current, code)) {
    }
}

void TUMessage::suspendReport(bool suspend)
{
    const bool resumed = m_reportSuspended && !suspend;
    m_reportSuspended = suspend;
    if (resumed)
        reportResumed();
}

QString TUMessage::logFilePath() const
{
    return QStringLiteral("No logFile");
}

QString TUMessage::getMsgTypeText(char type)
{
    switch (type) {
    case 'E': return QCoreApplication::translate("TUMessage", "Error");
    case 'W': return QCoreApplication::translate("TUMessage", "Warning");
    case 'I': return QCoreApplication::translate("TUMessage", "Information");
    case 'T': return QCoreApplication::translate("TUMessage", "Trace");
    default: return QString(QLatin1Char(type));
    }
}

QString TUMessage::timeStamp()
{
    return QLatin1Char(' ') + QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz")) + QLatin1Char(' ');
}
