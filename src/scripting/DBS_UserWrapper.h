#pragma once

#include <QObject>

// A database user (script constructor "User", which also publishes UserType).
class DBS_UserWrapper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString name MEMBER name)
    Q_PROPERTY(QString firstName MEMBER firstName)
    Q_PROPERTY(QString lastName MEMBER lastName)
    Q_PROPERTY(UserType type MEMBER type)
public:
    // The database's user types.
    enum UserType { RD = 0, EXECUTIVE, COORDINATOR, APPLICATION, TD, ARCHIVE, XSHEET, SCAN, INK_PAINT, ANIMATOR };
    Q_ENUM(UserType)

    explicit DBS_UserWrapper(const QString &userName = QString()) : name(userName) {}

    QString name;
    QString firstName;
    QString lastName;
    UserType type = RD;

public slots:
    QString typeToString(int id) const;
};
