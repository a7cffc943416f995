#include "store/listpaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#ifndef QUOKKA_DATADIR
#define QUOKKA_DATADIR "/usr/local/share/quokka"
#endif

namespace ListPaths {

QString dataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/quokka");
}

QString listFile()
{
    return dataFolder() + QStringLiteral("/url.dat");
}

QString fullListCopy()
{
    return dataFolder() + QStringLiteral("/ch.dat");
}

QString shippedFile(const QString &relativePath)
{
    if (QFileInfo::exists(relativePath))
        return relativePath;
    QStringList candidates;
    if (QCoreApplication::instance()) {
        const QString exeDir = QCoreApplication::applicationDirPath();
        candidates << exeDir;
        // An installed program finds its files beside bin/, wherever the prefix was moved to.
        candidates << QDir(exeDir).filePath(QStringLiteral("../share/quokka"));
    }
    candidates << QStringLiteral(QUOKKA_DATADIR);
    for (const QString &dir : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        candidates << dir + QStringLiteral("/quokka");
    for (const QString &dir : std::as_const(candidates)) {
        const QString path = QDir(dir).filePath(relativePath);
        if (QFileInfo::exists(path))
            return path;
    }
    return relativePath;
}

QUrl startPage()
{
    return QUrl::fromLocalFile(QFileInfo(shippedFile(QStringLiteral("start.html"))).absoluteFilePath());
}

} // namespace ListPaths
