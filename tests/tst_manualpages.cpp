// The manual pages against the program: every menu command, toolbar button and key the windows really
// have, every key of the README's key table, and quokka-check's options as its --help gives them.
#include "app/mainwindow.h"
#include "app/windows.h"
#include "browser/browserwindow.h"
#include "browser/listbrowser.h"
#include "fakes/windowsworld.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>
#include <QToolBar>
#include <QtTest>

namespace {

QString sourceFile(const QString &relative)
{
    return qEnvironmentVariable("QUOKKA_SOURCE_DIR") + QLatin1Char('/') + relative;
}

QString readText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

/// The words of a macro line: blank-separated, a double-quoted word may hold blanks.
QStringList macroArguments(const QString &rest)
{
    QStringList words;
    QString word;
    bool quoted = false;
    bool inWord = false;
    for (const QChar c : rest) {
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
            inWord = true;
        } else if (c == QLatin1Char(' ') && !quoted) {
            if (inWord)
                words.append(word);
            word.clear();
            inWord = false;
        } else {
            word.append(c);
            inWord = true;
        }
    }
    if (inWord)
        words.append(word);
    return words;
}

} // namespace

/// What a reader of a manual page sees, as one line of text with single blanks: the font macros'
/// words (the alternating ones joined without a blank, as they print), the escapes for a minus, the
/// font changes and the zero-width character resolved, the other requests left out.
QString manualText(const QString &roff)
{
    static const QSet<QString> joining{"BR", "RB", "BI", "IB", "IR", "RI"};
    static const QSet<QString> words{"B", "I", "SH", "SS", "TP", "PP", "LP", "P", "RS", "RE", "IP", "TH"};
    QStringList out;
    for (const QString &line : roff.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String(".\\\"")) || line.startsWith(QLatin1String("'\\\"")))
            continue;
        if (!line.startsWith(QLatin1Char('.'))) {
            out.append(line);
            continue;
        }
        const qsizetype blank = line.indexOf(QLatin1Char(' '));
        const QString macro = line.mid(1, blank < 0 ? -1 : blank - 1);
        const QStringList arguments = blank < 0 ? QStringList() : macroArguments(line.mid(blank + 1));
        if (joining.contains(macro))
            out.append(arguments.join(QString()));
        else if (words.contains(macro) && macro != QLatin1String("TH"))
            out.append(arguments.join(QLatin1Char(' ')));
    }
    QString text = out.join(QLatin1Char(' '));
    text.replace(QLatin1String("\\-"), QLatin1String("-"));
    text.replace(QLatin1String("\\&"), QString());
    text.replace(QLatin1String("\\(em"), QStringLiteral("\u2014"));
    text.replace(QLatin1String("\\e"), QLatin1String("\\"));
    static const QRegularExpression fonts(QStringLiteral("\\\\f[BIRP]"));
    text.remove(fonts);
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    return text.replace(blanks, QStringLiteral(" ")).trimmed();
}

/// The section of @p text (rendered by manualText) from the heading @p name to the next heading of
/// @p allHeadings, or to the end.
QString manualSection(const QString &roff, const QString &name)
{
    const qsizetype start = roff.indexOf(QStringLiteral("\n.SH ") + name);
    if (start < 0)
        return {};
    const qsizetype end = roff.indexOf(QLatin1String("\n.SH "), start + 1);
    return manualText(roff.mid(start, end < 0 ? -1 : end - start));
}

/// The key names in a piece of README text: modifier combinations (Ctrl+Shift+F12, Alt+Left), function
/// keys, and the single keys a key table names by themselves.
QStringList keyNames(const QString &text)
{
    static const QRegularExpression keys(QStringLiteral(
        "\\b(?:(?:Ctrl|Alt|Shift|Meta)\\+)+(?:F\\d+|[A-Za-z0-9]+|plus|minus)|\\bF\\d{1,2}\\b|\\b(?:Esc|Tab|Enter|Backspace|Delete|Home|End)\\b"));
    QStringList found;
    for (auto it = keys.globalMatch(text); it.hasNext();) {
        const QString key = it.next().captured();
        if (!found.contains(key))
            found.append(key);
    }
    return found;
}

/// The README's "### Keys" section: its table and the paragraphs after it, up to the next heading.
QString readmeKeySection(const QString &readme)
{
    const qsizetype start = readme.indexOf(QLatin1String("\n### Keys\n"));
    if (start < 0)
        return {};
    static const QRegularExpression nextHeading(QStringLiteral("\n#{2,3} "));
    const qsizetype end = readme.indexOf(nextHeading, start + 1);
    return readme.mid(start, end < 0 ? -1 : end - start);
}

/// Every menu item of @p bar as "caption" (the mnemonic's & taken out) and its keys.
void collectMenuCommands(QMenuBar *bar, QStringList &captions, QStringList &keys)
{
    for (QAction *top : bar->actions()) {
        QMenu *menu = top->menu();
        if (!menu)
            continue;
        for (QAction *item : menu->actions()) {
            if (item->isSeparator())
                continue;
            captions.append(item->text().remove(QLatin1Char('&')));
            for (const QKeySequence &key : item->shortcuts())
                keys.append(key.toString(QKeySequence::PortableText));
        }
    }
}

/// The long and short option names of a program's help text or of a manual page's OPTIONS section.
QStringList optionNames(const QString &text)
{
    static const QRegularExpression option(QStringLiteral("(?<![\\w-])--?[a-z][a-z0-9-]*"));
    QStringList names;
    for (auto it = option.globalMatch(text); it.hasNext();) {
        const QString name = it.next().captured();
        if (!names.contains(name))
            names.append(name);
    }
    names.sort();
    return names;
}

class TestManualPages : public QObject {
    Q_OBJECT
private:
    WindowsWorld m_world;
    QString m_quokkaPage;

private slots:
    void initTestCase()
    {
        const QString roff = readText(sourceFile(QStringLiteral("packaging/quokka.1")));
        QVERIFY2(!roff.isEmpty(), "packaging/quokka.1 cannot be read (is QUOKKA_SOURCE_DIR set?)");
        m_quokkaPage = manualText(roff);
    }
    void init() { m_world.start(); }
    void cleanup() { m_world.stop(); }

    // The reading of the page itself, so that a passing check below means what it says.
    void manualTextReadsWhatTheReaderSees_data()
    {
        QTest::addColumn<QString>("roff");
        QTest::addColumn<QString>("text");
        QTest::newRow("bold words") << ".B \"New List\"\n(Ctrl+L) opens" << "New List (Ctrl+L) opens";
        QTest::newRow("alternating fonts join") << ".BR Prev ,\ndrops" << "Prev, drops";
        QTest::newRow("quoted blank kept") << ".BR Ctrl+Tab \" or \" Ctrl+F6" << "Ctrl+Tab or Ctrl+F6";
        QTest::newRow("minus escapes") << ".B quokka\\-check \\-\\-no\\-browser" << "quokka-check --no-browser";
        QTest::newRow("font escapes") << ".B XDG_DATA_HOME\\fR, \\fBXDG_CACHE_HOME" << "XDG_DATA_HOME, XDG_CACHE_HOME";
        QTest::newRow("comments and requests dropped") << ".\\\" a comment\n.TH X 1\n.ad l\nword" << "word";
    }
    void manualTextReadsWhatTheReaderSees()
    {
        QFETCH(QString, roff);
        QFETCH(QString, text);
        QCOMPARE(manualText(roff), text);
    }

    void keyNamesFindsTheKeysOfATableRow_data()
    {
        QTest::addColumn<QString>("row");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("two with a shift") << "| Ctrl+Tab or Ctrl+F6, with Shift backwards | the next |"
                                          << QStringList{"Ctrl+Tab", "Ctrl+F6"};
        QTest::newRow("three modifiers") << "| Ctrl+Shift+F12 | the cheat box |" << QStringList{"Ctrl+Shift+F12"};
        QTest::newRow("single keys") << "| Tab, Shift+Tab | next |" << QStringList{"Tab", "Shift+Tab"};
        QTest::newRow("function key and escape") << "F5 reloads, Esc stops" << QStringList{"F5", "Esc"};
        QTest::newRow("prose without keys") << "the window's default button" << QStringList{};
    }
    void keyNamesFindsTheKeysOfATableRow()
    {
        QFETCH(QString, row);
        QFETCH(QStringList, keys);
        QCOMPARE(keyNames(row), keys);
    }

    void everyMenuCommandIsInTheManualPage()
    {
        QStringList captions;
        QStringList keys;
        collectMenuCommands(m_world.windows->mainWindow()->menuBar(), captions, keys);
        collectMenuCommands(m_world.windows->browserWindow()->menuBar(), captions, keys);
        QVERIFY(captions.contains(QStringLiteral("New List")));
        for (QAction *button : m_world.windows->mainWindow()->m_mainToolBar->actions()) {
            captions.append(button->text());
            for (const QKeySequence &key : button->shortcuts())
                keys.append(key.toString(QKeySequence::PortableText));
        }
        QStringList missing;
        for (const QString &caption : std::as_const(captions))
            if (!m_quokkaPage.contains(caption))
                missing.append(caption);
        for (const QString &key : std::as_const(keys))
            if (!m_quokkaPage.contains(key))
                missing.append(key);
        QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("not in quokka(1): ") + missing.join(QLatin1String(", "))));
    }

    void everyKeyOfTheWindowsIsInTheManualPage()
    {
        // The keys the list browser and the browser window give their actions (Play, full screen, ...).
        QStringList keys;
        const QList<QWidget *> windows{m_world.windows->listBrowser(), m_world.windows->browserWindow()};
        for (QWidget *window : windows)
            for (QAction *action : window->findChildren<QAction *>())
                for (const QKeySequence &key : action->shortcuts())
                    keys.append(key.toString(QKeySequence::PortableText));
        QVERIFY(keys.contains(QStringLiteral("Ctrl+P")));
        QVERIFY(keys.contains(QStringLiteral("F11")));
        QStringList missing;
        for (const QString &key : std::as_const(keys))
            if (!m_quokkaPage.contains(key) && !missing.contains(key))
                missing.append(key);
        QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("not in quokka(1): ") + missing.join(QLatin1String(", "))));
    }

    void everyKeyOfTheReadmeKeyTableIsInTheManualPage()
    {
        const QString section = readmeKeySection(readText(sourceFile(QStringLiteral("README.md"))));
        QVERIFY2(!section.isEmpty(), "README.md has no \"### Keys\" section");
        const QStringList keys = keyNames(section);
        QVERIFY(keys.size() >= 10);
        QStringList missing;
        for (const QString &key : keys)
            if (!m_quokkaPage.contains(key))
                missing.append(key);
        QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("not in quokka(1): ") + missing.join(QLatin1String(", "))));
    }

    void playAndItsSettingsAreInTheManualPage_data()
    {
        QTest::addColumn<QString>("phrase");
        for (const char *phrase : {"Play", "Pause", "Delay", "Start again at the end", "play.conf", "delay=",
                                   "atEnd=loop", "pageTimeout=", "Check List", "Remove Dead", "Replace Moved", "Save Report"})
            QTest::newRow(phrase) << QString::fromUtf8(phrase);
    }
    void playAndItsSettingsAreInTheManualPage()
    {
        QFETCH(QString, phrase);
        QVERIFY2(m_quokkaPage.contains(phrase), qPrintable(phrase));
    }

    void quokkaCheckPageMatchesItsHelp()
    {
        QProcess check;
        check.start(QStringLiteral(QUOKKA_CHECK_PROGRAM), {QStringLiteral("--help")});
        QVERIFY2(check.waitForFinished(60000), "quokka-check --help did not end");
        QCOMPARE(check.exitCode(), 0);
        const QString help = QString::fromUtf8(check.readAllStandardOutput());
        const qsizetype optionsStart = help.indexOf(QLatin1String("Options:"));
        QVERIFY2(optionsStart >= 0, qPrintable(help));
        const qsizetype argumentsStart = help.indexOf(QLatin1String("Arguments:"), optionsStart);
        const QString helpOptions = help.mid(optionsStart, argumentsStart < 0 ? -1 : argumentsStart - optionsStart);

        const QString roff = readText(sourceFile(QStringLiteral("packaging/quokka-check.1")));
        const QString pageOptions = manualSection(roff, QStringLiteral("OPTIONS"));
        QVERIFY2(!pageOptions.isEmpty(), "quokka-check(1) has no OPTIONS section");
        QCOMPARE(optionNames(pageOptions), optionNames(helpOptions));

        // Each option's default, as --help gives it, is the one the page gives in that option's entry.
        static const QRegularExpression helpEntry(QStringLiteral("^\\s+(?:-\\w, )?(--[a-z-]+)(?: <\\w+>)?\\s+(.*?)$"),
                                                  QRegularExpression::MultilineOption);
        static const QRegularExpression defaultValue(QStringLiteral("\\(default ([^)]+)\\)"));
        for (auto it = helpEntry.globalMatch(helpOptions); it.hasNext();) {
            const QRegularExpressionMatch entry = it.next();
            const qsizetype at = helpOptions.indexOf(entry.captured(0));
            const qsizetype next = helpOptions.indexOf(QRegularExpression(QStringLiteral("\n\\s+-")), at + 1);
            const QRegularExpressionMatch wanted = defaultValue.match(helpOptions.mid(at, next < 0 ? -1 : next - at));
            if (!wanted.hasMatch())
                continue;
            const QString option = entry.captured(1);
            const qsizetype pageAt = pageOptions.indexOf(option + QLatin1Char(' '));
            QVERIFY2(pageAt >= 0, qPrintable(option));
            const QRegularExpressionMatch pageNext = QRegularExpression(QStringLiteral(" --?[a-z]")).match(pageOptions, pageAt + option.size());
            const QString pageEntry = pageOptions.mid(pageAt, pageNext.hasMatch() ? pageNext.capturedStart() - pageAt : -1);
            QVERIFY2(pageEntry.contains(wanted.captured(0)),
                     qPrintable(QStringLiteral("quokka-check(1) on %1 does not say %2: %3").arg(option, wanted.captured(0), pageEntry)));
        }
    }
};

QTEST_MAIN(TestManualPages)
#include "tst_manualpages.moc"
