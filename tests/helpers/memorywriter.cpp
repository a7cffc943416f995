// Records batches of checks into a page memory without end, so that a test can kill it at any
// moment and check that the database opens afterwards with every batch whole or absent.
// Usage: memorywriter DATABASE   (prints "ready" once the first batch has been committed)
#include "memory/pagememory.h"

#include <QCoreApplication>
#include <cstdio>

// Keep in step with tst_pagememory.cpp: the test reads these back.
constexpr int addressesPerBatch = 500;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: memorywriter DATABASE\n");
        return 2;
    }
    PageMemory memory;
    const PageMemoryOpening opening = memory.open(QString::fromLocal8Bit(argv[1]));
    if (!opening.ok) {
        std::fprintf(stderr, "%s\n", qPrintable(opening.problem));
        return 1;
    }
    QList<PageRecord> batch(addressesPerBatch);
    for (unsigned long round = 1;; ++round) {
        for (int i = 0; i < addressesPerBatch; ++i) {
            PageRecord &r = batch[i];
            r.address = QStringLiteral("https://example.org/page/%1").arg(i);
            r.seenAt = QDateTime::currentDateTimeUtc();
            r.title = QStringLiteral("batch %1").arg(round);
            r.finalAddress = r.address + QStringLiteral("?round=%1").arg(round);
            r.fingerprint = round * 7919u + unsigned(i);
            r.verdict = QStringLiteral("alive");
        }
        if (!memory.recordAll(batch)) {
            std::fprintf(stderr, "write failed: %s\n", qPrintable(memory.lastProblem()));
            return 1;
        }
        if (round == 1) {
            std::puts("ready");
            std::fflush(stdout);
        }
    }
}
