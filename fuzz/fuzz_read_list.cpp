// Reads arbitrary bytes as a list file, through the parser and through the real file functions.
#include "store/narrowtext.h"
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList entries = UrlListFile::parseEntries(bytes);
    if (entries.isEmpty())
        std::abort(); // a list always has at least one entry
    for (const QString &e : entries) {
        if (e.contains(u'\r'))
            std::abort(); // CR always ends a line
    }

    const QString &path = scratchFile();
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes.data(), bytes.size()) != bytes.size())
            std::abort();
    }
    if (UrlListFile::load(path) != entries)
        std::abort();
    const std::optional<QString> edit = UrlListFile::editText(path);
    if (!edit)
        std::abort();
    if (size == 0 ? !edit->isEmpty() : *edit != entries.join(QStringLiteral("\r\n")))
        std::abort();
    return 0;
}
