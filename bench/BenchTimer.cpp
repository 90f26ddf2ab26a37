#include "BenchTimer.h"

#include <QElapsedTimer>

#include <algorithm>

QVector<double> BenchTimer::medians(int runs, const QVector<BenchOperation> &operations)
{
    for (int i = 0; i < 3; ++i) {
        for (const BenchOperation &operation : operations)
            time(operation);
    }
    QVector<QVector<qint64>> times(operations.size());
    for (int i = 0; i < runs; ++i) {
        for (int o = 0; o < operations.size(); ++o)
            times[o] << time(operations[o]);
    }
    QVector<double> result;
    for (QVector<qint64> &list : times)
        result << median(list) / 1000.0;
    return result;
}

QVector<double> BenchTimer::medians(int runs, const QVector<std::function<void()>> &operations)
{
    QVector<BenchOperation> timed;
    for (const auto &operation : operations)
        timed << BenchOperation{operation, {}};
    return medians(runs, timed);
}

qint64 BenchTimer::time(const BenchOperation &operation)
{
    if (operation.setUp)
        operation.setUp();
    QElapsedTimer timer;
    timer.start();
    operation.run();
    return timer.nsecsElapsed();
}

double BenchTimer::median(QVector<qint64> &times)
{
    std::sort(times.begin(), times.end());
    const int n = int(times.size());
    return n % 2 ? double(times[n / 2]) : (times[n / 2 - 1] + times[n / 2]) / 2.0;
}
