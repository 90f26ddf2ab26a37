#include "OSW_Lang.h"

#include "BAPP_SharedFolders.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

namespace {
QString s_language;
bool s_fake = false;

// Marks every text so that a tester sees at once what escaped tr().
class FakeTranslator : public QTranslator
{
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char *, const char *sourceText, const char * = nullptr, int = -1) const override
    {
        return QStringLiteral("[") + QString::fromUtf8(sourceText) + QStringLiteral("]");
    }
};
} // namespace

void OSW_Lang::setDefaultLanguage(const QString &code)
{
    s_language = code;
}

QString OSW_Lang::language()
{
    return s_language.isEmpty() ? QLocale::system().name().left(2) : s_language;
}

bool OSW_Lang::loadTranslator(const QString &name, const QString &dir, bool fake)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return false;
    if (fake) {
        s_fake = true;
        return QCoreApplication::installTranslator(new FakeTranslator(app));
    }
    auto *translator = new QTranslator(app);
    const QString folder = dir.isEmpty() ? BAPP_SharedFolders::translations() : dir;
    if (!translator->load(name + QLatin1Char('_') + language(), folder)) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

bool OSW_Lang::isFakeTranslation()
{
    return s_fake;
}

QString OSW_Lang::preferenceKey()
{
    return QStringLiteral("LANGUAGE");
}
