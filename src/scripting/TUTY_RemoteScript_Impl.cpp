#include "TUTY_RemoteScript_Impl.h"

#include "DBS_ScriptManager.h"
#include "MSG_Scope.h"
#include "oswUtil.h"

#include <QCoreApplication>
#include <QEvent>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextDecoder>

#include <memory>

namespace {
const QEvent::Type ScriptCmdType = QEvent::Type(2001);

// One chunk received on a connection, or the news that it closed.
class ScriptCmd : public QEvent
{
public:
    ScriptCmd(quintptr connection, const QString &text, bool closed)
        : QEvent(ScriptCmdType), connection(connection), text(text), closed(closed) {}
    quintptr connection;
    QString text;
    bool closed;
};

QStringList linesOf(const QVariantList &results)
{
    QStringList lines;
    for (const QVariant &result : results) {
        const QStringList strings = result.type() == QVariant::String ? QStringList(result.toString())
                                                                       : result.toStringList();
        for (const QString &line : strings) {
            if (!line.isNull())
                lines << line;
        }
    }
    return lines;
}

// Reads one connection in the network thread: decodes its bytes (a
// character split between two reads is kept for the next), hands them to
// the server and writes back what it answers.
void serve(TUTY_RemoteScript_Impl *server, QTcpSocket *socket)
{
    auto decoder = std::make_shared<QTextDecoder>(QTextCodec::codecForName("UTF-8"));
    const quintptr id = quintptr(socket);
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [server, socket, decoder, id] {
        while (socket->bytesAvailable() > 0) {
            const QString chunk = decoder->toUnicode(socket->read(64 * 1024));
            const QStringList lines = server->process(id, chunk, false);
            for (const QString &line : lines)
                socket->write(line.toUtf8() + '\n');
        }
        socket->flush();
    });
    QObject::connect(socket, &QTcpSocket::disconnected, socket, [server, socket, id] {
        server->process(id, QString(), true);
        socket->deleteLater();
    });
}
} // namespace

TUTY_RemoteScript_Impl::TUTY_RemoteScript_Impl(QObject *parent, TUDbSelect *selector, DBS_Mediator *mediator,
                                               const QString &port)
    : m_port(port)
    , m_scriptManager(new DBS_ScriptManager(parent, selector, mediator, false))
{
}

TUTY_RemoteScript_Impl::~TUTY_RemoteScript_Impl()
{
    stop();
    if (!m_scriptManager->parent())
        delete m_scriptManager;
}

quint16 TUTY_RemoteScript_Impl::portFrom(const QString &option)
{
    const auto parse = [](const QString &text) -> quint16 {
        bool ok = false;
        const uint value = text.toUInt(&ok, 10);
        return ok && value > 0 && value <= 65535 ? quint16(value) : 0;
    };
    if (!option.isEmpty())
        return parse(option);
    return parse(QString::fromLocal8Bit(qgetenv("KESTRUNE_REMOTE_SCRIPT")));
}

QHostAddress TUTY_RemoteScript_Impl::listenAddress()
{
    const QSettings settings(oswUtil::QVXEtc() + QStringLiteral("/remote-script.ini"), QSettings::IniFormat);
    const QHostAddress configured(settings.value(QStringLiteral("address")).toString());
    return configured.isNull() ? QHostAddress(QHostAddress::LocalHost) : configured;
}

void TUTY_RemoteScript_Impl::stop()
{
    {
        QMutexLocker locker(&m_mutex);
        m_stopping = true;
        m_done.wakeAll();
    }
    // exit() before the thread's loop has started still ends it: exec()
    // returns at once.
    exit();
    wait();
}

void TUTY_RemoteScript_Impl::run()
{
    const quint16 port = portFrom(m_port);
    if (port == 0) {
        emit listening(0);
        return;
    }
    QTcpServer server;
    if (!server.listen(listenAddress(), port)) {
        MSG_Scope("TUTY_RemoteScript", QT_TRANSLATE_NOOP("TUTY_RemoteScript", "The remote script server cannot listen on port %1: %2"),
                  MSG_Scope::Error)
            .arg(int(port))
            .arg(server.errorString());
        emit listening(0);
        return;
    }
    connect(&server, &QTcpServer::newConnection, &server, [this, &server] {
        while (QTcpSocket *socket = server.nextPendingConnection())
            serve(this, socket);
    });
    emit listening(server.serverPort());
    exec();
}

QStringList TUTY_RemoteScript_Impl::process(quintptr connection, const QString &chunk, bool closed)
{
    QMutexLocker locker(&m_mutex);
    if (m_stopping)
        return {};
    m_processed = false;
    QCoreApplication::postEvent(this, new ScriptCmd(connection, chunk, closed));
    while (!m_processed && !m_stopping)
        m_done.wait(&m_mutex);
    const QStringList lines = linesOf(m_results);
    m_results.clear();
    return lines;
}

void TUTY_RemoteScript_Impl::customEvent(QEvent *event)
{
    if (event->type() != ScriptCmdType)
        return;
    const auto *command = static_cast<ScriptCmd *>(event);
    QVariantList results;
    if (command->closed)
        m_pending.remove(command->connection); // an unfinished script of a closed connection is dropped
    else
        results = handleChunk(command->connection, command->text);
    QMutexLocker locker(&m_mutex);
    m_results = results;
    m_processed = true;
    m_done.wakeAll();
}

QVariantList TUTY_RemoteScript_Impl::handleChunk(quintptr connection, const QString &chunk)
{
    bool overflowed = false;
    QVariantList results;
    for (const QString &script : m_pending[connection].add(chunk, overflowed))
        results << m_scriptManager->evaluateScript(script);
    if (overflowed)
        results << QCoreApplication::translate("TUTY_RemoteScript",
                                               "Remote script: more than %1 bytes arrived without a complete "
                                               "script; they were dropped.")
                       .arg(TUTY_ScriptChunker::MaxPendingBytes);
    return results;
}
