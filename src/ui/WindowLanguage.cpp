#include "ui/WindowLanguage.h"

#include <QCoreApplication>
#include <QDir>
#include <QTranslator>

#include "core/IniFile.h"
#include "ui/FilePath.h"

namespace talmir {

QString ChooseWindowLanguage(const QString& option, const QString& configFile) {
    if (!option.isEmpty()) return option.toLower();
    IniFile ini;
    ini.Load(FilePath(configFile));
    return QString::fromStdString(ini.ReadString("UI", "Language", "")).toLower();
}

QString TranslationsDir(const QString& exeDir) {
#ifdef _WIN32
    // The Windows folder and installation keep everything beside the executable.
    if (QDir(exeDir + QStringLiteral("translations")).exists())
        return QDir::cleanPath(exeDir + QStringLiteral("translations")) + QLatin1Char('/');
#endif
    return QDir::cleanPath(exeDir + QStringLiteral("../share/talmir/translations")) +
           QLatin1Char('/');
}

QString InstallWindowLanguage(QTranslator& translator, const QString& language,
                              const QString& exeDir) {
    if (language.isEmpty() || language == QLatin1String("ru")) return QString();
    const QString dir = TranslationsDir(exeDir);
    if (!translator.load(QStringLiteral("talmir_") + language, dir))
        return QStringLiteral("Перевод на язык «%1» не найден в %2: окна на русском")
            .arg(language, QDir::toNativeSeparators(dir));
    QCoreApplication::installTranslator(&translator);
    return QString();
}

}  // namespace talmir
