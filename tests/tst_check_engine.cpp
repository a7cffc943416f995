// The list checker with the real web engine deciding, and quokka-check as a whole program, against
// a loopback server with every case.
#include "check/listchecker.h"
#include "check/networkprobe.h"
#include "copies/copyarchive.h"
#include "fakes/checkserver.h"
#include "memory/pagefingerprint.h"
#include "memory/pagememory.h"
#include "platform/enginepageprobe.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>

#include <csignal>

class TestCheckEngine : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void theBrowserDecidesDoubtfulAnswers_data();
    void theBrowserDecidesDoubtfulAnswers();
    void onePageDecidesEveryCaseInTurn();
    void aLoadStartedAsTheLastOneEndsKeepsItsAnswer();
    void commandLineGivesOneObjectPerEntryAndTheExitStatus();
    void keptCopiesAreOfGoodPagesOnly();
    void commandLineRefusesBadInputWithAMessage_data();
    void commandLineRefusesBadInputWithAMessage();
    void anEngineThatCannotShowPagesIsAnError();
    void commandLineSaysWhatAPageWasAndRemembersTheCheck();
    void aTableThatCannotBeFoundIsToldAndTheCheckGoesOn();
    void ctrlCStopsTheCheckAndTheEnginesProcesses();
    void aReportThatCannotBeWrittenIsAnError_data();
    void aReportThatCannotBeWrittenIsAnError();
    void theManualGivesTheRangesTheHelpGives();

private:
    /// Runs quokka-check with @p arguments while this test's server goes on answering.
    int runTool(const QStringList &arguments, QByteArray *out, QByteArray *err, const QByteArray &input = {});
    QTemporaryDir m_home;
    CheckServer m_server;
};

void TestCheckEngine::initTestCase()
{
    QVERIFY(m_home.isValid());
    qputenv("XDG_DATA_HOME", m_home.filePath(QStringLiteral("data")).toUtf8());
    QVERIFY(m_server.isListening());
}

namespace {

struct EngineCase {
    const char *name;
    const char *path;
    const char *verdict;
    int status;
    bool byBrowser;
};

const EngineCase engineCases[] = {
    {"alive: no browser needed", "/alive", "alive", 200, false},
    {"301: no browser needed", "/permanent", "moved", 200, false},
    {"bot wall lets a browser through", "/botwall", "alive", 200, true},
    {"wall by cookie and meta refresh", "/refreshwall", "alive", 200, true},
    {"403 for everyone", "/forbidden", "blocked", 403, true},
    {"404 confirmed", "/notfound", "dead", 404, true},
    {"410 confirmed", "/gone", "dead", 410, true},
    {"500", "/error", "failing", 500, true},
    {"malformed status line", "/malformed", "dead", 0, true},
    {"redirect loop", "/loop", "dead", 0, true},
};

CheckOptions engineOptions(int pages)
{
    CheckOptions options;
    options.pages = pages;
    options.timeoutMs = 15000;
    // Longer than the refresh wall's one second, so that only a look at the page ends the wait early.
    options.settleMs = 2000;
    options.retries = 0;
    return options;
}

} // namespace

void TestCheckEngine::theBrowserDecidesDoubtfulAnswers_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("verdict");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("byBrowser");
    for (const EngineCase &c : engineCases)
        QTest::newRow(c.name) << QString::fromLatin1(c.path) << QString::fromLatin1(c.verdict) << c.status << c.byBrowser;
}

void TestCheckEngine::theBrowserDecidesDoubtfulAnswers()
{
    QFETCH(QString, path);
    QFETCH(QString, verdict);
    QFETCH(int, status);
    QFETCH(bool, byBrowser);
    NetworkProbe http;
    EnginePageProbe engine;
    ListChecker checker(http, &engine);
    checker.setOptions(engineOptions(4));
    CheckResult result;
    connect(&checker, &ListChecker::entryChecked, this, [&](int, const CheckResult &r) { result = r; });
    QSignalSpy finished(&checker, &ListChecker::finished);
    QElapsedTimer clock;
    clock.start();
    checker.start({m_server.url(path).toString()});
    QVERIFY(finished.wait(60000));
    qInfo("%s: %s %d by browser %d (%s) in %lld ms", qPrintable(path), qPrintable(verdictWord(result.verdict)),
          result.status, result.byBrowser, qPrintable(result.reason), clock.elapsed());
    QCOMPARE(verdictWord(result.verdict), verdict);
    QCOMPARE(result.status, status);
    QCOMPARE(result.byBrowser, byBrowser);
}

void TestCheckEngine::onePageDecidesEveryCaseInTurn()
{
    // Pages are reused: with one page, each load follows another in the same page, and none may take
    // the verdict of the one before.
    NetworkProbe http;
    EnginePageProbe engine;
    ListChecker checker(http, &engine);
    checker.setOptions(engineOptions(1));
    QStringList entries;
    for (const EngineCase &c : engineCases)
        entries << m_server.url(QString::fromLatin1(c.path)).toString();
    QMap<int, CheckResult> results;
    connect(&checker, &ListChecker::entryChecked, this, [&](int line, const CheckResult &r) { results.insert(line, r); });
    QSignalSpy finished(&checker, &ListChecker::finished);
    checker.start(entries);
    QVERIFY(finished.wait(120000));
    QCOMPARE(results.size(), entries.size());
    for (int line = 0; line < entries.size(); ++line) {
        const EngineCase &c = engineCases[line];
        const CheckResult &r = results[line];
        QVERIFY2(verdictWord(r.verdict) == QLatin1String(c.verdict) && r.status == c.status,
                 qPrintable(QStringLiteral("%1: %2 %3").arg(QLatin1String(c.name), verdictWord(r.verdict)).arg(r.status)));
    }
    // One page did it all, and it goes (with its page process) once nothing asks for it.
    QCOMPARE(engine.findChildren<QWebEnginePage *>().size(), 1);
    QTRY_COMPARE_WITH_TIMEOUT(engine.findChildren<QWebEnginePage *>().size(), 0, 5000);
}

void TestCheckEngine::aLoadStartedAsTheLastOneEndsKeepsItsAnswer()
{
    // The checker starts the next load the moment the last one answers, on the page that load gave
    // back: the next load's answer must come, never a time-out.
    EnginePageProbe engine;
    const QStringList paths{QStringLiteral("/notfound"), QStringLiteral("/alive"), QStringLiteral("/gone"),
                            QStringLiteral("/notfound"), QStringLiteral("/forbidden"), QStringLiteral("/alive"),
                            QStringLiteral("/notfound"), QStringLiteral("/gone")};
    const QList<int> statuses{404, 200, 410, 404, 403, 200, 404, 410};
    QList<ProbeAnswer> answers;
    QElapsedTimer clock;
    std::function<void()> next = [&] {
        const int n = int(answers.size());
        if (n == paths.size())
            return;
        clock.start();
        engine.load(m_server.url(paths[n]), 10000, 0, [&](const ProbeAnswer &answer) {
            qInfo("%s: status %d after %lld ms", qPrintable(paths[answers.size()]), answer.status, clock.elapsed());
            answers.append(answer);
            next(); // at once, as the checker does
        });
    };
    next();
    QTRY_COMPARE_WITH_TIMEOUT(answers.size(), paths.size(), 120000);
    for (int i = 0; i < paths.size(); ++i)
        QVERIFY2(answers[i].outcome == ProbeAnswer::Outcome::Answered && answers[i].status == statuses[i],
                 qPrintable(QStringLiteral("%1 (load %2): outcome %3, status %4")
                                .arg(paths[i])
                                .arg(i)
                                .arg(int(answers[i].outcome))
                                .arg(answers[i].status)));
}

int TestCheckEngine::runTool(const QStringList &arguments, QByteArray *out, QByteArray *err, const QByteArray &input)
{
    QProcess tool;
    // As a person runs it: without the test environment's logging rules.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_LOGGING_RULES"));
    tool.setProcessEnvironment(environment);
    tool.start(QStringLiteral(QUOKKA_HELPER_DIR "/../src/quokka-check"), arguments);
    if (!tool.waitForStarted())
        return -1;
    tool.write(input);
    tool.closeWriteChannel();
    QSignalSpy done(&tool, &QProcess::finished);
    // The server lives in this process: wait with the event loop running, never blocked.
    if (!done.wait(120000)) {
        tool.kill();
        tool.waitForFinished();
        return -1;
    }
    *out = tool.readAllStandardOutput();
    *err = tool.readAllStandardError();
    return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
}

void TestCheckEngine::commandLineGivesOneObjectPerEntryAndTheExitStatus()
{
    const QStringList addresses{m_server.url(QStringLiteral("/alive")).toString(),
                                QString(),
                                m_server.url(QStringLiteral("/permanent")).toString(),
                                QStringLiteral("javascript:void(0)"),
                                m_server.url(QStringLiteral("/notfound")).toString(),
                                m_server.url(QStringLiteral("/alive")).toString()};
    const QByteArray list = addresses.join(QStringLiteral("\r\n")).toUtf8() + "\r\n";
    QByteArray out, err;
    QCOMPARE(runTool({QStringLiteral("--format"), QStringLiteral("json"), QStringLiteral("--settle"), QStringLiteral("500"),
                      QStringLiteral("-")},
                     &out, &err, list),
             2);
    const QList<QByteArray> lines = out.trimmed().split('\n');
    QCOMPARE(lines.size(), addresses.size());
    const QStringList verdicts{QStringLiteral("alive"), QStringLiteral("skipped"), QStringLiteral("moved"),
                               QStringLiteral("skipped"), QStringLiteral("dead"), QStringLiteral("alive")};
    for (int i = 0; i < lines.size(); ++i) {
        const QJsonObject o = QJsonDocument::fromJson(lines[i]).object();
        QCOMPARE(o.value(QStringLiteral("line")).toInt(), i + 1);
        QCOMPARE(o.value(QStringLiteral("address")).toString(), addresses[i]);
        QCOMPARE(o.value(QStringLiteral("verdict")).toString(), verdicts[i]);
        for (const char *key : {"status", "final", "browser", "reason", "ms"})
            QVERIFY2(o.contains(QLatin1String(key)), key);
    }
    QCOMPARE(QJsonDocument::fromJson(lines[4]).object().value(QStringLiteral("browser")).toBool(), true);
    QCOMPARE(QJsonDocument::fromJson(lines[2]).object().value(QStringLiteral("final")).toString(),
             m_server.url(QStringLiteral("/alive")).toString());
    QVERIFY2(err.contains("Checked 6 entries"), err.constData());
    // The engine started and loaded pages, and kept its account of its start to itself.
    QVERIFY2(!err.contains("qt.webenginecontext"), err.constData());

    // No dead entry: 0, with the summary after the lines in text form; the stored list by default.
    QDir().mkpath(m_home.filePath(QStringLiteral("data/quokka")));
    QFile stored(m_home.filePath(QStringLiteral("data/quokka/url.dat")));
    QVERIFY(stored.open(QIODevice::WriteOnly));
    stored.write(m_server.url(QStringLiteral("/temporary")).toEncoded() + "\r\nmailto:x@example.com\r\n");
    stored.close();
    QCOMPARE(runTool({QStringLiteral("--no-browser")}, &out, &err), 0);
    QVERIFY2(out.startsWith("alive   200 " + m_server.url(QStringLiteral("/temporary")).toEncoded()), out.constData());
    QVERIFY2(out.contains("\nskipped -   mailto:x@example.com"), out.constData());
    QVERIFY2(out.trimmed().endsWith("1 alive, 1 skipped."), out.constData());

    // CSV: a header and one row an entry.
    QCOMPARE(runTool({QStringLiteral("--no-browser"), QStringLiteral("--format"), QStringLiteral("csv")}, &out, &err), 0);
    QCOMPARE(out.count("\r\n"), 3);
    QVERIFY(out.startsWith("line,address,verdict,status,final,browser,reason,ms,was_title,was_seen,now_title,saved_title,last_good_copy\r\n1,"));
}

void TestCheckEngine::anEngineThatCannotShowPagesIsAnError()
{
    // A page process that ends at once: the bot wall needs the engine, which decides nothing. That is
    // the error the help promises, not a list of failing entries or a crash.
    QTemporaryDir dir;
    const QString list = dir.filePath(QStringLiteral("list.dat"));
    QFile file(list);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(m_server.url(QStringLiteral("/botwall")).toEncoded() + "\r\n");
    file.close();
    const QByteArray before = qgetenv("QTWEBENGINEPROCESS_PATH");
    qputenv("QTWEBENGINEPROCESS_PATH", "/bin/false");
    QByteArray out, err;
    const int status = runTool({QStringLiteral("--no-memory"), list}, &out, &err);
    before.isEmpty() ? qunsetenv("QTWEBENGINEPROCESS_PATH") : qputenv("QTWEBENGINEPROCESS_PATH", before);
    QVERIFY2(status == 1, err.constData());
    QVERIFY2(err.contains("quokka-check: the web engine") && err.contains("--no-browser"), err.constData());
    // Chromium ends such a start either through the page's end (the entry is then printed as failing) or
    // through its own start-up crash path, which ends the program before any entry is printed: never
    // with a verdict the engine did not give.
    QVERIFY2(out.isEmpty() || out.contains("failing"), out.constData());
    QVERIFY2(!out.contains("alive") && !out.contains("dead"), out.constData());
}

void TestCheckEngine::commandLineSaysWhatAPageWasAndRemembersTheCheck()
{
    // The person once saw another page there: another host, title and text.
    const QString address = m_server.url(QStringLiteral("/alive")).toString();
    {
        PageMemory memory;
        QVERIFY(memory.open().ok);
        PageRecord seen;
        seen.address = address;
        seen.kind = PageRecord::Kind::Visit;
        seen.seenAt = QDateTime(QDate(2026, 11, 3), QTime(12, 0), Qt::UTC);
        seen.title = QStringLiteral("Qt 6 documentation");
        seen.finalAddress = QStringLiteral("https://doc.qt.io/qt-6/");
        seen.fingerprint = pageFingerprint(seen.title, QStringLiteral("Qt documentation: classes, modules, examples and guides"));
        QVERIFY(memory.record(seen));
    }
    QTemporaryDir dir;
    const QString list = dir.filePath(QStringLiteral("list.dat"));
    QFile file(list);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(address.toUtf8() + "\r\n" + address.toUtf8() + "\r\n"); // twice: both compared with what was seen
    file.close();
    QByteArray out, err;
    QCOMPARE(runTool({QStringLiteral("--no-browser"), QStringLiteral("--format"), QStringLiteral("json"), list}, &out, &err), 0);
    const QList<QByteArray> lines = out.trimmed().split('\n');
    QCOMPARE(lines.size(), 2);
    for (const QByteArray &line : lines) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        QCOMPARE(o.value(QStringLiteral("was_title")).toString(), QStringLiteral("Qt 6 documentation"));
        QCOMPARE(o.value(QStringLiteral("was_seen")).toString().left(10), QStringLiteral("2026-11-03"));
    }
    PageMemory memory;
    QVERIFY(memory.open().ok);
    QCOMPARE(memory.lastChecks({address}).value(address).verdict, QStringLiteral("alive"));
}

void TestCheckEngine::keptCopiesAreOfGoodPagesOnly()
{
    const QStringList good{m_server.url(QStringLiteral("/alive")).toString(), m_server.url(QStringLiteral("/article")).toString()};
    const QStringList bad{m_server.url(QStringLiteral("/softmissing")).toString(), m_server.url(QStringLiteral("/forsale")).toString(),
                          m_server.url(QStringLiteral("/notfound")).toString()};
    QTemporaryDir dir;
    const QString list = dir.filePath(QStringLiteral("list.dat"));
    QFile file(list);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(((good + bad).join(QStringLiteral("\n")) + QStringLiteral("\n")).toUtf8());
    file.close();
    QByteArray out, err;
    QCOMPARE(runTool({QStringLiteral("--keep-copies"), QStringLiteral("--copies-budget"), QStringLiteral("500M"),
                      QStringLiteral("--format"), QStringLiteral("json"), list},
                     &out, &err),
             2);
    QVERIFY2(err.contains("copies of good pages kept: 2"), err.constData());
    const QList<QByteArray> lines = out.trimmed().split('\n');
    QCOMPARE(lines.size(), 5);
    QStringList verdicts;
    for (int i = 0; i < lines.size(); ++i) {
        const QJsonObject o = QJsonDocument::fromJson(lines.at(i)).object();
        verdicts << o.value(QStringLiteral("verdict")).toString();
        // The report tells the copy just kept, and nothing for a page that was not good.
        QCOMPARE(o.value(QStringLiteral("last_good_copy")).isString(), i < good.size());
    }
    QCOMPARE(verdicts, QStringList({QStringLiteral("alive"), QStringLiteral("alive"), QStringLiteral("dead"),
                                    QStringLiteral("parked"), QStringLiteral("dead")}));
    CopyArchive archive;
    QVERIFY2(archive.open(), qPrintable(archive.problem()));
    const CopyReading article = archive.readNewest(good.at(1));
    QVERIFY2(article.ok, qPrintable(article.detail));
    QVERIFY(article.content.mhtml.contains("Riverside Dental"));
    QVERIFY(article.content.text.contains(QStringLiteral("Opening hours")));
    QVERIFY(!article.content.thumbnailPng.isEmpty());
    QCOMPARE(archive.copiesOf(good.at(0)).size(), 1);
    for (const QString &address : bad)
        QVERIFY2(archive.copiesOf(address).isEmpty(), qPrintable(address));
    // Checked again unchanged: nothing is kept twice, and the copy keeps the time it was taken.
    const QString taken = QJsonDocument::fromJson(lines.at(1)).object().value(QStringLiteral("last_good_copy")).toString();
    QCOMPARE(runTool({QStringLiteral("--keep-copies"), QStringLiteral("--format"), QStringLiteral("json"), list}, &out, &err), 2);
    QVERIFY2(err.contains("copies of good pages kept: 0"), err.constData());
    QCOMPARE(QJsonDocument::fromJson(out.split('\n').value(1)).object().value(QStringLiteral("last_good_copy")).toString(), taken);
    QCOMPARE(archive.copiesOf(good.at(1)).size(), 1);
}

void TestCheckEngine::commandLineRefusesBadInputWithAMessage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown option") << QStringList{QStringLiteral("--frobnicate")} << "see --help";
    QTest::newRow("bad format") << QStringList{QStringLiteral("--format"), QStringLiteral("xml")} << "text, json or csv";
    QTest::newRow("bad number") << QStringList{QStringLiteral("--per-host"), QStringLiteral("0")} << "at least 1";
    QTest::newRow("bad copies budget") << QStringList{QStringLiteral("--keep-copies"), QStringLiteral("--copies-budget"),
                                                      QStringLiteral("lots")}
                                       << "a size such as 2G or 500M";
    QTest::newRow("copies without the engine") << QStringList{QStringLiteral("--keep-copies"), QStringLiteral("--no-browser")}
                                               << "needs the web engine";
    QTest::newRow("copies without the memory") << QStringList{QStringLiteral("--keep-copies"), QStringLiteral("--no-memory")}
                                               << "leave out --no-memory";
    // Numbers that once wrapped around: to 0.7 s, and to no time-out at all.
    QTest::newRow("time-out that wraps") << QStringList{QStringLiteral("--timeout"), QStringLiteral("4294968")} << "at most 3600";
    QTest::newRow("time-out past an int") << QStringList{QStringLiteral("--timeout"), QStringLiteral("2147484")} << "at most 3600";
    QTest::newRow("time-out of 0") << QStringList{QStringLiteral("--timeout"), QStringLiteral("0")} << "at least 1";
    QTest::newRow("time-out in words") << QStringList{QStringLiteral("--timeout"), QStringLiteral("ten")} << "not \"ten\"";
    QTest::newRow("too many retries") << QStringList{QStringLiteral("--retries"), QStringLiteral("99999999999")} << "at most 10";
    QTest::newRow("negative settle") << QStringList{QStringLiteral("--settle"), QStringLiteral("-1")} << "at least 0";
    QTest::newRow("missing list") << QStringList{QStringLiteral("/no/such/list.dat")} << "cannot read the list";
    QTest::newRow("two lists") << QStringList{QStringLiteral("a"), QStringLiteral("b")} << "one list at a time";
}

void TestCheckEngine::commandLineRefusesBadInputWithAMessage()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QByteArray out, err;
    QCOMPARE(runTool(arguments, &out, &err), 1);
    QVERIFY2(err.contains(message.toUtf8()), err.constData());
    QVERIFY(out.isEmpty());
}

void TestCheckEngine::aTableThatCannotBeFoundIsToldAndTheCheckGoesOn()
{
    // quokka-check alone in a folder, run from another, with no installed data anywhere it looks.
    QTemporaryDir bin, work, data;
    const QString tool = bin.filePath(QStringLiteral("quokka-check"));
    QVERIFY(QFile::copy(QStringLiteral(QUOKKA_HELPER_DIR "/../src/quokka-check"), tool));
    QVERIFY(QDir(work.path()).mkpath(QStringLiteral("dat")));
    // The two older tables are there; the placeholder table is not.
    for (const char *name : {"dat/not-found-phrases.txt", "dat/parked-domains.txt"})
        QVERIFY(QFile::copy(qEnvironmentVariable("QUOKKA_SOURCE_DIR") + QLatin1Char('/') + QLatin1String(name),
                            work.filePath(QLatin1String(name))));
    QFile list(work.filePath(QStringLiteral("list.dat")));
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write(m_server.url(QStringLiteral("/alive")).toEncoded() + "\r\n");
    list.close();
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_DIRS"), data.path());
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(work.path());
    // The server answers from this test's event loop: waited for, never blocked on.
    QSignalSpy done(&process, &QProcess::finished);
    process.start(tool, {QStringLiteral("--no-browser"), QStringLiteral("--no-memory"), list.fileName()});
    QVERIFY(done.wait(60000));
    const QByteArray err = process.readAllStandardError();
    QCOMPARE(process.exitCode(), 0);
    QVERIFY2(err.contains("quokka-check: dat/placeholder-pages.txt cannot be read: ") && err.contains("the check goes on without it"),
             err.constData());
    QVERIFY2(!err.contains("not-found-phrases") && !err.contains("parked-domains"), err.constData());
    QVERIFY(process.readAllStandardOutput().startsWith("alive"));
}

/// The processes below @p pid, from /proc.
static QList<qint64> descendantsOf(qint64 pid)
{
    QList<qint64> found;
    const QStringList tasks = QDir(QStringLiteral("/proc/%1/task").arg(pid)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &task : tasks) {
        QFile children(QStringLiteral("/proc/%1/task/%2/children").arg(pid).arg(task));
        if (!children.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &child : children.readAll().split(' '))
            if (const qint64 id = child.trimmed().toLongLong(); id > 0)
                found << id << descendantsOf(id);
    }
    return found;
}

void TestCheckEngine::ctrlCStopsTheCheckAndTheEnginesProcesses()
{
    QProcess tool;
    tool.start(QStringLiteral(QUOKKA_HELPER_DIR "/../src/quokka-check"),
               {QStringLiteral("--format"), QStringLiteral("json"), QStringLiteral("--timeout"), QStringLiteral("120"), QStringLiteral("-")});
    QVERIFY(tool.waitForStarted());
    tool.write(m_server.url(QStringLiteral("/alive")).toEncoded() + "\r\n"
               + m_server.url(QStringLiteral("/wallthenhang")).toEncoded() + "\r\n");
    tool.closeWriteChannel();
    // The plain request got its 403; the engine's page now waits for an answer that never comes.
    QTRY_VERIFY_WITH_TIMEOUT(m_server.requests(QStringLiteral("/wallthenhang")).size() >= 2, 60000);
    // And the first entry has its verdict (once its host's made-up address has answered).
    QTRY_VERIFY_WITH_TIMEOUT(tool.peek(4096).contains("\"alive\""), 30000);
    const QList<qint64> engine = descendantsOf(tool.processId());
    QVERIFY(!engine.isEmpty());
    QSignalSpy done(&tool, &QProcess::finished);
    ::kill(pid_t(tool.processId()), SIGINT);
    QVERIFY2(done.wait(20000), "Ctrl+C did not end the check");
    QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
    QCOMPARE(tool.exitCode(), 1);
    const QByteArray err = tool.readAllStandardError();
    QVERIFY2(err.contains("interrupted: 1 of 2 entries checked"), err.constData());
    // What was found before is printed; the engine's processes end with the program.
    const QByteArray out = tool.readAllStandardOutput();
    QCOMPARE(out.count('\n'), 1);
    QCOMPARE(QJsonDocument::fromJson(out).object().value(QStringLiteral("verdict")).toString(), QStringLiteral("alive"));
    const auto alive = [&engine] {
        for (qint64 pid : engine)
            if (QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid)))
                return true;
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(!alive(), 10000);
}

void TestCheckEngine::aReportThatCannotBeWrittenIsAnError_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("message");
    QTest::newRow("full disk, json") << "/dev/full" << "json" << "No space left on device";
    QTest::newRow("full disk, text") << "/dev/full" << "text" << "No space left on device";
    QTest::newRow("closed pipe, csv") << "pipe" << "csv" << "Broken pipe";
}

void TestCheckEngine::aReportThatCannotBeWrittenIsAnError()
{
    QFETCH(QString, where);
    QFETCH(QString, format);
    QFETCH(QString, message);
    QTemporaryDir folder;
    const QString list = folder.filePath(QStringLiteral("list.dat"));
    QFile file(list);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(m_server.url(QStringLiteral("/alive")).toEncoded() + "\r\n" + m_server.url(QStringLiteral("/gone")).toEncoded() + "\r\n");
    file.close();
    const QString tool = QStringLiteral(QUOKKA_HELPER_DIR "/../src/quokka-check");
    const QStringList arguments{QStringLiteral("--no-browser"), QStringLiteral("--format"), format, list};
    QProcess process;
    if (where == u"pipe") {
        // The reader is gone before the first line is written.
        process.start(QStringLiteral("/bin/bash"),
                      QStringList{QStringLiteral("-c"), QStringLiteral("(sleep 0.5; exec \"$0\" \"$@\") | true; exit ${PIPESTATUS[0]}"), tool}
                          + arguments);
    } else {
        process.setStandardOutputFile(where);
        process.start(tool, arguments);
    }
    QVERIFY(process.waitForStarted());
    QSignalSpy done(&process, &QProcess::finished);
    QVERIFY(done.wait(60000));
    const QByteArray err = process.readAllStandardError();
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QVERIFY2(process.exitCode() == 1, qPrintable(QString::number(process.exitCode()) + QLatin1Char(' ') + QString::fromUtf8(err)));
    QVERIFY2(err.contains("cannot write the report") && err.contains(message.toUtf8()), err.constData());

    // The help to a full disk is no success either.
    QProcess help;
    help.setStandardOutputFile(QStringLiteral("/dev/full"));
    help.start(tool, {QStringLiteral("--help")});
    QVERIFY(help.waitForFinished(30000));
    QCOMPARE(help.exitCode(), 1);
}

void TestCheckEngine::theManualGivesTheRangesTheHelpGives()
{
    QByteArray out, err;
    QCOMPARE(runTool({QStringLiteral("--help")}, &out, &err), 0);
    QFile manual(qEnvironmentVariable("QUOKKA_SOURCE_DIR", QStringLiteral(".")) + QStringLiteral("/packaging/quokka-check.1"));
    QVERIFY(manual.open(QIODevice::ReadOnly));
    // The manual's text with its markup's escapes undone, as a reader sees it.
    const QString page = QString::fromUtf8(manual.readAll()).replace(QStringLiteral("\\-"), QStringLiteral("-"));
    // The help wraps its lines: read it as one.
    const QString help = QString::fromUtf8(out).simplified();
    const QRegularExpression range(QStringLiteral("--([a-z-]+) <[A-Z]+> [^(]*\\((\\d+) to (\\d+), default (\\d+)\\)"));
    int ranges = 0;
    for (auto it = range.globalMatch(help); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        ++ranges;
        // The option's entry in the manual: from its .BI line to the next .TP.
        const qsizetype at = page.indexOf(QStringLiteral(".BI --%1 ").arg(m.captured(1)));
        QVERIFY2(at >= 0, qPrintable(m.captured(1)));
        const QString entry = page.mid(at, page.indexOf(QStringLiteral(".TP"), at) - at).simplified();
        const QString said = QStringLiteral("%1 to %2, default %3").arg(m.captured(2), m.captured(3), m.captured(4));
        QVERIFY2(entry.contains(said), qPrintable(m.captured(1) + QStringLiteral(": ") + entry + QStringLiteral(" lacks ") + said));
    }
    QCOMPARE(ranges, 7); // every number option of --help
}

QTEST_MAIN(TestCheckEngine)
#include "tst_check_engine.moc"
