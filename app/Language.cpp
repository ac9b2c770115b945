#include "app/Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace app {

namespace {

// Each language's translation, loaded once: the Chinese one holds the tool's own sentences, the
// English one the window's captions, notes, hints and status lines.
QTranslator *translatorFor(Language language)
{
    static QTranslator chinese;
    static QTranslator english;
    static const bool loaded = chinese.load(QStringLiteral(":/i18n/thermal-printer-demo_zh_CN.qm"))
                               && english.load(QStringLiteral(":/i18n/thermal-printer-demo_en.qm"));
    if (!loaded)
        qFatal("A translation of the window's texts is missing from the resources");
    return language == Language::Chinese ? &chinese : &english;
}

// Qt's own texts in Chinese (file dialogs, the buttons of message boxes), from the system's Qt;
// null when they are not installed.
QTranslator *qtChinese()
{
    static QTranslator translator;
    static const bool loaded = translator.load(QStringLiteral("qtbase_zh_CN"),
                                               QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    return loaded ? &translator : nullptr;
}

} // namespace

std::optional<Language> languageNamed(const QString &name)
{
    if (name == u"en")
        return Language::English;
    if (name == u"zh")
        return Language::Chinese;
    return std::nullopt;
}

Language languageFor(const QStringList &uiLanguages)
{
    for (const QString &name : uiLanguages) {
        const QLocale::Language spoken = QLocale(name).language();
        if (spoken == QLocale::English)
            return Language::English;
        if (spoken == QLocale::Chinese)
            return Language::Chinese;
    }
    return Language::Chinese;
}

bool useLanguage(Language language)
{
    for (const Language each : {Language::Chinese, Language::English})
        QCoreApplication::removeTranslator(translatorFor(each));
    QCoreApplication::installTranslator(translatorFor(language));
    QTranslator *qtTexts = qtChinese();
    if (qtTexts)
        QCoreApplication::removeTranslator(qtTexts);
    if (language == Language::English)
        return true;
    return qtTexts && QCoreApplication::installTranslator(qtTexts);
}

QString textIn(Language language, const char *context, const char *sourceText)
{
    const QString text = translatorFor(language)->translate(context, sourceText);
    return text.isEmpty() ? QString::fromUtf8(sourceText) : text;
}

} // namespace app
