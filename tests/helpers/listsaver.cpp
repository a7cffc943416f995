// Saves two different lists over one list file, alternately and without end, so that a test can
// kill it at any moment and check that the file always holds one of them, whole.
// Usage: listsaver FILE   (prints "ready" once the first save has been committed)
#include "store/urllistfile.h"

#include <QString>
#include <QStringList>
#include <cstdio>

namespace {

// Keep in step with tst_urllistfile_faults.cpp: the test rebuilds the same two lists.
QStringList savedList(int which)
{
    QStringList entries;
    const int count = which == 0 ? 20000 : 7000;
    entries.reserve(count);
    for (int i = 0; i < count; ++i) {
        entries.append(which == 0 ? QStringLiteral("https://example.org/first/%1").arg(i)
                                  : QStringLiteral("http://b\u00e4r.example/zweite/Liste/%1?x=\u20ac").arg(i));
    }
    return entries;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: listsaver FILE\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const QStringList lists[2] = {savedList(0), savedList(1)};
    for (unsigned long round = 0;; ++round) {
        const SaveResult result = UrlListFile::writeBack(path, lists[round % 2]);
        if (!result) {
            std::fprintf(stderr, "save failed: %s\n", qPrintable(result.reason));
            return 1;
        }
        if (round == 0) {
            std::puts("ready");
            std::fflush(stdout);
        }
    }
}
