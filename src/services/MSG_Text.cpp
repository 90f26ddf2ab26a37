#include "MSG_Text.h"

#include <QCoreApplication>

MSG_Text::MSG_Text(const QString &text)
    : m_text(text)
    , m_translated(text)
{
}

MSG_Text::MSG_Text(const char *context, const char *sourceText)
    : m_text(QString::fromUtf8(sourceText))
    , m_translated(QCoreApplication::translate(context, sourceText))
{
}

namespace {
// The number of the placeholder %1 to %99 at pos of pattern, or -1; length
// receives its length.
int placeholderAt(const QString &pattern, int pos, int &length)
{
    if (pattern[pos] != QLatin1Char('%') || pos + 1 >= pattern.size() || !pattern[pos + 1].isDigit())
        return -1;
    int number = pattern[pos + 1].digitValue();
    length = 2;
    if (pos + 2 < pattern.size() && pattern[pos + 2].isDigit()) {
        number = number * 10 + pattern[pos + 2].digitValue();
        length = 3;
    }
    return number;
}
} // namespace

void MSG_Text::Filling::fill(const QString &value)
{
    int lowest = 100;
    int length = 0;
    for (int i = 0; i < m_parts.size(); i += 2) {
        for (int pos = 0; pos < m_parts[i].size(); ++pos) {
            const int number = placeholderAt(m_parts[i], pos, length);
            if (number >= 0 && number < lowest)
                lowest = number;
        }
    }
    if (lowest == 100)
        return;
    QStringList filled;
    for (int i = 0; i < m_parts.size(); ++i) {
        if (i % 2 == 1) {
            filled << m_parts[i];
            continue;
        }
        const QString &pattern = m_parts[i];
        QString current;
        for (int pos = 0; pos < pattern.size(); ++pos) {
            if (placeholderAt(pattern, pos, length) == lowest) {
                filled << current << value;
                current.clear();
                pos += length - 1;
            } else {
                current += pattern[pos];
            }
        }
        filled << current;
    }
    m_parts = filled;
}

void MSG_Text::Filling::append(const Filling &other)
{
    m_parts.last() += other.m_parts.first();
    m_parts += other.m_parts.mid(1);
}

QString MSG_Text::shown(const QString &value, bool translate)
{
    if (value.size() > MaxShownLength && !value.contains(QLatin1Char('\n'))) {
        const char *cut = QT_TRANSLATE_NOOP("MSG_Text", "%1... (%2 characters)");
        return (translate ? QCoreApplication::translate("MSG_Text", cut) : QString::fromLatin1(cut))
            .arg(shown(value.left(64), translate), QString::number(value.size()));
    }
    return visible(value);
}

QString MSG_Text::visible(const QString &text)
{
    QString result;
    for (const QChar c : text) {
        const bool hidden = c.category() == QChar::Other_Format
            || (c.category() == QChar::Other_Control && c != QLatin1Char('\n') && c != QLatin1Char('\t'));
        result += hidden ? QStringLiteral("<U+%1>").arg(QString::number(c.unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0')))
                         : QString(c);
    }
    return result;
}

MSG_Text &MSG_Text::arg(const QString &value)
{
    m_text.fill(shown(value, false));
    m_translated.fill(shown(value, true));
    return *this;
}

MSG_Text &MSG_Text::arg(int value)
{
    return arg(QString::number(value));
}

MSG_Text &MSG_Text::arg(double value)
{
    return arg(QString::number(value));
}

MSG_Text &MSG_Text::operator+=(const MSG_Text &other)
{
    m_text.append(other.m_text);
    m_translated.append(other.m_translated);
    return *this;
}

MSG_Text &MSG_Text::operator+=(const QString &text)
{
    m_text.append(text);
    m_translated.append(text);
    return *this;
}
