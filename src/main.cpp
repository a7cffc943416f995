// Quokka: a small web browser built around one stored list of web addresses.
#include "app/windows.h"
#include "app/startup.h"
#include "app/quokkaapplication.h"
#include "platform/qtplatform.h"


int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QuokkaApplication app(argc, argv);
    QtPlatform platform;
    app.setFatalError(&platform.fatalError());
    int result = 0;
    {
        Windows windows(platform);
        Startup::showSplash(windows);
        result = app.exec();
    }
    return result;
}
