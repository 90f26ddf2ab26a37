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
#include <QTimer>

#include <utility>

namespace {
const QEvent::Type ScriptCmdType = QEvent::Type(2001);
constexpr qint64 ReadBytes = 64 * 1024;

// One chunk received on a connection, or news of it.
class ScriptCmd : public QEvent
{
public:
    ScriptCmd(quintptr connection, const QString &text, TUTY_RemoteScript_Impl::Input input)
        : QEvent(ScriptCmdType), connection(connection), text(text), input(input) {}
    quintptr connection;
    QString text;
    TUTY_RemoteScript_Impl::Input input;
};

QStringList linesOf(const QVariant &result)
{
    const QStringList strings = result.type() == QVariant::String ? QStringList(result.toString()) : result.toStringList();
    QStringList lines;
    for (const QString &line : strings) {
        if (!line.isNull())
            lines << line;
    }
    return lines;
}

// Serves one connection in the network thread: decodes its bytes (a
// character split between two reads is kept for the next), hands them to
// the server and writes back what it answers. While MaxUnsentBytes of
// answers wait to be sent, nothing more is read or run for it; the socket's
// own read buffer is bounded too, so the client's sends then block.
class Connection : public QObject
{
public:
    Connection(TUTY_RemoteScript_Impl *server, QTcpSocket *socket)
        : QObject(socket), m_server(server), m_socket(socket), m_decoder(QTextCodec::codecForName("UTF-8"))
    {
        socket->setReadBufferSize(ReadBytes);
        connect(socket, &QTcpSocket::readyRead, this, &Connection::pump);
        connect(socket, &QTcpSocket::bytesWritten, this, &Connection::pump);
        connect(socket, &QTcpSocket::disconnected, this, [this] {
            m_server->process(id(), QString(), TUTY_RemoteScript_Impl::Input::Closed);
            m_socket->deleteLater();
        });
    }

private:
    quintptr id() const { return quintptr(m_socket); }
    void pump()
    {
        while (!m_closing && m_socket->bytesToWrite() < TUTY_RemoteScript_Impl::MaxUnsentBytes) {
            TUTY_RemoteScript_Impl::Answer answer;
            if (m_more)
                answer = m_server->process(id(), QString(), TUTY_RemoteScript_Impl::Input::Resume);
            else if (m_socket->bytesAvailable() > 0)
                answer = m_server->process(id(), m_decoder.toUnicode(m_socket->read(ReadBytes)));
            else
                break;
            for (const QString &line : qAsConst(answer.lines))
                m_socket->write(line.toUtf8() + '\n');
            m_more = answer.more;
            m_closing = answer.close;
        }
        if (m_closing)
            m_socket->disconnectFromHost(); // after what is written is sent
    }

    TUTY_RemoteScript_Impl *m_server;
    QTcpSocket *m_socket;
    QTextDecoder m_decoder;
    bool m_more = false;
    bool m_closing = false;
};

// Tells a connection beyond MaxConnections why it ends, and ends it at once,
// so that a crowd of them holds no descriptors.
void refuse(QTcpSocket *socket)
{
    const QString line = QCoreApplication::translate("TUTY_RemoteScript", "Remote script: the server serves at most %1 "
                                                                          "connections at once; this one is closed.")
                             .arg(TUTY_RemoteScript_Impl::MaxConnections);
    socket->write(line.toUtf8() + '\n');
    socket->flush();
    socket->disconnectFromHost();
    if (socket->state() == QAbstractSocket::UnconnectedState)
        socket->deleteLater();
    else
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
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
    int connections = 0;
    connect(&server, &QTcpServer::newConnection, &server, [this, &server, &connections] {
        while (QTcpSocket *socket = server.nextPendingConnection()) {
            if (connections == MaxConnections) {
                refuse(socket);
                continue;
            }
            ++connections;
            connect(socket, &QObject::destroyed, &server, [&connections] { --connections; });
            new Connection(this, socket);
        }
    });
    // Qt stops accepting when the process is out of descriptors; the
    // connections that wait are taken once some have closed.
    connect(&server, &QTcpServer::acceptError, &server, [&server] {
        QTimer::singleShot(100, &server, [&server] { server.resumeAccepting(); });
    });
    emit listening(server.serverPort());
    exec();
}

TUTY_RemoteScript_Impl::Answer TUTY_RemoteScript_Impl::process(quintptr connection, const QString &chunk, Input input)
{
    QMutexLocker locker(&m_mutex);
    if (m_stopping)
        return {};
    m_processed = false;
    QCoreApplication::postEvent(this, new ScriptCmd(connection, chunk, input));
    while (!m_processed && !m_stopping)
        m_done.wait(&m_mutex);
    return std::exchange(m_answer, Answer());
}

void TUTY_RemoteScript_Impl::customEvent(QEvent *event)
{
    if (event->type() != ScriptCmdType)
        return;
    const auto *command = static_cast<ScriptCmd *>(event);
    Answer answer;
    if (command->input == Input::Closed)
        m_pending.remove(command->connection); // an unfinished script of a closed connection is dropped
    else
        answer = handleChunk(command->connection, command->text, command->input == Input::Resume);
    QMutexLocker locker(&m_mutex);
    m_answer = answer;
    m_processed = true;
    m_done.wakeAll();
}

TUTY_RemoteScript_Impl::Answer TUTY_RemoteScript_Impl::handleChunk(quintptr connection, const QString &chunk, bool resume)
{
    Pending &pending = m_pending[connection];
    bool overflowed = false;
    if (!resume)
        pending.scripts += pending.chunker.add(chunk, overflowed);
    Answer answer;
    for (qint64 answered = 0; !pending.scripts.isEmpty() && answered < MaxUnsentBytes;) {
        for (const QString &line : linesOf(m_scriptManager->evaluateScript(pending.scripts.takeFirst()))) {
            answer.lines << line;
            answered += line.size() + 1;
        }
    }
    answer.more = !pending.scripts.isEmpty();
    if (overflowed) {
        answer.lines << QCoreApplication::translate("TUTY_RemoteScript",
                                                    "Remote script: more than %1 bytes arrived without a complete "
                                                    "script; they were dropped and the connection is closed.")
                            .arg(TUTY_ScriptChunker::MaxPendingBytes);
        answer.close = true;
    }
    return answer;
}
