#include "ui/SettingsPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace talmir {

namespace {

QString Folder(const QString& path) {
    return QDir::toNativeSeparators(QDir::cleanPath(path) + QStringLiteral("/"));
}

}  // namespace

SettingsPaths ChooseSettingsPaths(const QString& exeDir,
                                  const std::function<bool(const QString&)>& writable,
                                  const QString& userConfigDir, const QString& documentsDir) {
    SettingsPaths paths;
    paths.pictureDirs << exeDir + QStringLiteral("pics/");
    if (writable(exeDir)) {
        paths.configFile = exeDir + QStringLiteral("config.ini");
        paths.defaultDataFile = exeDir + QStringLiteral("data.csv");
        return paths;
    }
    paths.configDir = Folder(userConfigDir);
    paths.configFile = paths.configDir + QStringLiteral("config.ini");
    paths.documentsDir = Folder(documentsDir);
    paths.defaultDataFile = paths.documentsDir + QStringLiteral("data.csv");
    paths.pictureDirs << Folder(exeDir + QStringLiteral("../share/talmir/pics"));
    return paths;
}

SettingsPaths SettingsPathsForExecutable(const QString& exeDir) {
    // A folder that does not exist is no installation: saving there fails
    // and names the file, as for any folder beside the executable.
    const auto writable = [](const QString& dir) {
        const QFileInfo folder(dir);
        if (!folder.exists()) return true;
#ifdef _WIN32
        // The installer leaves its uninstaller beside the executable. Windows'
        // access rules are not in the file attributes QFileInfo reads: only a
        // file actually created tells whether the folder takes files.
        if (QFileInfo::exists(dir + QStringLiteral("uninstall.exe"))) return false;
        QTemporaryFile probe(dir + QStringLiteral("talmir-XXXXXX.tmp"));
        return probe.open();
#else
        return folder.isWritable() &&
               !QFileInfo::exists(dir + QStringLiteral("../share/applications/talmir.desktop"));
#endif
    };
#ifdef _WIN32
    // %APPDATA%\talmir, where Windows programs keep their users' settings.
    constexpr auto kUserConfig = QStandardPaths::AppDataLocation;
#else
    constexpr auto kUserConfig = QStandardPaths::AppConfigLocation;  // ~/.config/talmir
#endif
    return ChooseSettingsPaths(exeDir, writable, QStandardPaths::writableLocation(kUserConfig),
                               QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
}

}  // namespace talmir
