#include "TDB_CheckCommand.h"

#include "DBA_Consistency.h"
#include "TDB_Session.h"
#include "TUDbAccess.h"

#include <QTextStream>

bool TDB_CheckCommand::run(QTextStream &out, QString &error)
{
    const std::unique_ptr<TUDbAccess> access = TDB_Session::open(m_url, error);
    if (!access)
        return false;
    QVector<DBA_Finding> findings;
    if (!DBA_Consistency(access->context()).run(m_repair, findings)) {
        error = access->lastErrorText();
        return false;
    }
    int left = 0, problems = 0;
    for (const DBA_Finding &finding : findings) {
        out << finding.problem;
        if (!finding.action.isEmpty())
            out << ' ' << (finding.repaired ? tr("Repaired: %1.") : tr("Not repaired: %1.")).arg(finding.action);
        out << '\n';
        problems += finding.running ? 0 : 1;
        left += finding.repaired || finding.running ? 0 : 1;
    }
    if (problems == 0) {
        out << tr("The records, folders and locks agree.") << '\n';
        return true;
    }
    if (left == 0)
        return true;
    error = m_repair ? tr("%1 of %2 problems remain.").arg(left).arg(problems)
                     : tr("%1 problems found; \"tallyard-db check --repair\" repairs what it can without losing data.")
                           .arg(problems);
    return false;
}
