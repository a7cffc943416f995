// Reading only the thumbnail of a kept copy: the page and its text are stepped over, never read.
#pragma once

#include <QByteArray>
#include <QString>

/// The thumbnail part of a copy file, or why it cannot be had.
struct ThumbnailReading {
    bool ok = false;
    /// PNG bytes; empty (with ok) when the copy was kept without a picture.
    QByteArray png;
    /// What is wrong with the file, for a log: missing, cut short, damaged.
    QString problem;
};

namespace CopyThumbnail {

/// Reads the thumbnail of the copy file at @p path: the headers of the page and the text are read
/// and their bytes skipped, so a gallery of thousands of copies reads kilobytes, not the pages.
/// The part is checked against its SHA-256 as CopyFile::read() checks the whole file.
ThumbnailReading read(const QString &path);

} // namespace CopyThumbnail
