#include "DBA_Context.h"

#include "MSG_Text.h"
#include "TUSceneNameValidator.h"

#include <QCoreApplication>

QString dbaTr(const char *text)
{
    return QCoreApplication::translate("TUDbAccess", text);
}

bool DBA_Context::fail(int code, const QString &text)
{
    m_errorCode = code;
    m_errorText = text;
    return false;
}

bool DBA_Context::failSql(const QString &context, const QString &sqlError)
{
    if (connection.lastFailureWasUniqueViolation())
        return fail(AlreadyExists, dbaTr("%1: it already exists.").arg(context));
    return fail(Failed, dbaTr("%1: %2").arg(context, sqlError));
}

void DBA_Context::clearError()
{
    m_errorCode = NoError;
    m_errorText.clear();
}

bool DBA_Context::run(DBA_Query &query, const QString &sql, const QVariantList &values, const QString &context)
{
    QString error;
    if (connection.exec(query, sql, values, error))
        return true;
    return failSql(context, error);
}

bool DBA_Context::run(QSqlQuery &query, const QString &sql, const QVariantList &values, const QString &context)
{
    QString error;
    if (connection.exec(query, sql, values, error))
        return true;
    return failSql(context, error);
}

bool DBA_Context::run(const QString &sql, const QVariantList &values, const QString &context)
{
    DBA_Query query;
    return run(query, sql, values, context);
}

bool DBA_Context::changeOne(const QString &sql, const QVariantList &values, const QString &context)
{
    DBA_Query query;
    if (!run(query, sql, values, context))
        return false;
    return query.numRowsAffected() == 1 || fail(NotFound, dbaTr("%1: it does not exist any more.").arg(context));
}

qint64 DBA_Context::idOf(const char *table, const QString &name, const QString &what)
{
    DBA_Query query;
    const QString sql = QStringLiteral("SELECT id FROM %1 WHERE name = ?").arg(QLatin1String(table));
    if (!run(query, sql, {name}, dbaTr("Cannot look up %1 %2").arg(what, name)))
        return 0;
    if (!query.next()) {
        fail(NotFound, dbaTr("%1 %2 does not exist.").arg(what, name));
        return 0;
    }
    return query.value(0).toLongLong();
}

bool DBA_Context::checkName(const QString &name, const QString &what)
{
    if (TUSceneNameValidator::isValidName(name))
        return true;
    const int limit = TUSceneNameValidator::maxNameLength();
    // The suggestion replaces each refused character, so the first place it
    // differs names the culprit.
    const QString suggestion = TUSceneNameValidator::suggestion(name);
    QString why;
    if (name.isEmpty())
        why = dbaTr("the name is empty");
    else if (name.size() > limit)
        why = dbaTr("it is longer than %1 characters").arg(limit);
    for (int i = 0; why.isEmpty() && i < name.size(); ++i) {
        if (i < suggestion.size() && suggestion[i] == name[i])
            continue;
        why = i == 0 && (name[0] == QLatin1Char('-') || name[0] == QLatin1Char('.'))
            ? dbaTr("it begins with \"%1\"").arg(name[0])
            : dbaTr("the character \"%1\" is not allowed").arg(MSG_Text::readable(name[i]));
    }
    return fail(BadName, dbaTr("Invalid %1 name \"%2\": %3; use 1 to %4 letters, digits, \"_\", \"-\" or \".\".")
                             .arg(what, MSG_Text::readable(name), why, QString::number(limit)));
}

bool DBA_Context::begin(DBA_Transaction &transaction, const QString &what)
{
    QString error;
    return transaction.begin(error) || failSql(what, error);
}

bool DBA_Context::commit(DBA_Transaction &transaction, const QString &what)
{
    QString error;
    return transaction.commit(error) || failSql(what, error);
}
