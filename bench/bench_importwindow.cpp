// Imports a large or hostile file through the windows, as a person does with List > Import Addresses,
// on the real platform, and measures how long the user-interface thread was held up:
//   bench_importwindow SHAPE
// SHAPE is one of the files below, written afresh into a temporary home. Prints one line: the file's size,
// the addresses found, the time to the summary, the longest gap in the event loop while the file was
// read (and the processor time the user-interface thread itself spent in it), and the longest gap while
// Add put the addresses into the list and kept their titles.
#include "app/mainwindow.h"
#include "app/quokkaapplication.h"
#include "app/windows.h"
#include "browser/listbrowser.h"
#include "lists/importwindow.h"
#include "platform/qtplatform.h"
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
#include <ctime>

namespace {

qint64 threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

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
    if (name == "bookmarks-100k") {
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

} // namespace

int main(int argc, char *argv[])
{
    const QByteArray name = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    const QByteArray bytes = shape(name);
    if (bytes.isEmpty()) {
        std::fprintf(stderr, "usage: bench_importwindow bookmarks-100k|bookmarks-unclosed-10k|bookmarks-li-10k|"
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

    // A timer that should fire every 5 ms: the longest gap between two firings, less 5 ms, is the
    // longest the event loop was held up; "busy" is the processor time the thread spent in that gap.
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(5);
    QElapsedTimer sinceTick;
    QElapsedTimer wall;
    qint64 cpuAtTick = 0;
    qint64 longestStall = 0;
    qint64 longestBusy = 0;
    enum class Step { Reading, Adding, Done } step = Step::Reading;
    qint64 readMs = 0;
    qint64 readStall = 0;
    qint64 readBusy = 0;
    int found = 0;
    QPointer<ImportWindow> window;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 stall = sinceTick.restart() - tick.interval();
        const qint64 cpuNow = threadCpuMs();
        const qint64 busy = cpuNow - cpuAtTick;
        cpuAtTick = cpuNow;
        longestStall = std::max(longestStall, stall);
        longestBusy = std::max(longestBusy, busy);
        if (step == Step::Reading && window && window->isReady()) {
            readMs = wall.elapsed();
            readStall = std::exchange(longestStall, 0);
            readBusy = std::exchange(longestBusy, 0);
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
            step = Step::Done;
            // What Add left to the event loop (the list's repaint) comes within the next ticks.
            QTimer::singleShot(500, [&] {
                tick.stop();
                std::printf("import %s file_mib %.1f addresses %d read_s %.2f read_longest_stall_ms %lld read_busy_ms %lld "
                            "add_longest_stall_ms %lld add_busy_ms %lld list_entries %d\n",
                            name.constData(), bytes.size() / 1048576.0, found, readMs / 1000.0, readStall, readBusy,
                            longestStall, longestBusy, int(windows.listBrowser()->m_addressList->count()));
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
        sinceTick.start();
        cpuAtTick = threadCpuMs();
        tick.start();
        window = ImportWindow::open(windows, path, windows.mainWindow());
        if (!window) {
            std::fprintf(stderr, "the import did not open\n");
            QCoreApplication::exit(1);
        }
    });
    return app.exec();
}
