#include "fakes/webenginetest.h"

#include "platform/webbrowser.h"

#include <QDir>
#include <QFileInfo>

QTemporaryDir *testHomeFolder()
{
    static QTemporaryDir dir;
    return &dir;
}

void prepareWebEngineTest()
{
    QTemporaryDir *home = testHomeFolder();
    qputenv("HOME", home->path().toUtf8());
    qputenv("XDG_CONFIG_HOME", home->filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_DATA_HOME", home->filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_CACHE_HOME", home->filePath(QStringLiteral("cache")).toUtf8());
    const QByteArray source = qgetenv("QUOKKA_SOURCE_DIR");
    QDir::setCurrent(source.isEmpty() ? QFileInfo(QStringLiteral(__FILE__)).absolutePath() + QStringLiteral("/../..")
                                      : QString::fromLocal8Bit(source));
}

QLabel *noticeOf(WebBrowser *browser)
{
    for (QLabel *label : browser->widget()->parentWidget()->findChildren<QLabel *>())
        if (label->accessibleName() == QLatin1String("Browser notice"))
            return label;
    return nullptr;
}
