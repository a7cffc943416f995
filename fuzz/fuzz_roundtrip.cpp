// Load, write back, load again: the second load must equal the first, and the written bytes must be
// the input with only its line ends made whole: CR LF for a file that holds a CR, LF for one that
// holds none.
#include "store/urllistfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

const QString &scratchFile()
{
    // In memory where possible: the file functions run once per input, and a disk would be the bottleneck.
    static QTemporaryDir dir((QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm") : QDir::tempPath())
                             + QStringLiteral("/quokka-fuzz-XXXXXX"));
    static const QString path = dir.filePath(QStringLiteral("url.dat"));
    return path;
}

// What writing back an unedited list must give: each lone CR becomes CR LF, and the last line gets
// a line end; a file without any CR keeps its LF line ends; an empty file is one empty entry,
// which is one empty line.
QByteArray expectedBytes(QByteArrayView in)
{
    if (!in.isEmpty() && !in.contains('\r')) {
        QByteArray out = in.toByteArray();
        if (!out.endsWith('\n'))
            out += '\n';
        return out;
    }
    QByteArray out;
    for (qsizetype i = 0; i < in.size(); ++i) {
        out += in[i];
        if (in[i] == '\r' && (i + 1 >= in.size() || in[i + 1] != '\n'))
            out += '\n';
    }
    if (!out.endsWith("\r\n"))
        out += "\r\n";
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString &path = scratchFile();
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes.data(), bytes.size()) != bytes.size())
            std::abort();
    }
    const QStringList first = UrlListFile::load(path);
    if (first != UrlListFile::parseEntries(bytes))
        std::abort();
    const SaveResult saved = UrlListFile::writeBack(path, first);
    if (!saved)
        std::abort();
    QFile written(path);
    if (!written.open(QIODevice::ReadOnly))
        std::abort();
    const QByteArray out = written.readAll();
    written.close();
    if (out != expectedBytes(bytes))
        std::abort();
    const QStringList second = UrlListFile::load(path);
    if (second != first)
        std::abort();
    return 0;
}
