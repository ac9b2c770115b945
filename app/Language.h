#pragma once

#include <QString>

#include <optional>

class QLocale;

namespace app {

// The language of the window's texts: the original Chinese ones, or their English translation.
// Printer content never depends on it.
enum class Language { Chinese, English };

// "en" or "zh"; nothing for any other name.
std::optional<Language> languageNamed(const QString &name);
// English for an English locale; the original texts for every other.
Language languageFor(const QLocale &locale);
// Texts created from now on come in this language; the last call wins.
void useLanguage(Language language);

} // namespace app
