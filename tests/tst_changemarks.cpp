// The "changed" marks in the list boxes: an entry whose page changed since the person last opened
// it is marked in the list browser and List View, with "changed: N lines" on hover and for screen
// readers; opening it takes the mark away; looks the person never took mark nothing.
#include "app/windows.h"
#include "browser/listbrowser.h"
#include "changes/changearchive.h"
#include "changes/changestore.h"
#include "fakes/fakeplatform.h"
#include "fakes/testfiles.h"
#include "fakes/windowsworld.h"
#include "lists/listviewwindow.h"
#include "store/listpaths.h"
#include "ui/listbox.h"
#include "ui/verdictmarks.h"

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
        // Unchanged, and changed only between looks the person never took: no mark.
        QCOMPARE(mark(list, 1, VerdictMarks::ChangedLinesRole).toInt(), 0);
        QCOMPARE(mark(list, 2, VerdictMarks::ChangedLinesRole).toInt(), 0);
        QVERIFY(mark(list, 1, Qt::ToolTipRole).toString().isEmpty());

        // List View marks it the same way.
        ListViewWindow *view = world.windows->listViewWindow();
        QTRY_COMPARE_WITH_TIMEOUT(mark(view->m_addressList, 0, Qt::AccessibleDescriptionRole).toString(), QStringLiteral("changed: 1 line"), 30000);

        // Opening it takes the mark away.
        QSignalSpy answered(&world.windows->changeStore(), &ChangeStore::changeAnswered);
        openInListBrowser(browser, 0, QStringLiteral("Kettle\nPrice: 18\nIn stock\n"));
        QTRY_COMPARE_WITH_TIMEOUT(mark(list, 0, VerdictMarks::ChangedLinesRole).toInt(), 0, 30000);
        QTRY_VERIFY_WITH_TIMEOUT(!answered.isEmpty(), 30000);
        QCOMPARE(mark(view->m_addressList, 0, Qt::ToolTipRole).toString(), QString());
        ChangeArchive archive;
        QVERIFY(archive.open(memoryPath()));
        const QList<LookRecord> looks = archive.looksOf(kettle);
        QCOMPARE(looks.size(), 3);
        QCOMPARE(looks.last().kind, LookRecord::Kind::Person);
    }

    void anErrorPageIsNoLook()
    {
        const QString entry = QStringLiteral("http://shop.example/gone");
        QVERIFY(TestFiles::writeList((entry + "\r\n").toUtf8()));
        ListBrowser *browser = world.windows->listBrowser();
        FakeWebBrowser *view = world.platform->browsers.last();
        view->status = 404;
        QSignalSpy answered(&world.windows->changeStore(), &ChangeStore::changeAnswered);
        openInListBrowser(browser, 0, QStringLiteral("Not Found"));
        // A look that is recorded is answered; ask for the entry after it, so the answer below is the last.
        world.windows->changeStore().askChanges({entry});
        QTRY_VERIFY_WITH_TIMEOUT(!answered.isEmpty(), 30000);
        QVERIFY(!answered.last().at(0).value<ChangeAnswer>().now);
    }
};

QTEST_MAIN(TestChangeMarks)
#include "tst_changemarks.moc"
