#pragma once

#include <QValidator>

// The rule for environment, job and scene names:
//  - 1 to maxNameLength() characters;
//  - ASCII letters, digits, "_", "-" and "." by default; with Unicode names
//    accepted (the "ACCEPT_UNICODE_NAME" preference) any Unicode letter or
//    digit too;
//  - never "." or ".." alone, never a leading "-" or "." (such names read as
//    options or hidden files), never "/", quotes, blanks or control characters.
class TUSceneNameValidator : public QValidator
{
    Q_OBJECT
public:
    // Type 1 is the name rule above; other types are reserved.
    explicit TUSceneNameValidator(QObject *parent = nullptr, int type = 1);

    State validate(QString &input, int &pos) const override;

    // The database's name field, terminator included; names are one shorter.
    static int validDatabaseNameLength() { return 25; }
    // The one length limit of every name, for the command line and the database alike.
    static int maxNameLength() { return validDatabaseNameLength() - 1; }
    static State computeState(const QString &name, int type = 1);
    static bool isValidName(const QString &name) { return computeState(name) == Acceptable; }
    // The name with every refused character replaced by "_" and cut to length.
    static QString suggestion(const QString &name);

    static void setAcceptUnicode(bool accept);
    static bool acceptUnicode();

private:
    static bool isAllowedChar(QChar c);
    int m_type;
};
