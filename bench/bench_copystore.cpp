// Keeping a copy of a page: the time from the page's load to its copy on disk (taken by the engine,
// compressed and written by the copy store), the longest time the user-interface thread did not turn
// its event loop meanwhile, and the copy's size on disk, for a small page, a page with 3 MB of images
// that no compressor shrinks (PNG noise) and one with 3 MB of photographs (JPEG). Offscreen, with a
// loopback HTTP server; run with QTWEBENGINE_DISABLE_SANDBOX=1 as root.
// Usage: bench_copystore [RUNS]
#include "benchpages.h"
#include "copies/copystore.h"
#include "platform/webenginebrowser.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>

namespace {

// Pictures of noise: they do not compress, as photographs hardly do.
QByteArray noisePng(int width, int height, quint32 seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator rng(seed);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<quint32 *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = 0xff000000u | (rng.generate() & 0xffffffu);
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

QByteArray article()
{
    QByteArray page = "<!doctype html><html><head><title>An article</title><style>body{font:16px serif;max-width:40em}"
                      "</style></head><body><h1>An article people keep</h1>";
    for (int i = 0; i < 30; ++i)
        page += "<p>Paragraph " + QByteArray::number(i) + ": the words that made the page worth keeping, and some more "
                "of them, so that the text runs to a few lines on the screen.</p>";
    return page + "</body></html>";
}

struct Run {
    qint64 loadToDiskMs = 0;
    qint64 longestStallMs = 0;
    qint64 pageBytes = 0;
    qint64 storedBytes = 0;
};

QString size(qint64 bytes)
{
    return bytes < 1000000 ? QStringLiteral("%1 kB").arg(bytes / 1e3, 0, 'f', 1) : QStringLiteral("%1 MB").arg(bytes / 1e6, 0, 'f', 2);
}

qint64 median(QList<qint64> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    const int runs = argc > 1 ? qMax(1, QByteArray(argv[1]).toInt()) : 5;

    BenchPages::Server server;
    if (!server.listen(QHostAddress::LocalHost)) {
        std::fprintf(stderr, "cannot listen on loopback\n");
        return 1;
    }
    server.resources.insert("/small", {"text/html", article()});
    QByteArray images = "<!doctype html><html><head><title>Pictures</title></head><body><h1>Pictures</h1>";
    qint64 imageBytes = 0;
    for (int i = 0; i < 6; ++i) {
        const QByteArray png = noisePng(410, 410, quint32(i + 1));
        imageBytes += png.size();
        server.resources.insert("/img" + QByteArray::number(i) + ".png", {"image/png", png});
        images += "<img src=/img" + QByteArray::number(i) + ".png width=410 height=410>";
    }
    server.resources.insert("/images", {"text/html", images + "</body></html>"});
    // Photographs as cameras and sites make them (JPEG), up to 3 MB, in an article's frame.
    QByteArray photos = "<!doctype html><html><head><title>Photographs</title></head><body><h1>Autumn in the hills</h1>";
    qint64 photoBytes = 0;
    for (int i = 0; photoBytes < 3000000; ++i) {
        const QByteArray jpeg = BenchPages::photoJpeg(1600, 1067, quint32(i + 11));
        photoBytes += jpeg.size();
        server.resources.insert("/photo" + QByteArray::number(i) + ".jpg", {"image/jpeg", jpeg});
        photos += "<p>A walk along the ridge, photograph " + QByteArray::number(i + 1) + ".</p><img src=/photo"
                + QByteArray::number(i) + ".jpg width=800 height=533>";
    }
    server.resources.insert("/photos", {"text/html", photos + "</body></html>"});
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort());

    std::printf("| page | MHTML | stored | load to copy on disk (median of %d) | longest GUI-thread stall (worst) |\n", runs);
    std::printf("|---|---|---|---|---|\n");
    for (const auto &[path, label] : {std::pair{QStringLiteral("/small"), QStringLiteral("small article")},
                                      std::pair{QStringLiteral("/images"),
                                                QStringLiteral("%1 MB of images").arg(imageBytes / 1e6, 0, 'f', 1)},
                                      std::pair{QStringLiteral("/photos"),
                                                QStringLiteral("%1 MB of photographs (JPEG)").arg(photoBytes / 1e6, 0, 'f', 1)}}) {
        QList<qint64> times;
        QList<qint64> stalls;
        Run last;
        for (int run = 0; run < runs; ++run) {
            QTemporaryDir dir;
            QWidget window;
            window.resize(1024, 768);
            auto *browser = new WebEngineBrowser(&window);
            browser->widget()->resize(1024, 768);
            window.show();
            CopyStore store;
            store.open(dir.filePath(QStringLiteral("copies")), dir.filePath(QStringLiteral("page-memory.sqlite")));

            QEventLoop loop;
            QElapsedTimer sinceLoad;
            QElapsedTimer sinceTick;
            QTimer tick;
            tick.setTimerType(Qt::PreciseTimer);
            tick.setInterval(5);
            Run measured;
            QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
                measured.longestStallMs = std::max(measured.longestStallMs, sinceTick.restart() - tick.interval());
            });
            bool loading = false;
            QObject::connect(browser, &WebBrowser::busyChanged, &loop, [&](bool busy) {
                if (busy) {
                    loading = true;
                    return;
                }
                if (!loading)
                    return;
                loading = false;
                sinceLoad.start();
                sinceTick.start();
                tick.start();
                browser->takePageCopy();
            });
            QObject::connect(browser, &WebBrowser::pageCopyTaken, &loop, [&](const PageCopy &copy) {
                if (!copy.ok) {
                    std::fprintf(stderr, "no copy: %s\n", qPrintable(copy.problem));
                    loop.exit(1);
                    return;
                }
                measured.pageBytes = copy.mhtml.size();
                store.keep(copy.address, PageCondition::Good, {copy.mhtml, copy.text, copy.thumbnailPng});
            });
            QObject::connect(&store, &CopyStore::kept, &loop, [&](const QString &, const KeepResult &result) {
                measured.loadToDiskMs = sinceLoad.elapsed();
                tick.stop();
                measured.storedBytes = result.storedSize;
                loop.exit(result.isKept() ? 0 : 1);
            });
            QTimer::singleShot(0, &loop, [&] { browser->navigate(base + path); });
            QTimer guard;
            guard.setSingleShot(true);
            QObject::connect(&guard, &QTimer::timeout, &loop, [&] { loop.exit(2); });
            guard.start(120000);
            if (loop.exec() != 0) {
                std::fprintf(stderr, "run %d of %s failed\n", run, qPrintable(path));
                return 1;
            }
            times.append(measured.loadToDiskMs);
            stalls.append(measured.longestStallMs);
            last = measured;
        }
        std::printf("| %s | %s | %s | %lld ms | %lld ms |\n", qPrintable(label), qPrintable(size(last.pageBytes)),
                    qPrintable(size(last.storedBytes)), median(times), *std::max_element(stalls.cbegin(), stalls.cend()));
        std::fflush(stdout);
    }
    return 0;
}
