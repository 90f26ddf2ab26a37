#pragma once

#include <QString>
#include <QStringList>

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

    // Fills the lowest-numbered %N placeholder in both forms, as
    // QString::arg does, except that a value filled in is never searched
    // for placeholders itself. Characters a terminal would act on or hide
    // (control and format characters other than line breaks and tabs) show
    // as "<U+XXXX>", and a line longer than MaxShownLength is cut.
    MSG_Text &arg(const QString &value);
    MSG_Text &arg(int value);
    MSG_Text &arg(double value);

    MSG_Text &operator+=(const MSG_Text &other);
    MSG_Text &operator+=(const QString &text);

    QString text() const { return m_text.joined(); }
    QString translated() const { return m_translated.joined(); }
    bool isEmpty() const { return text().isEmpty(); }

    static constexpr int MaxShownLength = 1024;
    // A value as arg() shows it, for texts built without MSG_Text.
    static QString readable(const QString &value) { return shown(value, true); }
    // The text with its control and format characters made visible, as the
    // sinks write every message.
    static QString visible(const QString &text);

private:
    // Pattern text and filled-in values alternating, pattern first and last;
    // only the pattern parts hold placeholders.
    class Filling
    {
    public:
        explicit Filling(const QString &pattern = QString()) : m_parts{pattern} {}
        void fill(const QString &value);
        void append(const Filling &other);
        void append(const QString &pattern) { m_parts.last() += pattern; }
        QString joined() const { return m_parts.join(QString()); }

    private:
        QStringList m_parts;
    };
    static QString shown(const QString &value, bool translate);

    Filling m_text;
    Filling m_translated;
};
