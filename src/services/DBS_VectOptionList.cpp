#include "DBS_VectOptionList.h"

#include "MSG_Scope.h"
#include "oswRemapPath.h"
#include "oswUtil.h"

#include <QFile>
#include <QTextStream>

namespace {
const QLatin1String StylePrefix("style_name: ");
const QLatin1String OptionsPrefix("options: ");
const QLatin1String DefaultStyle("Default Style");
} // namespace

QString DBS_VectOptionList::defaultPath()
{
    return oswRemapPath::RemapPath2(oswUtil::QVXEtc() + QStringLiteral("/VectOptions.conf"));
}

bool DBS_VectOptionList::read(const QString &path)
{
    m_styles.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        MSG_Scope("DBS_VectOptionList", QT_TRANSLATE_NOOP("DBS_VectOptionList", "Error opening file %1"),
                  MSG_Scope::Error)
            .arg(path);
        return false;
    }
    QTextStream in(&file);
    in.setCodec("UTF-8");
    QString errors;
    bool optionsAllowed = false;
    for (int number = 1; !in.atEnd(); ++number)
        parseLine(in.readLine(), number, optionsAllowed, errors);
    if (!errors.isEmpty())
        MSG_Scope("DBS_VectOptionList", QT_TRANSLATE_NOOP("DBS_VectOptionList", "Error(s) detected while reading %1:%2"),
                  MSG_Scope::Inform)
            .arg(path)
            .arg(errors);
    if (!names().contains(DefaultStyle))
        m_styles.prepend({DefaultStyle, QStringLiteral(" ")});
    return true;
}

void DBS_VectOptionList::parseLine(const QString &line, int number, bool &optionsAllowed, QString &errors)
{
    if (line.startsWith(StylePrefix)) {
        const QString name = line.mid(StylePrefix.size()).trimmed();
        optionsAllowed = !name.isEmpty();
        if (name.isEmpty())
            errors += tr("\nInvalid Style name at line %1.").arg(number);
        else
            m_styles.append({name, QString()});
    } else if (line.startsWith(OptionsPrefix)) {
        const QString options = line.mid(OptionsPrefix.size()).trimmed();
        if (!optionsAllowed)
            errors += tr("\nOptions without style name at line %1.").arg(number);
        else if (options.isEmpty())
            errors += tr("\nInvalid Option at line %1.").arg(number);
        else
            m_styles.last().second = options;
        // A second options line belongs to no style.
        optionsAllowed = false;
    }
}

QStringList DBS_VectOptionList::names() const
{
    QStringList list;
    for (const Style &style : m_styles)
        list << style.first;
    return list;
}

bool DBS_VectOptionList::options(const QString &name, QString &options) const
{
    for (const Style &style : m_styles) {
        if (style.first == name) {
            options = style.second;
            return true;
        }
    }
    return false;
}
