// Finding one's way in a long list: the filter and its count, Next/Prev and KILL over what it shows,
// Remove Duplicates and the sorts, undo of every change of the working list, and the place kept
// from one opening of the list browser to the next.
#include "app/mainwindow.h"
#include "app/windows.h"
#include "browser/listbrowser.h"
#include "fakes/fakeplatform.h"
#include "fakes/testfiles.h"
#include "fakes/windowsworld.h"
#include "lists/listtidy.h"
#include "lists/listviewwindow.h"
#include "store/listplace.h"
#include "ui/listbox.h"
#include "ui/listfilterbar.h"
#include "ui/shownentriesmodel.h"
#include "ui/windowframe.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QtTest>

namespace {

/// The texts the list box's view shows, in order.
QStringList shownTexts(ListBox *list)
{
    QStringList texts;
    const QAbstractItemModel *shown = list->model();
    for (int i = 0; i < shown->rowCount(); ++i)
        texts << shown->index(i, 0).data().toString();
    return texts;
}

QByteArray listFile(const QStringList &entries)
{
    return entries.join(QStringLiteral("\r\n")).toUtf8() + "\r\n";
}

} // namespace

class TestListFinding : public QObject {
    Q_OBJECT
private:
    WindowsWorld m_world;

    ListBrowser *openBrowser(const QStringList &entries)
    {
        if (!TestFiles::writeList(listFile(entries)))
            return nullptr;
        return m_world.windows->listBrowser();
    }
    FakeWebBrowser *page() const { return qobject_cast<FakeWebBrowser *>(m_world.windows->loadedListBrowser()->m_view); }

private slots:
    void init() { m_world.start(); }
    void cleanup() { m_world.stop(); }

    void filterShowsEntriesHoldingTheText_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QString>("count");
        const QStringList three{"http://Alpha.example/", "http://beta.example/news", "https://gamma.test/alpha"};
        QTest::newRow("no filter") << three << QString() << three << "3 entries";
        QTest::newRow("anywhere, any case") << three << "ALPHA" << QStringList{"http://Alpha.example/", "https://gamma.test/alpha"} << "2 of 3";
        QTest::newRow("middle of the path") << three << "ews" << QStringList{"http://beta.example/news"} << "1 of 3";
        QTest::newRow("nothing holds it") << three << "zeta" << QStringList{} << "0 of 3";
        QTest::newRow("the scheme") << three << "https:" << QStringList{"https://gamma.test/alpha"} << "1 of 3";
        QTest::newRow("non-ASCII, folded") << QStringList{"http://straße.example/", "http://ÉCOLE.example/"} << "école"
                                           << QStringList{"http://ÉCOLE.example/"} << "1 of 2";
        QTest::newRow("one entry") << QStringList{"a"} << QString() << QStringList{"a"} << "1 entry";
        QStringList many;
        for (int i = 0; i < 1201; ++i)
            many << QStringLiteral("http://site%1.example/").arg(i);
        QTest::newRow("thousands") << many << "site119"
                                   << (QStringList{"http://site119.example/"} + many.mid(1190, 10)) << "11 of 1,201";
    }
    void filterShowsEntriesHoldingTheText()
    {
        QFETCH(QStringList, entries);
        QFETCH(QString, text);
        QFETCH(QStringList, shown);
        QFETCH(QString, count);
        ListBrowser *w = openBrowser(entries);
        QVERIFY(w);
        w->m_filterBar->m_filterBox->setText(text);
        w->m_addressList->shownEntries()->finish();
        QCOMPARE(shownTexts(w->m_addressList), shown);
        QCOMPARE(w->m_filterBar->m_countLabel->text(), count);
        // The filter hides; the working list is all there.
        QCOMPARE(w->m_addressList->entries(), entries);
        w->m_filterBar->m_filterBox->clear();
        QCOMPARE(shownTexts(w->m_addressList), entries);
    }

    void typingNarrowsAndWideningShowsAgain()
    {
        QStringList entries;
        for (int i = 0; i < 50000; ++i)
            entries << QStringLiteral("http://h%1.example/p%2").arg(i % 977).arg(i);
        ListBox list;
        list.addEntries(entries);
        QStringList typed;
        for (const QString text : {"h", "h9", "h97", "h976", "h97", "h9", "7/p4", ""}) {
            list.setFilterText(text);
            list.shownEntries()->finish();
            QStringList expected;
            for (const QString &e : entries)
                if (e.contains(text, Qt::CaseInsensitive))
                    expected << e;
            QCOMPARE(shownTexts(&list), expected);
        }
    }

    void theCountIsAlwaysShownAndFollowsTheList()
    {
        ListBrowser *w = openBrowser({"http://a.example/", "http://b.example/", "http://ab.example/"});
        QVERIFY(w);
        QLabel *count = w->m_filterBar->m_countLabel;
        QVERIFY(count->isVisibleTo(w));
        QCOMPARE(count->text(), QStringLiteral("3 entries"));
        w->m_filterBar->m_filterBox->setText(QStringLiteral("b."));
        QCOMPARE(count->text(), QStringLiteral("2 of 3"));
        w->m_addressList->addEntry(QStringLiteral("http://bb.example/"));
        QCOMPARE(count->text(), QStringLiteral("3 of 4"));
        QCOMPARE(shownTexts(w->m_addressList).last(), QStringLiteral("http://bb.example/"));
        w->m_addressList->addEntry(QStringLiteral("http://c.example/"));
        QCOMPARE(count->text(), QStringLiteral("3 of 5"));
        w->m_addressList->removeEntry(0); // hidden by the filter
        QCOMPARE(count->text(), QStringLiteral("3 of 4"));
        QCOMPARE(shownTexts(w->m_addressList), (QStringList{"http://b.example/", "http://ab.example/", "http://bb.example/"}));
        // Many added at once (an import) are shown as the filter lets them through.
        w->m_addressList->addEntries({QStringLiteral("http://d.example/"), QStringLiteral("http://bbb.example/"), QString()});
        QCOMPARE(count->text(), QStringLiteral("4 of 7"));
        QCOMPARE(shownTexts(w->m_addressList).last(), QStringLiteral("http://bbb.example/"));
        QVERIFY(w->m_addressList->undo());
        QCOMPARE(count->text(), QStringLiteral("3 of 4"));
        // The filter and its count sit above the list, covering nothing of it.
        QVERIFY(w->m_filterBar->geometry().bottom() < w->m_addressList->geometry().top());
        QVERIFY(w->m_addressList->geometry().bottom() < w->m_backButton->geometry().top());
        QVERIFY(!w->m_filterBar->geometry().intersects(w->m_previousButton->geometry()));
        QVERIFY(count->geometry().left() > w->m_filterBar->m_filterBox->geometry().right());
    }

    void nextAndPrevWalkTheShownEntries()
    {
        ListBrowser *w = openBrowser({"one", "news.a", "two", "news.b", "three", "news.c"});
        QVERIFY(w);
        w->m_filterBar->m_filterBox->setText(QStringLiteral("NEWS"));
        w->showNext();
        QCOMPARE(w->m_addressList->currentEntry(), QStringLiteral("news.a"));
        w->showNext();
        QCOMPARE(w->m_addressList->currentEntry(), QStringLiteral("news.b"));
        QCOMPARE(page()->navigations.last(), QStringLiteral("news.b"));
        w->showNext();
        QCOMPARE(w->m_addressList->currentRow(), 5);
        w->showNext(); // past the last one shown: stays
        QCOMPARE(w->m_addressList->currentRow(), 5);
        w->showPrevious();
        QCOMPARE(w->m_addressList->currentRow(), 3);
        w->showPrevious();
        QCOMPARE(w->m_addressList->currentRow(), 1);
    }

    void killRemovesTheEntryShownNeverAnother()
    {
        ListBrowser *w = openBrowser({"keep 1", "x match", "keep 2", "y match", "keep 3"});
        QVERIFY(w);
        w->m_filterBar->m_filterBox->setText(QStringLiteral("match"));
        // The second entry shown is the list's fourth.
        w->m_addressList->setCurrentIndex(w->m_addressList->model()->index(1, 0));
        QCOMPARE(w->m_addressList->currentEntry(), QStringLiteral("y match"));
        QCOMPARE(page()->navigations.last(), QStringLiteral("y match"));
        w->removeSelected();
        QCOMPARE(w->m_addressList->entries(), (QStringList{"keep 1", "x match", "keep 2", "keep 3"}));
        QCOMPARE(shownTexts(w->m_addressList), QStringList{"x match"});
        QCOMPARE(w->m_filterBar->m_countLabel->text(), QStringLiteral("1 of 4"));
        // An entry the new filter hides is no longer selected: KILL then removes nothing.
        w->m_addressList->setCurrentRow(1);
        w->m_filterBar->m_filterBox->setText(QStringLiteral("keep"));
        QCOMPARE(w->m_addressList->currentRow(), -1);
        w->removeSelected();
        QCOMPARE(w->m_addressList->count(), 4);
    }

    void choosingAHiddenEntryClearsTheFilter()
    {
        ListBrowser *w = openBrowser({"a", "b", "c"});
        QVERIFY(w);
        w->m_filterBar->m_filterBox->setText(QStringLiteral("a"));
        w->openStoredEntry(QStringLiteral("c"), 2);
        QCOMPARE(w->m_addressList->currentEntry(), QStringLiteral("c"));
        QCOMPARE(w->m_filterBar->m_filterBox->text(), QString());
        QCOMPARE(shownTexts(w->m_addressList).size(), 3);
    }

    void ctrlFFocusesTheFilterAndEscClearsIt()
    {
        ListBrowser *w = openBrowser({"alpha", "beta"});
        QVERIFY(w);
        QLineEdit *box = w->m_filterBar->m_filterBox;
        QSignalSpy asked(w->m_addressList, &ListBox::filterRequested);
        QTest::keyClick(w->m_addressList, Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(asked.count(), 1);
        QTest::keyClicks(box, QStringLiteral("ph"));
        QCOMPARE(shownTexts(w->m_addressList), QStringList{"alpha"});
        QTest::keyClick(box, Qt::Key_Escape);
        QCOMPARE(box->text(), QString());
        QCOMPARE(shownTexts(w->m_addressList).size(), 2);
        // Esc in the list clears a filter too.
        box->setText(QStringLiteral("be"));
        QTest::keyClick(w->m_addressList, Qt::Key_Escape);
        QCOMPARE(box->text(), QString());
    }

    void theListViewFiltersItsList()
    {
        QVERIFY(TestFiles::writeList(listFile({"http://one.example/", "http://two.example/", "http://three.example/"})));
        ListViewWindow *view = m_world.windows->listViewWindow();
        view->m_filterBar->m_filterBox->setText(QStringLiteral("E.EX"));
        QCOMPARE(shownTexts(view->m_addressList), (QStringList{"http://one.example/", "http://three.example/"}));
        QCOMPARE(view->m_filterBar->m_countLabel->text(), QStringLiteral("2 of 3"));
        // Opening the second one shown opens the list's third entry.
        view->m_addressList->setCurrentIndex(view->m_addressList->model()->index(1, 0));
        view->openSelected();
        QCOMPARE(m_world.windows->loadedListBrowser()->m_addressList->currentRow(), 2);
        // A reload keeps the filter.
        view->showStoredList();
        QCOMPARE(shownTexts(view->m_addressList).size(), 2);
    }

    void aLongListIsFilteredInSlices()
    {
        QStringList entries;
        entries.reserve(400000);
        for (int i = 0; i < 400000; ++i)
            entries << QStringLiteral("https://www.host%1.example/page/%2").arg(i % 5000).arg(i);
        ListBox list;
        list.addEntries(entries);
        list.setFilterText(QStringLiteral("host4999."));
        // The event loop finishes the work by itself.
        QTRY_VERIFY_WITH_TIMEOUT(!list.shownEntries()->busy(), 60000);
        QCOMPARE(list.model()->rowCount(), 80);
        QCOMPARE(list.countText(), QStringLiteral("80 of 400,000"));
        // A change of the list while the work goes on is taken into account.
        list.setFilterText(QStringLiteral("host4998."));
        list.removeEntry(4998);
        QTRY_VERIFY_WITH_TIMEOUT(!list.shownEntries()->busy(), 60000);
        QCOMPARE(list.model()->rowCount(), 79);
    }

    void duplicatesAreComparedAsTheCheckerComparesAddresses_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("fragment aside") << QStringList{"http://a.example/p#one", "http://a.example/p#two", "http://a.example/p"}
                                        << QStringList{"http://a.example/p#one"};
        QTest::newRow("case of host and scheme") << QStringList{"HTTP://A.Example/x", "http://a.example/x"} << QStringList{"HTTP://A.Example/x"};
        QTest::newRow("case of the path counts") << QStringList{"http://a.example/X", "http://a.example/x"}
                                                 << QStringList{"http://a.example/X", "http://a.example/x"};
        QTest::newRow("without scheme is http") << QStringList{"a.example/x", "http://a.example/x", "https://a.example/x"}
                                                << QStringList{"a.example/x", "https://a.example/x"};
        QTest::newRow("spaces around") << QStringList{"  http://a.example/ ", "http://a.example/"} << QStringList{"  http://a.example/ "};
        QTest::newRow("query counts") << QStringList{"http://a.example/?q=1", "http://a.example/?q=2"}
                                      << QStringList{"http://a.example/?q=1", "http://a.example/?q=2"};
        QTest::newRow("blanks all kept") << QStringList{"", "x.example", " ", "", "x.example"} << QStringList{"", "x.example", " ", ""};
        QTest::newRow("text by its text") << QStringList{"some note", "Some note", "some note"} << QStringList{"some note", "Some note"};
        QTest::newRow("files") << QStringList{"file:///tmp/a#x", "file:///tmp/a"} << QStringList{"file:///tmp/a#x"};
        QTest::newRow("no repeats") << QStringList{"b.example", "a.example"} << QStringList{"b.example", "a.example"};
    }
    void duplicatesAreComparedAsTheCheckerComparesAddresses()
    {
        QFETCH(QStringList, entries);
        QFETCH(QStringList, kept);
        QCOMPARE(ListTidy::withoutDuplicates(entries).entries, kept);
    }

    void sorts_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QStringList>("byAddress");
        QTest::addColumn<QStringList>("byHost");
        QTest::newRow("hosts and paths")
            << QStringList{"https://b.example/2", "http://c.example/", "http://b.example/1", "https://A.example/z", "note"}
            << QStringList{"http://b.example/1", "http://c.example/", "https://A.example/z", "https://b.example/2", "note"}
            << QStringList{"https://A.example/z", "http://b.example/1", "https://b.example/2", "http://c.example/", "note"};
        QTest::newRow("the same address keeps its order")
            << QStringList{"http://x.example/#2", "http://a.example/", "http://x.example/#1"}
            << QStringList{"http://a.example/", "http://x.example/#2", "http://x.example/#1"}
            << QStringList{"http://a.example/", "http://x.example/#2", "http://x.example/#1"};
        QTest::newRow("blanks last") << QStringList{"", "b.example", "a.example"} << QStringList{"a.example", "b.example", ""}
                                     << QStringList{"a.example", "b.example", ""};
    }
    void sorts()
    {
        QFETCH(QStringList, entries);
        QFETCH(QStringList, byAddress);
        QFETCH(QStringList, byHost);
        QCOMPARE(ListTidy::sortedByAddress(entries).entries, byAddress);
        QCOMPARE(ListTidy::sortedByHost(entries).entries, byHost);
    }

    void removeDuplicatesAsksWithTheCountAndKeepsTheEntryShown()
    {
        ListBrowser *w = openBrowser({"http://a.example/", "http://b.example/", "http://A.example/#top", "http://b.example/", "c.example"});
        QVERIFY(w);
        w->m_addressList->setCurrentRow(3); // a repeat of b
        FakeMessageBoxes &boxes = m_world.platform->boxes;
        boxes.answers = {MessageBoxes::Answer::Cancel};
        ListTidy::removeDuplicates(*m_world.windows);
        QVERIFY(boxes.shown.last().text.startsWith(QStringLiteral("Remove the 2 repeated entries from the list of 5? 3 entries stay.")));
        QCOMPARE(w->m_addressList->count(), 5);
        boxes.answers = {MessageBoxes::Answer::Ok};
        ListTidy::removeDuplicates(*m_world.windows);
        QCOMPARE(w->m_addressList->entries(), (QStringList{"http://a.example/", "http://b.example/", "c.example"}));
        QCOMPARE(w->m_addressList->currentRow(), 1);
        ListTidy::removeDuplicates(*m_world.windows);
        QCOMPARE(boxes.shown.last().text, QStringLiteral("The list holds no repeated entry."));
    }

    void removeDuplicatesCountsOneEntryAsOne()
    {
        QVERIFY(openBrowser({"http://a.example/", "http://a.example/"}));
        FakeMessageBoxes &boxes = m_world.platform->boxes;
        boxes.answers = {MessageBoxes::Answer::Cancel};
        ListTidy::removeDuplicates(*m_world.windows);
        QVERIFY2(boxes.shown.last().text.startsWith(QStringLiteral("Remove the 1 repeated entry from the list of 2? 1 entry stays.")),
                 qPrintable(boxes.shown.last().text));
    }

    void sortAsksWithTheCount()
    {
        ListBrowser *w = openBrowser({"http://b.example/", "http://a.example/", "http://c.example/"});
        QVERIFY(w);
        w->m_addressList->setCurrentRow(0);
        FakeMessageBoxes &boxes = m_world.platform->boxes;
        boxes.answers = {MessageBoxes::Answer::Cancel};
        ListTidy::sortByHost(*m_world.windows);
        QVERIFY(boxes.shown.last().text.startsWith(QStringLiteral("Sort the 3 entries of the list by host?")));
        QCOMPARE(w->m_addressList->entry(0), QStringLiteral("http://b.example/"));
        boxes.answers = {MessageBoxes::Answer::Ok};
        ListTidy::sortByAddress(*m_world.windows);
        QCOMPARE(w->m_addressList->entries(), (QStringList{"http://a.example/", "http://b.example/", "http://c.example/"}));
        QCOMPARE(w->m_addressList->currentEntry(), QStringLiteral("http://b.example/"));
    }

    void undoTakesBackEachChange_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("KILL") << "kill";
        QTest::newRow("KILL under a filter") << "filtered kill";
        QTest::newRow("Remove Dead") << "replace";
        QTest::newRow("Remove Duplicates") << "duplicates";
        QTest::newRow("Sort by Address") << "sort";
        QTest::newRow("Sort by Host") << "sort host";
        QTest::newRow("Add") << "add";
        QTest::newRow("Add of many (an import)") << "add many";
    }
    void undoTakesBackEachChange()
    {
        QFETCH(QString, change);
        const QStringList before{"http://c.example/", "http://a.example/", "http://c.example/#x", "http://b.example/"};
        ListBrowser *w = openBrowser(before);
        QVERIFY(w);
        ListBox *list = w->m_addressList;
        list->setCurrentRow(2);
        QVERIFY(!list->canUndo());
        if (change == u"kill") {
            w->removeSelected();
        } else if (change == u"filtered kill") {
            w->m_filterBar->m_filterBox->setText(QStringLiteral("c.ex"));
            w->m_filterBar->m_filterBox->clear();
            list->setCurrentRow(2);
            w->m_filterBar->m_filterBox->setText(QStringLiteral("#x"));
            w->removeSelected();
        } else if (change == u"replace") {
            // As Remove Dead does it.
            list->replaceEntries({"http://c.example/", "http://b.example/"}, 1);
        } else if (change == u"duplicates") {
            ListTidy::removeDuplicates(*m_world.windows);
        } else if (change == u"sort") {
            ListTidy::sortByAddress(*m_world.windows);
        } else if (change == u"sort host") {
            ListTidy::sortByHost(*m_world.windows);
        } else if (change == u"add") {
            list->addEntry(QStringLiteral("http://new.example/"));
        } else if (change == u"add many") {
            list->addEntries({QStringLiteral("http://new.example/"), QStringLiteral("http://c.example/"), QString()});
            QCOMPARE(list->currentRow(), 2);
            QCOMPARE(list->count(), before.size() + 3);
        }
        QVERIFY(list->entries() != before);
        QVERIFY(list->canUndo());
        // Ctrl+Z is the List menu's Undo List Change.
        auto *undo = m_world.windows->mainWindow()->findChild<QAction *>(QStringLiteral("undoListChange"));
        QVERIFY(undo);
        QCOMPARE(undo->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
        undo->trigger();
        QCOMPARE(list->entries(), before);
        QCOMPARE(list->currentRow(), 2);
        QVERIFY(!list->canUndo());
        QVERIFY(!list->undo());
    }

    void undoGoesBackStepByStepAndTheSavedListIsTheUndoneOne()
    {
        ListBrowser *w = openBrowser({"d.example", "b.example", "a.example", "b.example"});
        QVERIFY(w);
        ListBox *list = w->m_addressList;
        list->setCurrentRow(0);
        w->removeSelected();                       // b a b
        ListTidy::removeDuplicates(*m_world.windows); // b a
        ListTidy::sortByAddress(*m_world.windows);    // a b
        QCOMPARE(list->entries(), (QStringList{"a.example", "b.example"}));
        QVERIFY(list->undo());
        QCOMPARE(list->entries(), (QStringList{"b.example", "a.example"}));
        QVERIFY(list->undo());
        QCOMPARE(list->entries(), (QStringList{"b.example", "a.example", "b.example"}));
        QVERIFY(WindowFrame::frameOf(w)->close());
        QCOMPARE(TestFiles::listBytes(), QByteArray("b.example\r\na.example\r\nb.example\r\n"));
        // A list browser opened afresh has nothing to undo.
        QVERIFY(!m_world.windows->listBrowser()->m_addressList->canUndo());
    }

    void opensAtTheEntryShownLastTime_data()
    {
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<int>("row");
        QTest::newRow("list as it was") << QStringList{"a", "b", "c", "d"} << 2;
        QTest::newRow("entries put before it") << QStringList{"x", "y", "a", "b", "c", "d"} << 4;
        QTest::newRow("entries taken before it") << QStringList{"c", "d"} << 0;
        QTest::newRow("nearest of repeats") << QStringList{"c", "a", "b", "d", "e", "c"} << 0;
        QTest::newRow("gone from the list") << QStringList{"a", "b", "d"} << -1;
        QTest::newRow("list emptied") << QStringList{""} << -1;
    }
    void opensAtTheEntryShownLastTime()
    {
        QFETCH(QStringList, after);
        QFETCH(int, row);
        ListBrowser *w = openBrowser({"a", "b", "c", "d"});
        QVERIFY(w);
        w->m_addressList->setCurrentRow(2);
        QVERIFY(WindowFrame::frameOf(w)->close());
        QVERIFY(!m_world.windows->loadedListBrowser());
        // The program ends and starts again; the list was changed meanwhile.
        m_world.windows.reset();
        m_world.windows = std::make_unique<Windows>(*m_world.platform);
        QVERIFY(TestFiles::writeList(listFile(after)));
        ListBrowser *again = m_world.windows->listBrowser();
        QCOMPARE(again->m_addressList->currentRow(), row);
        if (row >= 0)
            QCOMPARE(page()->navigations.last(), QStringLiteral("c"));
    }

    void aPlaceFileThatIsNotOneIsIgnored_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("someone else's") << QByteArray("2\nc\n");
        QTest::newRow("row no number") << QByteArray("quokka list place 1\ntwo\nc\n");
        QTest::newRow("negative row") << QByteArray("quokka list place 1\n-2\nc\n");
        QTest::newRow("cut short") << QByteArray("quokka list place 1\n2\nc");
        QTest::newRow("huge row") << QByteArray("quokka list place 1\n99999999999999\nc\n");
    }
    void aPlaceFileThatIsNotOneIsIgnored()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(QDir().mkpath(QFileInfo(ListPlace::file()).absolutePath()));
        QFile f(ListPlace::file());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        QVERIFY(!ListPlace::read(ListPlace::file()));
        ListBrowser *w = openBrowser({"a", "b", "c"});
        QVERIFY(w);
        QCOMPARE(w->m_addressList->currentRow(), -1);
    }

    void aPlaceFarPastTheEndLooksFromTheEnd()
    {
        const ListPlace place{QStringLiteral("b"), 2000000000};
        QCOMPARE(place.rowIn({"a", "b", "c"}), 1);
        QVERIFY(ListPlace::write(ListPlace::file(), {QStringLiteral("http://ü.example/ x"), 7}));
        const auto read = ListPlace::read(ListPlace::file());
        QVERIFY(read);
        QCOMPARE(read->entry, QStringLiteral("http://ü.example/ x"));
        QCOMPARE(read->row, 7);
    }
};

QTEST_MAIN(TestListFinding)
#include "tst_listfinding.moc"
