#include "UT_FaultPoint.h"

#ifdef TALLYARD_FAULT_POINTS

#include <QByteArray>
#include <QFile>
#include <QMutex>
#include <QSet>
#include <QString>
#include <QThread>

#include <atomic>
#include <csignal>
#include <unistd.h>

namespace {

std::atomic<UtFaultPointObserver> g_observer{nullptr};

QString actionFor(const char *name)
{
    const QString spec = QString::fromLocal8Bit(qgetenv("TALLYARD_FAULT_POINT"));
    const QString prefix = QLatin1String(name) + QLatin1Char(':');
    for (const QString &entry : spec.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (entry.startsWith(prefix))
            return entry.mid(prefix.size());
    }
    return QString();
}

bool firstArrival(const char *name)
{
    static QMutex mutex;
    static QSet<QByteArray> reached;
    QMutexLocker locker(&mutex);
    if (reached.contains(name))
        return false;
    reached.insert(name);
    return true;
}

} // namespace

void utObserveFaultPoints(UtFaultPointObserver observer)
{
    g_observer = observer;
}

void utFaultPoint(const char *name)
{
    if (const UtFaultPointObserver observer = g_observer)
        observer(name);
    const QString action = actionFor(name);
    if (action.isEmpty() || !firstArrival(name))
        return;
    if (action == QLatin1String("die")) {
        ::kill(::getpid(), SIGKILL);
        ::pause();
    } else if (action.startsWith(QLatin1String("pause="))) {
        const QString file = action.mid(6);
        QFile reached(file + QLatin1String(".reached"));
        reached.open(QIODevice::WriteOnly);
        reached.close();
        while (!QFile::exists(file))
            QThread::msleep(5);
    } else if (action.startsWith(QLatin1String("sleep="))) {
        QThread::msleep(action.mid(6).toULong());
    }
}

#endif
