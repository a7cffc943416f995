// What kept copies take: twenty pages of the kinds people keep (bench/benchpages.h: articles,
// documentation, shops, galleries, small sites, with photographs as JPEG and diagrams as PNG) loaded in
// the real engine offscreen from a loopback server, each copy taken and kept by the copy archive; the
// median and the largest stored copy; then 1,000 entries with one copy each (the twenty pages, each
// entry's copy made distinct) and the space they take on disk, the copy files and the page memory.
// Run with QTWEBENGINE_DISABLE_SANDBOX=1 as root. Usage: bench_copysizes [ENTRIES]
#include "benchpages.h"
#include "copies/copyarchive.h"
#include "copies/copyexport.h"
#include "platform/webenginebrowser.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>

namespace {

QString size(qint64 bytes)
{
    if (bytes < 1000000)
        return QStringLiteral("%1 kB").arg(bytes / 1e3, 0, 'f', 1);
    if (bytes < 1000000000)
        return QStringLiteral("%1 MB").arg(bytes / 1e6, 0, 'f', 2);
    return QStringLiteral("%1 GB").arg(bytes / 1e9, 0, 'f', 2);
}

/// Bytes the files under @p folder take on disk (their blocks, as du counts them).
qint64 diskUsage(const QString &folder)
{
    qint64 total = 0;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        total += it.fileInfo().size();
    }
    return total;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    const int entries = argc > 1 ? qMax(20, QByteArray(argv[1]).toInt()) : 1000;

    BenchPages::Server server;
    if (!server.listen(QHostAddress::LocalHost)) {
        std::fprintf(stderr, "cannot listen on loopback\n");
        return 1;
    }
    const QList<BenchPages::Page> pages = BenchPages::keptPages();
    for (const BenchPages::Page &page : pages) {
        server.resources.insert(page.path, {"text/html; charset=utf-8", page.html});
        for (auto it = page.resources.cbegin(); it != page.resources.cend(); ++it)
            server.resources.insert(it.key(), it.value());
    }
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort());

    QTemporaryDir dir;
    CopyArchive archive;
    if (!archive.open(dir.filePath(QStringLiteral("copies")), dir.filePath(QStringLiteral("page-memory.sqlite")))) {
        std::fprintf(stderr, "cannot open the copies: %s\n", qPrintable(archive.problem()));
        return 1;
    }
    QWidget window;
    window.resize(1024, 768);
    auto *browser = new WebEngineBrowser(&window);
    browser->widget()->resize(1024, 768);
    window.show();

    std::printf("| page | HTML | pictures | MHTML | thumbnail (PNG) | stored |\n|---|---:|---:|---:|---:|---:|\n");
    QList<CopyContent> taken;
    QList<qint64> stored;
    for (const BenchPages::Page &page : pages) {
        qint64 pictures = 0;
        for (const BenchPages::Resource &r : page.resources)
            pictures += r.type.startsWith("image/") ? r.body.size() : 0;
        QEventLoop loop;
        PageCopy copy;
        bool loading = false;
        QMetaObject::Connection busy = QObject::connect(browser, &WebBrowser::busyChanged, &loop, [&](bool isBusy) {
            if (isBusy)
                loading = true;
            else if (loading)
                browser->takePageCopy();
        });
        QMetaObject::Connection done = QObject::connect(browser, &WebBrowser::pageCopyTaken, &loop, [&](const PageCopy &c) {
            copy = c;
            loop.quit();
        });
        QTimer::singleShot(120000, &loop, &QEventLoop::quit);
        browser->navigate(base + QString::fromLatin1(page.path));
        loop.exec();
        QObject::disconnect(busy);
        QObject::disconnect(done);
        if (!copy.ok) {
            std::fprintf(stderr, "no copy of %s: %s\n", qPrintable(page.kind), qPrintable(copy.problem));
            return 1;
        }
        const CopyContent content{copy.mhtml, copy.text, copy.thumbnailPng};
        const KeepResult kept = archive.keep(base + QString::fromLatin1(page.path), PageCondition::Good, content);
        if (!kept.isKept()) {
            std::fprintf(stderr, "%s not kept: %s\n", qPrintable(page.kind), qPrintable(kept.message));
            return 1;
        }
        taken.append(content);
        // QUOKKA_BENCH_THUMBNAILS=FOLDER keeps each thumbnail there, to look at.
        if (const QString keep = qEnvironmentVariable("QUOKKA_BENCH_THUMBNAILS"); !keep.isEmpty()) {
            QFile thumbnail(QStringLiteral("%1/%2.png").arg(keep).arg(taken.size()));
            if (thumbnail.open(QIODevice::WriteOnly))
                thumbnail.write(copy.thumbnailPng);
        }
        stored.append(kept.storedSize);
        std::printf("| %s | %s | %s | %s | %s | %s |\n", qPrintable(page.kind), qPrintable(size(page.html.size())),
                    qPrintable(size(pictures)), qPrintable(size(copy.mhtml.size())), qPrintable(size(copy.thumbnailPng.size())),
                    qPrintable(size(kept.storedSize)));
        std::fflush(stdout);
    }
    QList<qint64> sorted = stored;
    std::sort(sorted.begin(), sorted.end());
    const qint64 medianStored = (sorted.at(sorted.size() / 2 - 1) + sorted.at(sorted.size() / 2)) / 2;
    std::printf("\nstored copy of the %lld pages: median %s, largest %s\n", qint64(sorted.size()),
                qPrintable(size(medianStored)), qPrintable(size(sorted.constLast())));

    // Each entry a page of one of the kinds, its copy made its own (a line of its own in the page), so
    // that no two entries share a file.
    QTemporaryDir many;
    CopyArchive manyArchive;
    CopyLimits limits;
    limits.budgetBytes = qint64(64) * 1024 * 1024 * 1024;
    const QString manyMemory = many.filePath(QStringLiteral("page-memory.sqlite"));
    if (!manyArchive.open(many.filePath(QStringLiteral("copies")), manyMemory, limits)) {
        std::fprintf(stderr, "cannot open the copies: %s\n", qPrintable(manyArchive.problem()));
        return 1;
    }
    QElapsedTimer keeping;
    keeping.start();
    for (int i = 0; i < entries; ++i) {
        CopyContent content = taken.at(i % taken.size());
        const qsizetype body = content.mhtml.indexOf("<body");
        content.mhtml.insert(body < 0 ? content.mhtml.size() : body, "<!-- entry " + QByteArray::number(i) + " -->");
        const KeepResult kept = manyArchive.keep(QStringLiteral("https://site%1.example/page").arg(i), PageCondition::Good, content);
        if (kept.outcome != KeepResult::Outcome::Kept) {
            std::fprintf(stderr, "entry %d not kept on its own: %s\n", i, qPrintable(kept.message));
            return 1;
        }
    }
    const qint64 keepMs = keeping.elapsed();
    // Export List to a folder over them: every copy read back and written out, and the index.
    CopyExportRequest request;
    request.folder = many.filePath(QStringLiteral("export"));
    request.copiesFolder = many.filePath(QStringLiteral("copies"));
    request.memoryPath = manyMemory;
    for (int i = 0; i < entries; ++i) {
        const QString entry = QStringLiteral("https://site%1.example/page").arg(i);
        request.entries.append({entry, pages.at(i % pages.size()).kind, QStringLiteral("alive"), QStringLiteral("200 OK")});
        request.listText += entry.toUtf8() + '\n';
    }
    QElapsedTimer exporting;
    exporting.start();
    const CopyExportResult exported = CopyExport::run(request);
    const qint64 exportMs = exporting.elapsed();
    if (exported.outcome != CopyExportResult::Outcome::Exported || exported.withCopy != entries) {
        std::fprintf(stderr, "the export failed: %s\n", qPrintable(exported.problem));
        return 1;
    }
    const qint64 copyBytes = diskUsage(many.filePath(QStringLiteral("copies")));
    qint64 memoryBytes = 0;
    for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        memoryBytes += QFileInfo(manyMemory + suffix).size();
    std::printf("%d entries with one copy each: copy files %s (%s an entry), their records in the page memory %s; "
                "kept in %.1f s (%.0f ms a copy)\n",
                entries, qPrintable(size(copyBytes)), qPrintable(size(copyBytes / entries)), qPrintable(size(memoryBytes)),
                keepMs / 1000.0, double(keepMs) / entries);
    std::printf("Export List to a folder of them: %.1f s, %s written\n", exportMs / 1000.0,
                qPrintable(size(diskUsage(request.folder))));
    return 0;
}
