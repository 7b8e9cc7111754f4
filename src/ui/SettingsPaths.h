// Where the main window keeps config.ini, proposes its data file and looks
// for register pictures. A portable copy (the executable's folder takes
// files) keeps everything beside the executable; an installed one, whose
// folder does not, keeps its settings in the user's configuration folder, its
// data in the user's documents and finds the pictures it ships under
// ../share/talmir/pics/.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace talmir {

struct SettingsPaths {
    QString configFile;       // config.ini
    QString configDir;        // folder to create before the first save; empty beside the executable
    QString defaultDataFile;  // data.csv, the data-file edits' default
    QString documentsDir;     // folder to create for the data file; empty beside the executable
    QStringList pictureDirs;  // searched in order for N.png, each with a trailing separator
};

// `exeDir` ends with a separator; `writable` tells whether a folder takes
// files; `userConfigDir` and `documentsDir` are the user's folders for
// settings and documents.
SettingsPaths ChooseSettingsPaths(const QString& exeDir,
                                  const std::function<bool(const QString&)>& writable,
                                  const QString& userConfigDir, const QString& documentsDir);

// The choice for this process: the folder counts as writable when it takes
// files and is not an installed program's (no share/applications/talmir.desktop
// beside it), so an installed copy run by root does not write into /usr/bin;
// a folder that does not exist counts as writable. On Windows an installed
// copy is the one with the installer's uninstall.exe beside it.
SettingsPaths SettingsPathsForExecutable(const QString& exeDir);

}  // namespace talmir
