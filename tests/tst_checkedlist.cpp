// After a check: Remove Dead and Replace Moved keep the place the person was at in the list, the
// summary tells what was done and what is left, and a screen reader reads each verdict's reason.
#include "app/mainwindow.h"
#include "app/windows.h"
#include "browser/listbrowser.h"
#include "fakes/checkserver.h"
#include "fakes/fakeplatform.h"
#include "fakes/testfiles.h"
#include "fakes/windowsworld.h"
#include "lists/checkwindow.h"
#include "platform/webbrowser.h"
#include "ui/listbox.h"

#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

class TestCheckedList : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void removeDeadKeepsThePlace_data();
    void removeDeadKeepsThePlace();
    void replaceMovedKeepsThePlace();
    void theSummarySaysWhatIsLeft();
    void theReasonIsReadOut();

private:
    QString url(const char *path) const { return m_server->url(QString::fromLatin1(path)).toString(); }
    /// Checks the list of @p paths (each a server path) to the end.
    CheckWindow *check(const QStringList &paths);
    ListBox *list() const { return m_world.windows->loadedListBrowser()->m_addressList; }

    WindowsWorld m_world;
    std::unique_ptr<CheckServer> m_server;
};

void TestCheckedList::init()
{
    m_world.start();
    m_server = std::make_unique<CheckServer>();
    m_world.platform->boxes.defaultAnswer = MessageBoxes::Answer::Ok;
}

void TestCheckedList::cleanup()
{
    m_world.stop();
    m_server.reset();
}

CheckWindow *TestCheckedList::check(const QStringList &paths)
{
    QStringList entries;
    for (const QString &path : paths)
        entries << url(path.toLatin1().constData());
    if (!TestFiles::writeList(entries.join(QStringLiteral("\r\n")).toUtf8() + "\r\n"))
        return nullptr;
    if (ListBrowser *browser = m_world.windows->loadedListBrowser())
        browser->reloadList();
    m_world.windows->mainWindow()->menuItem(QStringLiteral("checkList"))->trigger();
    CheckWindow *window = m_world.windows->loadedCheckWindow();
    QElapsedTimer clock;
    clock.start();
    while (window && window->isChecking() && clock.elapsed() < 60000)
        QTest::qWait(20);
    QTest::qWait(150); // the marks are told in batches
    return window && !window->isChecking() ? window : nullptr;
}

void TestCheckedList::removeDeadKeepsThePlace_data()
{
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("shownAfter"); // the path selected afterwards, empty for none

    const QStringList paths{QStringLiteral("/alive?1"), QStringLiteral("/notfound"), QStringLiteral("/alive?2"),
                            QStringLiteral("/gone"), QStringLiteral("/alive?3")};
    QTest::newRow("a kept entry after a dead one stays selected") << paths << 2 << QStringLiteral("/alive?2");
    QTest::newRow("the first entry stays selected") << paths << 0 << QStringLiteral("/alive?1");
    QTest::newRow("a dead entry gives its place to the next kept") << paths << 1 << QStringLiteral("/alive?2");
    QTest::newRow("dead entries in a row: the next kept after them")
        << QStringList{QStringLiteral("/alive?1"), QStringLiteral("/notfound"), QStringLiteral("/gone"), QStringLiteral("/alive?2")}
        << 1 << QStringLiteral("/alive?2");
    QTest::newRow("a dead last entry: the last kept")
        << QStringList{QStringLiteral("/alive?1"), QStringLiteral("/alive?2"), QStringLiteral("/gone")} << 2
        << QStringLiteral("/alive?2");
    QTest::newRow("nothing selected stays so") << paths << -1 << QString();
    QTest::newRow("all dead: nothing left to select")
        << QStringList{QStringLiteral("/notfound"), QStringLiteral("/gone")} << 0 << QString();
}

void TestCheckedList::removeDeadKeepsThePlace()
{
    QFETCH(QStringList, paths);
    QFETCH(int, selected);
    QFETCH(QString, shownAfter);
    CheckWindow *window = check(paths);
    QVERIFY(window);
    list()->setCurrentRow(selected);
    WebBrowser *view = m_world.windows->loadedListBrowser()->m_view;
    const QString pageBefore = view->url();
    QSignalSpy chosen(list(), &ListBox::entryChosen);

    window->m_removeDeadButton->click();
    QCOMPARE(list()->currentEntry(), shownAfter.isEmpty() ? QString() : url(shownAfter.toLatin1().constData()));
    if (selected >= 0 && paths.at(selected).startsWith(QLatin1String("/alive"))) {
        // The entry shown is not loaded again: the page stays as the person left it.
        QCOMPARE(chosen.count(), 0);
        QCOMPARE(view->url(), pageBefore);
    } else if (!shownAfter.isEmpty()) {
        // The entry that took the dead one's place is shown, as Next would show it.
        QCOMPARE(chosen.count(), 1);
    }
    // Next goes on from there, not from the top.
    if (!shownAfter.isEmpty() && list()->currentRow() + 1 < list()->count()) {
        const int row = list()->currentRow();
        m_world.windows->loadedListBrowser()->m_nextButton->click();
        QCOMPARE(list()->currentRow(), row + 1);
    }
}

void TestCheckedList::replaceMovedKeepsThePlace()
{
    CheckWindow *window = check({QStringLiteral("/alive?1"), QStringLiteral("/permanent"), QStringLiteral("/alive?2")});
    QVERIFY(window);
    list()->setCurrentRow(2);
    QSignalSpy chosen(list(), &ListBox::entryChosen);
    window->m_replaceMovedButton->click();
    QCOMPARE(list()->entries(), (QStringList{url("/alive?1"), url("/alive"), url("/alive?2")}));
    QCOMPARE(list()->currentEntry(), url("/alive?2"));
    QCOMPARE(chosen.count(), 0); // the same entry: not loaded again

    // The entry shown was the moved one: its new address is shown.
    window = check({QStringLiteral("/alive?1"), QStringLiteral("/permanent")});
    QVERIFY(window);
    list()->setCurrentRow(1);
    chosen.clear();
    window->m_replaceMovedButton->click();
    QCOMPARE(list()->currentEntry(), url("/alive"));
    QCOMPARE(chosen.count(), 1);
}

void TestCheckedList::theSummarySaysWhatIsLeft()
{
    CheckWindow *window = check({QStringLiteral("/alive"), QStringLiteral("/notfound"), QStringLiteral("/gone"),
                                 QStringLiteral("/permanent"), QStringLiteral("/permanent308")});
    QVERIFY(window);
    QVERIFY2(window->m_summaryLabel->text().contains(QStringLiteral("2 dead")), qPrintable(window->m_summaryLabel->text()));
    list()->addEntry(QStringLiteral("http://127.0.0.1:1/added-after-the-check"));

    window->m_removeDeadButton->click();
    QCOMPARE(window->m_summaryLabel->text(),
             QStringLiteral("Removed 2 dead entries. The list now holds 4 entries: 1 alive, 2 moved, 1 not checked."));
    window->m_replaceMovedButton->click();
    QCOMPARE(window->m_summaryLabel->text(),
             QStringLiteral("Removed 2 dead entries. Replaced 2 moved entries by their new addresses. "
                            "The list now holds 4 entries: 3 alive, 1 not checked."));

    // A new check starts the account afresh; one of each is told in the singular.
    window = check({QStringLiteral("/alive"), QStringLiteral("/notfound")});
    QVERIFY(window);
    window->m_removeDeadButton->click();
    QCOMPARE(window->m_summaryLabel->text(), QStringLiteral("Removed 1 dead entry. The list now holds 1 entry: 1 alive."));
}

void TestCheckedList::theReasonIsReadOut()
{
    QVERIFY(check({QStringLiteral("/notfound"), QStringLiteral("/gone"), QStringLiteral("/alive")}));
    QAccessibleInterface *accessibleList = QAccessible::queryAccessibleInterface(list());
    QVERIFY(accessibleList);
    const QStringList expected{QStringLiteral("dead: not found (404)"), QStringLiteral("dead: gone for good (410)")};
    for (int row = 0; row < expected.size(); ++row) {
        QAccessibleInterface *item = accessibleList->child(row);
        QVERIFY(item);
        QCOMPARE(item->text(QAccessible::Name), list()->entry(row));
        QCOMPARE(item->text(QAccessible::Description), expected.at(row));
    }
    QVERIFY(accessibleList->child(2)->text(QAccessible::Description).startsWith(QStringLiteral("alive: ")));
}

QTEST_MAIN(TestCheckedList)
#include "tst_checkedlist.moc"
