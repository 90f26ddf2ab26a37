#include "DBA_Query.h"

#include "DBA_Link.h"

DBA_Query::~DBA_Query()
{
    release();
}

DBA_Query &DBA_Query::operator=(const QSqlQuery &other)
{
    release();
    QSqlQuery::operator=(other);
    return *this;
}

void DBA_Query::release()
{
    if (std::shared_ptr<DBA_Link> link = m_link.lock())
        link->giveBack(m_sql, *this, m_generation);
    m_link.reset();
    m_sql.clear();
}
