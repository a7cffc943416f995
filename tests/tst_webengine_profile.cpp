// The web engine's profile: named "quokka", kept on disk in the data folder with its cache in the cache
// folder, so that cookies last from one run of the program to the next.
#include "fakes/loopbackserver.h"
#include "platform/webenginebrowser.h"

#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QtTest>

class TestWebEngineProfile : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_home;
    LoopbackServer *m_server = nullptr;

    QString dataHome() const { return m_home.filePath(QStringLiteral("data")); }
    QString cacheHome() const { return m_home.filePath(QStringLiteral("cache")); }

    /// Runs the helper that opens @p path in a browser and ends as the program does; its exit code.
    int visit(const QString &path, const QString &data)
    {
        QProcess helper;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), m_home.filePath(QStringLiteral("home")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), data);
        // A cache folder of each run's own: this process's profile uses cacheHome().
        env.insert(QStringLiteral("XDG_CACHE_HOME"), data + QStringLiteral("-cache"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral("config")));
        helper.setProcessEnvironment(env);
        helper.setProcessChannelMode(QProcess::ForwardedChannels);
        helper.start(QStringLiteral(QUOKKA_HELPER_DIR "/webengine_visit"), {m_server->url(path).toString()});
        if (!helper.waitForStarted(10000))
            return -1;
        // The server answers in this process: keep its events going while the helper runs.
        if (!QTest::qWaitFor([&] { return helper.state() == QProcess::NotRunning; }, 90000)) {
            helper.kill();
            helper.waitForFinished();
            return -2;
        }
        return helper.exitStatus() == QProcess::NormalExit ? helper.exitCode() : -3;
    }

    QByteArray cookieOf(const QString &path) const
    {
        const qsizetype at = m_server->requested.lastIndexOf(path);
        return at < 0 ? QByteArray("<not requested>") : m_server->cookies.at(at);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("HOME", m_home.filePath(QStringLiteral("home")).toUtf8());
        qputenv("XDG_DATA_HOME", dataHome().toUtf8());
        qputenv("XDG_CACHE_HOME", cacheHome().toUtf8());
        qputenv("XDG_CONFIG_HOME", m_home.filePath(QStringLiteral("config")).toUtf8());
        m_server = new LoopbackServer(this);
        QVERIFY(m_server->isListening());
        // A cookie the site keeps for a day, and one for the session only.
        m_server->setPage("/first", "text/html", "<html><head><title>first</title></head><body>first</body></html>",
                          "Set-Cookie: kept=yes; Max-Age=86400; Path=/\r\nSet-Cookie: session=yes; Path=/\r\n");
    }

    void theProfileIsNamedAndKeptOnDisk()
    {
        QWebEngineProfile *profile = WebEngineBrowser::profile();
        QCOMPARE(profile, WebEngineBrowser::profile());
        QCOMPARE(profile->storageName(), QStringLiteral("quokka"));
        QVERIFY(!profile->isOffTheRecord());
        QCOMPARE(profile->persistentStoragePath(), dataHome() + QStringLiteral("/quokka/QtWebEngine/quokka"));
        QCOMPARE(WebEngineBrowser::profileStoragePath(), dataHome() + QStringLiteral("/quokka/QtWebEngine/quokka"));
        QCOMPARE(profile->cachePath(), cacheHome() + QStringLiteral("/quokka"));
        QCOMPARE(WebEngineBrowser::profileCachePath(), cacheHome() + QStringLiteral("/quokka"));
        QCOMPARE(profile->persistentCookiesPolicy(), QWebEngineProfile::AllowPersistentCookies);
        QCOMPARE(profile->httpCacheType(), QWebEngineProfile::DiskHttpCache);
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
        QCOMPARE(profile->persistentPermissionsPolicy(), QWebEngineProfile::PersistentPermissionsPolicy::AskEveryTime);
#endif
    }

    void theSecuritySettingsStay()
    {
        QWebEngineSettings *s = WebEngineBrowser::profile()->settings();
        QVERIFY(!s->testAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls));
        QVERIFY(!s->testAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls));
        QVERIFY(!s->testAttribute(QWebEngineSettings::JavascriptCanOpenWindows));
        QVERIFY(!s->testAttribute(QWebEngineSettings::AllowRunningInsecureContent));
        QVERIFY(!s->testAttribute(QWebEngineSettings::FullScreenSupportEnabled));
    }

    void cookiesLastFromOneRunToTheNext()
    {
        const QString data = m_home.filePath(QStringLiteral("runs"));
        QCOMPARE(visit(QStringLiteral("/first"), data), 0);
        QCOMPARE(cookieOf(QStringLiteral("/first")), QByteArray());
        // A new run of the program: the kept cookie is sent, the session cookie ended with the first run.
        QCOMPARE(visit(QStringLiteral("/second"), data), 0);
        QCOMPARE(cookieOf(QStringLiteral("/second")), QByteArray("kept=yes"));
        // They live in the profile folder of the data folder, and the cache in the cache folder.
        QVERIFY(QFileInfo(data + QStringLiteral("/quokka/QtWebEngine/quokka")).isDir());
        QVERIFY(QFileInfo(data + QStringLiteral("-cache/quokka")).isDir());
        // A run with another data folder starts without them.
        QCOMPARE(visit(QStringLiteral("/third"), m_home.filePath(QStringLiteral("other"))), 0);
        QCOMPARE(cookieOf(QStringLiteral("/third")), QByteArray());
    }

    void nothingIsWrittenOutsideTheProfileAndCacheFolders()
    {
        QStringList stray;
        // The program's runs wrote into their data folders' profile folder only.
        for (const QString &name : {QStringLiteral("runs"), QStringLiteral("other")}) {
            const QDir data(m_home.filePath(name));
            QDirIterator it(data.path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                            QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString path = data.relativeFilePath(it.next());
                if (path != QLatin1String("quokka") && path != QLatin1String("quokka/QtWebEngine")
                    && !path.startsWith(QLatin1String("quokka/QtWebEngine/quokka")))
                    stray.append(name + QLatin1Char('/') + path);
            }
        }
        // Nothing went to the home folder's default data and cache places.
        const QDir home(m_home.filePath(QStringLiteral("home")));
        for (const QString &place : {QStringLiteral(".local"), QStringLiteral(".cache")}) {
            if (home.exists(place))
                stray.append(QStringLiteral("home/") + place);
        }
        QCOMPARE(stray, QStringList());
    }
};

QTEST_MAIN(TestWebEngineProfile)
#include "tst_webengine_profile.moc"
