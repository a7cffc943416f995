// Reading and writing whole files in tests, and the user's list file in particular.
#pragma once

#include <QByteArray>
#include <QString>

namespace TestFiles {

/// The bytes of @p path, or "<missing>" when it cannot be read.
QByteArray read(const QString &path);
/// Writes @p bytes as the whole of @p path, making its folder first; false when anything failed.
[[nodiscard]] bool write(const QString &path, const QByteArray &bytes);

/// The user's list file (url.dat in the data folder), and writing it.
QByteArray listBytes();
[[nodiscard]] bool writeList(const QByteArray &bytes);

} // namespace TestFiles
