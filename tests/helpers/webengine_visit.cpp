// Opens one address in Quokka's web browser control, waits until the page has loaded, and ends the way
// the program ends (the windows first, then the application), so that a test can see what the browser
// profile keeps from one run to the next.
// Usage: webengine_visit URL   (exit code 0 once the page has loaded, 1 when it failed, 2 on timeout)
#include "app/quokkaapplication.h"
#include "platform/webenginebrowser.h"

#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWidget>
#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: webengine_visit URL\n");
        return 64;
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QuokkaApplication app(argc, argv);
    int result = 2;
    {
        QWidget window;
        window.resize(640, 480);
        auto *browser = new WebEngineBrowser(&window);
        browser->widget()->resize(640, 480);
        window.show();
        QObject::connect(browser->view()->page(), &QWebEnginePage::loadFinished, &app, [&result](bool ok) {
            result = ok ? 0 : 1;
            QCoreApplication::exit(0);
        });
        QTimer::singleShot(60000, &app, [] { QCoreApplication::exit(0); });
        if (!browser->navigate(QString::fromLocal8Bit(argv[1])))
            return 1;
        app.exec();
    }
    return result;
}
