// Reading a small file of settings whole, without being held up or flooded by what is in its place.
#pragma once

#include <QByteArray>
#include <QString>

/// What reading a small file found.
struct SmallFile {
    QByteArray bytes;
    /// There is no such file (or a link to nothing): not a problem, there is just nothing yet.
    bool missing = false;
    /// Why the file could not be read, one clause a person understands; empty when it was read.
    QString problem;
};

/// Reads the file at @p path whole. A pipe, socket or device in its place is refused at once (never
/// waited on), as is a folder, and a file longer than @p maxBytes (also one that grows past it
/// while it is read).
SmallFile readSmallFile(const QString &path, qsizetype maxBytes);
