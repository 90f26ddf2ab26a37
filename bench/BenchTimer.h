#pragma once

#include <QVector>

#include <functional>

// One measured operation: run is timed; setUp, when given, runs untimed
// before every run, to bring back the state the operation starts from.
struct BenchOperation
{
    std::function<void()> run;
    std::function<void()> setUp;
};

// The median time of each of several operations over repeated runs, in
// microseconds. Runs of the operations alternate, so drift in the machine's
// speed touches all alike.
class BenchTimer
{
public:
    static QVector<double> medians(int runs, const QVector<BenchOperation> &operations);
    static QVector<double> medians(int runs, const QVector<std::function<void()>> &operations);

private:
    static qint64 time(const BenchOperation &operation);
    static double median(QVector<qint64> &times);
};
