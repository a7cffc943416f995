#include "store/listplace.h"

#include "store/listpaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

const QByteArray header = QByteArrayLiteral("quokka list place 1\n");
/// An entry can be an address of megabytes; anything much larger is not a file of ours.
constexpr qint64 largestPlaceFile = 8 * 1024 * 1024;

} // namespace

QString ListPlace::file()
{
    return ListPaths::dataFolder() + QStringLiteral("/list-place");
}

std::optional<ListPlace> ListPlace::read(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > largestPlaceFile)
        return std::nullopt;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = f.read(largestPlaceFile + 1);
    if (!bytes.startsWith(header))
        return std::nullopt;
    const qsizetype rowEnd = bytes.indexOf('\n', header.size());
    if (rowEnd < 0)
        return std::nullopt;
    bool number = false;
    const int row = bytes.mid(header.size(), rowEnd - header.size()).toInt(&number);
    if (!number || row < 0)
        return std::nullopt;
    QByteArray entry = bytes.mid(rowEnd + 1);
    if (!entry.endsWith('\n'))
        return std::nullopt; // cut short while being written by something else
    entry.chop(1);
    return ListPlace{QString::fromUtf8(entry), row};
}

bool ListPlace::write(const QString &path, const ListPlace &place)
{
    if (place.row < 0 || place.entry.contains(QLatin1Char('\n')))
        return false;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(header);
    f.write(QByteArray::number(place.row) + '\n');
    f.write(place.entry.toUtf8() + '\n');
    return f.commit();
}

int ListPlace::rowIn(const QStringList &entries) const
{
    const qsizetype count = entries.size();
    // A row past the end (the list got shorter) looks from the end.
    const qsizetype from = qMin<qsizetype>(row, count);
    for (qsizetype distance = 0; from - distance >= 0 || from + distance < count; ++distance) {
        const qsizetype before = from - distance;
        const qsizetype after = from + distance;
        if (before >= 0 && before < count && entries.at(before) == entry)
            return int(before);
        if (after >= 0 && after < count && entries.at(after) == entry)
            return int(after);
    }
    return -1;
}
