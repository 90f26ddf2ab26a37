#pragma once

#include <QString>

#include <memory>

class QTextStream;
struct TDB_Request;

// One command of tallyard-db. It reports what it did on out; a failure is
// false with error saying why, and the tool exits non-zero.
class TDB_Command
{
public:
    virtual ~TDB_Command() = default;
    virtual bool run(QTextStream &out, QString &error) = 0;

    // The command a request asks for; nullptr for help, which needs none.
    static std::unique_ptr<TDB_Command> create(const TDB_Request &request);
};
