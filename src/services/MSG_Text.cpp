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

MSG_Text &MSG_Text::arg(const QString &value)
{
    m_text = m_text.arg(value);
    m_translated = m_translated.arg(value);
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
    m_text += other.m_text;
    m_translated += other.m_translated;
    return *this;
}

MSG_Text &MSG_Text::operator+=(const QString &text)
{
    m_text += text;
    m_translated += text;
    return *this;
}
