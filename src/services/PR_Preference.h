#pragma once

#include <QString>

#include <memory>

class QSettings;

// A preference store: one plain-text INI file of keys and values. Failures
// to read or write the file are kept as an error code and message rather
// than thrown, so that start-up can report them and stop.
class PR_Preference
{
public:
    ~PR_Preference();

    // Opens (or starts) the store kept in the file at path.
    static std::unique_ptr<PR_Preference> createPreference(const QString &path);
    // The machine-local store of this user (last login, language, ...),
    // in the user's configuration folder. Process-wide, created on first use.
    static PR_Preference &localPrefs();

    int getIntValue(const QString &key, int defaultValue) const;
    bool getBoolValue(const QString &key, bool defaultValue) const;
    QString getStringValue(const QString &key, const QString &defaultValue = QString()) const;
    void setIntValue(const QString &key, int value);
    void setBoolValue(const QString &key, bool value);
    void setStringValue(const QString &key, const QString &value);
    bool contains(const QString &key) const;

    // Writes the store to its file; false (with the error set) when it cannot.
    bool save();

    // 0 when the store is usable, otherwise one of ErrorCode.
    enum ErrorCode { NoError = 0, ReadError = 1, WriteError = 2, FormatError = 3 };
    int getErrorCode() const { return m_errorCode; }
    QString getPrefErrorMessage() const { return m_errorMessage; }
    QString path() const;

private:
    explicit PR_Preference(const QString &path);
    void setError(int code, const QString &message);

    std::unique_ptr<QSettings> m_settings;
    int m_errorCode = NoError;
    QString m_errorMessage;
};
