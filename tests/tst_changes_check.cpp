// quokka-check --changes and --diff as a whole program: pages served by nginx from files that change
// between checks, the looks kept in the page memory, and what the report says in JSON, CSV and text.
#include "changes/changearchive.h"
#include "fakes/serversoftware.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestChangesCheck : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid() && m_site.isValid());
        qputenv("XDG_DATA_HOME", m_home.filePath(QStringLiteral("data")).toUtf8());
        QString why;
        m_nginx = ServerSoftware::nginx("    location / { root " + m_site.path().toUtf8() + "; default_type text/html; }\n", &why);
        QVERIFY2(m_nginx, qPrintable(why));
        m_list = m_site.filePath(QStringLiteral("list.dat"));
        QFile list(m_list);
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write(m_nginx->url(QStringLiteral("/kettle.html")).toString().toUtf8() + "\n"
                   + m_nginx->url(QStringLiteral("/hours.html")).toString().toUtf8() + "\n");
    }

    void changesAreToldSinceTheLastLook()
    {
        writePage(QStringLiteral("kettle.html"), QStringLiteral("Kettle K2"), {"A steel kettle.", "Price: €19.99", "In stock"});
        writePage(QStringLiteral("hours.html"), QStringLiteral("Opening hours"), {"Monday to Friday 8:30 to 17:00"});
        QByteArray out, err;
        // The first look: nothing to compare with.
        QCOMPARE(runTool({QStringLiteral("--changes"), QStringLiteral("--format"), QStringLiteral("json"), m_list}, &out, &err), 0);
        QList<QByteArray> lines = out.trimmed().split('\n');
        QCOMPARE(lines.size(), 2);
        for (const QByteArray &line : lines) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            QVERIFY2(o.value(QStringLiteral("changed_since")).isNull(), line.constData());
            QCOMPARE(o.value(QStringLiteral("changed_lines")).toInt(-1), 0);
        }
        ChangeArchive archive;
        QVERIFY(archive.open());
        const QString kettle = m_nginx->url(QStringLiteral("/kettle.html")).toString();
        const QList<LookRecord> first = archive.looksOf(kettle);
        QCOMPARE(first.size(), 1);
        QCOMPARE(first.first().kind, LookRecord::Kind::Check);
        QVERIFY(archive.textOf(first.first()).value_or(QString()).contains(QStringLiteral("Price: €19.99")));

        // The price changes; the other page does not.
        writePage(QStringLiteral("kettle.html"), QStringLiteral("Kettle K2"), {"A steel kettle.", "Price: €17.49", "In stock"});
        QCOMPARE(runTool({QStringLiteral("--diff"), QStringLiteral("--format"), QStringLiteral("json"), m_list}, &out, &err), 0);
        QVERIFY2(err.contains("pages changed since the last look: 1"), err.constData());
        lines = out.trimmed().split('\n');
        QCOMPARE(lines.size(), 2);
        const QJsonObject changed = QJsonDocument::fromJson(lines.at(0)).object();
        QCOMPARE(changed.value(QStringLiteral("changed_lines")).toInt(), 1);
        QCOMPARE(changed.value(QStringLiteral("changed_since")).toString(), first.first().seenAt.toString(Qt::ISODate));
        const QString diff = changed.value(QStringLiteral("diff")).toString();
        QVERIFY2(diff.contains(QStringLiteral("\n-Price: €19.99\n+Price: €17.49\n")), qPrintable(diff));
        QVERIFY2(diff.startsWith(QStringLiteral("--- %1\t").arg(kettle)), qPrintable(diff));
        const QJsonObject same = QJsonDocument::fromJson(lines.at(1)).object();
        QCOMPARE(same.value(QStringLiteral("changed_lines")).toInt(-1), 0);
        QVERIFY(same.value(QStringLiteral("changed_since")).isString());
        QVERIFY(!same.contains(QStringLiteral("diff")));

        // Text and CSV say the same: the check's last look is what the next one compares with, as
        // long as the person has never looked.
        writePage(QStringLiteral("kettle.html"), QStringLiteral("Kettle K2"), {"A steel kettle with a filter.", "Price: €17.49", "In stock", "Ships in 2 days"});
        QCOMPARE(runTool({QStringLiteral("--diff"), m_list}, &out, &err), 0);
        QVERIFY2(out.contains("  changed: 2 lines since "), out.constData());
        QVERIFY2(out.contains("\n-A steel kettle.\n+A steel kettle with a filter.\n Price: €17.49\n In stock\n+Ships in 2 days\n"), out.constData());
        QVERIFY2(out.contains("  unchanged since "), out.constData());
        QCOMPARE(runTool({QStringLiteral("--changes"), QStringLiteral("--format"), QStringLiteral("csv"), m_list}, &out, &err), 0);
        lines = out.trimmed().split('\n');
        QVERIFY2(lines.value(0).trimmed().endsWith(",last_good_copy,changed_since,changed_lines"), lines.value(0).constData());
        QVERIFY2(lines.value(1).trimmed().endsWith(",0"), lines.value(1).constData());
    }

    void changesNeedTheEngineAndTheMemory_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("no engine") << QStringList{"--changes", "--no-browser"} << QByteArray("needs the web engine");
        QTest::newRow("no memory") << QStringList{"--diff", "--no-memory"} << QByteArray("leave out --no-memory");
        QTest::newRow("a diff in CSV") << QStringList{"--diff", "--format", "csv"} << QByteArray("--format text or json");
    }
    void changesNeedTheEngineAndTheMemory()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, message);
        QByteArray out, err;
        QCOMPARE(runTool(arguments << m_list, &out, &err), 1);
        QVERIFY2(err.contains(message), err.constData());
        QVERIFY(out.isEmpty());
    }

private:
    void writePage(const QString &name, const QString &title, const QStringList &paragraphs)
    {
        QString html = QStringLiteral("<!doctype html><html><head><meta charset=utf-8><title>%1</title></head><body><h1>%1</h1>").arg(title);
        for (const QString &p : paragraphs)
            html += QStringLiteral("<p>%1</p>").arg(p);
        QFile file(m_site.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(html.toUtf8() + "</body></html>\n");
    }

    int runTool(const QStringList &arguments, QByteArray *out, QByteArray *err)
    {
        QProcess tool;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QT_LOGGING_RULES"));
        tool.setProcessEnvironment(environment);
        tool.start(QStringLiteral(QUOKKA_HELPER_DIR "/../src/quokka-check"), arguments);
        if (!tool.waitForStarted())
            return -1;
        tool.closeWriteChannel();
        // A hang guard only: a check of two pages ends well within it.
        if (!tool.waitForFinished(300000)) {
            tool.kill();
            tool.waitForFinished();
            return -2;
        }
        *out = tool.readAllStandardOutput();
        *err = tool.readAllStandardError();
        return tool.exitCode();
    }

    QTemporaryDir m_home;
    QTemporaryDir m_site;
    std::unique_ptr<ServerSoftware> m_nginx;
    QString m_list;
};

QTEST_MAIN(TestChangesCheck)
#include "tst_changes_check.moc"
