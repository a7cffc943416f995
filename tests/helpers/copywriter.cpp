// Writes copies without end, so that a test can kill it at any moment and check that every copy
// file is whole: the old copy or the new one.
// Usage: copywriter file PATH            (two copies written alternately over one file)
//        copywriter keep FOLDER MEMORY   (a new page kept for one entry again and again)
// Prints "ready" once the first copy is written.
#include "copies/copyarchive.h"

#include <QRandomGenerator>
#include <cstdio>
#include <cstring>

namespace {

// Keep in step with tst_copystore.cpp: the test rebuilds the same pages.
QByteArray pageNumbered(quint32 n)
{
    QByteArray page = "From: <Saved by Blink>\r\nSubject: page " + QByteArray::number(n) + "\r\n\r\n";
    QRandomGenerator rng(n);
    while (page.size() < 2 * 1024 * 1024)
        page += QByteArray::number(rng.generate(), 16) + ' ';
    return page;
}

CopyContent contentNumbered(quint32 n)
{
    return {pageNumbered(n), QStringLiteral("page %1").arg(n), QByteArray("png ") + QByteArray::number(n)};
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "file") == 0) {
        const QString path = QString::fromLocal8Bit(argv[2]);
        const QByteArray copies[2] = {CopyFile::encode(contentNumbered(1)), CopyFile::encode(contentNumbered(2))};
        for (unsigned long round = 0;; ++round) {
            const CopyWriting writing = CopyFile::writeBytes(path, copies[round % 2]);
            if (!writing.ok) {
                std::fprintf(stderr, "write failed: %s\n", qPrintable(writing.problem));
                return 1;
            }
            if (round == 0) {
                std::puts("ready");
                std::fflush(stdout);
            }
        }
    }
    if (argc >= 4 && std::strcmp(argv[1], "keep") == 0) {
        CopyArchive archive;
        if (!archive.open(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]))) {
            std::fprintf(stderr, "open failed: %s\n", qPrintable(archive.problem()));
            return 1;
        }
        // Each start goes on from the newest page kept, so that every kept page is new.
        quint32 n = 100;
        const QList<CopyRecord> copies = archive.copiesOf(QStringLiteral("https://example.org/kept"));
        if (!copies.isEmpty()) {
            const CopyReading newest = archive.read(copies.first());
            if (newest.ok)
                n = newest.content.text.mid(5).toUInt() + 1;
        }
        for (bool first = true;; first = false, ++n) {
            const KeepResult result = archive.keep(QStringLiteral("https://example.org/kept"), PageCondition::Good,
                                                   contentNumbered(n));
            if (!result.isKept()) {
                std::fprintf(stderr, "keep failed: %s\n", qPrintable(result.message));
                return 1;
            }
            if (first) {
                std::puts("ready");
                std::fflush(stdout);
            }
        }
    }
    std::fprintf(stderr, "usage: copywriter file PATH | copywriter keep FOLDER MEMORY\n");
    return 2;
}
