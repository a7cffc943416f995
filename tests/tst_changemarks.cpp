// The "changed" marks in the list boxes: an entry whose page changed since the person last opened
// it is marked in the list browser and List View, with "changed: N lines" on hover and for screen
// readers; opening it takes the mark away; looks the person never took mark nothing.
#include "app/windows.h"
#include "browser/browserwindow.h"
#include "browser/listbrowser.h"
#include "browser/whatchangedwindow.h"
#include "check/checkresults.h"
#include "changes/changearchive.h"
#include "changes/changestore.h"
#include "fakes/fakeplatform.h"
#include "fakes/testfiles.h"
#include "fakes/windowsworld.h"
#include "lists/gallerywindow.h"
#include "lists/listviewwindow.h"
#include "store/listpaths.h"
#include "ui/listbox.h"
#include "ui/listfilterbar.h"
#include "ui/verdictmarks.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QToolButton>
#include <QLabel>
#include <QLineEdit>
#include <QComboBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QSignalSpy>
#include <QtTest>

namespace {

QVariant mark(ListBox *list, int row, int role)
{
    return list->model()->index(row, 0).data(role);
}

QDateTime hoursAgo(int hours)
{
    return QDateTime::currentDateTimeUtc().addSecs(-3600 * hours);
}

} // namespace

class TestChangeMarks : public QObject {
    Q_OBJECT
private:
    WindowsWorld world;
    QString memoryPath() const { return ListPaths::dataFolder() + QStringLiteral("/page-memory.sqlite"); }

    /// Opens @p entry's page in the list browser, as a person choosing it does, showing @p text.
    void openInListBrowser(ListBrowser *browser, int row, const QString &text)
    {
        FakeWebBrowser *view = world.platform->browsers.last();
        view->visibleText = text;
        browser->m_addressList->setCurrentRow(row);
        view->setBusy(true);
        view->setPageTitle(QStringLiteral("Kettle"));
        view->setPageUrl(browser->m_addressList->entry(row));
        view->setBusy(false);
    }

private slots:
    void init() { world.start(); }
    void cleanup() { world.stop(); }

    void changedEntriesAreMarkedUntilOpened()
    {
        const QString kettle = QStringLiteral("http://shop.example/kettle"), teapot = QStringLiteral("http://shop.example/teapot"),
                      never = QStringLiteral("http://shop.example/never-opened");
        {
            ChangeArchive archive;
            QVERIFY(archive.open(memoryPath()));
            QVERIFY(archive.recordLook(kettle, LookRecord::Kind::Person, "Kettle\nPrice: 20\nIn stock\n", hoursAgo(5)).ok);
            QVERIFY(archive.recordLook(kettle, LookRecord::Kind::Check, "Kettle\nPrice: 18\nIn stock\n", hoursAgo(2)).ok);
            QVERIFY(archive.recordLook(teapot, LookRecord::Kind::Person, "Teapot\nPrice: 9\n", hoursAgo(5)).ok);
            QVERIFY(archive.recordLook(teapot, LookRecord::Kind::Check, "Teapot\nPrice: 9\n", hoursAgo(2)).ok);
            QVERIFY(archive.recordLook(never, LookRecord::Kind::Check, "Toaster\nPrice: 30\n", hoursAgo(5)).ok);
            QVERIFY(archive.recordLook(never, LookRecord::Kind::Check, "Toaster\nPrice: 25\n", hoursAgo(2)).ok);
        }
        QVERIFY(TestFiles::writeList((kettle + "\r\n" + teapot + "\r\n" + never + "\r\n").toUtf8()));
        ListBrowser *browser = world.windows->listBrowser();
        ListBox *list = browser->m_addressList;
        QTRY_COMPARE_WITH_TIMEOUT(mark(list, 0, VerdictMarks::ChangedLinesRole).toInt(), 1, 30000);
        QCOMPARE(mark(list, 0, Qt::ToolTipRole).toString(), QStringLiteral("changed: 1 line"));
        QCOMPARE(mark(list, 0, Qt::AccessibleDescriptionRole).toString(), QStringLiteral("changed: 1 line"));
        QVERIFY(!mark(list, 0, Qt::DecorationRole).value<QIcon>().isNull());
        if (const QByteArray path = qgetenv("QUOKKA_SCREENSHOT"); !path.isEmpty()) {
            list->setCurrentRow(1);
            QVERIFY(browser->window()->grab().save(QString::fromLocal8Bit(path).replace(QStringLiteral(".png"), QStringLiteral("-list.png"))));
        }
        // Unchanged, and changed only between looks the person never took: no mark.
        QCOMPARE(mark(list, 1, VerdictMarks::ChangedLinesRole).toInt(), 0);
        QCOMPARE(mark(list, 2, VerdictMarks::ChangedLinesRole).toInt(), 0);
        QVERIFY(mark(list, 1, Qt::ToolTipRole).toString().isEmpty());

        // "Changed only" beside the filter box, with its count; with the filter text, both hold.
        QCheckBox *changedOnly = browser->m_filterBar->m_changedOnlyBox;
        QVERIFY(changedOnly->isVisibleTo(browser));
        QCOMPARE(changedOnly->text(), QStringLiteral("Changed only (1)"));
        QCOMPARE(changedOnly->accessibleName(), QStringLiteral("Changed only (1)"));
        QTest::mouseClick(changedOnly, Qt::LeftButton, {}, QPoint(8, changedOnly->height() / 2));
        QVERIFY(changedOnly->isChecked());
        QTRY_COMPARE_WITH_TIMEOUT(list->model()->rowCount(), 1, 30000);
        QCOMPARE(mark(list, 0, Qt::DisplayRole).toString(), kettle);
        // The gallery shows the list as the list browser shows it: the changed entry alone.
        GalleryWindow *gallery = world.windows->galleryWindow();
        QTRY_COMPARE_WITH_TIMEOUT(gallery->m_tileView->model()->rowCount(), 1, 30000);
        gallery->close();
        browser->m_filterBar->m_filterBox->setText(QStringLiteral("teapot"));
        QTRY_COMPARE_WITH_TIMEOUT(list->model()->rowCount(), 0, 30000);
        browser->m_filterBar->m_filterBox->setText(QStringLiteral("kett"));
        QTRY_COMPARE_WITH_TIMEOUT(list->model()->rowCount(), 1, 30000);
        browser->m_filterBar->m_filterBox->clear();
        QTRY_COMPARE_WITH_TIMEOUT(list->model()->rowCount(), 1, 30000);

        // List View marks it the same way.
        ListViewWindow *view = world.windows->listViewWindow();
        QTRY_COMPARE_WITH_TIMEOUT(mark(view->m_addressList, 0, Qt::AccessibleDescriptionRole).toString(), QStringLiteral("changed: 1 line"), 30000);

        // Opening it takes the mark away, and "Changed only" lets it go.
        QSignalSpy answered(&world.windows->changeStore(), &ChangeStore::changeAnswered);
        openInListBrowser(browser, 0, QStringLiteral("Kettle\nPrice: 18\nIn stock\n"));
        QTRY_COMPARE_WITH_TIMEOUT(mark(list, 0, VerdictMarks::ChangedLinesRole).toInt(), 0, 30000);
        QTRY_VERIFY_WITH_TIMEOUT(!answered.isEmpty(), 30000);
        QCOMPARE(mark(view->m_addressList, 0, Qt::ToolTipRole).toString(), QString());
        QTRY_COMPARE_WITH_TIMEOUT(list->model()->rowCount(), 0, 30000);
        QCOMPARE(changedOnly->text(), QStringLiteral("Changed only (0)"));
        changedOnly->setChecked(false);
        QTRY_COMPARE_WITH_TIMEOUT(list->model()->rowCount(), 3, 30000);
        ChangeArchive archive;
        QVERIFY(archive.open(memoryPath()));
        const QList<LookRecord> looks = archive.looksOf(kettle);
        QCOMPARE(looks.size(), 3);
        QCOMPARE(looks.last().kind, LookRecord::Kind::Person);
    }

    void whatChangedShowsTheChangesFirstAndTheNoiseToCountAgain()
    {
        const QString entry = QStringLiteral("http://club.example/");
        {
            ChangeArchive archive;
            QVERIFY(archive.open(memoryPath()));
            const QStringList prices = {"Dues: 40", "Dues: 40", "Dues: 40", "Dues: 45"};
            for (int i = 0; i < 4; ++i) {
                QString text = QStringLiteral("Rowing Club\nVisitors: %1\n%2\n").arg(1000 + i * 37).arg(prices[i]);
                for (int line = 0; line < 30; ++line)
                    text += QStringLiteral("Training on day %1 at the boathouse.\n").arg(line);
                QVERIFY(archive.recordLook(entry, i == 0 ? LookRecord::Kind::Person : LookRecord::Kind::Check, text, hoursAgo(8 - i)).ok);
            }
        }
        WhatChangedWindow *window = world.windows->showWhatChanged(entry);
        QVERIFY(window);
        QTRY_VERIFY2_WITH_TIMEOUT(window->m_summaryLabel->text().startsWith(QStringLiteral("Changed since your look of")), qPrintable(window->m_summaryLabel->text()), 30000);
        QVERIFY2(window->m_summaryLabel->text().endsWith(QStringLiteral(": 1 line. 1 more left out as noise.")), qPrintable(window->m_summaryLabel->text()));
        QTreeWidget *tree = window->m_changesTree;
        QStringList headings;
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            headings << tree->topLevelItem(i)->text(0);
        QCOMPARE(headings, QStringList({"Changed at line 3", "Not counted: numbers or a token that change at every look",
                                        "Unchanged: 1 line", "Unchanged: 30 lines"}));
        QTreeWidgetItem *changed = tree->topLevelItem(0);
        QVERIFY(changed->isExpanded());
        QCOMPARE(changed->childCount(), 2);
        QCOMPARE(changed->child(0)->data(0, Qt::AccessibleTextRole).toString(), QStringLiteral("removed: Dues: 40"));
        QCOMPARE(changed->child(1)->data(0, Qt::AccessibleTextRole).toString(), QStringLiteral("added: Dues: 45"));
        // The unchanged text is folded until it is opened.
        QTreeWidgetItem *unchanged = tree->topLevelItem(3);
        QVERIFY(!unchanged->isExpanded());
        unchanged->setExpanded(true);
        QCOMPARE(unchanged->childCount(), 30);
        // Older looks can be compared with; the noise can be counted again.
        QTRY_COMPARE_WITH_TIMEOUT(window->m_lookBox->count(), 4, 30000);
        QVERIFY(!window->m_countAgainButton->isEnabled());
        tree->setCurrentItem(tree->topLevelItem(1));
        QVERIFY(window->m_countAgainButton->isEnabled());
        // The picture of the window for whoever looks at it: QUOKKA_SCREENSHOT names the file.
        if (const QByteArray path = qgetenv("QUOKKA_SCREENSHOT"); !path.isEmpty()) {
            tree->topLevelItem(1)->setExpanded(true);
            QVERIFY(window->grab().save(QString::fromLocal8Bit(path)));
        }
        QTest::mouseClick(window->m_countAgainButton, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(window->m_summaryLabel->text().endsWith(QStringLiteral(": 2 lines.")), 30000);
        QCOMPARE(world.windows->checkResults().size(), 0); // nothing of the check's marks was touched
    }

    void playAndTheBrowserWindowAreWired()
    {
        const QString first = QStringLiteral("http://club.example/a"), second = QStringLiteral("http://club.example/b");
        QVERIFY(TestFiles::writeList((first + "\r\n" + second + "\r\n").toUtf8()));
        ListBrowser *browser = world.windows->listBrowser();
        FakeWebBrowser *view = world.platform->browsers.last();
        view->visibleText = QStringLiteral("Club\nPage\n");
        browser->m_addressList->setCurrentRow(0);
        // Play shows the entry: Play's look, which leaves the person's marks as they are.
        QTest::mouseClick(browser->m_playButton, Qt::LeftButton);
        view->setBusy(true);
        view->setBusy(false);
        ChangeArchive archive;
        QVERIFY(archive.open(memoryPath()));
        QTRY_VERIFY_WITH_TIMEOUT(!archive.looksOf(first).isEmpty() || !archive.looksOf(second).isEmpty(), 30000);
        QList<LookRecord> looks = archive.looksOf(first) + archive.looksOf(second);
        QCOMPARE(looks.size(), 1);
        QCOMPARE(looks.first().kind, LookRecord::Kind::Play);
        QTest::mouseClick(browser->m_playButton, Qt::LeftButton); // pause

        // The browser window's Page > What Changed asks for the page it shows.
        BrowserWindow *window = world.windows->browserWindow();
        auto *action = window->findChild<QAction *>(QStringLiteral("whatChanged"));
        QVERIFY(action);
        QCOMPARE(action->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+D")));
        FakeWebBrowser *shown = world.platform->browsers.last();
        shown->setPageUrl(second);
        action->trigger();
        WhatChangedWindow *changes = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *found = qobject_cast<WhatChangedWindow *>(w))
                changes = found;
        QVERIFY(changes);
        QVERIFY(changes->isVisible());
        QCOMPARE(changes->entry(), second);
        QCOMPARE(changes->windowTitle(), QStringLiteral("What Changed: ") + second);
    }

    void anErrorPageIsNoLook()
    {
        const QString entry = QStringLiteral("http://shop.example/gone");
        QVERIFY(TestFiles::writeList((entry + "\r\n").toUtf8()));
        ListBrowser *browser = world.windows->listBrowser();
        FakeWebBrowser *view = world.platform->browsers.last();
        view->status = 404;
        QSignalSpy compared(&world.windows->changeStore(), &ChangeStore::compared);
        openInListBrowser(browser, 0, QStringLiteral("Not Found"));
        // The store answers in order: once this comparison is answered, a look of the visit would be in.
        world.windows->changeStore().compare(entry, 0, 0);
        QTRY_VERIFY_WITH_TIMEOUT(!compared.isEmpty(), 30000);
        QVERIFY(!compared.last().at(0).value<ChangeAnswer>().now);
    }
};

QTEST_MAIN(TestChangeMarks)
#include "tst_changemarks.moc"
