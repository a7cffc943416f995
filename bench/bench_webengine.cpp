// Runs the real program's windows on the real platform and times what users wait for
// (the start-up is timed by bench_startup, which, like the program, does not link the web engine):
//   bench_webengine pageload URL...    "Next" in the list browser over a list of the given addresses,
//                                      timed from the click to the page's loadFinished; then stays open
//                                      (pageload-direct: the address handed straight to the browser, so
//                                      that neither the list nor the address box repaints; pageload-paints:
//                                      as pageload, and counts the paint events of each widget per load)
//   bench_webengine idle URL N         the main window, the list browser showing URL and N browser windows
//                                      showing URL, then stays open and prints "ready"
//   bench_webengine idle-main          the main window alone, after the splash's hand-over
//   bench_webengine idle-playing URL   the main window and the list browser playing a list of URL twice,
//                                      between pages: the first page loaded, the delay (an hour) running
// The launching script reads the lines printed here and measures memory, CPU and wake-ups from outside.
#include "app/listplayback.h"
#include "app/windows.h"
#include "app/mainwindow.h"
#include "app/startup.h"
#include "app/quokkaapplication.h"
#include "browser/browserwindow.h"
#include "browser/listbrowser.h"
#include "store/listpaths.h"
#include "platform/mediaplayer.h"
#include "platform/qtplatform.h"
#include "platform/webbrowser.h"
#include "platform/webenginebrowser.h"
#include "play/listplayer.h"
#include "ui/windowframe.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QTimer>
#include <QWebEngineView>

#include <cstdio>

namespace {

void say(const char *format, auto... values)
{
    std::printf(format, values...);
    std::fflush(stdout);
}

void writeList(const QStringList &addresses)
{
    QDir().mkpath(ListPaths::dataFolder());
    QFile file(ListPaths::listFile());
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    for (const QString &a : addresses)
        file.write(a.toUtf8() + "\r\n");
}

QWebEngineView *viewOf(WebBrowser *browser)
{
    auto *engine = qobject_cast<WebEngineBrowser *>(browser);
    return engine ? engine->view() : nullptr;
}

/// Counts paint events per widget while counting is on; a widget is named by its class and object name.
class PaintCounter final : public QObject {
public:
    bool counting = false;
    QMap<QString, int> paints;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (counting && event->type() == QEvent::Paint && watched->isWidgetType()) {
            QString name = QString::fromLatin1(watched->metaObject()->className());
            if (!watched->objectName().isEmpty())
                name += QLatin1Char('/') + watched->objectName();
            else if (watched->parent() && !watched->parent()->objectName().isEmpty())
                name += QStringLiteral(" in ") + watched->parent()->objectName();
            ++paints[name];
        }
        return false;
    }
};

int usage()
{
    std::fprintf(stderr, "usage: bench_webengine pageload|pageload-direct|pageload-paints URL... | idle URL N | idle-main | idle-playing URL\n");
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 2)
        return usage();
    const QByteArray mode = argv[1];

    // The same start as the program's main().
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QuokkaApplication app(argc, argv);
    QtPlatform platform;
    app.setFatalError(&platform.fatalError());
    const QStringList args = app.arguments().mid(2);

    if (mode == "pageload" || mode == "pageload-direct" || mode == "pageload-paints") {
        if (args.isEmpty())
            return usage();
        writeList(args);
        Windows windows(platform);
        windows.mainWindow()->showMaximized();
        ListBrowser *browser = windows.listBrowser();
        QWebEngineView *view = viewOf(browser->m_view);
        if (!view)
            return 1;
        PaintCounter counter;
        if (mode == "pageload-paints")
            app.installEventFilter(&counter);
        QElapsedTimer clock;
        int index = 0;
        auto next = [&] {
            // The first load also starts the render process; paints are counted over the following ones.
            counter.counting = index > 0;
            clock.start();
            if (mode == "pageload-direct")
                browser->m_view->navigate(args.at(index));
            else
                browser->showNext();
        };
        QObject::connect(view, &QWebEngineView::loadFinished, view, [&](bool ok) {
            counter.counting = false;
            say("load %d %.2f %s\n", index + 1, double(clock.nsecsElapsed()) / 1e6, ok ? "ok" : "failed");
            if (++index < args.size()) {
                QTimer::singleShot(200, view, next);
                return;
            }
            const int counted = int(args.size()) - 1;
            for (auto it = counter.paints.cbegin(); it != counter.paints.cend(); ++it)
                say("paints %.2f %s\n", double(it.value()) / counted, qPrintable(it.key()));
            say("done\n");
        });
        // The start-up chime and the main window's first paints are over after 3 s, as in the floor.
        QTimer::singleShot(3000, view, next);
        return app.exec();
    }

    if (mode == "idle-main") {
        // The real start: the splash hands over to the main window, which is then left alone.
        Windows windows(platform);
        Startup::showSplash(windows);
        QTimer::singleShot(6000, &app, [] { say("ready\n"); });
        return app.exec();
    }

    if (mode == "idle-playing") {
        if (args.isEmpty())
            return usage();
        writeList({args.at(0), args.at(0)});
        Windows windows(platform);
        windows.mainWindow()->showMaximized();
        ListBrowser *browser = windows.listBrowser();
        QWebEngineView *view = viewOf(browser->m_view);
        ListPlayer *player = ListPlayback::of(browser)->player();
        if (!view || !player)
            return 1;
        player->setDelaySeconds(3600); // not saved: the user's settings file stays as it is
        QObject::connect(view, &QWebEngineView::loadFinished, view, [&] {
            QTimer::singleShot(3000, &app, [player] {
                say(player->state() == ListPlayer::State::Showing ? "ready\n" : "not playing\n");
            });
        });
        QTimer::singleShot(1000, view, [player] { player->play(); });
        return app.exec();
    }

    if (mode == "idle") {
        if (args.size() < 2)
            return usage();
        const int browserWindows = args.at(1).toInt();
        writeList({args.at(0)});
        Windows windows(platform);
        windows.mainWindow()->showMaximized();
        ListBrowser *browser = windows.listBrowser();
        QWebEngineView *view = viewOf(browser->m_view);
        if (!view)
            return 1;
        int loading = 1 + browserWindows;
        auto loaded = [&] {
            // Let the pages and the windows settle before the measurement starts.
            if (--loading == 0)
                QTimer::singleShot(3000, &app, [] { say("ready\n"); });
        };
        QObject::connect(view, &QWebEngineView::loadFinished, view, loaded);
        QTimer::singleShot(1000, view, [&] {
            browser->showNext();
            for (int i = 0; i < browserWindows; ++i) {
                BrowserWindow *window = i == 0 ? windows.browserWindow() : windows.browserWindow()->openNewWindow();
                WindowFrame::show(window);
                if (QWebEngineView *v = viewOf(window->m_view))
                    QObject::connect(v, &QWebEngineView::loadFinished, v, loaded);
                window->m_view->navigate(args.at(0));
            }
        });
        return app.exec();
    }
    return usage();
}
