// The program's icon: the installed icon theme's where there is one, the built-in sizes otherwise.
#include "app/mainwindow.h"
#include "app/quokkaapplication.h"
#include "app/windows.h"
#include "fakes/fakeplatform.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

class TestProgramIcon : public QObject {
    Q_OBJECT
private:
    // An icon theme folder that holds the program's icon at 16 and 48 pixels, in a colour no drawing has.
    static void writeTheme(const QString &root)
    {
        const QString theme = root + QStringLiteral("/hicolor");
        QDir().mkpath(theme);
        // Debian's own theme description where it is installed: it is what the program meets.
        if (QFile::copy(QStringLiteral("/usr/share/icons/hicolor/index.theme"), theme + QStringLiteral("/index.theme")))
            return writeIcons(theme);
        QFile index(theme + QStringLiteral("/index.theme"));
        QVERIFY(index.open(QIODevice::WriteOnly));
        index.write("[Icon Theme]\nName=Hicolor\nDirectories=16x16/apps,48x48/apps\n\n"
                    "[16x16/apps]\nSize=16\nContext=Applications\nType=Threshold\n\n"
                    "[48x48/apps]\nSize=48\nContext=Applications\nType=Threshold\n");
        index.close();
        writeIcons(theme);
    }

    static void writeIcons(const QString &theme)
    {
        for (const int size : {16, 48}) {
            const QString folder = theme + QStringLiteral("/%1x%1/apps").arg(size);
            QDir().mkpath(folder);
            QImage image(size, size, QImage::Format_ARGB32);
            image.fill(QColor(255, 0, 255));
            QVERIFY(image.save(folder + QStringLiteral("/" QUOKKA_APP_ID ".png")));
        }
    }

    static QColor centre(const QIcon &icon, int size)
    {
        return icon.pixmap(QSize(size, size)).toImage().pixelColor(size / 2, size / 2);
    }

private slots:
    void cleanup()
    {
        QIcon::setThemeSearchPaths({});
        QIcon::setThemeName(QString());
    }

    void builtInIconHasEveryDrawnSize()
    {
        QTemporaryDir empty;
        QIcon::setThemeSearchPaths({empty.path()});
        QIcon::setThemeName(QStringLiteral("hicolor"));
        const QIcon icon = QuokkaApplication::programIcon();
        QVERIFY(!icon.isNull());
        const QList<QSize> sizes = icon.availableSizes();
        for (const int size : {16, 24, 32, 48, 64, 128, 256})
            QVERIFY2(sizes.contains(QSize(size, size)), qPrintable(QStringLiteral("no %1 pixel icon").arg(size)));
        // The small sizes are drawn for their size, not the large drawing scaled: each is its own picture.
        QCOMPARE(icon.pixmap(QSize(16, 16)).size(), QSize(16, 16));
        QVERIFY(icon.pixmap(QSize(16, 16)).toImage() != icon.pixmap(QSize(256, 256)).toImage().scaled(16, 16));
        // Transparent corners: the badge is round.
        QCOMPARE(icon.pixmap(QSize(48, 48)).toImage().pixelColor(0, 0).alpha(), 0);
    }

    void installedThemeIconComesFirst()
    {
        QTemporaryDir themes;
        writeTheme(themes.path());
        QIcon::setThemeSearchPaths({themes.path()});
        QIcon::setThemeName(QStringLiteral("hicolor"));
        const QIcon icon = QuokkaApplication::programIcon();
        QCOMPARE(centre(icon, 16), QColor(255, 0, 255));
        QCOMPARE(centre(icon, 48), QColor(255, 0, 255));
        // The window system is told of every size the theme has, not of one to scale.
        QVERIFY(icon.availableSizes().contains(QSize(16, 16)));
        QVERIFY(icon.availableSizes().contains(QSize(48, 48)));
    }

    void mainWindowShowsTheProgramIcon()
    {
        QTemporaryDir themes;
        writeTheme(themes.path());
        QIcon::setThemeSearchPaths({themes.path()});
        QIcon::setThemeName(QStringLiteral("hicolor"));
        QTemporaryDir data;
        qputenv("XDG_DATA_HOME", data.path().toUtf8());
        FakePlatform platform;
        Windows windows(platform);
        QCOMPARE(centre(windows.mainWindow()->windowIcon(), 16), QColor(255, 0, 255));
    }
};

QTEST_MAIN(TestProgramIcon)
#include "tst_programicon.moc"
