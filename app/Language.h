#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace app {

// The language of the window's texts: Chinese, in which its captions, notes and status lines are
// written, or English, in which the tool's own sentences are written; each language shows the
// other's texts translated. Printer content never depends on it.
enum class Language { Chinese, English };

// "en" or "zh"; nothing for any other name.
std::optional<Language> languageNamed(const QString &name);
// The first of the operator's languages, in their order of preference ("fr", "en-GB"), that is
// English or Chinese; Chinese when none is.
Language languageFor(const QStringList &uiLanguages);
// Texts created from now on come in this language, Qt's own (dialogs, buttons) included; the last
// call wins. False when Qt's own texts are not installed in it.
bool useLanguage(Language language);
// A text as the window shows it in the given language, whichever language it speaks now.
QString textIn(Language language, const char *context, const char *sourceText);

} // namespace app
