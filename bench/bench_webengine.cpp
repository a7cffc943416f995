// Runs the real program's windows on the real platform and times what users wait for
// (the start-up is timed by bench_startup, which, like the program, does not link the web engine):
//   bench_webengine pageload URL...    "Next" in the list browser over a list of the given addresses,
//                                      timed from the click to the page's loadFinished; then stays open
//                                      (pageload-stopped: its 1 ms timer stopped; pageload-direct: timer
//                                      stopped and the address handed straight to the browser, so that
//                                      neither the list nor the address box repaints)
//   bench_webengine idle URL [stop]    main window, list browser showing URL and one browser window,
//                                      then stays open; "stop" stops every 1 ms timer of the windows
// The launching script reads the lines printed here and measures memory and CPU from outside.
#include "app/windows.h"
#include "app/mainwindow.h"
#include "app/startup.h"
#include "app/quokkaapplication.h"
#include "browser/browserwindow.h"
#include "browser/listbrowser.h"
#include "lists/listpaths.h"
#include "platform/mediaplayer.h"
#include "platform/qtplatform.h"
#include "platform/webbrowser.h"
#include "platform/webenginebrowser.h"
#include "ui/windowframe.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
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

int usage()
{
    std::fprintf(stderr, "usage: bench_webengine pageload URL... | idle URL [stop]\n");
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 3)
        return usage();
    const QByteArray mode = argv[1];

    // The same start as the program's main().
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QuokkaApplication app(argc, argv);
    QtPlatform platform;
    app.setFatalError(&platform.fatalError());
    const QStringList args = app.arguments().mid(2);

    if (mode == "pageload" || mode == "pageload-stopped" || mode == "pageload-direct") {
        writeList(args);
        Windows windows(platform);
        windows.mainWindow()->showMaximized();
        ListBrowser *browser = windows.listBrowser();
        QWebEngineView *view = viewOf(browser->m_view);
        if (!view)
            return 1;
        QElapsedTimer clock;
        int index = 0;
        auto next = [&] {
            clock.start();
            if (mode == "pageload-direct")
                browser->m_view->navigate(args.at(index));
            else
                browser->showNext();
        };
        QObject::connect(view, &QWebEngineView::loadFinished, view, [&](bool ok) {
            say("load %d %.2f %s\n", index + 1, double(clock.nsecsElapsed()) / 1e6, ok ? "ok" : "failed");
            if (++index < args.size())
                QTimer::singleShot(200, view, next);
            else
                say("done\n");
        });
        // The start-up chime and the main window's first paints are over after 3 s, as in the floor.
        QTimer::singleShot(3000, view, next);
        return app.exec();
    }

    if (mode == "idle") {
        const bool stopTimers = args.size() > 1 && args.at(1) == QLatin1String("stop");
        writeList({args.at(0)});
        Windows windows(platform);
        windows.mainWindow()->showMaximized();
        ListBrowser *browser = windows.listBrowser();
        BrowserWindow *window = windows.browserWindow();
        WindowFrame::show(window);
        QWebEngineView *view = viewOf(browser->m_view);
        if (!view)
            return 1;
        QObject::connect(view, &QWebEngineView::loadFinished, view, [&] {
            // Let the page and the windows settle before the measurement starts.
            QTimer::singleShot(2000, view, [&] {
                int timers = 0, stopped = 0;
                for (QWidget *top : QApplication::topLevelWidgets()) {
                    for (QTimer *timer : top->findChildren<QTimer *>()) {
                        if (timer->interval() != 1 || !timer->isActive())
                            continue;
                        ++timers;
                        if (stopTimers) {
                            timer->stop();
                            ++stopped;
                        }
                    }
                }
                say("ready timers_1ms %d stopped %d\n", timers, stopped);
            });
        });
        QTimer::singleShot(1000, view, [&] {
            browser->showNext();
            if (window->m_view)
                window->m_view->navigate(args.at(0));
        });
        return app.exec();
    }
    return usage();
}
