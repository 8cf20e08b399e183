#include "settings/data_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "build_info.h"

namespace hodra {

QStringList DataDirectories() {
    QStringList dirs{QDir::currentPath()};
    if (QCoreApplication::instance() != nullptr) {
        const QString exeDir = QCoreApplication::applicationDirPath();
        dirs << QDir::cleanPath(exeDir + "/../share/hodra2");
        if (exeDir.startsWith(QString::fromUtf8(kBuildDir))) {
            dirs << QString::fromUtf8(kSourceResDir);
        }
    }
    dirs << QString::fromUtf8(kInstalledDataDir);
    dirs.removeDuplicates();
    return dirs;
}

QString InstalledDataDirectory() {
    if (QCoreApplication::instance() != nullptr) {
        const QString beside = QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../share/hodra2");
        if (QFileInfo(beside).isDir()) {
            return beside;
        }
    }
    return QString::fromUtf8(kInstalledDataDir);
}

QString FindDataFile(const QString& name) {
    for (const QString& dir : DataDirectories()) {
        const QFileInfo candidate(QDir(dir).filePath(name));
        if (candidate.isFile()) {
            return candidate.filePath();
        }
    }
    return name;
}

}  // namespace hodra
