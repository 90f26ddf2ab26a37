#pragma once

#include <QString>

// A user-visible text kept twice: as written in the source (for logs that
// support reads in English) and as translated for the person at the screen.
class MSG_Text
{
public:
    MSG_Text() = default;
    // An untranslated text, for example one that came from the database.
    explicit MSG_Text(const QString &text);
    // A text translated with QCoreApplication::translate in the given context.
    MSG_Text(const char *context, const char *sourceText);

    // Fills the lowest-numbered %N placeholder in both forms.
    MSG_Text &arg(const QString &value);
    MSG_Text &arg(int value);
    MSG_Text &arg(double value);

    MSG_Text &operator+=(const MSG_Text &other);
    MSG_Text &operator+=(const QString &text);

    QString text() const { return m_text; }
    QString translated() const { return m_translated; }
    bool isEmpty() const { return m_text.isEmpty(); }

private:
    QString m_text;
    QString m_translated;
};
