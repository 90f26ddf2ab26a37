#pragma once

#include "DBA_Url.h"
#include "TDB_Command.h"

#include <QCoreApplication>

struct TDB_Request;

// "adduser": adds one user of a given type.
class TDB_AddUserCommand : public TDB_Command
{
    Q_DECLARE_TR_FUNCTIONS(TDB_AddUserCommand)

public:
    TDB_AddUserCommand(const DBA_Url &url, const TDB_Request &request);
    bool run(QTextStream &out, QString &error) override;

private:
    DBA_Url m_url;
    QString m_name;
    QString m_firstName;
    QString m_lastName;
    int m_type;
};
