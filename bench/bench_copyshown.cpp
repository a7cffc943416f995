// Showing the last good copy when the live page fails: the real list browser on the real platform,
// offscreen, over a loopback server whose page is good once (its copy kept) and then dies (a 404, or
// the server gone: connection refused). Measured from the failing load's end (the failure known) and
// from the click on Prev to the copy painted in the list browser (its view shows the copy's colour).
// Target: under 1 s. Run with QTWEBENGINE_DISABLE_SANDBOX=1 as root.
// Usage: bench_copyshown [RUNS]
#include "benchpages.h"
#include "app/quokkaapplication.h"
#include "app/windows.h"
#include "app/mainwindow.h"
#include "browser/listbrowser.h"
#include "browser/pagecopykeeper.h"
#include "platform/qtplatform.h"
#include "platform/webbrowser.h"

#include <QAbstractButton>
#include <QToolButton>
#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

/// Runs the event loop until @p done, at most @p ms; false on time-out.
bool waitFor(const std::function<bool()> &done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms)
            return false;
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

qint64 median(QList<qint64> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

bool isCopyColour(const QColor &c)
{
    return c.green() > 150 && c.red() < 80 && c.blue() < 120;
}

} // namespace

int main(int argc, char **argv)
{
    const int runs = argc > 1 ? qMax(1, QByteArray(argv[1]).toInt()) : 5;
    QTemporaryDir home;
    const QString data = home.filePath(QStringLiteral("data"));
    qputenv("XDG_DATA_HOME", data.toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_CACHE_HOME", home.filePath(QStringLiteral("cache")).toUtf8());
    QDir().mkpath(data + QStringLiteral("/quokka"));
    // The shipped files (the full list, the start page) are read from the working folder, as at run time.
    QDir::setCurrent(QStringLiteral(QT_TESTCASE_SOURCEDIR "/.."));

    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QuokkaApplication app(argc, argv);
    // The page dies when its resource goes: the server answers 404 for it then.
    BenchPages::Server dying;
    BenchPages::Server other;
    if (!dying.listen(QHostAddress::LocalHost) || !other.listen(QHostAddress::LocalHost)) {
        std::fprintf(stderr, "cannot listen on loopback\n");
        return 1;
    }
    // The page fills the view with one colour, which neither the error page nor the other page has.
    dying.resources.insert("/page", {"text/html", "<!doctype html><html><head><title>Riverside Dental</title></head><body style='margin:0;background:#1b5'>"
                 "<h1>Riverside Dental</h1><p>Opening hours: Monday to Friday, 8 to 18.</p></body></html>"});
    other.resources.insert("/page", {"text/html", "<!doctype html><title>Other page</title><h1>Other page</h1>"});
    const QString page = QStringLiteral("http://127.0.0.1:%1/page").arg(dying.serverPort());
    const QString otherPage = QStringLiteral("http://127.0.0.1:%1/page").arg(other.serverPort());
    {
        QFile list(data + QStringLiteral("/quokka/url.dat"));
        if (!list.open(QIODevice::WriteOnly) || list.write((page + "\r\n" + otherPage + "\r\n").toUtf8()) <= 0)
            return 1;
    }

    QtPlatform platform;
    Windows windows(platform);
    windows.mainWindow()->show();
    ListBrowser *browser = windows.listBrowser();
    browser->window()->resize(1024, 900);
    auto *keeper = browser->findChild<PageCopyKeeper *>(QStringLiteral("pageCopyKeeper"));
    if (!keeper) {
        std::fprintf(stderr, "the list browser has no copy keeper\n");
        return 1;
    }
    WebBrowser *view = browser->m_view;
    bool kept = false;
    QObject::connect(keeper, &PageCopyKeeper::copyKept, &app, [&](const QString &entry, const KeepResult &result) {
        if (entry == page && result.isKept())
            kept = true;
    });
    QString visited;
    QObject::connect(browser, &ListBrowser::pageVisited, &app, [&](const QString &entry) { visited = entry; });

    // The good page seen: its copy is kept.
    browser->m_nextButton->click();
    if (!waitFor([&] { return kept; }, 120000)) {
        std::fprintf(stderr, "the good page's copy was not kept\n");
        return 1;
    }

    std::printf("| the live page | failure to copy painted (median of %d) | worst | first (its view made) | Prev clicked to copy painted (median) |\n", runs);
    std::printf("|---|---:|---:|---:|---:|\n");
    for (const char *how : {"not found (404)", "server gone (connection refused)"}) {
        if (qstrcmp(how, "not found (404)") == 0)
            dying.resources.clear();
        else
            dying.close();
        QList<qint64> fromFailure;
        QList<qint64> fromClick;
        for (int run = 0; run < runs; ++run) {
            visited.clear();
            browser->m_nextButton->click();
            if (!waitFor([&] { return visited == otherPage; }, 60000)) {
                std::fprintf(stderr, "the other page did not load\n");
                return 1;
            }
            QElapsedTimer sinceClick;
            QElapsedTimer sinceFailure;
            bool loading = false;
            QMetaObject::Connection busy = QObject::connect(view, &WebBrowser::busyChanged, &app, [&](bool isBusy) {
                if (isBusy)
                    loading = true;
                else if (loading && !sinceFailure.isValid())
                    sinceFailure.start();
            });
            // The copy's own load, not what its view showed before it was hidden: the view is shown again
            // with the last copy it held until the new one has loaded.
            bool copyLoaded = false;
            QMetaObject::Connection shown = QObject::connect(view, &WebBrowser::savedCopyShown, &app, [&](bool ok) {
                copyLoaded = ok && sinceFailure.isValid();
            });
            sinceClick.start();
            browser->m_previousButton->click();
            QWidget *copyView = nullptr;
            const bool painted = waitFor([&] {
                if (!copyView)
                    copyView = view->widget()->findChild<QWidget *>(QStringLiteral("savedCopyView"));
                if (!copyView || !copyView->isVisible() || !copyLoaded)
                    return false;
                const QImage shot = copyView->grab().toImage();
                return !shot.isNull() && isCopyColour(shot.pixelColor(shot.width() / 2, shot.height() - 20));
            }, 60000);
            QObject::disconnect(busy);
            QObject::disconnect(shown);
            if (!painted) {
                std::fprintf(stderr, "the copy was not painted (%s, run %d): %s\n", how, run,
                             !copyView ? "no copy view" : !copyView->isVisible() ? "its view is hidden" : "not its colour");
                return 1;
            }
            fromFailure.append(sinceFailure.elapsed());
            fromClick.append(sinceClick.elapsed());
            std::fprintf(stderr, "%s, run %d: %lld ms from the failure, %lld ms from the click\n", how, run,
                         fromFailure.constLast(), fromClick.constLast());
        }
        std::printf("| %s | %lld ms | %lld ms | %lld ms | %lld ms |\n", how, median(fromFailure),
                    *std::max_element(fromFailure.cbegin(), fromFailure.cend()), fromFailure.constFirst(), median(fromClick));
        std::fflush(stdout);
    }
    return 0;
}
