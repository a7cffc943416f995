// The Check List window: the menu command, progress, marks in the list browser and the List view,
// Cancel, KILL during a check, the two actions on the working list and the report files.
#include "app/mainwindow.h"
#include "app/windows.h"
#include "browser/listbrowser.h"
#include "check/checkresults.h"
#include "copies/copyarchive.h"
#include "fakes/checkserver.h"
#include "fakes/fakeplatform.h"
#include "fakes/testfiles.h"
#include "fakes/windowsworld.h"
#include "lists/checkwindow.h"
#include "lists/listviewwindow.h"
#include "ui/listbox.h"
#include "ui/verdictmarks.h"

#include <QAccessible>
#include <QAction>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QProgressBar>
#include <QCheckBox>
#include <QToolButton>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

class TestCheckWindow : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void checkListMarksEveryEntryInBothLists();
    void cancelStopsTheCheckAndKeepsWhatWasFound();
    void aRunningCheckShowsWhereThePersonIs();
    void killDuringACheckRemovesTheEntryAndTheCheckGoesOn();
    void marksFollowTheirEntriesThroughAReload();
    void removeDeadAndReplaceMovedAskWithTheCountFirst();
    void reportsAreSavedAsCsvAndJson();
    void aWaitIsSaidWhole();
    void anEngineThatCannotStartIsSaidOnce();
    void goodPagesAreKeptOnlyWhenAsked();

private:
    QString url(const char *path) const { return m_server->url(QString::fromLatin1(path)).toString(); }
    bool writeEntries(const QStringList &entries);
    CheckWindow *runCheck();
    /// Shown in @p window (the test's frame itself is not on a screen).
    static bool shown(QWidget *window, QWidget *control) { return control->isVisibleTo(window); }
    QString mark(ListBox *list, int row, int role) const { return list->model()->index(row, 0).data(role).toString(); }

    WindowsWorld m_world;
    std::unique_ptr<CheckServer> m_server;
};

void TestCheckWindow::init()
{
    m_world.start();
    m_server = std::make_unique<CheckServer>();
}

void TestCheckWindow::cleanup()
{
    m_world.stop();
    m_server.reset();
}

bool TestCheckWindow::writeEntries(const QStringList &entries)
{
    return TestFiles::writeList(entries.join(QStringLiteral("\r\n")).toUtf8() + "\r\n");
}

CheckWindow *TestCheckWindow::runCheck()
{
    m_world.windows->mainWindow()->menuItem(QStringLiteral("checkList"))->trigger();
    CheckWindow *window = m_world.windows->loadedCheckWindow();
    if (!window)
        return nullptr;
    QElapsedTimer clock;
    clock.start();
    while (window->isChecking() && clock.elapsed() < 60000)
        QTest::qWait(20);
    QTest::qWait(150); // the marks are told in batches
    return window->isChecking() ? nullptr : window;
}

void TestCheckWindow::checkListMarksEveryEntryInBothLists()
{
    QVERIFY(writeEntries({url("/alive"), url("/notfound"), url("/permanent"), QStringLiteral("javascript:void(0)"),
                          QString(), url("/alive")}));
    QCOMPARE(m_world.windows->mainWindow()->menuItem(QStringLiteral("checkList"))->shortcut(),
             QKeySequence(Qt::CTRL | Qt::Key_K));
    CheckWindow *window = runCheck();
    QVERIFY(window);
    QVERIFY(m_world.windows->loadedListBrowser()); // the command loads the list browser as other list commands do
    QCOMPARE(window->m_progressLabel->text(), QStringLiteral("checked 6 of 6, 1 dead so far"));
    QCOMPARE(window->m_progressBar->value(), 6);
    QVERIFY2(window->m_summaryLabel->text().contains(QStringLiteral("2 alive, 1 moved, 1 dead, 2 skipped")),
             qPrintable(window->m_summaryLabel->text()));
    QVERIFY(!window->m_cancelButton->isEnabled());
    QVERIFY(window->m_removeDeadButton->isEnabled());
    QVERIFY(window->m_replaceMovedButton->isEnabled());

    ListBox *list = m_world.windows->loadedListBrowser()->m_addressList;
    const QStringList words{QStringLiteral("alive"), QStringLiteral("dead"), QStringLiteral("moved"),
                            QStringLiteral("skipped"), QStringLiteral("skipped"), QStringLiteral("alive")};
    QAccessibleInterface *accessibleList = QAccessible::queryAccessibleInterface(list);
    QVERIFY(accessibleList);
    for (int row = 0; row < words.size(); ++row) {
        QCOMPARE(mark(list, row, VerdictMarks::VerdictRole), words[row]);
        QVERIFY(mark(list, row, Qt::ToolTipRole).startsWith(words[row] + QStringLiteral(": ")));
        QCOMPARE(mark(list, row, Qt::AccessibleDescriptionRole), mark(list, row, Qt::ToolTipRole));
        QVERIFY(!list->model()->index(row, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
        // A screen reader reads the entry's name as before, and the verdict after it.
        QAccessibleInterface *item = accessibleList->child(row);
        QVERIFY(item);
        QCOMPARE(item->text(QAccessible::Name), list->entry(row));
        QCOMPARE(item->text(QAccessible::Description), mark(list, row, Qt::ToolTipRole));
    }
    // Each shape differs, not only the colour.
    QCOMPARE(VerdictMarks::icon(Verdict::Alive).pixmap(16).toImage().convertToFormat(QImage::Format_Alpha8) ==
                 VerdictMarks::icon(Verdict::Dead).pixmap(16).toImage().convertToFormat(QImage::Format_Alpha8),
             false);

    // The List view reads the file and marks its own copy the same way.
    ListBox *view = m_world.windows->listViewWindow()->m_addressList;
    QCOMPARE(mark(view, 1, VerdictMarks::VerdictRole), QStringLiteral("dead"));
    QCOMPARE(mark(view, 2, VerdictMarks::VerdictRole), QStringLiteral("moved"));
    // And Play can ask by entry.
    QVERIFY(m_world.windows->checkResults().isDead(url("/notfound")));
    QVERIFY(!m_world.windows->checkResults().isDead(url("/alive")));
}

void TestCheckWindow::cancelStopsTheCheckAndKeepsWhatWasFound()
{
    QStringList entries;
    for (int i = 0; i < 400; ++i)
        entries << url("/alive") + QStringLiteral("?n=%1").arg(i);
    QVERIFY(writeEntries(entries));
    m_world.windows->mainWindow()->menuItem(QStringLiteral("checkList"))->trigger();
    CheckWindow *window = m_world.windows->loadedCheckWindow();
    QVERIFY(window && window->isChecking());
    QVERIFY(window->m_cancelButton->isEnabled());
    QTRY_VERIFY(m_world.windows->checkResults().size() >= 10);
    QTest::mouseClick(window->m_cancelButton, Qt::LeftButton);
    QVERIFY(!window->isChecking());
    QVERIFY(window->m_summaryLabel->text().startsWith(QStringLiteral("Cancelled.")));
    const int found = m_world.windows->checkResults().size();
    QVERIFY(found < 400);
    QTest::qWait(300);
    QCOMPARE(m_world.windows->checkResults().size(), found); // nothing arrives after Cancel
    QVERIFY(window->m_saveReportButton->isEnabled());
}

void TestCheckWindow::aRunningCheckShowsWhereThePersonIs()
{
    QStringList entries;
    for (int i = 0; i < 400; ++i)
        entries << url("/alive") + QStringLiteral("?n=%1").arg(i);
    QVERIFY(writeEntries(entries));
    m_world.windows->mainWindow()->menuItem(QStringLiteral("checkList"))->trigger();
    CheckWindow *window = m_world.windows->loadedCheckWindow();
    ListBrowser *browser = m_world.windows->loadedListBrowser();
    QVERIFY(window && browser && window->isChecking());
    // The person goes on in the list browser, which comes in front of the Check List window.
    QTest::mouseClick(browser->m_nextButton, Qt::LeftButton);
    QTRY_VERIFY(shown(browser, browser->m_checkProgressBar));
    QTRY_VERIFY(m_world.windows->checkResults().size() >= 10);
    QTRY_VERIFY(browser->m_checkProgressBar->value() > 0);
    QCOMPARE(browser->m_checkProgressBar->format(), window->m_progressLabel->text());
    QVERIFY2(browser->m_checkProgressBar->format().startsWith(QStringLiteral("checked ")), qPrintable(browser->m_checkProgressBar->format()));
    QCOMPARE(browser->m_checkProgressBar->maximum(), 400);
    QVERIFY(shown(browser, browser->m_cancelCheckButton));
    QVERIFY(browser->m_cancelCheckButton->isEnabled());
    // Each is on top where it stands, clear of the play status, and named for a screen reader.
    for (QWidget *control : {static_cast<QWidget *>(browser->m_checkProgressBar), static_cast<QWidget *>(browser->m_cancelCheckButton)}) {
        QWidget *at = browser->childAt(control->geometry().center());
        QVERIFY2(at == control || control->isAncestorOf(at), qPrintable(control->objectName()));
        QVERIFY(!control->geometry().intersects(browser->m_playStatusLabel->geometry()));
        QVERIFY(browser->rect().contains(control->geometry()));
    }
    QCOMPARE(QAccessible::queryAccessibleInterface(browser->m_cancelCheckButton)->text(QAccessible::Name),
             QStringLiteral("Cancel the check"));
    QCOMPARE(QAccessible::queryAccessibleInterface(browser->m_checkProgressBar)->text(QAccessible::Description),
             browser->m_checkProgressBar->format());
    // The keyboard reaches Cancel from the play controls.
    QCOMPARE(browser->m_playLoopBox->nextInFocusChain(), browser->m_cancelCheckButton);
    QCOMPARE(browser->m_cancelCheckButton->focusPolicy(), Qt::StrongFocus);

    // A list browser opened again during the check shows it at once.
    QVERIFY(browser->parentWidget()->close());
    QTRY_VERIFY(!m_world.windows->loadedListBrowser());
    browser = m_world.windows->listBrowser();
    QVERIFY(window->isChecking());
    QVERIFY(shown(browser, browser->m_checkProgressBar));
    QVERIFY(shown(browser, browser->m_cancelCheckButton));

    // Cancel there ends the check as the Check List window's own does, and the progress goes away.
    browser->m_cancelCheckButton->setFocus();
    QTest::keyClick(browser->m_cancelCheckButton, Qt::Key_Space);
    QVERIFY(!window->isChecking());
    QVERIFY(window->m_summaryLabel->text().startsWith(QStringLiteral("Cancelled.")));
    QVERIFY(!shown(browser, browser->m_checkProgressBar));
    QVERIFY(!shown(browser, browser->m_cancelCheckButton));

    // A check that runs to its end takes them away too, having shown them.
    QVERIFY(writeEntries({url("/alive"), url("/notfound")}));
    browser->reloadList();
    QSignalSpy progressed(window, &CheckWindow::checkProgressed);
    QVERIFY(runCheck());
    QVERIFY(!progressed.isEmpty());
    QVERIFY(!shown(browser, browser->m_checkProgressBar));
    QVERIFY(!shown(browser, browser->m_cancelCheckButton));
}

void TestCheckWindow::killDuringACheckRemovesTheEntryAndTheCheckGoesOn()
{
    QStringList entries;
    for (int i = 0; i < 60; ++i)
        entries << url("/alive") + QStringLiteral("?n=%1").arg(i);
    entries << url("/notfound");
    QVERIFY(writeEntries(entries));
    m_world.windows->mainWindow()->menuItem(QStringLiteral("checkList"))->trigger();
    CheckWindow *window = m_world.windows->loadedCheckWindow();
    ListBrowser *browser = m_world.windows->loadedListBrowser();
    QVERIFY(window->isChecking());
    browser->m_addressList->setCurrentRow(0);
    browser->removeSelected();
    QTRY_VERIFY_WITH_TIMEOUT(!window->isChecking(), 60000);
    QTest::qWait(150);
    ListBox *list = browser->m_addressList;
    QCOMPARE(list->count(), 60);
    QCOMPARE(list->entry(0), entries[1]);
    QCOMPARE(mark(list, 0, VerdictMarks::VerdictRole), QStringLiteral("alive"));
    QCOMPARE(mark(list, 59, VerdictMarks::VerdictRole), QStringLiteral("dead"));
    // The report is the list as it was checked.
    QVERIFY2(window->m_summaryLabel->text().contains(QStringLiteral("60 alive, 1 dead")), qPrintable(window->m_summaryLabel->text()));
}

void TestCheckWindow::marksFollowTheirEntriesThroughAReload()
{
    QVERIFY(writeEntries({url("/alive"), url("/notfound")}));
    QVERIFY(runCheck());
    ListBrowser *browser = m_world.windows->loadedListBrowser();
    // An edited list: one entry stays, one goes, one is new.
    QVERIFY(writeEntries({url("/gone"), url("/notfound")}));
    browser->reloadList();
    QTest::qWait(150);
    ListBox *list = browser->m_addressList;
    QCOMPARE(mark(list, 0, VerdictMarks::VerdictRole), QString());
    QVERIFY(list->model()->index(0, 0).data(Qt::AccessibleDescriptionRole).isNull());
    QCOMPARE(mark(list, 1, VerdictMarks::VerdictRole), QStringLiteral("dead"));
    // Add appends an entry that a check has seen: it carries its mark.
    list->addEntry(url("/alive"));
    QCOMPARE(mark(list, 2, VerdictMarks::VerdictRole), QStringLiteral("alive"));
}

void TestCheckWindow::removeDeadAndReplaceMovedAskWithTheCountFirst()
{
    const QStringList entries{url("/alive"), url("/notfound"), url("/permanent"), url("/gone"), url("/permanent308")};
    QVERIFY(writeEntries(entries));
    CheckWindow *window = runCheck();
    QVERIFY(window);
    ListBox *list = m_world.windows->loadedListBrowser()->m_addressList;
    FakeMessageBoxes &boxes = m_world.platform->boxes;

    boxes.answers = {MessageBoxes::Answer::Cancel};
    QTest::mouseClick(window->m_removeDeadButton, Qt::LeftButton);
    QCOMPARE(boxes.shown.last().text, QStringLiteral("Remove the 2 dead entries from the list?"));
    QCOMPARE(list->entries(), entries); // Cancel changes nothing

    boxes.answers = {MessageBoxes::Answer::Ok};
    QTest::mouseClick(window->m_removeDeadButton, Qt::LeftButton);
    QCOMPARE(list->entries(), (QStringList{url("/alive"), url("/permanent"), url("/permanent308")}));
    QVERIFY(!window->m_removeDeadButton->isEnabled());

    boxes.answers = {MessageBoxes::Answer::Ok};
    QTest::mouseClick(window->m_replaceMovedButton, Qt::LeftButton);
    QCOMPARE(boxes.shown.last().text, QStringLiteral("Replace the 2 moved entries by their new addresses?"));
    QCOMPARE(list->entries(), (QStringList{url("/alive"), url("/alive"), url("/alive")}));
    QTest::qWait(150);
    QCOMPARE(mark(list, 1, VerdictMarks::VerdictRole), QStringLiteral("alive"));

    // The file changes when the list browser closes, as with KILL.
    QCOMPARE(TestFiles::listBytes(), entries.join(QStringLiteral("\r\n")).toUtf8() + "\r\n");
}

void TestCheckWindow::reportsAreSavedAsCsvAndJson()
{
    QVERIFY(writeEntries({url("/alive"), QStringLiteral("a, \"quoted\" entry"), url("/notfound")}));
    CheckWindow *window = runCheck();
    QVERIFY(window && window->m_saveReportButton->isEnabled());
    QTemporaryDir folder;
    const QString csvPath = folder.filePath(QStringLiteral("report.csv"));
    QVERIFY(window->saveReport(csvPath));
    // The window says where the report went.
    QVERIFY2(window->m_summaryLabel->text().contains(QStringLiteral("Report saved to ") + csvPath),
             qPrintable(window->m_summaryLabel->text()));
    QVERIFY(window->m_summaryLabel->text().startsWith(QStringLiteral("Checked 3 entries")));
    QFile csv(csvPath);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> rows = csv.readAll().split('\n');
    QCOMPARE(rows.size(), 5); // header, three rows, and the empty text after the last line end
    QVERIFY(rows[2].startsWith("2,\"a, \"\"quoted\"\" entry\",skipped,"));
    QVERIFY(rows[3].startsWith("3," + url("/notfound").toUtf8() + ",dead,404,"));

    const QString jsonPath = folder.filePath(QStringLiteral("report.json"));
    QVERIFY(window->saveReport(jsonPath));
    QCOMPARE(window->m_summaryLabel->text().count(QStringLiteral("Report saved to ")), 1);
    QVERIFY(window->m_summaryLabel->text().endsWith(jsonPath));
    QFile json(jsonPath);
    QVERIFY(json.open(QIODevice::ReadOnly));
    const QJsonArray array = QJsonDocument::fromJson(json.readAll()).array();
    QCOMPARE(array.size(), 3);
    QCOMPARE(array.at(2).toObject().value(QStringLiteral("verdict")).toString(), QStringLiteral("dead"));

    // A report that cannot be written says so and leaves nothing behind.
    QVERIFY(!window->saveReport(csvPath + QStringLiteral("/inside-a-file.csv")));
    QCOMPARE(m_world.platform->boxes.shown.last().title, QStringLiteral("Report not saved"));
    // Nor is a device such as /dev/full taken for a report file; the message says why.
    const qsizetype shown = m_world.platform->boxes.shown.size();
    QVERIFY(!window->saveReport(QStringLiteral("/dev/full")));
    QCOMPARE(m_world.platform->boxes.shown.size(), shown + 1);
    QVERIFY2(m_world.platform->boxes.shown.last().text.contains(QStringLiteral("not a regular file")),
             qPrintable(m_world.platform->boxes.shown.last().text));
    QVERIFY(window->m_summaryLabel->text().endsWith(jsonPath));
}


namespace {

/// Whether all of @p label's text can be seen in the label as it is laid out.
bool showsAllOf(const QLabel *label)
{
    const QRect room = label->contentsRect();
    const QFontMetrics metrics = label->fontMetrics();
    if (!label->wordWrap())
        return metrics.horizontalAdvance(label->text()) <= room.width();
    return metrics.boundingRect(QRect(0, 0, room.width(), 100000), Qt::TextWordWrap, label->text()).height()
        <= room.height();
}

} // namespace

void TestCheckWindow::aWaitIsSaidWhole()
{
    // A host that asks to wait: the window says for which host and why, and all of it can be read.
    QVERIFY(writeEntries({url("/ratelimited"), url("/alive")}));
    m_world.windows->mainWindow()->menuItem(QStringLiteral("checkList"))->trigger();
    CheckWindow *window = m_world.windows->loadedCheckWindow();
    QVERIFY(window);
    window->show();
    QString waitSaid;
    bool fitted = false;
    QTimer look;
    connect(&look, &QTimer::timeout, this, [&] {
        // Looked at once the window has laid the new text out, as a person sees it.
        const QString text = window->m_summaryLabel->text();
        if (!fitted && text.startsWith(QStringLiteral("Waiting for")) && text == waitSaid)
            fitted = showsAllOf(window->m_summaryLabel) && showsAllOf(window->m_progressLabel);
        if (!fitted && text.startsWith(QStringLiteral("Waiting for")))
            waitSaid = text;
    });
    look.start(5);
    QTRY_VERIFY_WITH_TIMEOUT(!window->isChecking(), 60000);
    QVERIFY2(!waitSaid.isEmpty(), "the wait was never said");
    QVERIFY2(waitSaid.endsWith(QStringLiteral(": it asked to wait 1 s.")), qPrintable(waitSaid));
    QVERIFY2(fitted, qPrintable(QStringLiteral("cut off in the window: ") + waitSaid));
}

void TestCheckWindow::anEngineThatCannotStartIsSaidOnce()
{
    // A machine without the engine's page process: the check goes on by plain requests, and says so.
    const QString why = QStringLiteral("the web engine cannot start: its page process program (/nowhere/QtWebEngineProcess) "
                                       "is missing or not executable");
    m_world.platform->pageProbeProblemText = why;
    QVERIFY(writeEntries({url("/alive"), url("/notfound")}));
    CheckWindow *window = runCheck();
    QVERIFY(window);
    const auto told = [&] {
        return std::count_if(m_world.platform->boxes.shown.cbegin(), m_world.platform->boxes.shown.cend(),
                             [&](const FakeMessageBoxes::Box &box) { return box.text.contains(why); });
    };
    QCOMPARE(told(), 1);
    QCOMPARE(m_world.platform->boxes.shown.last().title, QStringLiteral("Check List"));
    const QString summary = window->m_summaryLabel->text();
    QVERIFY2(summary.contains(QStringLiteral("1 alive, 1 dead")), qPrintable(summary));
    QVERIFY2(summary.endsWith(QStringLiteral("Checked without a browser: the web engine cannot start.")), qPrintable(summary));
    // The next check of the same window does not ask again, and still says how it checked.
    QVERIFY(runCheck());
    QCOMPARE(told(), 1);
    QVERIFY(window->m_summaryLabel->text().endsWith(QStringLiteral("the web engine cannot start.")));
}

void TestCheckWindow::goodPagesAreKeptOnlyWhenAsked()
{
    const QStringList good{url("/alive"), url("/article")};
    const QStringList bad{url("/softmissing"), url("/forsale"), url("/notfound")};
    QVERIFY(writeEntries(good + bad));
    CheckWindow *window = runCheck();
    QVERIFY(window);
    // Off by default: a check keeps nothing.
    QVERIFY(!window->m_keepCopiesBox->isChecked());
    QVERIFY(m_world.platform->copiers.isEmpty());
    QVERIFY(!window->m_summaryLabel->text().contains(QStringLiteral("Copies")));

    // Ticked as a person ticks it, the next check keeps the good pages.
    const QPoint centre = window->m_keepCopiesBox->rect().center();
    QVERIFY(window->childAt(window->m_keepCopiesBox->mapTo(window, centre)) == window->m_keepCopiesBox);
    QTest::mouseClick(window->m_keepCopiesBox, Qt::LeftButton, {}, centre);
    QVERIFY(window->m_keepCopiesBox->isChecked());
    window->startCheck();
    QTRY_VERIFY_WITH_TIMEOUT(window->m_summaryLabel->text().contains(QStringLiteral("Copies of good pages kept: 2.")), 60000);
    QCOMPARE(m_world.platform->copiers.size(), 1);
    QStringList asked;
    for (const QUrl &address : std::as_const(m_world.platform->copiers.first()->asked))
        asked << address.toString();
    asked.sort(); // in the order the check found them
    QCOMPARE(asked, good);
    CopyArchive archive;
    QVERIFY2(archive.open(), qPrintable(archive.problem()));
    for (const QString &address : good) {
        const CopyReading copy = archive.readNewest(address);
        QVERIFY2(copy.ok, qPrintable(address));
        QCOMPARE(copy.content.text, address);
    }
    for (const QString &address : bad)
        QVERIFY2(archive.copiesOf(address).isEmpty(), qPrintable(address));
}

QTEST_MAIN(TestCheckWindow)
#include "tst_checkwindow.moc"
