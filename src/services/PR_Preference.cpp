#include "PR_Preference.h"

#include "BAPP_SharedFolders.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QTemporaryFile>

#include <filesystem>
#include <system_error>

PR_Preference::PR_Preference(const QString &path)
{
    // QSettings treats an unreadable file as empty and would later write
    // over it; find out first, with the reason.
    if (QFileInfo::exists(path)) {
        QFile probe(path);
        if (!probe.open(QIODevice::ReadOnly))
            setError(ReadError, QStringLiteral("Cannot read preference file \"%1\": %2").arg(path, probe.errorString()));
    }
    m_settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
    m_settings->setIniCodec("UTF-8");
    if (m_errorCode != NoError)
        return;
    switch (m_settings->status()) {
    case QSettings::NoError:
        break;
    case QSettings::FormatError:
        setError(FormatError, QStringLiteral("Preference file \"%1\" is malformed").arg(path));
        break;
    case QSettings::AccessError:
        setError(ReadError, QStringLiteral("Cannot read preference file \"%1\"").arg(path));
        break;
    }
}

PR_Preference::~PR_Preference() = default;

std::unique_ptr<PR_Preference> PR_Preference::createPreference(const QString &path)
{
    return std::unique_ptr<PR_Preference>(new PR_Preference(path));
}

PR_Preference &PR_Preference::localPrefs()
{
    static const std::unique_ptr<PR_Preference> prefs =
        createPreference(BAPP_SharedFolders::userConfig() + QStringLiteral("/local.ini"));
    return *prefs;
}

int PR_Preference::getIntValue(const QString &key, int defaultValue) const
{
    bool ok = false;
    const int value = m_settings->value(key).toInt(&ok);
    return ok ? value : defaultValue;
}

bool PR_Preference::getBoolValue(const QString &key, bool defaultValue) const
{
    // QVariant would take any other text as true; a hand-edited typo should
    // not switch a setting on.
    const QString text = m_settings->value(key).toString().trimmed().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("1"))
        return true;
    if (text == QLatin1String("false") || text == QLatin1String("0"))
        return false;
    return defaultValue;
}

QString PR_Preference::getStringValue(const QString &key, const QString &defaultValue) const
{
    const QVariant value = m_settings->value(key);
    if (!value.isValid())
        return defaultValue;
    // An unquoted comma in a hand-written file makes QSettings split the text.
    if (value.userType() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

// A store that could not be read is left alone: QSettings would write back
// only what it understood and lose the rest.
void PR_Preference::setIntValue(const QString &key, int value)
{
    if (m_errorCode == ReadError || m_errorCode == FormatError)
        return;
    m_settings->setValue(key, value);
}

void PR_Preference::setBoolValue(const QString &key, bool value)
{
    if (m_errorCode == ReadError || m_errorCode == FormatError)
        return;
    m_settings->setValue(key, value ? QStringLiteral("true") : QStringLiteral("false"));
}

void PR_Preference::setStringValue(const QString &key, const QString &value)
{
    if (m_errorCode == ReadError || m_errorCode == FormatError)
        return;
    m_settings->setValue(key, value);
}

bool PR_Preference::contains(const QString &key) const
{
    return m_settings->contains(key);
}

bool PR_Preference::save()
{
    if (m_errorCode == ReadError || m_errorCode == FormatError)
        return false;
    const QString file = path();
    const QString folder = QFileInfo(file).absolutePath();
    std::error_code ec;
    std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), ec);
    if (ec) {
        setError(WriteError, QStringLiteral("Cannot create the folder of preference file \"%1\": %2")
                                 .arg(file, QString::fromLocal8Bit(ec.message().c_str())));
        return false;
    }
    m_settings->sync();
    if (m_settings->status() == QSettings::NoError)
        return true;
    // QSettings gives no reason; a scratch file in the same folder usually does.
    QString why;
    QTemporaryFile scratch(folder + QStringLiteral("/.prefs-XXXXXX"));
    if (!scratch.open())
        why = QStringLiteral(": ") + scratch.errorString();
    setError(WriteError, QStringLiteral("Cannot write preference file \"%1\"%2").arg(file, why));
    return false;
}

QString PR_Preference::path() const
{
    return m_settings->fileName();
}

void PR_Preference::setError(int code, const QString &message)
{
    m_errorCode = code;
    m_errorMessage = message;
}
