// The machine-wide registry file: keys, values, types, the buffer limit and read-only access.
#include "platform/systemregistry.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

class TestRegistry : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString write(const QByteArray &text)
    {
        const QString path = m_dir.filePath(QStringLiteral("registry.ini"));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return {};
        f.write(text);
        return path;
    }

private slots:
    void defaultPlace() { QCOMPARE(SystemRegistry::defaultPath(), QStringLiteral("/etc/quokka/registry.ini")); }

    void readsValues_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<long>("status");
        QTest::addColumn<std::uint32_t>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("string gets its NUL") << "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO" << "PATH" << 0L
                                            << Registry::REG_SZ << QByteArray("/usr/bin/hardinfo\0", 18);
        QTest::newRow("names ignore case") << "software\\microsoft\\shared tools\\msinfo" << "path" << 0L
                                           << Registry::REG_SZ << QByteArray("/usr/bin/hardinfo\0", 18);
        QTest::newRow("spaces in key and value kept inside") << "SOFTWARE\\Microsoft\\Shared Tools Location"
                                                             << "MSINFO" << 0L << Registry::REG_SZ
                                                             << QByteArray("/opt/sys info\0", 14);
        QTest::newRow("dword little-endian") << "SOFTWARE\\Numbers" << "Answer" << 0L << Registry::REG_DWORD
                                             << QByteArray("\x2a\x00\x00\x00", 4);
        QTest::newRow("non-ASCII text") << "SOFTWARE\\Numbers" << "Name" << 0L << Registry::REG_SZ
                                        << QByteArray("Grüße\0", 8);
        QTest::newRow("missing value") << "SOFTWARE\\Numbers" << "Nothing" << Registry::ERROR_FILE_NOT_FOUND
                                       << std::uint32_t(0) << QByteArray();
        QTest::newRow("commented value") << "SOFTWARE\\Numbers" << "Hidden" << Registry::ERROR_FILE_NOT_FOUND
                                         << std::uint32_t(0) << QByteArray();
        QTest::newRow("too large for the buffer") << "SOFTWARE\\Numbers" << "Long" << Registry::ERROR_MORE_DATA
                                                  << Registry::REG_SZ << QByteArray();
    }
    void readsValues()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(long, status);
        QFETCH(std::uint32_t, type);
        QFETCH(QByteArray, data);
        const QString path = write("; quokka machine settings\n"
                                   "[SOFTWARE\\Microsoft\\Shared Tools\\MSINFO]\n"
                                   "PATH=/usr/bin/hardinfo\n"
                                   "\r\n"
                                   "[ SOFTWARE\\Microsoft\\Shared Tools Location ]\r\n"
                                   "  MSINFO = /opt/sys info  \r\n"
                                   "[SOFTWARE\\Numbers]\n"
                                   "Answer=dword:0000002A\n"
                                   "Name=Grüße\n"
                                   "# Hidden=1\n"
                                   "Long=" + QByteArray(1024, 'x') + "\n");
        SystemRegistry registry(path);
        void *handle = nullptr;
        QCOMPARE(registry.openKey(key, Registry::KEY_READ, &handle), Registry::ERROR_SUCCESS);
        QVERIFY(handle);
        const Registry::Value got = registry.queryValue(handle, value, 1024);
        QCOMPARE(got.status, status);
        if (status == 0) {
            QCOMPARE(got.type, type);
            QCOMPARE(got.data, data);
        }
        registry.closeKey(handle);
    }

    void refusesWhatItCannotGive_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("key");
        QTest::addColumn<std::uint32_t>("access");
        QTest::addColumn<long>("status");
        QTest::newRow("no file") << "missing.ini" << "SOFTWARE\\Numbers" << Registry::KEY_READ
                                 << Registry::ERROR_FILE_NOT_FOUND;
        QTest::newRow("missing key") << "registry.ini" << "SOFTWARE\\Other" << Registry::KEY_READ
                                     << Registry::ERROR_FILE_NOT_FOUND;
        QTest::newRow("full access") << "registry.ini" << "SOFTWARE\\Numbers" << Registry::KEY_ALL_ACCESS
                                     << Registry::ERROR_ACCESS_DENIED;
    }
    void refusesWhatItCannotGive()
    {
        QFETCH(QString, file);
        QFETCH(QString, key);
        QFETCH(std::uint32_t, access);
        QFETCH(long, status);
        write("[SOFTWARE\\Numbers]\nAnswer=dword:1\n");
        SystemRegistry registry(m_dir.filePath(file));
        void *handle = reinterpret_cast<void *>(1);
        QCOMPARE(registry.openKey(key, access, &handle), status);
        QCOMPARE(handle, nullptr);
    }

    void commentsEndAtTheLine_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("after a blank") << QByteArray("PATH=/usr/bin/hardinfo ; the GTK one") << QByteArray("/usr/bin/hardinfo");
        QTest::newRow("after a tab, with #") << QByteArray("PATH=/usr/bin/hardinfo\t# x") << QByteArray("/usr/bin/hardinfo");
        QTest::newRow("inside a word it is text") << QByteArray("PATH=/opt/c#;x/info") << QByteArray("/opt/c#;x/info");
    }
    void commentsEndAtTheLine()
    {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, data);
        SystemRegistry registry(write("[K] ; the key\n" + line + "\n"));
        void *handle = nullptr;
        QCOMPARE(registry.openKey(QStringLiteral("K"), Registry::KEY_READ, &handle), Registry::ERROR_SUCCESS);
        QCOMPARE(registry.queryValue(handle, QStringLiteral("PATH"), 1024).data, data + '\0');
        QCOMPARE(registry.ignoredConfiguration(), QString());
        registry.closeKey(handle);
    }

    void whatIsIgnoredIsTold_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("keyRead");
        QTest::addColumn<QString>("told"); // empty: nothing is told
        QTest::newRow("clean") << QByteArray("; note\n[K]\nA=1\n") << true << QString();
        QTest::newRow("not UTF-8") << QByteArray("[K]\nA=1\nB=\xff\xfe\n") << true << "line 3: it is not UTF-8 text";
        QTest::newRow("UTF-16 without its mark") << QByteArray("[\0K\0]\0\n\0", 8) << false
                                                 << "line 1: it holds NUL bytes";
        QTest::newRow("a value before any key") << QByteArray("A=1\n[K]\n") << true
                                                << "line 1: the value stands before any [key path]";
        QTest::newRow("empty key path") << QByteArray("[K]\n[]\nA=1\n") << true
                                        << "line 2: [] names no key";
        QTest::newRow("line of nothing known") << QByteArray("[K]\nhello\n") << true
                                               << "line 2: it is neither [a key path] nor name=value";
        QTest::newRow("one byte too many") << QByteArray("[K]\nA=1\n") + QByteArray(SystemRegistry::maxFileSize, '\n')
                                           << false << "registry.ini: it is larger than 64 KiB";
    }
    void whatIsIgnoredIsTold()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, keyRead);
        QFETCH(QString, told);
        SystemRegistry registry(write(text));
        void *handle = nullptr;
        QCOMPARE(registry.openKey(QStringLiteral("K"), Registry::KEY_READ, &handle) == Registry::ERROR_SUCCESS, keyRead);
        if (told.isEmpty())
            QCOMPARE(registry.ignoredConfiguration(), QString());
        else
            QVERIFY2(registry.ignoredConfiguration().contains(told), qPrintable(registry.ignoredConfiguration()));
        registry.closeKey(handle);
    }

    void hugeFileIsNotRead()
    {
        // 200 MB of one line (a sparse file, so the test writes nothing): not read, and said so.
        const QString path = write("[K]\nA=1\n");
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.resize(200LL * 1024 * 1024));
        f.close();
        SystemRegistry registry(path);
        void *handle = nullptr;
        QCOMPARE(registry.openKey(QStringLiteral("K"), Registry::KEY_READ, &handle), Registry::ERROR_FILE_NOT_FOUND);
        QVERIFY(registry.ignoredConfiguration().contains(QLatin1String("larger than 64 KiB")));
    }

    void pipeIsNotWaitedFor()
    {
        // Reading a pipe that nobody writes would block the program for ever.
        const QString path = m_dir.filePath(QStringLiteral("pipe.ini"));
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        SystemRegistry registry(path);
        void *handle = nullptr;
        QCOMPARE(registry.openKey(QStringLiteral("K"), Registry::KEY_READ, &handle), Registry::ERROR_FILE_NOT_FOUND);
        QVERIFY(registry.ignoredConfiguration().contains(QLatin1String("not a regular file")));
    }

    void utf16WithItsMarkIsRead()
    {
        QByteArray text("\xfe\xff", 2); // big-endian this time
        for (char c : QByteArray("[K]\r\nName=Gr\xfc\xdf" "e\r\n"))
            text.append('\0').append(c);
        SystemRegistry registry(write(text));
        void *handle = nullptr;
        QCOMPARE(registry.openKey(QStringLiteral("K"), Registry::KEY_READ, &handle), Registry::ERROR_SUCCESS);
        QCOMPARE(registry.queryValue(handle, QStringLiteral("Name"), 1024).data,
                 QStringLiteral("Grüße").toLocal8Bit() + '\0');
        QCOMPARE(registry.ignoredConfiguration(), QString());
        registry.closeKey(handle);
    }

    void garbageIsNoValue()
    {
        static const char text[] = "no key yet=1\n[]\nA=1\n[K]\n=nameless\nnot a value\n\0\xff\xfe=x\nB=dword:xyz\n";
        const QString path = write(QByteArray(text, sizeof(text) - 1));
        SystemRegistry registry(path);
        void *handle = nullptr;
        QCOMPARE(registry.openKey(QStringLiteral("K"), Registry::KEY_READ, &handle), Registry::ERROR_SUCCESS);
        QCOMPARE(registry.queryValue(handle, QStringLiteral("no key yet"), 1024).status, Registry::ERROR_FILE_NOT_FOUND);
        QCOMPARE(registry.queryValue(handle, QStringLiteral("A"), 1024).status, Registry::ERROR_FILE_NOT_FOUND);
        // A DWORD that is not hexadecimal stays the text that was written.
        const Registry::Value b = registry.queryValue(handle, QStringLiteral("B"), 1024);
        QCOMPARE(b.type, Registry::REG_SZ);
        QCOMPARE(b.data, QByteArray("dword:xyz\0", 10));
        registry.closeKey(handle);
        QCOMPARE(registry.queryValue(handle, QStringLiteral("B"), 1024).status, 6L);
    }
};

QTEST_MAIN(TestRegistry)
#include "tst_registry.moc"
