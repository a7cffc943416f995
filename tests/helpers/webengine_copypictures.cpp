// Copies each address on its command line with the engine's page copier, one after the other, and
// prints for each copy "ok R G B" (the colour near the bottom middle of its picture) or "failed WHY".
// Run on a real display (under Xvfb): the copier's picture is taken there as on a person's desktop.
// Usage: webengine_copypictures URL...   (exit code 0 once every copy has come back)
#include "platform/enginepageprobe.h"
#include "platform/webbrowser.h"

#include <QApplication>
#include <QImage>
#include <QUrl>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    const QStringList addresses = app.arguments().mid(1);
    EnginePageCopier copier;
    int left = int(addresses.size());
    for (const QString &address : addresses) {
        copier.copy(QUrl(address), 30000, [&left](const PageCopy &copy) {
            const QImage picture = QImage::fromData(copy.thumbnailPng, "PNG");
            if (!copy.ok || picture.isNull()) {
                std::printf("failed %s\n", qPrintable(copy.ok ? QStringLiteral("no picture") : copy.problem));
            } else {
                const QColor seen = picture.pixelColor(picture.width() / 2, picture.height() - 5);
                std::printf("ok %d %d %d\n", seen.red(), seen.green(), seen.blue());
            }
            std::fflush(stdout);
            if (--left == 0)
                QCoreApplication::quit();
        });
    }
    return left == 0 ? 0 : app.exec();
}
