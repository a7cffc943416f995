// Imports a large or hostile file through the windows, as a person does with List > Import Addresses,
// on the real platform, and measures how long the user-interface thread was held up:
//   bench_importwindow SHAPE
// SHAPE is one of the files below, written afresh into a temporary home ("-remembered": the page memory
// already holds a check of each of its addresses, a tenth of them with a visit to another page, so that Add
// gives every new entry its mark back and finds what changed). Prints one line: the file's size,
// the addresses found, the time to the summary, the longest gap in the event loop while the file was
// read (and the processor time the user-interface thread itself spent in it), and the longest gap while
// Add put the addresses into the list and kept their titles.
#include "app/mainwindow.h"
#include "app/quokkaapplication.h"
#include "app/windows.h"
#include "browser/listbrowser.h"
#include "check/checkresults.h"
#include "lists/importwindow.h"
#include "memory/pagememory.h"
#include "platform/qtplatform.h"
#include "stallsampler.h"
#include "ui/listbox.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

QByteArray number(int i)
{
    return QByteArray::number(i);
}

/// The files: a large well-formed bookmarks export with long titles, and the shapes that made the readers
/// search to the end of the file for each address.
QByteArray shape(const QByteArray &name)
{
    QByteArray out;
    const QByteArray title(150, 't');
    if (name == "bookmarks-100k" || name == "bookmarks-100k-remembered") {
        out = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
              "<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks</H1>\n<DL><p>\n";
        for (int i = 0; i < 100000; ++i)
            out += "<DT><A HREF=\"https://site" + number(i) + ".example/page\" ADD_DATE=\"1700000000\">" + title + number(i)
                + "</A>\n";
        out += "</DL><p>\n";
    } else if (name == "bookmarks-unclosed-10k") {
        out = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n";
        for (int i = 0; i < 10000; ++i)
            out += "<DT><A HREF=\"https://site" + number(i) + ".example/\">Site " + number(i) + "\n";
        out += "</DL>\n";
    } else if (name == "bookmarks-li-10k") {
        out = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n";
        for (int i = 0; i < 10000; ++i)
            out += "<LI><A HREF=\"https://site" + number(i) + ".example/\">Site " + number(i) + "</A>\n";
        out += "</DL>\n";
    } else if (name == "link-200k-brackets") {
        out = "See http://a.example/" + QByteArray(200000, ')') + "\n";
    } else if (name == "markdown-100k-unopened") {
        for (int i = 0; i < 100000; ++i)
            out += "x](http://a" + number(i) + ".example/)\n";
    }
    return out;
}

/// What an earlier check of every address of the bookmarks shape left in the memory at @p path.
bool rememberChecks(const QString &path)
{
    PageMemory memory;
    if (!memory.open(path).ok)
        return false;
    const QDateTime then = QDateTime::currentDateTimeUtc().addDays(-2);
    QList<PageRecord> records;
    for (int i = 0; i < 100000; ++i) {
        const QString address = QStringLiteral("https://site%1.example/page").arg(i);
        if (i % 10 == 0) {
            PageRecord visit;
            visit.address = address;
            visit.kind = PageRecord::Kind::Visit;
            visit.seenAt = then.addDays(-1);
            visit.title = QStringLiteral("What was there %1").arg(i);
            visit.finalAddress = address;
            visit.fingerprint = quint64(i) * 7919 + 1;
            records.append(visit);
        }
        PageRecord check;
        check.address = address;
        check.kind = PageRecord::Kind::Check;
        check.seenAt = then;
        check.title = QStringLiteral("Site %1").arg(i);
        check.finalAddress = address;
        check.fingerprint = quint64(i) * 104729 + 3;
        check.verdict = QStringLiteral("alive");
        check.status = 200;
        records.append(check);
    }
    return memory.recordAll(records);
}

} // namespace

int main(int argc, char *argv[])
{
    const QByteArray name = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    const QByteArray bytes = shape(name);
    if (bytes.isEmpty()) {
        std::fprintf(stderr, "usage: bench_importwindow bookmarks-100k|bookmarks-100k-remembered|bookmarks-unclosed-10k|bookmarks-li-10k|"
                             "link-200k-brackets|markdown-100k-unopened\n");
        return 2;
    }
    QTemporaryDir home;
    const QString data = home.filePath(QStringLiteral("data"));
    qputenv("XDG_DATA_HOME", data.toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_CACHE_HOME", home.filePath(QStringLiteral("cache")).toUtf8());
    QDir().mkpath(data + QStringLiteral("/quokka/dat"));
    for (const char *shipped : {"dat/ch.dat", "start.html"})
        QFile::copy(QStringLiteral(QT_TESTCASE_SOURCEDIR "/../") + QLatin1String(shipped),
                    data + QStringLiteral("/quokka/") + QLatin1String(shipped));
    {
        QFile list(data + QStringLiteral("/quokka/url.dat"));
        if (!list.open(QIODevice::WriteOnly) || list.write("https://www.example.org/\r\n") <= 0)
            return 1;
    }
    if (name.endsWith("-remembered") && !rememberChecks(data + QStringLiteral("/quokka/page-memory.sqlite"))) {
        std::fprintf(stderr, "the page memory could not be written\n");
        return 1;
    }
    const QString path = home.filePath(QString::fromLatin1(name));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return 1;
    }

    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QuokkaApplication app(argc, argv);
    QtPlatform platform;
    Windows windows(platform);
    windows.mainWindow()->show();

    StallSampler sampler;
    QElapsedTimer wall;
    enum class Step { Reading, Adding, Marking, Done } step = Step::Reading;
    qint64 readMs = 0;
    qint64 addMs = 0;
    // The new entries' marks come from the memory after Add has put them into the list.
    const int marksExpected = name.endsWith("-remembered") ? 100000 : 0;
    StallSampler::Stalls read;
    int found = 0;
    QPointer<ImportWindow> window;
    QObject::connect(&sampler, &StallSampler::ticked, [&] {
        if (step == Step::Reading && window && window->isReady()) {
            readMs = wall.elapsed();
            read = sampler.take();
            found = window->summary().found;
            step = Step::Adding;
            // Add, and OK to its question once it is asked (the box's own event loop goes on ticking).
            auto *answer = new QTimer(&app);
            QObject::connect(answer, &QTimer::timeout, answer, [answer] {
                if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                    answer->deleteLater();
                    box->button(QMessageBox::Ok)->click();
                }
            });
            answer->start(20);
            QTimer::singleShot(0, window, [&] { window->m_addButton->click(); });
        } else if (step == Step::Adding && !window) {
            step = Step::Marking;
            addMs = wall.elapsed();
        } else if (step == Step::Marking && (windows.checkResults().size() >= marksExpected || wall.elapsed() > addMs + 60000)) {
            step = Step::Done;
            const qint64 markedMs = wall.elapsed() - addMs;
            // What Add left to the event loop (the list's repaint) comes within the next ticks.
            QTimer::singleShot(500, [&, markedMs] {
                sampler.stop();
                const StallSampler::Stalls add = sampler.take();
                std::printf("import %s file_mib %.1f addresses %d read_s %.2f read_longest_stall_ms %lld read_busy_ms %lld "
                            "add_longest_stall_ms %lld add_busy_ms %lld list_entries %d marked %d marks_s %.2f\n",
                            name.constData(), bytes.size() / 1048576.0, found, readMs / 1000.0, read.longestMs,
                            read.busiestMs, add.longestMs, add.busiestMs, int(windows.listBrowser()->m_addressList->count()),
                            windows.checkResults().size(), markedMs / 1000.0);
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
    });

    // The list browser is opened first, as a person would have it, and the import begun once it has settled.
    QTimer::singleShot(500, [&] {
        if (auto *quokka = windows.mainWindow()->findChild<QAction *>(QStringLiteral("tb-quokka")))
            quokka->trigger();
    });
    QTimer::singleShot(4000, [&] {
        wall.start();
        sampler.start();
        window = ImportWindow::open(windows, path, windows.mainWindow());
        if (!window) {
            std::fprintf(stderr, "the import did not open\n");
            QCoreApplication::exit(1);
        }
    });
    return app.exec();
}
