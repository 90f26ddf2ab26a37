#include "TUVectOptionList.h"

#include "MSG_Scope.h"
#include "oswRemapPath.h"
#include "oswUtil.h"

#include <QFile>
#include <QTextStream>

#include <algorithm>

namespace {
const QLatin1String StylePrefix("style_name: ");
const QLatin1String OptionsPrefix("options: ");
} // namespace

QString TUVectOptionList::defaultPath()
{
    return oswRemapPath::RemapPath2(oswUtil::QVXEtc() + QStringLiteral("/VectOptions.conf"));
}

bool TUVectOptionList::read(const QString &path)
{
    m_styles.clear();
    m_errors.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    read(file);
    return true;
}

void TUVectOptionList::read(QIODevice &input)
{
    m_styles.clear();
    m_errors.clear();
    QTextStream in(&input);
    in.setCodec("UTF-8");
    // The index of the style an options line may still belong to, -1 for none.
    int open = -1;
    for (int number = 1; !in.atEnd(); ++number)
        parse(in.readLine(), number, open);
    const bool hasDefault = std::any_of(m_styles.begin(), m_styles.end(),
                                        [](const Style &style) { return style.name == defaultStyleName(); });
    if (!hasDefault)
        m_styles.prepend({defaultStyleName(), QStringLiteral(" ")});
}

void TUVectOptionList::parse(const QString &line, int number, int &open)
{
    if (line.startsWith(StylePrefix)) {
        const QString name = line.mid(StylePrefix.size()).trimmed();
        open = -1;
        if (name.isEmpty()) {
            m_errors += tr("\nInvalid Style name at line %1.").arg(number);
            return;
        }
        m_styles.append({name, QString()});
        open = m_styles.size() - 1;
    } else if (line.startsWith(OptionsPrefix)) {
        const QString options = line.mid(OptionsPrefix.size()).trimmed();
        if (open < 0)
            m_errors += tr("\nOptions without style name at line %1.").arg(number);
        else if (options.isEmpty())
            m_errors += tr("\nInvalid Option at line %1.").arg(number);
        else
            m_styles[open].options = options;
        // A second options line belongs to no style.
        open = -1;
    }
}

bool TUVectOptionList::readAndReport(const QString &path, const char *scope)
{
    if (!read(path)) {
        MSG_Scope(scope, QT_TRANSLATE_NOOP("DBS_VectOptionList", "Error opening file %1"), MSG_Scope::Error).arg(path);
        return false;
    }
    if (!m_errors.isEmpty())
        MSG_Scope(scope, QT_TRANSLATE_NOOP("DBS_VectOptionList", "Error(s) detected while reading %1:%2"), MSG_Scope::Inform)
            .arg(path)
            .arg(m_errors);
    return true;
}

QStringList TUVectOptionList::names() const
{
    QStringList list;
    for (const Style &style : m_styles)
        list << style.name;
    return list;
}

bool TUVectOptionList::options(const QString &name, QString &options) const
{
    for (const Style &style : m_styles) {
        if (style.name == name) {
            options = style.options;
            return true;
        }
    }
    return false;
}
