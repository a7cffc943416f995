#include "fakes/testfiles.h"

#include "store/listpaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace TestFiles {

QByteArray read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArrayLiteral("<missing>");
}

bool write(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size() && file.flush();
}

QByteArray listBytes()
{
    return read(ListPaths::listFile());
}

bool writeList(const QByteArray &bytes)
{
    return write(ListPaths::listFile(), bytes);
}

} // namespace TestFiles
