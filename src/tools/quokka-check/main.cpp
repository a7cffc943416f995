// quokka-check: checks a list of addresses from the command line, with the same checker as Quokka.
#include "check/checkmemory.h"
#include "check/checkreport.h"
#include "check/listchecker.h"
#include "check/networkprobe.h"
#include "copies/copyarchive.h"
#include "changes/changecolumns.h"
#include "changes/changestore.h"
#include "copies/copystore.h"
#include "lists/importwindow.h"
#include "memory/pagesigns.h"
#include "platform/enginepageprobe.h"
#include "store/addresstoload.h"
#include "store/listpaths.h"
#include "store/urllistfile.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>

#include <unistd.h>
#include <vector>

namespace {

constexpr int exitClean = 0;
constexpr int exitError = 1;
constexpr int exitDead = 2;

const char *const description =
    "Checks every address of a Quokka list and tells which still answer.\n"
    "\n"
    "Plain HTTP requests check the whole list quickly; every address whose answer is in doubt\n"
    "(401, 403, 404, 429, server errors, time-outs, broken connections) is then loaded in the\n"
    "web engine that Quokka browses with, in a private profile that keeps nothing, and the\n"
    "engine's answer decides. Each distinct address is checked once; at most a few requests go\n"
    "to one host at a time, and a host that asks to wait (Retry-After) is left alone that long.\n"
    "\n"
    "Verdicts: alive (answers), moved (answers only after a permanent redirect), dead (not found\n"
    "or gone, no such host, nothing listening, cannot be loaded), blocked (refuses even the\n"
    "browser: 401, 403, 429), failing (server errors or time-outs: may come back), skipped (not\n"
    "a web address: empty, javascript:, mailto:, ...), parked (the domain shows a parking or\n"
    "domain-sale page). A page that answers 200 but says it is not found (a \"soft 404\") is dead,\n"
    "and so is one that is the page its host gives for an address it cannot have: each host that\n"
    "answers 2xx is asked one made-up address beside its first entry (counted after the summary).\n"
    "A file: entry is alive when the file exists.\n"
    "\n"
    "Exit status: 0 when no entry is dead or parked, 2 when one or more are, 1 on an error (an unreadable\n"
    "list, a bad option, an engine that cannot start, a report that cannot be written, results that\n"
    "could not be written to the page memory).";

void printError(const QString &text)
{
    std::fprintf(stderr, "quokka-check: %s\n", qPrintable(text));
}

/// A message meant for a box, on one line of standard error.
QString oneLine(QString text)
{
    text.replace(QStringLiteral("\n\n"), QStringLiteral(" "));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

/// Why the report could not be written (empty while it could): the first failure is the one told.
QString writeFailure;

/// Writes to standard output; a failure (a full disk, a closed pipe) is kept for the caller to tell.
bool writeOut(const QByteArray &bytes)
{
    if (!writeFailure.isEmpty())
        return false;
    if (std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout) == std::size_t(bytes.size())
        && std::fflush(stdout) == 0)
        return true;
    writeFailure = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

/// Whether the engine's sandbox can start: as root Chromium refuses it unless told to do without.
bool sandboxRefusedAsRoot()
{
    if (::geteuid() != 0)
        return false;
    if (qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        return false;
    return !qEnvironmentVariable("QTWEBENGINE_CHROMIUM_FLAGS").contains(QStringLiteral("--no-sandbox"));
}

/// The accepted range of each number option, as --help gives it.
struct NumberOption {
    const char *name;
    int lowest;
    int highest;
    const char *fallback;
    const char *valueName;
    const char *help;
};

constexpr NumberOption numberOptions[] = {
    {"per-host", 1, 64, "4", "N", "Requests at once to one host"},
    {"concurrency", 1, 1024, "64", "N", "Requests at once overall"},
    {"pages", 1, 32, "4", "N", "Engine pages loading at once"},
    {"timeout", 1, 3600, "20", "SECONDS", "Seconds a request or a page may take"},
    {"retries", 0, 10, "2", "N", "Further attempts after a time-out, a broken connection, 429 or 503"},
    {"settle", 0, 60000, "2000", "MS",
     "Milliseconds a page that answered with an error may take to replace itself by script, as bot walls do"},
    {"memory-wait", 0, 86400, "60", "SECONDS",
     "Seconds the end of the check waits for a page memory that another program holds locked"},
};

const NumberOption &numberOption(const char *name)
{
    for (const NumberOption &option : numberOptions)
        if (std::strcmp(option.name, name) == 0)
            return option;
    std::abort();
}

std::optional<int> numberValue(const QCommandLineParser &parser, const char *name)
{
    const NumberOption &option = numberOption(name);
    const QString text = parser.value(QLatin1String(name));
    bool ok = false;
    // Read wide, so that a number too big for an int is out of range rather than wrapped.
    const qlonglong value = text.trimmed().toLongLong(&ok);
    if (!ok || value < option.lowest || value > option.highest) {
        printError(QStringLiteral("--%1 wants a whole number of at least %2 and at most %3, not \"%4\"; see --help.")
                       .arg(QLatin1String(name))
                       .arg(option.lowest)
                       .arg(option.highest)
                       .arg(text));
        return std::nullopt;
    }
    return int(value);
}

int interruptPipe[2] = {-1, -1};

void onInterrupt(int)
{
    const char byte = 1;
    [[maybe_unused]] auto written = ::write(interruptPipe[1], &byte, 1);
}

/// The engine ends the whole process with a breakpoint trap when its page process cannot start at all
/// (with the sandbox on, "Cannot communicate with zygote"): until the engine has shown one page, such
/// an end is said for what it is, and the exit is the error the help promises, not a crash.
constexpr char engineStartFailed[] =
    "\nquokka-check: the web engine stopped while starting its page process: it cannot show pages here. "
    "Check with plain requests only: --no-browser.\n";

void onEngineStartCrash(int)
{
    [[maybe_unused]] auto written = ::write(STDERR_FILENO, engineStartFailed, sizeof engineStartFailed - 1);
    ::_exit(exitError);
}

void watchEngineStart(bool watching)
{
    std::signal(SIGTRAP, watching ? onEngineStartCrash : SIG_DFL);
    std::signal(SIGILL, watching ? onEngineStartCrash : SIG_DFL);
}

/// Ends with the write failure's message when there was one.
int writeFailed()
{
    printError(QStringLiteral("cannot write the report to standard output: %1.").arg(writeFailure));
    return exitError;
}

} // namespace

int main(int argc, char *argv[])
{
    // Never a window: the engine renders off screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // A reader that goes away (a closed pipe) is a write error to tell, not a signal that ends the
    // program without a word.
    std::signal(SIGPIPE, SIG_IGN);
    // The engine's account of its start (GL, sandbox) is for those who ask: QT_LOGGING_RULES overrides.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.debug=false\nqt.webenginecontext.info=false"));
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quokka"));
    QApplication::setApplicationVersion(QStringLiteral(QUOKKA_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(description));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("LIST"),
                                 QStringLiteral("The list file to check, one address a line; - reads standard input. "
                                                "Without it, the list Quokka keeps (%1).")
                                     .arg(ListPaths::listFile()),
                                 QStringLiteral("[LIST]"));
    parser.addOption({QStringLiteral("format"), QStringLiteral("Output: text (the default), json (one object a line) or csv."),
                      QStringLiteral("FORMAT"), QStringLiteral("text")});
    parser.addOption({QStringLiteral("no-browser"), QStringLiteral("Plain requests only: no address is loaded in the web engine.")});
    parser.addOption({QStringLiteral("keep-copies"),
                      QStringLiteral("Keep a copy of each good page (alive, and not a soft 404, parked, a sign-in wall, a bot "
                                     "check or not what you saved): the web engine loads it once more and Quokka keeps it "
                                     "as its last good copy (%1).")
                          .arg(CopyArchive::defaultFolder())});
    parser.addOption({QStringLiteral("copies-budget"),
                      QStringLiteral("With --keep-copies: the space all kept copies may take, such as 2G or 500M (default "
                                     "2G); older copies go first when it is reached."),
                      QStringLiteral("SIZE"), QStringLiteral("2G")});
    parser.addOption({QStringLiteral("changes"),
                      QStringLiteral("Tell of each page whether its readable text changed since you last opened it from the "
                                     "list (or, if you never did, since the look before): the web engine loads each good "
                                     "page once more and reads its text, as you would see it. The clock, counters, rotating "
                                     "teasers, tokens and the site's menus do not count. Adds changed_since and changed_lines.")});
    parser.addOption({QStringLiteral("diff"),
                      QStringLiteral("With --changes (which it implies): the unified diff of each changed page, after its line "
                                     "(text) or as its diff field (json).")});
    parser.addOption({QStringLiteral("no-memory"),
                      QStringLiteral("Leave Quokka's page memory (%1) alone: it is neither read nor written, and no page "
                                     "is found changed.")
                          .arg(PageMemory::defaultPath())});
    for (const NumberOption &option : numberOptions) {
        parser.addOption({QLatin1String(option.name),
                          QStringLiteral("%1 (%2 to %3, default %4).")
                              .arg(QLatin1String(option.help))
                              .arg(option.lowest)
                              .arg(option.highest)
                              .arg(QLatin1String(option.fallback)),
                          QLatin1String(option.valueName), QLatin1String(option.fallback)});
    }
    if (!parser.parse(QCoreApplication::arguments())) {
        printError(parser.errorText() + QStringLiteral("; see --help."));
        return exitError;
    }
    if (parser.isSet(QStringLiteral("help")))
        return writeOut(parser.helpText().toUtf8()) ? exitClean : writeFailed();
    if (parser.isSet(QStringLiteral("version"))) {
        return writeOut(QStringLiteral("quokka-check %1\n").arg(QCoreApplication::applicationVersion()).toUtf8()) ? exitClean
                                                                                                                  : writeFailed();
    }
    const QString format = parser.value(QStringLiteral("format"));
    if (format != u"text" && format != u"json" && format != u"csv") {
        printError(QStringLiteral("--format is text, json or csv, not \"%1\".").arg(format));
        return exitError;
    }
    const bool keepCopies = parser.isSet(QStringLiteral("keep-copies"));
    CopyLimits copyLimits;
    if (const auto budget = byteSizeFromText(parser.value(QStringLiteral("copies-budget")))) {
        copyLimits.budgetBytes = *budget;
    } else {
        printError(QStringLiteral("--copies-budget wants a size such as 2G or 500M, not \"%1\"; see --help.")
                       .arg(parser.value(QStringLiteral("copies-budget"))));
        return exitError;
    }
    const bool withDiff = parser.isSet(QStringLiteral("diff"));
    const bool changes = parser.isSet(QStringLiteral("changes")) || withDiff;
    if (changes && parser.isSet(QStringLiteral("no-browser"))) {
        printError(QStringLiteral("--changes needs the web engine to read each page's text; leave out --no-browser."));
        return exitError;
    }
    if (changes && parser.isSet(QStringLiteral("no-memory"))) {
        printError(QStringLiteral("--changes compares with the looks kept in the page memory; leave out --no-memory."));
        return exitError;
    }
    if (withDiff && format == u"csv") {
        printError(QStringLiteral("--diff prints with --format text or json; a CSV line has no room for it."));
        return exitError;
    }
    if (keepCopies && parser.isSet(QStringLiteral("no-browser"))) {
        printError(QStringLiteral("--keep-copies needs the web engine to load the pages it keeps; leave out --no-browser."));
        return exitError;
    }
    if (keepCopies && parser.isSet(QStringLiteral("no-memory"))) {
        printError(QStringLiteral("--keep-copies records its copies in the page memory; leave out --no-memory."));
        return exitError;
    }
    const QStringList lists = parser.positionalArguments();
    if (lists.size() > 1) {
        printError(QStringLiteral("one list at a time, please; see --help."));
        return exitError;
    }

    CheckOptions options;
    options.useBrowser = !parser.isSet(QStringLiteral("no-browser"));
    const auto perHost = numberValue(parser, "per-host");
    const auto overall = numberValue(parser, "concurrency");
    const auto pages = numberValue(parser, "pages");
    const auto timeout = numberValue(parser, "timeout");
    const auto retries = numberValue(parser, "retries");
    const auto settle = numberValue(parser, "settle");
    const auto memoryWait = numberValue(parser, "memory-wait");
    if (!perHost || !overall || !pages || !timeout || !retries || !settle || !memoryWait)
        return exitError;
    options.perHost = *perHost;
    options.overall = *overall;
    options.pages = *pages;
    options.timeoutMs = *timeout * 1000;
    options.retries = *retries;
    options.settleMs = *settle;

    // The list, read whole and split as Quokka reads its list file.
    QByteArray bytes;
    const QString path = lists.isEmpty() ? ListPaths::listFile() : lists.first();
    if (path == u"-") {
        QFile in;
        if (!in.open(stdin, QIODevice::ReadOnly)) {
            printError(QStringLiteral("cannot read standard input."));
            return exitError;
        }
        bytes = in.readAll();
    } else {
        QString error;
        const auto read = UrlListFile::readBytes(path, &error);
        if (!read) {
            printError(QStringLiteral("cannot read the list %1: %2. Give the path of a list file, or - for standard input.")
                           .arg(path, error));
            return exitError;
        }
        bytes = *read;
    }
    const QStringList entries = UrlListFile::parseEntries(bytes);
    bytes.clear();
    // The titles kept beside the list when addresses were brought in (a bookmark's title).
    QString titlesUnreadable;
    const QHash<QString, QString> titles = path == u"-" ? QHash<QString, QString>() : ListTitles::loadFor(path, &titlesUnreadable);
    if (!titlesUnreadable.isEmpty())
        printError(QStringLiteral("the titles kept beside the list, %1, cannot be read: %2 saved_title stays empty.")
                       .arg(ListTitles::filePathFor(path), titlesUnreadable));

    if (options.useBrowser && sandboxRefusedAsRoot()) {
        printError(QStringLiteral(
            "the web engine cannot start its sandbox as root. Run quokka-check as an ordinary user; or, if you "
            "accept running the engine without its sandbox, set QTWEBENGINE_DISABLE_SANDBOX=1; or check with plain "
            "requests only: --no-browser."));
        return exitError;
    }

    if (options.useBrowser) {
        if (const QString why = EnginePageProbe::whyEngineCannotStart(); !why.isEmpty()) {
            printError(why + QStringLiteral("; check with plain requests only: --no-browser."));
            return exitError;
        }
    }

    // The memory the windows keep: this check's results go into it, and say which pages changed.
    CheckMemory memory;
    if (!parser.isSet(QStringLiteral("no-memory"))) {
        const PageMemoryOpening opening = memory.open();
        if (!opening.setAsidePath.isEmpty())
            printError(QStringLiteral("the page memory %1 was damaged; it was set aside as %2 and a new one started.")
                           .arg(memory.memory().path(), opening.setAsidePath));
        else if (!opening.ok && opening.readable)
            printError(QStringLiteral("the page memory %1 is read but cannot be written (%2); pages are compared with "
                                      "what it holds, and this check is not remembered.")
                           .arg(memory.memory().path(), opening.whyReadOnly));
        else if (!opening.ok)
            printError(QStringLiteral("the page memory %1 cannot be used (%2); checking without it.")
                           .arg(memory.memory().path(), opening.problem));
        QObject::connect(&memory, &CheckMemory::problem, &app, [](const QString &text) { printError(oneLine(text)); });
        QObject::connect(&memory, &CheckMemory::lockedOut, &app, [](const QString &text) { printError(oneLine(text)); });
    }
    // What was seen before this check, read in one go: each page is compared with it as it comes.
    const QHash<QString, QList<PageRecord>> seenBefore =
        memory.isOpen() ? memory.memory().pagesRead(entries) : QHash<QString, QList<PageRecord>>();
    // When each entry's last good copy was taken, as the report tells it.
    QHash<QString, QDateTime> lastGoodCopies =
        memory.isOpen() ? CopyArchive::lastGoodCopies(memory.memory(), entries) : QHash<QString, QDateTime>();

    // Without its tables the check cannot tell soft 404s, parked domains or a server's own pages: said,
    // and the check goes on with what it has.
    QString tablesProblem;
    PageSignTables::shipped(&tablesProblem);
    for (const QString &line : tablesProblem.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        printError(line + QStringLiteral("; the check goes on without it."));

    NetworkProbe http;
    if (options.useBrowser)
        watchEngineStart(true);
    EnginePageProbe *engine = options.useBrowser ? new EnginePageProbe(&app) : nullptr;
    ListChecker checker(http, engine);
    checker.setOptions(options);

    // The copies of good pages: loaded once more in a page of their own, kept on the store's thread.
    std::unique_ptr<EnginePageCopier> copier;
    std::unique_ptr<CopyStore> copies;
    if (keepCopies) {
        copies = std::make_unique<CopyStore>();
        bool opened = false;
        QString openProblem;
        QObject::connect(copies.get(), &CopyStore::opened, &app, [&](bool ok, const QString &problem) {
            opened = ok;
            openProblem = problem;
            QCoreApplication::exit(0);
        });
        copies->open(CopyArchive::defaultFolder(), PageMemory::defaultPath(), copyLimits);
        QApplication::exec();
        if (!opened) {
            printError(QStringLiteral("the copies cannot be kept: %1.").arg(openProblem));
            return exitError;
        }
    }
    // The looks: each page the engine loads once more is a look of the check's, kept in the page memory.
    std::unique_ptr<ChangeStore> looks;
    if (keepCopies || changes) {
        looks = std::make_unique<ChangeStore>();
        bool opened = false;
        QString openProblem;
        QObject::connect(looks.get(), &ChangeStore::opened, &app, [&](bool ok, const QString &problem) {
            opened = ok;
            openProblem = problem;
            QCoreApplication::exit(0);
        });
        looks->open(PageMemory::defaultPath());
        QApplication::exec();
        if (!opened) {
            printError(QStringLiteral("the looks at the pages cannot be kept: %1.").arg(openProblem));
            return exitError;
        }
        copier = std::make_unique<EnginePageCopier>();
    }
    // Lines waiting for their page's copy, by entry, and how many copies are under way.
    QHash<QString, QList<int>> waitingForCopy;
    QHash<QString, QDateTime> copyTakenAt;
    int copiesKept = 0;
    // What changed at each entry that was looked at, and the copies that wait for their look to be kept.
    QHash<QString, ChangeColumns> changeColumns;
    QHash<QString, CopyContent> copiesAfterLook;
    int changedEntries = 0;
    bool checkEnded = false;

    // Results are printed in list order as soon as every earlier entry has one (and, keeping copies, its
    // copy is kept); printed ones are dropped.
    std::vector<std::optional<CheckResult>> pending(std::size_t(entries.size()));
    std::vector<bool> copyUnderWay(std::size_t(entries.size()), false);
    std::size_t nextToPrint = 0;
    if (format == u"csv")
        writeOut(changes ? withChangeCsvHeader(CheckReport::csvHeader()) : CheckReport::csvHeader());
    auto flush = [&] {
        QByteArray out;
        while (nextToPrint < pending.size() && pending[nextToPrint] && !copyUnderWay[nextToPrint]) {
            ReportRow row{int(nextToPrint) + 1, entries.at(qsizetype(nextToPrint)), *pending[nextToPrint]};
            row.savedTitle = titles.value(row.address);
            row.lastGoodCopy = lastGoodCopies.value(row.address);
            if (memory.isOpen()) {
                const QDateTime now = QDateTime::currentDateTimeUtc();
                if (!row.result.title.isEmpty() || row.result.fingerprint) {
                    const CheckNote change = CheckMemory::changeAgainst(
                        CheckMemory::seenAmong(row.address, seenBefore.value(row.address)), row.address, row.result, now);
                    row.wasTitle = change.wasTitle;
                    row.wasSeen = change.wasSeen;
                }
                memory.addCheck(row.address, row.result, now);
            }
            const ChangeColumns changed = changeColumns.value(row.address);
            if (format == u"json")
                out += (changes ? withChangeJson(CheckReport::jsonLine(row), changed) : CheckReport::jsonLine(row)) + '\n';
            else if (format == u"csv")
                out += changes ? withChangeCsv(CheckReport::csvLine(row), changed) : CheckReport::csvLine(row);
            else
                out += (changes ? withChangeText(CheckReport::textLine(row), changed) : CheckReport::textLine(row)).toUtf8() + '\n';
            pending[nextToPrint].reset();
            ++nextToPrint;
        }
        // A report that cannot be written is no use: the check stops.
        if (!writeOut(out))
            checker.cancel();
    };
    // An engine whose page process ends at every start decides nothing: that is an error, not a check.
    int engineFailures = 0;
    int engineAnswers = 0;
    auto endWhenDone = [&] {
        if (checkEnded && waitingForCopy.isEmpty())
            QCoreApplication::exit(0);
    };
    auto copyDone = [&](const QString &entry, const QDateTime &takenAt) {
        const QList<int> lines = waitingForCopy.take(entry);
        if (takenAt.isValid())
            lastGoodCopies.insert(entry, takenAt);
        for (int waiting : lines)
            copyUnderWay[std::size_t(waiting)] = false;
        flush();
        endWhenDone();
    };
    if (copies) {
        QObject::connect(copies.get(), &CopyStore::kept, &app, [&](const QString &entry, const KeepResult &kept) {
            if (kept.outcome == KeepResult::Outcome::Kept || kept.outcome == KeepResult::Outcome::Shared)
                ++copiesKept;
            if (!kept.isKept())
                printError(QStringLiteral("no copy of %1 was kept: %2").arg(entry, oneLine(kept.message)));
            // An unchanged page keeps the copy it had, taken when it was.
            const QDateTime takenAt = kept.outcome == KeepResult::Outcome::Unchanged ? lastGoodCopies.value(entry)
                                      : kept.isKept()                               ? copyTakenAt.value(entry)
                                                                                    : QDateTime();
            copyDone(entry, takenAt);
        });
    }
    if (looks) {
        QObject::connect(looks.get(), &ChangeStore::changeAnswered, &app, [&](const ChangeAnswer &answer) {
            if (!answer.problem.isEmpty())
                printError(QStringLiteral("the look at %1 was not kept: %2").arg(answer.entry, oneLine(answer.problem)));
            const ChangeColumns columns = changeColumnsOf(answer, withDiff);
            if (columns.changedLines > 0)
                ++changedEntries;
            changeColumns.insert(answer.entry, columns);
            const auto copy = copiesAfterLook.constFind(answer.entry);
            if (copy == copiesAfterLook.cend()) {
                copyDone(answer.entry, QDateTime());
                return;
            }
            copies->keep(answer.entry, PageCondition::Good, *copy, copyTakenAt.value(answer.entry));
            copiesAfterLook.erase(copy);
        });
    }
    auto keepCopyOf = [&](int line, const CheckResult &result) {
        const QString &entry = entries.at(line);
        // Only a page as the person keeps it: alive, and the same page they saw there.
        if (result.verdict != Verdict::Alive && result.verdict != Verdict::Moved)
            return;
        const QUrl url = addressToLoad(entry);
        if (url.scheme() != u"http" && url.scheme() != u"https")
            return;
        bool keepThis = keepCopies;
        if (keepThis && (!result.title.isEmpty() || result.fingerprint)) {
            const CheckNote change = CheckMemory::changeAgainst(CheckMemory::seenAmong(entry, seenBefore.value(entry)), entry,
                                                                result, QDateTime::currentDateTimeUtc());
            keepThis = change.wasTitle.isEmpty();
        }
        // A page that became another is no copy to keep; asked what changed, it is looked at all the same.
        if (!keepThis && !changes)
            return;
        copyUnderWay[std::size_t(line)] = true;
        auto waiting = waitingForCopy.find(entry);
        if (waiting != waitingForCopy.end()) {
            waiting->append(line);
            return;
        }
        waitingForCopy.insert(entry, {line});
        copier->copy(url, options.timeoutMs * 2, [&, entry, keepThis](const PageCopy &copy) {
            if (!copy.ok) {
                printError((keepThis ? QStringLiteral("no copy of %1 was kept: %2") : QStringLiteral("the text of %1 was not read: %2"))
                               .arg(entry, oneLine(copy.problem)));
                copyDone(entry, QDateTime());
                return;
            }
            const QDateTime now = QDateTime::currentDateTimeUtc();
            copyTakenAt.insert(entry, now);
            // The look first: its answer keeps the copy (in order), then the entry's line is printed.
            if (keepThis)
                copiesAfterLook.insert(entry, CopyContent{copy.mhtml, copy.text, copy.thumbnailPng});
            looks->recordLook(entry, LookRecord::Kind::Check, copy.text, now);
        });
    };
    QObject::connect(&checker, &ListChecker::entryChecked, &app, [&](int line, const CheckResult &result) {
        if (result.byBrowser && !result.engineFailed && engineAnswers == 0)
            watchEngineStart(false); // the engine works: any later end is a crash of its own
        if (result.byBrowser)
            ++(result.engineFailed ? engineFailures : engineAnswers);
        pending[std::size_t(line)] = result;
        if (copier)
            keepCopyOf(line, result);
        if (std::size_t(line) == nextToPrint)
            flush();
    });
    bool interrupted = false;
    QObject::connect(&checker, &ListChecker::finished, &app, [&](bool cancelled) {
        interrupted = cancelled;
        checkEnded = true;
        if (cancelled && copier) {
            // An interrupted check keeps what it kept; the copies under way are given up.
            copier->abortAll();
            waitingForCopy.clear();
            copiesAfterLook.clear();
            std::fill(copyUnderWay.begin(), copyUnderWay.end(), false);
            flush();
        }
        endWhenDone();
    });

    // Ctrl+C stops the check cleanly: the engine's processes end with it.
    if (::pipe(interruptPipe) == 0) {
        auto *notifier = new QSocketNotifier(interruptPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [&checker] { checker.cancel(); });
        std::signal(SIGINT, onInterrupt);
        std::signal(SIGTERM, onInterrupt);
    }

    if (!writeFailure.isEmpty())
        return writeFailed();
    checker.start(entries);
    QApplication::exec();

    std::array<int, verdictCount> counts{};
    for (int v = 0; v < verdictCount; ++v)
        counts[std::size_t(v)] = checker.count(Verdict(v));
    const QString summary = CheckReport::summary(counts, checker.elapsedMs());
    if (format == u"text" && writeFailure.isEmpty())
        writeOut(summary.toUtf8() + '\n');
    else
        std::fprintf(stderr, "%s\n", qPrintable(summary));
    // The one extra request per host that answered, for whoever weighs the check's cost.
    std::fprintf(stderr, "made-up addresses asked: %d\n", checker.madeUpAsked());
    // How much the hosts that turned requests away as too many held the check back.
    std::fprintf(stderr, "requests slowed for hosts that turn requests away: %d\n", checker.slowedRequests());
    if (copies)
        std::fprintf(stderr, "copies of good pages kept: %d\n", copiesKept);
    if (changes)
        std::fprintf(stderr, "pages changed since the last look: %d\n", changedEntries);
    copier.reset();
    looks.reset();
    copies.reset(); // finishes writing what it was given
    delete engine;
    // What a lock kept out during the check is tried again for a while; a check whose results are not
    // in the memory says so, and ends as an error.
    if (memory.held() > 0 || memory.queued() > 0) {
        if (memory.held() > 0)
            printError(QStringLiteral("waiting up to %1 s for the page memory %2, which another program holds locked.")
                           .arg(*memoryWait)
                           .arg(memory.memory().path()));
        memory.flush(QDeadlineTimer(qint64(*memoryWait) * 1000));
    }
    const bool memoryWritten = memory.unwritten() == 0;
    if (!memoryWritten) {
        const QString count = QStringLiteral("%1 of this check's results %2 not remembered")
                                  .arg(memory.unwritten())
                                  .arg(memory.unwritten() == 1 ? QStringLiteral("is") : QStringLiteral("are"));
        if (memory.held() > 0)
            printError(QStringLiteral("the page memory %1 was not written: another program still held it locked %2 s "
                                      "after the check ended; %3.")
                           .arg(memory.memory().path())
                           .arg(*memoryWait)
                           .arg(count));
        else
            printError(QStringLiteral("the page memory %1 was not written: %2. %3")
                           .arg(memory.memory().path(), count, oneLine(memory.unwrittenReason())));
    }
    if (!writeFailure.isEmpty())
        return writeFailed();
    if (interrupted) {
        printError(QStringLiteral("interrupted: %1 of %2 entries checked.").arg(checker.checkedCount()).arg(checker.total()));
        return exitError;
    }
    if (engineFailures > 0 && engineAnswers == 0) {
        printError(QStringLiteral("the web engine's page process ended each time it started (%1 %2), so the entries "
                                  "it was to decide are failing; check with plain requests only: --no-browser.")
                       .arg(engineFailures)
                       .arg(engineFailures == 1 ? QStringLiteral("page") : QStringLiteral("pages")));
        return exitError;
    }
    if (!memoryWritten)
        return exitError;
    return checker.count(Verdict::Dead) + checker.count(Verdict::Parked) > 0 ? exitDead : exitClean;
}
