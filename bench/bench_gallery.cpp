// The gallery over 10,000 entries with pictures: the time to open it, the longest stall of the
// user-interface thread while scrolling from the top to the bottom, the memory it takes; and the
// grouping's figures on the engine-rendered answer set.
#include "app/mainwindow.h"
#include "app/windows.h"
#include "copies/copyarchive.h"
#include "fakes/fakeplatform.h"
#include "fakes/galleryanswerset.h"
#include "fakes/webenginetest.h"
#include "gallery/gallerygrouping.h"
#include "gallery/gallerymodel.h"
#include "gallery/gallerypictures.h"
#include "lists/gallerywindow.h"
#include "memory/pagefingerprint.h"
#include "store/listpaths.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <QTextStream>
#include <QTimer>

#include <malloc.h>

#include <vector>

namespace {

QTextStream out(stdout);

long kilobytes(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLong();
    return -1;
}

QByteArray picturePng(int seed)
{
    QImage image(320, 240, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.fillRect(0, 0, 320, 24, QColor::fromHsv(seed * 37 % 360, 160, 160));
    p.fillRect(20 + seed % 150, 50, 120, 80, QColor(60, 60, 60));
    p.drawText(20, 200, QStringLiteral("Page %1 lorem ipsum dolor sit amet").arg(seed));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

void groupingFigures()
{
    out << "## Grouping on the answer set\n\n";
    const QList<AnswerPage> pages = renderAnswerSet();
    if (pages.isEmpty()) {
        out << "The engine rendered no page.\n\n";
        return;
    }
    out << "| facts | entries | answers | groups | mixed groups | alike left apart |\n|---|---|---|---|---|---|\n";
    QSet<QString> answers;
    for (const AnswerPage &page : pages)
        answers.insert(page.answer);
    for (const auto &[name, pictures, fingerprints] : {std::tuple{"pictures and fingerprints", true, true},
                                                       std::tuple{"pictures only", true, false},
                                                       std::tuple{"fingerprints only", false, true}}) {
        QList<GroupingFacts> facts;
        for (const AnswerPage &page : pages) {
            CheckResult result = page.result;
            if (!fingerprints)
                result.fingerprint = 0;
            facts.append(groupingFacts(page.entry, result, pictures ? pictureHash(page.thumbnail) : PictureHash{}, true));
        }
        const AnswerScore score = scoreGroups(pages, groupAlike(facts));
        out << "| " << name << " | " << score.entries << " | " << answers.size() << " | " << score.groups << " | "
            << score.mixedGroups << " | " << score.leftApart << " |\n";
    }
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 50; ++i)
        pictureHash(pages.at(i % pages.size()).thumbnail.isNull() ? pages.at(0).thumbnail : pages.at(i % pages.size()).thumbnail);
    out << "\nPicture hash of a 320 px thumbnail: " << QString::number(clock.nsecsElapsed() / 50 / 1e6, 'f', 3) << " ms.\n\n";
    out.flush();
}

void tenThousand(int count)
{
    out << "## " << count << " entries with pictures\n\n";
    QStringList entries;
    // A picture for every tenth entry's page shared by ten entries: 1,000 copy files, as many records as entries.
    {
        CopyArchive archive;
        if (!archive.open()) {
            out << "The copies cannot be opened: " << archive.problem() << "\n";
            return;
        }
        for (int i = 0; i < count; ++i) {
            const QString entry = QStringLiteral("https://site%1.example/page").arg(i);
            entries.append(entry);
            CopyContent content;
            content.mhtml = "MIME-Version: 1.0\r\n\r\n<title>page " + QByteArray::number(i % (count / 10)) + "</title>";
            content.text = QStringLiteral("page %1").arg(i % (count / 10));
            content.thumbnailPng = picturePng(i % (count / 10));
            if (!archive.keep(entry, PageCondition::Good, content).isKept()) {
                out << "A copy could not be kept.\n";
                return;
            }
        }
    }
    QFile list(ListPaths::listFile());
    QDir().mkpath(QFileInfo(list).absolutePath());
    if (!list.open(QIODevice::WriteOnly) || list.write(entries.join(QStringLiteral("\r\n")).toUtf8() + "\r\n") <= 0) {
        out << "The list cannot be written.\n";
        return;
    }
    list.close();

    FakePlatform platform;
    Windows windows(platform);
    MainWindow *main = windows.mainWindow();
    main->resize(1280, 1024);
    main->show();
    QTest::qWaitForWindowExposed(main);
    windows.listBrowser();
    const long rssBefore = kilobytes("VmRSS:");

    QElapsedTimer clock;
    clock.start();
    main->menuItem(QStringLiteral("gallery"))->trigger();
    GalleryWindow *gallery = windows.loadedGalleryWindow();
    QTest::qWaitFor([&] { return gallery->model()->entryCount() == count && gallery->pictures()->sourcesKnown(); }, 120000);
    const double openMs = clock.nsecsElapsed() / 1e6;
    QListView *view = gallery->m_tileView;
    QTest::qWaitFor([&] { return !qvariant_cast<QImage>(gallery->model()->index(0).data(Qt::DecorationRole)).isNull(); }, 120000);
    const double firstPicturesMs = clock.nsecsElapsed() / 1e6;

    // Scrolling as a person drags the scroll bar: a step every 16 ms, the view repainted each time;
    // a zero timer's longest gap is the longest stall.
    double longestStallMs = 0;
    int stallsOver50 = 0;
    // The gaps counted in 0.1 ms steps up to 1 s (the zero timer turns millions of times: a list of
    // every gap took more memory than the gallery itself).
    std::vector<qint64> gapCounts(10001, 0);
    qint64 turns = 0;
    qint64 lastTurn = clock.nsecsElapsed();
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        const double gap = double(now - lastTurn) / 1e6;
        longestStallMs = std::max(longestStallMs, gap);
        stallsOver50 += gap > 50 ? 1 : 0;
        ++gapCounts[std::min<size_t>(gapCounts.size() - 1, size_t(gap * 10))];
        ++turns;
        lastTurn = now;
    });
    QScrollBar *bar = view->verticalScrollBar();
    const int step = std::max(1, bar->pageStep() / 2);
    const qint64 scrollStart = clock.nsecsElapsed();
    lastTurn = clock.nsecsElapsed();
    watch.start();
    int steps = 0;
    while (bar->value() < bar->maximum()) {
        bar->setValue(bar->value() + step);
        ++steps;
        const qint64 until = clock.nsecsElapsed() + 16 * 1000000LL;
        while (clock.nsecsElapsed() < until)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    QTest::qWaitFor([&] { return gallery->pictures()->pending() == 0; }, 120000);
    watch.stop();
    const double scrollMs = (clock.nsecsElapsed() - scrollStart) / 1e6;
    const long rssAfter = kilobytes("VmRSS:");
    // Where the memory is: the heap's bytes in use, and the bytes freed but kept by the process.
    const struct mallinfo2 heap = mallinfo2();
    double p999 = 0;
    for (qint64 seen = 0, step = 0; step < qint64(gapCounts.size()); ++step) {
        seen += gapCounts[step];
        if (seen >= turns * 0.999) {
            p999 = step / 10.0;
            break;
        }
    }
    out << "| open (tiles shown) | first pictures | scroll top to bottom | steps | longest stall | 99.9th percentile | stalls over 50 ms | pictures read | RSS before | RSS after | peak RSS | heap in use | heap freed, kept |\n"
        << "|---|---|---|---|---|---|---|---|---|---|---|---|---|\n"
        << "| " << QString::number(openMs, 'f', 0) << " ms | " << QString::number(firstPicturesMs, 'f', 0) << " ms | "
        << QString::number(scrollMs, 'f', 0) << " ms | " << steps << " | " << QString::number(longestStallMs, 'f', 1) << " ms | " << QString::number(p999, 'f', 1) << " ms | " << stallsOver50 << " | "
        << gallery->pictures()->picturesRead() << " | " << rssBefore / 1024 << " MB | " << rssAfter / 1024 << " MB | "
        << kilobytes("VmHWM:") / 1024 << " MB | " << (heap.uordblks + heap.hblkhd) / (1024 * 1024) << " MB | "
        << heap.fordblks / (1024 * 1024) << " MB |\n\n";

    // Grouping the whole list: the groups worked out off the user-interface thread.
    clock.restart();
    gallery->m_groupBox->setChecked(true);
    QTest::qWaitFor([&] { return !gallery->model()->groupingBusy(); }, 600000);
    out << "Group alike pages over " << count << " entries (every picture hashed, then grouped): "
        << QString::number(clock.nsecsElapsed() / 1e6, 'f', 0) << " ms, " << gallery->model()->rowCount() << " tiles.\n\n";
    out.flush();
}

} // namespace

int main(int argc, char **argv)
{
    prepareWebEngineTest();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 10000;
    out << "Load average at the start: ";
    QFile load(QStringLiteral("/proc/loadavg"));
    if (load.open(QIODevice::ReadOnly))
        out << load.readAll().trimmed();
    out << "\n\n";
    tenThousand(count > 0 ? count : 10000);
    groupingFigures();
    return 0;
}
