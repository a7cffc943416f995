// The machine-wide registry file: keys, values, types, the buffer limit and read-only access.
#include "platform/systemregistry.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

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
