// Where the list files and the shipped files live.
#pragma once

#include <QString>
#include <QUrl>

namespace ListPaths {

/// The folder of the user's list files: $XDG_DATA_HOME/quokka (by default ~/.local/share/quokka).
QString dataFolder();
/// The address list, url.dat in the data folder.
QString listFile();
/// The working copy of the full list, ch.dat in the data folder.
QString fullListCopy();
/// A file shipped beside the program, such as "dat/ch.dat": taken from the working directory
/// where it is there, otherwise from beside the executable, otherwise from the installed data
/// folder. Gives the working-directory path when none of them holds it.
QString shippedFile(const QString &relativePath);
/// The browsers' home page: the start page shipped beside the program, which needs no network.
QUrl startPage();

} // namespace ListPaths
