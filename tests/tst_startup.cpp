// Before the web engine starts: whether its sandbox can run, and what the person is told when not.
#include "app/startup.h"
#include "platform/pageprocess.h"

#include <QtTest>

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void aSandboxThatCannotRunIsToldBeforeTheEngineStarts_data()
    {
        QTest::addColumn<bool>("superuser");
        QTest::addColumn<bool>("turnedOff");
        QTest::addColumn<bool>("userNamespaces");
        QTest::addColumn<QStringList>("said"); // empty: no message, the engine starts
        const QStringList asRoot{"superuser (root)", "ordinary user", "QTWEBENGINE_DISABLE_SANDBOX=1", "own risk"};
        const QStringList noNamespaces{"user namespaces", "Operation not permitted", "QTWEBENGINE_DISABLE_SANDBOX=1",
                                       "own risk"};
        QTest::newRow("an ordinary user") << false << false << true << QStringList();
        QTest::newRow("root") << true << false << true << asRoot;
        QTest::newRow("root, no namespaces either") << true << false << false << asRoot;
        QTest::newRow("root, sandbox turned off") << true << true << true << QStringList();
        QTest::newRow("no user namespaces") << false << false << false << noNamespaces;
        QTest::newRow("no user namespaces, sandbox off") << false << true << false << QStringList();
    }
    void aSandboxThatCannotRunIsToldBeforeTheEngineStarts()
    {
        QFETCH(bool, superuser);
        QFETCH(bool, turnedOff);
        QFETCH(bool, userNamespaces);
        QFETCH(QStringList, said);
        Startup::SandboxFacts facts;
        facts.superuser = superuser;
        facts.turnedOff = turnedOff;
        facts.userNamespaces = userNamespaces;
        facts.userNamespaceError = userNamespaces ? QString() : QStringLiteral("Operation not permitted");
        const QString message = Startup::sandboxProblem(facts);
        QCOMPARE(message.isEmpty(), said.isEmpty());
        for (const QString &part : said)
            QVERIFY2(message.contains(part), qPrintable(part + QStringLiteral(" not in: ") + message));
    }

    void aMissingPageProcessIsToldBeforeTheEngineStarts_data()
    {
        QTest::addColumn<QString>("made"); // what stands where QTWEBENGINEPROCESS_PATH points
        QTest::addColumn<bool>("told");
        QTest::newRow("nothing there") << QString() << true;
        QTest::newRow("a file that cannot run") << QStringLiteral("file") << true;
        QTest::newRow("a folder") << QStringLiteral("folder") << true;
        QTest::newRow("a program") << QStringLiteral("program") << false;
    }
    void aMissingPageProcessIsToldBeforeTheEngineStarts()
    {
        QFETCH(QString, made);
        QFETCH(bool, told);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("QtWebEngineProcess"));
        if (made == u"folder") {
            QVERIFY(QDir().mkpath(path));
        } else if (!made.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("#!/bin/sh\n");
            file.close();
            if (made == u"program")
                QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ExeOwner));
        }
        const QByteArray before = qgetenv("QTWEBENGINEPROCESS_PATH");
        qputenv("QTWEBENGINEPROCESS_PATH", path.toLocal8Bit());
        const QString problem = enginePageProcessProblem();
        before.isEmpty() ? qunsetenv("QTWEBENGINEPROCESS_PATH") : qputenv("QTWEBENGINEPROCESS_PATH", before);
        QCOMPARE(problem.isEmpty(), !told);
        if (told) {
            QVERIFY2(problem.contains(path), qPrintable(problem));
            const QString message = Startup::pageProcessMessage(problem);
            for (const char *part : {"libqt6webenginecore6-bin", "QTWEBENGINEPROCESS_PATH"})
                QVERIFY2(message.contains(QLatin1String(part)), qPrintable(message));
        }
    }

    void theFactsOfThisProcess_data()
    {
        QTest::addColumn<QByteArray>("disableVariable");
        QTest::addColumn<QByteArray>("engineFlags");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("turnedOff");
        QTest::newRow("nothing said") << QByteArray() << QByteArray("--disable-gpu") << QStringList{"quokka"} << false;
        QTest::newRow("the variable") << QByteArray("1") << QByteArray() << QStringList{"quokka"} << true;
        QTest::newRow("an engine flag") << QByteArray() << QByteArray("--disable-gpu --no-sandbox")
                                        << QStringList{"quokka"} << true;
        QTest::newRow("an argument") << QByteArray() << QByteArray() << QStringList{"quokka", "--no-sandbox"} << true;
        QTest::newRow("a program named so") << QByteArray() << QByteArray() << QStringList{"--no-sandbox"} << false;
        QTest::newRow("a look-alike flag") << QByteArray() << QByteArray("--no-sandboxes") << QStringList{"quokka"}
                                           << false;
    }
    void theFactsOfThisProcess()
    {
        QFETCH(QByteArray, disableVariable);
        QFETCH(QByteArray, engineFlags);
        QFETCH(QStringList, arguments);
        QFETCH(bool, turnedOff);
        const QByteArray oldVariable = qgetenv("QTWEBENGINE_DISABLE_SANDBOX");
        const QByteArray oldFlags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
        const bool hadVariable = qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX");
        if (disableVariable.isNull())
            qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");
        else
            qputenv("QTWEBENGINE_DISABLE_SANDBOX", disableVariable);
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", engineFlags);
        const Startup::SandboxFacts facts = Startup::SandboxFacts::ofThisProcess(arguments);
        if (hadVariable)
            qputenv("QTWEBENGINE_DISABLE_SANDBOX", oldVariable);
        else
            qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", oldFlags);
        QCOMPARE(facts.turnedOff, turnedOff);
        QCOMPARE(facts.superuser, ::geteuid() == 0);
        // Looked at only when it matters; this machine's answer is whatever it is, but it comes with a reason.
        if (facts.superuser || facts.turnedOff)
            QVERIFY(facts.userNamespaces);
        QCOMPARE(facts.userNamespaces, facts.userNamespaceError.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
