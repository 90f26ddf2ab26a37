#pragma once

#include <QSqlQuery>

#include <memory>

class DBA_Link;

// A statement run through DBA_Context::run or DBA_Connection::exec, taken
// from its connection's cache of prepared statements and given back when
// this object goes, is run again or is assigned over. While it lives, no
// other caller gets the same statement, so a result being read is never
// overwritten by the same SQL run elsewhere.
class DBA_Query : public QSqlQuery
{
public:
    DBA_Query() = default;
    ~DBA_Query();
    DBA_Query(const DBA_Query &) = delete;
    DBA_Query &operator=(const DBA_Query &) = delete;
    // Gives the statement back first ("query = QSqlQuery()" ends a read).
    DBA_Query &operator=(const QSqlQuery &other);

private:
    friend class DBA_Connection;
    void release();

    std::weak_ptr<DBA_Link> m_link;
    QString m_sql;
    quint64 m_generation = 0;
};
