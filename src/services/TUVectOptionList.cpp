#include "TUVectOptionList.h"

#include "MSG_Scope.h"
#include "oswRemapPath.h"
#include "oswUtil.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

namespace {
const QString kStylePrefix = QStringLiteral("style_name: ");
const QString kOptionsPrefix = QStringLiteral("options: ");

QString lineError(const char *text, int line)
{
    return QCoreApplication::translate("DBS_VectOptionList", text).arg(line);
}
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
    QTextStream in(&file);
    in.setCodec("UTF-8");
    // The style an options line may still belong to.
    Style *open = nullptr;
    for (int number = 1; !in.atEnd(); ++number)
        parse(in.readLine(), number, open);
    const bool hasDefault = std::any_of(m_styles.begin(), m_styles.end(),
                                        [](const Style &style) { return style.name == defaultStyleName(); });
    if (!hasDefault)
        m_styles.prepend({defaultStyleName(), QStringLiteral(" ")});
    return true;
}

void TUVectOptionList::parse(const QString &line, int number, Style *&open)
{
    if (line.startsWith(kStylePrefix)) {
        const QString name = line.mid(kStylePrefix.size()).trimmed();
        open = nullptr;
        if (name.isEmpty()) {
            m_errors += lineError(QT_TRANSLATE_NOOP("DBS_VectOptionList", "\nInvalid Style name at line %1."), number);
            return;
        }
        m_styles.append({name, QString()});
        open = &m_styles.last();
    } else if (line.startsWith(kOptionsPrefix)) {
        const QString options = line.mid(kOptionsPrefix.size()).trimmed();
        if (!open)
            m_errors +=
                lineError(QT_TRANSLATE_NOOP("DBS_VectOptionList", "\nOptions without style name at line %1."), number);
        else if (options.isEmpty())
            m_errors += lineError(QT_TRANSLATE_NOOP("DBS_VectOptionList", "\nInvalid Option at line %1."), number);
        else
            open->options = options;
        open = nullptr;
    }
}

bool TUVectOptionList::readAndReport(const QString &path, const char *scope)
{
    if (!read(path)) {
        MSG_Scope(scope, QT_TRANSLATE_NOOP("DBS_VectOptionList", "Error opening file %1")).arg(path);
        return false;
    }
    if (!m_errors.isEmpty())
        MSG_Scope(scope, QT_TRANSLATE_NOOP("DBS_VectOptionList", "Error(s) detected while reading %1:%2"), MSG_Scope::Inform)
            .arg(path)
            .arg(m_errors);
    return true;
}

QString TUVectOptionList::options(const QString &name) const
{
    for (const Style &style : m_styles) {
        if (style.name == name)
            return style.options;
    }
    return QString();
}
