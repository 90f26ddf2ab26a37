#pragma once

#include <QString>

// The program's language and its translators.
class OSW_Lang
{
public:
    // An empty code means the system's locale.
    static void setDefaultLanguage(const QString &code);
    static QString language();
    // Loads "<name>_<language>.qm" from dir (the installation's translations
    // folder when dir is empty) and installs it. With fake, no file is loaded;
    // texts are shown decorated instead, so untranslated strings stand out.
    static bool loadTranslator(const QString &name, const QString &dir, bool fake);
    static bool isFakeTranslation();
    // The key under which the local preferences keep the language.
    static QString preferenceKey();
};
