#include "lists/urllistfile.h"

#include "lists/narrowtext.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace UrlListFile {

QStringList parseEntries(QByteArrayView bytes)
{
    QStringList entries;
    const char *data = bytes.data();
    const qsizetype size = bytes.size();
    qsizetype start = 0;
    while (start < size) {
        const void *cr = memchr(data + start, '\r', size_t(size - start));
        const qsizetype end = cr ? static_cast<const char *>(cr) - data : size;
        entries.append(NarrowText::decode(QByteArrayView(data + start, end - start)));
        start = end + 1;
        if (cr && start < size && data[start] == '\n')
            ++start;
    }
    if (entries.isEmpty())
        entries.append(QString());
    return entries;
}

QByteArray serializeEntries(const QStringList &entries)
{
    qsizetype total = 0;
    for (const QString &e : entries)
        total += e.size() + 2;
    QByteArray out;
    out.reserve(total);
    for (const QString &e : entries) {
        NarrowText::encodeInto(e, out);
        out += "\r\n";
    }
    return out;
}

QStringList load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QString()};
    return parseEntries(file.readAll());
}

std::optional<QString> editText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (bytes.isEmpty())
        return QString();
    return parseEntries(bytes).join(QStringLiteral("\r\n"));
}

namespace {

/// A save that is killed after linking its finished temporary file into the folder, but before
/// renaming it over the list, leaves "<name>.XXXXXX" behind (six letters or digits). The next save
/// removes such files once they are a minute old, which the file of a save still under way never is.
void removeStaleTemporaries(const QString &path)
{
    const QFileInfo target(QFileInfo(path).isSymLink() ? QFileInfo(path).canonicalFilePath() : path);
    const QString prefix = target.fileName() + QLatin1Char('.');
    const QDateTime cutoff = QDateTime::currentDateTimeUtc().addSecs(-60);
    const QFileInfoList candidates = target.absoluteDir().entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &file : candidates) {
        const QString name = file.fileName();
        if (name.size() != prefix.size() + 6 || !name.startsWith(prefix) || file.isSymLink())
            continue;
        const QStringView suffix = QStringView(name).mid(prefix.size());
        const bool temporaryName = std::all_of(suffix.begin(), suffix.end(), [](QChar c) {
            return c.unicode() < 128 && c.isLetterOrNumber();
        });
        if (temporaryName && file.lastModified() < cutoff)
            QFile::remove(file.absoluteFilePath());
    }
}

} // namespace

SaveResult replaceFile(const QString &path, const QByteArray &bytes)
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        return SaveResult::failure(QStringLiteral("the folder %1 could not be created").arg(info.absolutePath()));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return SaveResult::failure(file.errorString());
    // QSaveFile may report success after a short write on a full disk: check every step ourselves.
    const qint64 written = file.write(bytes);
    if (written != bytes.size() || !file.flush() || file.error() != QFileDevice::NoError) {
        const QString why = file.errorString();
        file.cancelWriting();
        return SaveResult::failure(why.isEmpty() ? QStringLiteral("the disk is full") : why);
    }
    if (!file.commit())
        return SaveResult::failure(file.errorString());
    removeStaleTemporaries(path);
    return {};
}

SaveResult saveEditText(const QString &path, const QString &text)
{
    QByteArray bytes = NarrowText::encode(text);
    bytes += "\r\n";
    return replaceFile(path, bytes);
}

SaveResult writeBack(const QString &path, const QStringList &entries)
{
    return replaceFile(path, serializeEntries(entries));
}

SaveResult copyFullList(const QString &source, const QString &destination)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return SaveResult::failure(in.errorString());
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return SaveResult::failure(in.errorString());
    return replaceFile(destination, bytes);
}

SaveResult remove(const QString &path)
{
    QFile file(path);
    if (!file.exists() && !QFileInfo(path).isSymLink())
        return {};
    if (!file.remove())
        return SaveResult::failure(file.errorString());
    return {};
}

} // namespace UrlListFile
