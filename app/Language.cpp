#include "app/Language.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

#include <memory>

namespace app {

std::optional<Language> languageNamed(const QString &name)
{
    if (name == u"en")
        return Language::English;
    if (name == u"zh")
        return Language::Chinese;
    return std::nullopt;
}

Language languageFor(const QLocale &locale)
{
    // The first of the operator's languages that is English or Chinese decides.
    for (const QString &name : locale.uiLanguages()) {
        const QLocale::Language spoken = QLocale(name).language();
        if (spoken == QLocale::English)
            return Language::English;
        if (spoken == QLocale::Chinese)
            return Language::Chinese;
    }
    return Language::Chinese;
}

void useLanguage(Language language)
{
    // The source texts are the Chinese ones; only English needs a translator.
    static std::unique_ptr<QTranslator> translator;
    if (translator)
        QCoreApplication::removeTranslator(translator.get());
    translator.reset();
    if (language == Language::Chinese)
        return;
    translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral(":/i18n/thermal-printer-demo_en.qm")))
        qFatal("The English translation is missing from the resources");
    QCoreApplication::installTranslator(translator.get());
}

} // namespace app
