#include "ui/SettingsPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

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
        return folder.isWritable() &&
               !QFileInfo::exists(dir + QStringLiteral("../share/applications/talmir.desktop"));
    };
    return ChooseSettingsPaths(exeDir, writable,
                               QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation),
                               QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
}

}  // namespace talmir
