// A bare web view: one window, one view, nothing else. It loads the addresses on its command line
// one after another (3 s after start, then 200 ms after each load has finished) and prints how long
// each load took, from load() to loadFinished, so that benchmarks can set the program beside it.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QUrl>
#include <QWebEngineView>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QStringList addresses = app.arguments().mid(1);
    QWebEngineView view;
    view.resize(985, 393);
    view.show();

    QElapsedTimer clock;
    int index = 0;
    auto loadNext = [&] {
        clock.start();
        view.load(QUrl(addresses.at(index)));
    };
    QObject::connect(&view, &QWebEngineView::loadFinished, &view, [&](bool ok) {
        std::printf("load %d %.2f %s\n", index + 1, double(clock.nsecsElapsed()) / 1e6, ok ? "ok" : "failed");
        std::fflush(stdout);
        if (++index < addresses.size())
            QTimer::singleShot(200, &view, loadNext);
        else {
            std::printf("done\n");
            std::fflush(stdout);
        }
    });
    if (!addresses.isEmpty())
        QTimer::singleShot(3000, &view, loadNext);
    return app.exec();
}
