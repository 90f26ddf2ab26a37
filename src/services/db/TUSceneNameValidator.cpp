#include "TUSceneNameValidator.h"

#include <atomic>

namespace {
std::atomic<bool> s_acceptUnicode{false};
}

TUSceneNameValidator::TUSceneNameValidator(QObject *parent, int type)
    : QValidator(parent)
    , m_type(type)
{
}

QValidator::State TUSceneNameValidator::validate(QString &input, int &) const
{
    // While typing, an empty field is not an error yet.
    if (input.isEmpty())
        return Intermediate;
    return computeState(input, m_type);
}

bool TUSceneNameValidator::isAllowedChar(QChar c)
{
    if (c == QLatin1Char('_') || c == QLatin1Char('-') || c == QLatin1Char('.'))
        return true;
    if (c.unicode() < 128)
        return c.isLetterOrNumber();
    return acceptUnicode() && c.isLetterOrNumber();
}

QValidator::State TUSceneNameValidator::computeState(const QString &name, int)
{
    if (name.isEmpty() || name.size() > maxNameLength())
        return Invalid;
    if (name.startsWith(QLatin1Char('-')) || name.startsWith(QLatin1Char('.')))
        return Invalid;
    for (const QChar c : name) {
        if (!isAllowedChar(c))
            return Invalid;
    }
    return Acceptable;
}

QString TUSceneNameValidator::suggestion(const QString &name)
{
    QString result;
    for (const QChar c : name)
        result += isAllowedChar(c) ? c : QLatin1Char('_');
    while (result.startsWith(QLatin1Char('-')) || result.startsWith(QLatin1Char('.')))
        result[0] = QLatin1Char('_');
    return result.left(maxNameLength());
}

void TUSceneNameValidator::setAcceptUnicode(bool accept)
{
    s_acceptUnicode = accept;
}

bool TUSceneNameValidator::acceptUnicode()
{
    return s_acceptUnicode;
}
