// The language of the windows: Russian, in which every text is written, or a
// translation talmir_<language>.qm shipped under share/talmir/translations.
// Data files, INI files and the jobs' output are the same in every language.
#pragma once

#include <QString>

class QTranslator;

namespace talmir {

// "--lang" when given, else the key "Language" of section [UI] in the
// settings file `configFile`, else empty (Russian). The value is lower-cased.
QString ChooseWindowLanguage(const QString& option, const QString& configFile);

// The folder of the translations for an executable in `exeDir` (with a
// trailing separator): ../share/talmir/translations/ in an installation and
// in the build tree alike.
QString TranslationsDir(const QString& exeDir);

// Loads the translation of `language` from TranslationsDir(exeDir) into
// `translator` and installs it in the application. Empty and "ru" need none.
// Returns why the windows stay Russian; empty when they do not or should not.
QString InstallWindowLanguage(QTranslator& translator, const QString& language,
                              const QString& exeDir);

}  // namespace talmir
