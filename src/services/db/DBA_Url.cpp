#include "DBA_Url.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QUrl>
#include <QUrlQuery>

static QString tr(const char *text)
{
    return QCoreApplication::translate("DBA_Url", text);
}

std::optional<DBA_Url> DBA_Url::parse(const QString &text, QString &error)
{
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid()) {
        error = tr("The database address \"%1\" is not a valid URL.").arg(text);
        return std::nullopt;
    }
    DBA_Url result;
    const QUrlQuery query(url);
    if (url.scheme() == QLatin1String("sqlite")) {
        result.backend = Sqlite;
        result.root = url.path();
    } else if (url.scheme() == QLatin1String("postgresql") || url.scheme() == QLatin1String("postgres")) {
        result.backend = Postgres;
        result.root = query.queryItemValue(QStringLiteral("root"), QUrl::FullyDecoded);
        result.host = query.hasQueryItem(QStringLiteral("host"))
            ? query.queryItemValue(QStringLiteral("host"), QUrl::FullyDecoded)
            : url.host();
        result.port = url.port(5432);
        result.user = url.userName();
        result.password = url.password();
        result.database = url.path().mid(1);
        if (result.database.isEmpty()) {
            error = tr("The database address \"%1\" names no database.").arg(text);
            return std::nullopt;
        }
    } else {
        error = tr("The database address \"%1\" must begin with sqlite:// or postgresql://.").arg(text);
        return std::nullopt;
    }
    if (result.root.isEmpty() || !QDir::isAbsolutePath(result.root)) {
        error = tr("The database address \"%1\" needs an absolute root folder.").arg(text);
        return std::nullopt;
    }
    result.root = QDir::cleanPath(result.root);
    return result;
}

std::optional<DBA_Url> DBA_Url::fromEnvironment(QString &error)
{
    const QString text = qEnvironmentVariable("TALLYARD_DB");
    if (!text.isEmpty())
        return parse(text, error);
    DBA_Url url;
    url.root = defaultSqliteRoot();
    return url;
}

QString DBA_Url::defaultSqliteRoot()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/tallyard/database");
}

QString DBA_Url::sqliteFile() const
{
    return root + QStringLiteral("/tallyard.sqlite");
}

QString DBA_Url::toString() const
{
    if (backend == Sqlite)
        return QStringLiteral("sqlite://") + root;
    QUrl url;
    url.setScheme(QStringLiteral("postgresql"));
    url.setUserName(user);
    url.setHost(host.startsWith(QLatin1Char('/')) ? QStringLiteral("localhost") : host);
    url.setPort(port);
    url.setPath(QLatin1Char('/') + database);
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("root"), root);
    if (host.startsWith(QLatin1Char('/')))
        query.addQueryItem(QStringLiteral("host"), host);
    url.setQuery(query);
    return url.toString();
}
