// Bringing other programs' lists in (Import Addresses, Paste Addresses, a drop) and taking the list out
// (Export List), through the windows, the list browser's working list and the files they write.
#include "app/mainwindow.h"
#include "app/windows.h"
#include "browser/listbrowser.h"
#include "check/checkresults.h"
#include "fakes/fakeplatform.h"
#include "fakes/windowsworld.h"
#include "listformats/listformats.h"
#include "lists/importwindow.h"
#include "lists/listviewwindow.h"
#include "store/listpaths.h"
#include "ui/listbox.h"
#include "ui/windowframe.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtTest>

#include <sys/stat.h>

using ListFormats::FoundAddress;
using Offer = QMap<QString, QByteArray>;

namespace {

QByteArray sample(const char *name)
{
    QFile file(qEnvironmentVariable("QUOKKA_TESTDATA") + QStringLiteral("/listformats/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read the sample %s", name);
    return file.readAll();
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

/// A bookmarks export as Firefox writes it, with @p count bookmarks in nested folders, separators,
/// bookmarklets and place: queries between them.
QByteArray bigBookmarksFile(int count)
{
    QByteArray out = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
                     "<TITLE>Bookmarks</TITLE>\n<H1>Bookmarks Menu</H1>\n<DL><p>\n";
    for (int i = 0; i < count; ++i) {
        if (i % 100 == 0)
            out += "<DT><H3 ADD_DATE=\"1700000000\">Folder " + QByteArray::number(i / 100) + "</H3>\n<DL><p>\n";
        out += "<DT><A HREF=\"https://site" + QByteArray::number(i) + ".example/p?a=1&amp;b=2\" ADD_DATE=\"1700000000\">T\xc3\xa9tel "
            + QByteArray::number(i) + " &amp; co</A>\n";
        if (i % 100 == 50)
            out += "<HR>\n<DT><A HREF=\"javascript:void(0)\">Bookmarklet</A>\n<DT><A HREF=\"place:sort=8\">Recent</A>\n";
        if (i % 100 == 99 || i == count - 1)
            out += "</DL><p>\n";
    }
    return out + "</DL>\n";
}

} // namespace

class TestImportExport : public QObject {
    Q_OBJECT
private:
    WindowsWorld m_world;
    QTemporaryDir m_files;
    QString m_chosen;       ///< what the file dialog answers
    QString m_chosenFilter;
    int m_dialogs = 0;

    FakeMessageBoxes &boxes() { return m_world.platform->boxes; }
    ListBox *list() { return m_world.windows->listBrowser()->m_addressList; }
    QString file(const QString &name) { return m_files.filePath(name); }
    void writeList(const QByteArray &bytes)
    {
        QDir().mkpath(ListPaths::dataFolder());
        writeFile(ListPaths::listFile(), bytes);
    }
    /// The import window once its file is read (null when there is none, or it went with a message).
    static ImportWindow *whenRead(ImportWindow *window)
    {
        QPointer<ImportWindow> read(window);
        if (read)
            QTest::qWaitFor([&] { return !read || read->isReady(); }, 60000);
        return read;
    }
    ImportWindow *importThroughMenu()
    {
        m_world.windows->mainWindow()->menuItem(QStringLiteral("importAddresses"))->trigger();
        return whenRead(m_world.windows->mainWindow()->findChild<ImportWindow *>());
    }
    void paste()
    {
        m_world.windows->mainWindow()->menuItem(QStringLiteral("pasteAddresses"))->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!boxes().shown.isEmpty(), 30000);
    }

private slots:
    void init()
    {
        m_world.start();
        m_dialogs = 0;
        m_chosenFilter.clear();
        FileChooser::replaceForTests([this](QWidget *, FileChooser::Mode, const QString &, const QString &,
                                            const QStringList &filters, QString *filter) {
            ++m_dialogs;
            if (filter)
                *filter = m_chosenFilter.isEmpty() ? filters.constFirst() : m_chosenFilter;
            return m_chosen;
        });
        m_world.windows->mainWindow()->show();
    }
    void cleanup()
    {
        // A read that a test left in its worker ends before the next test's world.
        QThreadPool::globalInstance()->waitForDone();
        ListImport::holdReadsForTests({});
        FileChooser::replaceForTests({});
        m_world.stop();
    }

    void importShowsWhatTheFileHoldsBeforeAdding_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QStringList>("added");
        // The list holds example.org already (Firefox's file has it as its last bookmark).
        QTest::newRow("firefox: folders, bookmarklet, place:, entities, non-ASCII")
            << sample("firefox-bookmarks.html") << QStringLiteral("4 addresses found, 1 already in the list")
            << QStringList{"https://www.mozilla.org/en-US/firefox/central/", "https://cooking.example/search?q=plum&sort=new",
                           "https://ja.wikipedia.org/wiki/%E3%82%AB%E3%83%B3%E3%82%AC%E3%83%AB%E3%83%BC"};
        QTest::newRow("opml") << sample("feed-reader.opml") << QStringLiteral("5 addresses found")
                              << QStringList{"https://arstechnica.com", "https://blog.example.net/feed.xml",
                                             "https://other.example.net/atom.xml", "https://cafe.example/", "https://link.example/"};
        QTest::newRow("csv with a header and a repeat")
            << QByteArray("Name,URL\r\nA,https://a.example/\r\nB,https://b.example/\r\nA again,https://A.EXAMPLE/#top\r\n")
            << QStringLiteral("3 addresses found, 1 repeat") << QStringList{"https://a.example/", "https://b.example/"};
        QTest::newRow("a column under its heading: the heading said, the addresses without a scheme kept")
            << QByteArray("URL\nexample.com/a\nhttps://b.example/\nwww.c.example/page\n")
            << QStringLiteral("3 addresses found\nLeft out line 1, no address: \"URL\"")
            << QStringList{"example.com/a", "https://b.example/", "www.c.example/page"};
        QTest::newRow("a note full of links")
            << QByteArray("See https://a.example/x. And (https://b.example/y), also <https://www.example.org/>!\n")
            << QStringLiteral("3 addresses found, 1 already in the list") << QStringList{"https://a.example/x", "https://b.example/y"};
        const QString leftOut = QStringLiteral("\n3 addresses that are no page to visit (javascript:, data:, place:) were left out.");
        QTest::newRow("plain text: a bookmarklet, data: and place: stay out")
            << QByteArray("https://a.example/\njavascript:alert(1)\n DATA:text/html,<h1>hi</h1>\nplace:sort=8\nhttps://b.example/\n")
            << QStringLiteral("2 addresses found") + leftOut << QStringList{"https://a.example/", "https://b.example/"};
        QTest::newRow("csv: a bookmarklet, data: and place: stay out")
            << QByteArray("url,title\r\nhttps://a.example/,A\r\njavascript:alert(1),B\r\n\"data:text/html,hi\",C\r\n"
                          "place:sort=8,D\r\nhttps://b.example/,E\r\n")
            << QStringLiteral("2 addresses found") + leftOut << QStringList{"https://a.example/", "https://b.example/"};
    }
    void importShowsWhatTheFileHoldsBeforeAdding()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, summary);
        QFETCH(QStringList, added);
        writeList("http://first.example/\r\nhttps://www.example.org/\r\n");
        const QByteArray listBefore = readAll(ListPaths::listFile());
        writeFile(m_chosen = this->file(QStringLiteral("import")), file);

        ImportWindow *window = importThroughMenu();
        QVERIFY(window);
        QCOMPARE(m_dialogs, 1);
        QCOMPARE(window->m_summaryLabel->text(), summary);
        QCOMPARE(list()->count(), 2); // nothing changed yet

        boxes().answers = {MessageBoxes::Answer::Cancel};
        window->m_addButton->click();
        QCOMPARE(list()->count(), 2);
        QCOMPARE(boxes().shown.last().buttons, MessageBoxes::Buttons::OkCancel);
        QCOMPARE(boxes().shown.last().icon, MessageBoxes::Icon::Question);

        window->m_addButton->click();
        QCOMPARE(boxes().shown.last().text,
                 QStringLiteral("Would you like to add %1 addresses to the list?").arg(added.size()));
        QCOMPARE(list()->entries(), QStringList({"http://first.example/", "https://www.example.org/"}) + added);
        // The working list is saved when the list browser closes, as with Add.
        QVERIFY(m_world.windows->listBrowser()->unsavedChanges() > 0);
        QCOMPARE(readAll(ListPaths::listFile()), listBefore);
        QVERIFY(m_world.windows->listBrowser()->unload());
        QCOMPARE(readAll(ListPaths::listFile()),
                 QByteArray("http://first.example/\r\nhttps://www.example.org/\r\n") + added.join("\r\n").toUtf8() + "\r\n");
    }

    void replaceAsksAndKeepsTitlesBesideTheList()
    {
        writeList("http://old.example/\r\n");
        writeFile(m_chosen = file(QStringLiteral("bookmarks.html")), sample("firefox-bookmarks.html"));
        ImportWindow *window = importThroughMenu();
        QVERIFY(window);
        boxes().answers = {MessageBoxes::Answer::Cancel};
        window->m_replaceButton->click();
        QCOMPARE(list()->entries(), QStringList{"http://old.example/"});
        window->m_replaceButton->click();
        QCOMPARE(boxes().shown.last().text,
                 QStringLiteral("Would you like to replace all the 1 entries of the list by the 4 addresses found?"));
        QCOMPARE(list()->count(), 4);
        QCOMPARE(list()->entry(3), QStringLiteral("https://www.example.org/"));
        // The titles live in a file of their own: the list file gets the addresses alone.
        const QHash<QString, QString> titles = ListTitles::load();
        QCOMPARE(titles.value(QStringLiteral("https://ja.wikipedia.org/wiki/%E3%82%AB%E3%83%B3%E3%82%AC%E3%83%AB%E3%83%BC")),
                 QStringLiteral("カンガルー - Wikipedia"));
        QCOMPARE(titles.value(QStringLiteral("https://cooking.example/search?q=plum&sort=new")),
                 QStringLiteral("Plums & cream <3 \u2014 \"the\" tart \u2764"));
        QVERIFY(m_world.windows->listBrowser()->unload());
        QVERIFY(!readAll(ListPaths::listFile()).contains("Wikipedia"));

        // The List view shows a kept title on hover, and reads it out, before the verdict of a check.
        const QString roo = QStringLiteral("https://ja.wikipedia.org/wiki/%E3%82%AB%E3%83%B3%E3%82%AC%E3%83%AB%E3%83%BC");
        ListViewWindow *view = m_world.windows->listViewWindow();
        view->showStoredList();
        const int row = int(view->m_addressList->entries().indexOf(roo));
        QVERIFY(row >= 0);
        const auto hover = [&](int role) {
            QAbstractItemModel *model = view->m_addressList->model();
            return model->data(model->index(row, 0), role).toString();
        };
        QTRY_COMPARE(hover(Qt::ToolTipRole), QStringLiteral("カンガルー - Wikipedia"));
        CheckResult dead;
        dead.verdict = Verdict::Dead;
        dead.reason = QStringLiteral("not found (404)");
        m_world.windows->checkResults().set(roo, dead);
        QCOMPARE(hover(Qt::AccessibleDescriptionRole), QStringLiteral("カンガルー - Wikipedia\ndead: not found (404)"));
        QCOMPARE(hover(Qt::ToolTipRole), hover(Qt::AccessibleDescriptionRole));
    }

    void theListBrowserComesUpWithWhatWasBroughtIn_data()
    {
        QTest::addColumn<bool>("replace");
        QTest::newRow("add") << false;
        QTest::newRow("replace") << true;
    }
    void theListBrowserComesUpWithWhatWasBroughtIn()
    {
        QFETCH(bool, replace);
        writeList("http://old.example/\r\n");
        ListBrowser *browser = m_world.windows->listBrowser();
        WindowFrame::hide(browser);
        QVERIFY(!WindowFrame::frameOf(browser)->isVisible());
        writeFile(m_chosen = file(QStringLiteral("list.txt")), "https://a.example/\nhttps://b.example/\n");
        ImportWindow *window = importThroughMenu();
        QVERIFY(window);
        (replace ? window->m_replaceButton : window->m_addButton)->click();
        QVERIFY(WindowFrame::frameOf(browser)->isVisible());
        QCOMPARE(list()->count(), replace ? 2 : 3);
    }

    void aFileThatIsNoListIsSaid_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no addresses") << "prose" << "It holds no web addresses.";
        QTest::newRow("empty") << "empty" << "It holds no web addresses.";
        QTest::newRow("a folder") << "folder" << "It is not a regular file (a folder, a pipe or a device).";
        QTest::newRow("a pipe") << "fifo" << "It is not a regular file (a folder, a pipe or a device).";
        QTest::newRow("too large") << "huge" << "It is larger than 64 MiB.";
        QTest::newRow("gone") << "missing" << "The file is not there.";
    }
    void aFileThatIsNoListIsSaid()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        writeList("http://keep.example/\r\n");
        m_chosen = file(kind);
        if (kind == "prose")
            writeFile(m_chosen, "Dear diary, nothing to see here.\nNot even www dot example.\n");
        else if (kind == "empty")
            writeFile(m_chosen, "");
        else if (kind == "folder")
            QVERIFY(QDir().mkdir(m_chosen));
        else if (kind == "fifo")
            QCOMPARE(mkfifo(QFile::encodeName(m_chosen).constData(), 0600), 0);
        else if (kind == "huge") {
            QFile huge(m_chosen);
            QVERIFY(huge.open(QIODevice::WriteOnly));
            QVERIFY(huge.resize(ListImport::maxFileBytes + 1)); // sparse: takes no room
        }
        QVERIFY(!importThroughMenu());
        QCOMPARE(boxes().shown.size(), 1);
        QCOMPARE(boxes().shown[0].title, QStringLiteral("Nothing to import"));
        QVERIFY2(boxes().shown[0].text.contains(reason), qPrintable(boxes().shown[0].text));
        QCOMPARE(list()->entries(), QStringList{"http://keep.example/"});
    }

    void cancelInTheFileDialogDoesNothing()
    {
        m_chosen.clear();
        QVERIFY(!importThroughMenu());
        QCOMPARE(m_dialogs, 1);
        QVERIFY(boxes().shown.isEmpty());
    }

    void aHundredThousandBookmarks()
    {
        writeList("https://site5.example/p?a=1&b=2\r\n");
        writeFile(m_chosen = file(QStringLiteral("big.html")), bigBookmarksFile(100000));
        ImportWindow *window = importThroughMenu();
        QVERIFY(window);
        QCOMPARE(window->m_summaryLabel->text(), QStringLiteral("100,000 addresses found, 1 already in the list"));
        window->m_addButton->click();
        QCOMPARE(list()->count(), 100000);
        QCOMPARE(list()->entry(99999), QStringLiteral("https://site99999.example/p?a=1&b=2"));
        QCOMPARE(ListTitles::load().value(QStringLiteral("https://site7.example/p?a=1&b=2")), QStringLiteral("Tétel 7 & co"));
    }

    void titlesPastSixteenMiBAreReadBackAndKept()
    {
        writeList("https://a.example/\r\n");
        // 120,000 bookmarks with long titles, as a big import keeps them: 20 MiB.
        QByteArray kept;
        const QByteArray title(160, 'x');
        for (int i = 0; i < 120000; ++i)
            kept += "https://site" + QByteArray::number(i) + ".example/\t" + title + QByteArray::number(i) + '\n';
        QVERIFY(kept.size() > 16 * 1024 * 1024);
        QDir().mkpath(ListPaths::dataFolder());
        writeFile(ListTitles::filePath(), kept);
        // quokka-check reads them as the windows do.
        QString error;
        const QHash<QString, QString> read = ListTitles::loadFor(ListPaths::listFile(), &error);
        QCOMPARE(read.size(), 120000);
        QCOMPARE(error, QString());
        QCOMPARE(read.value(QStringLiteral("https://site119999.example/")), QString::fromLatin1(title + "119999"));

        writeFile(m_chosen = file(QStringLiteral("one.html")), "<DL><DT><A HREF=\"https://new.example/\">New one</A></DL>");
        ImportWindow *window = importThroughMenu();
        QVERIFY(window);
        window->m_addButton->click();
        QCOMPARE(list()->count(), 2);
        const QHash<QString, QString> after = ListTitles::load();
        QCoreApplication::processEvents(); // the titles' worker has told what it did
        QCOMPARE(boxes().shown.size(), 1); // the question, nothing else
        QCOMPARE(after.size(), 120001);
        QCOMPARE(after.value(QStringLiteral("https://new.example/")), QStringLiteral("New one"));
        QCOMPARE(after.value(QStringLiteral("https://site7.example/")), QString::fromLatin1(title + "7"));
    }

    void titlesThatCannotBeReadAreNeverWrittenOver_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("larger than is read") << "huge" << "It is larger than 128 MiB.";
        QTest::newRow("a pipe") << "fifo" << "It is not a regular file";
    }
    void titlesThatCannotBeReadAreNeverWrittenOver()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        writeList("https://a.example/\r\n");
        const QString titles = ListTitles::filePath();
        if (kind == "huge") {
            QFile huge(titles);
            QVERIFY(huge.open(QIODevice::WriteOnly));
            QVERIFY(huge.write("https://kept.example/\tKept\n") > 0);
            QVERIFY(huge.resize(ListTitles::maxFileBytes + 1)); // sparse: takes no room
        } else {
            QCOMPARE(mkfifo(QFile::encodeName(titles).constData(), 0600), 0);
        }
        const QFileInfo before(titles);
        writeFile(m_chosen = file(QStringLiteral("one.html")), "<DL><DT><A HREF=\"https://new.example/\">New one</A></DL>");
        ImportWindow *window = importThroughMenu();
        QVERIFY(window);
        window->m_addButton->click();
        // The addresses come in; the titles file is left as it was, and the person is told.
        QCOMPARE(list()->entries(), (QStringList{"https://a.example/", "https://new.example/"}));
        QTRY_COMPARE(boxes().shown.size(), 2);
        QCOMPARE(boxes().shown[1].title, QStringLiteral("Titles not kept"));
        QVERIFY2(boxes().shown[1].text.contains(reason), qPrintable(boxes().shown[1].text));
        const QFileInfo after(titles);
        QCOMPARE(after.size(), before.size());
        QCOMPARE(after.isFile(), before.isFile());
        if (kind == "huge")
            QVERIFY(readAll(titles).startsWith("https://kept.example/\tKept\n"));
        QFile::remove(titles);
    }

    void aLongReadShowsHowFarItIsAndCancelStopsIt_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Cancel clicked") << "cancel";
        QTest::newRow("Esc") << "esc";
        QTest::newRow("read to its end") << "wait";
    }
    void aLongReadShowsHowFarItIsAndCancelStopsIt()
    {
        QFETCH(QString, how);
        writeList("http://keep.example/\r\n");
        writeFile(m_chosen = file(QStringLiteral("list.txt")), "https://a.example/\nhttps://b.example/\n");
        // The worker waits here, after reading the bytes, as it would on a large or hostile file.
        QSemaphore gate;
        ListImport::holdReadsForTests([&gate] { gate.acquire(); });
        m_world.windows->mainWindow()->menuItem(QStringLiteral("importAddresses"))->trigger();
        QPointer<ImportWindow> window = m_world.windows->mainWindow()->findChild<ImportWindow *>();
        QVERIFY(window);
        // The windows go on answering; the import window comes up and says how far the read is.
        QTRY_VERIFY(window->isVisible());
        QVERIFY(!window->isReady());
        QTRY_COMPARE(window->m_summaryLabel->text(), QStringLiteral("Finding the addresses\u2026"));
        QVERIFY(window->m_progressBar->isVisible());
        QVERIFY(!window->m_addButton->isEnabled());
        QVERIFY(!window->m_replaceButton->isEnabled());
        QVERIFY(window->m_cancelButton->isEnabled());
        if (how == "wait") {
            gate.release();
            QVERIFY(whenRead(window));
            QCOMPARE(window->m_summaryLabel->text(), QStringLiteral("2 addresses found"));
            QVERIFY(window->m_progressBar->isHidden());
            QVERIFY(window->m_addButton->isEnabled());
            return;
        }
        if (how == "cancel") {
            const QPoint centre = window->m_cancelButton->geometry().center();
            QWidget *top = window->m_cancelButton->parentWidget()->childAt(centre);
            QVERIFY(top == window->m_cancelButton || window->m_cancelButton->isAncestorOf(top));
            QTest::mouseClick(window->m_cancelButton, Qt::LeftButton);
        } else {
            QTest::keyClick(window, Qt::Key_Escape);
        }
        QTRY_VERIFY(!window);
        gate.release();
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents(); // what the worker found would come now: it must not
        QVERIFY(boxes().shown.isEmpty());
        QCOMPARE(list()->entries(), QStringList{"http://keep.example/"});
    }

    void aLongPasteShowsHowFarItIsAndCancelStopsIt()
    {
        writeList("http://keep.example/\r\n");
        QApplication::clipboard()->setText(QStringLiteral("https://a.example/ and https://b.example/"));
        QSemaphore gate;
        ListImport::holdReadsForTests([&gate] { gate.acquire(); });
        m_world.windows->mainWindow()->menuItem(QStringLiteral("pasteAddresses"))->trigger();
        QPointer<QProgressDialog> progress = m_world.windows->mainWindow()->findChild<QProgressDialog *>();
        QVERIFY(progress);
        QTRY_VERIFY(progress->isVisible());
        QTRY_VERIFY2(progress->labelText().contains(QStringLiteral("Finding the addresses")), qPrintable(progress->labelText()));
        QPushButton *cancel = progress->findChild<QPushButton *>();
        QVERIFY(cancel && cancel->isVisible());
        QTest::mouseClick(cancel, Qt::LeftButton);
        QTRY_VERIFY(!progress);
        gate.release();
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        QVERIFY(boxes().shown.isEmpty());
        QCOMPARE(list()->entries(), QStringList{"http://keep.example/"});
    }

    void pasteSaysHowManyThenAdds_data()
    {
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<MessageBoxes::Answer>("answer");
        QTest::addColumn<QString>("said");
        QTest::addColumn<QStringList>("entries");
        const QString note = QStringLiteral("Links: https://a.example/ and https://b.example/, again https://a.example/ and http://in.example/");
        QTest::newRow("ok") << note << MessageBoxes::Answer::Ok
                            << "4 addresses found, 1 already in the list, 1 repeat in the clipboard.\n\nAdd 2 addresses to the list?"
                            << QStringList{"http://in.example/", "https://a.example/", "https://b.example/"};
        QTest::newRow("cancel") << note << MessageBoxes::Answer::Cancel
                                << "4 addresses found, 1 already in the list, 1 repeat in the clipboard.\n\nAdd 2 addresses to the list?"
                                << QStringList{"http://in.example/"};
        QTest::newRow("nothing") << QStringLiteral("no links here") << MessageBoxes::Answer::Ok
                                 << "The clipboard holds no addresses." << QStringList{"http://in.example/"};
        QTest::newRow("all there") << QStringLiteral("http://IN.example/") << MessageBoxes::Answer::Ok
                                   << "1 address found, 1 already in the list.\n\nThe list holds every one of them already."
                                   << QStringList{"http://in.example/"};
        QTest::newRow("a bookmarklet and data: stay out")
            << QStringLiteral("https://a.example/\njavascript:alert(1)\ndata:text/html,<script>alert(1)</script>\n")
            << MessageBoxes::Answer::Ok
            << "1 address found in the clipboard.\n\n2 addresses that are no page to visit (javascript:, data:, place:) were "
               "left out.\n\nAdd 1 address to the list?"
            << QStringList{"http://in.example/", "https://a.example/"};
        QTest::newRow("nothing but a bookmarklet")
            << QStringLiteral("javascript:alert(1)") << MessageBoxes::Answer::Ok
            << "The clipboard holds no addresses.\n\n1 address that is no page to visit (javascript:, data:, place:) was left out."
            << QStringList{"http://in.example/"};
    }
    void pasteSaysHowManyThenAdds()
    {
        QFETCH(QString, clipboard);
        QFETCH(MessageBoxes::Answer, answer);
        QFETCH(QString, said);
        QFETCH(QStringList, entries);
        writeList("http://in.example/\r\n");
        QApplication::clipboard()->setText(clipboard);
        boxes().answers = {answer};
        paste();
        QCOMPARE(boxes().shown.size(), 1);
        QCOMPARE(boxes().shown[0].text, said);
        QCOMPARE(list()->entries(), entries);
    }

    void ctrlShiftVInTheListBrowserPastes()
    {
        writeList("");
        ListBrowser *browser = m_world.windows->listBrowser();
        QApplication::clipboard()->setText(QStringLiteral("https://a.example/\nhttps://b.example/\n"));
        QVERIFY(QTest::qWaitForWindowExposed(m_world.windows->mainWindow()));
        browser->m_addressList->setFocus();
        QApplication::setActiveWindow(m_world.windows->mainWindow());
        QTest::keyClick(browser->m_addressList, Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_COMPARE(boxes().shown.size(), 1);
        // An emptied list's one blank line gives way to what is pasted.
        QCOMPARE(list()->entries(), QStringList({"https://a.example/", "https://b.example/"}));
    }

    void inThePageCtrlShiftVIsThePages()
    {
        writeList("http://keep.example/\r\n");
        ListBrowser *browser = m_world.windows->listBrowser();
        QApplication::clipboard()->setText(QStringLiteral("https://a.example/"));
        QApplication::setActiveWindow(m_world.windows->mainWindow());
        QWidget *page = browser->m_view->widget();
        page->setFocusPolicy(Qt::StrongFocus);
        page->setFocus();
        QTRY_VERIFY(page->hasFocus());
        QTest::keyClick(page, Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
        // No paste began: it would have made its reading's progress window at once.
        QVERIFY(!m_world.windows->mainWindow()->findChild<QProgressDialog *>());
        QVERIFY(boxes().shown.isEmpty());
        QCOMPARE(list()->entries(), QStringList{"http://keep.example/"});
        browser->m_addressList->setFocus();
        QTRY_VERIFY(browser->m_addressList->hasFocus());
        QTest::keyClick(browser->m_addressList, Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(m_world.windows->mainWindow()->findChild<QProgressDialog *>());
        QTRY_COMPARE(boxes().shown.size(), 1);
    }

    void aDropAddsLinksAndTextAndImportsFiles_data()
    {
        QTest::addColumn<Offer>("offer");
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<QString>("title");
        QTest::newRow("a link from a page or another browser")
            << Offer{{"text/uri-list", "https://a.example/x\r\nhttps://b.example/\r\n"}}
            << QStringList{"https://a.example/x", "https://b.example/"} << QString();
        QTest::newRow("Firefox's link keeps its title")
            << Offer{{"text/uri-list", "https://a.example/x\r\n"}, {"text/html", "<a href=\"https://a.example/x\">A  page <b>\xc3\xa4</b></a>"}}
            << QStringList{"https://a.example/x"} << QStringLiteral("A page \u00e4");
        const QString utf16 = QStringLiteral("\xfeff<meta charset=\"utf-16\"><A HREF='https://a.example/x'>Chr\u00f6me</A>");
        QTest::newRow("a title in UTF-16 HTML")
            << Offer{{"text/uri-list", "https://a.example/x"},
                     {"text/html", QByteArray(reinterpret_cast<const char *>(utf16.utf16()), utf16.size() * 2)}}
            << QStringList{"https://a.example/x"} << QStringLiteral("Chr\u00f6me");
        QTest::newRow("text with links") << Offer{{"text/plain", "read https://a.example/x, then http://keep.example/"}}
                                         << QStringList{"https://a.example/x"} << QString();
        QTest::newRow("a page's selection: its links and the addresses in its text")
            << Offer{{"text/html", "<p>Read <a href=\"https://a.example/x\">this</a>, <a href=\"/here\">that</a>, "
                                   "<a href='javascript:void(0)'>no</a> and https://b.example/</p>"},
                     {"text/plain", "Read this, that, no and https://b.example/"}}
            << QStringList{"https://a.example/x", "https://b.example/"} << QStringLiteral("this");
        QTest::newRow("a bookmarklet is no address") << Offer{{"text/plain", "javascript:alert(1)"}} << QStringList{} << QString();
        QTest::newRow("dragged text: data: and place: stay out")
            << Offer{{"text/plain", "https://a.example/x\ndata:text/html,<h1>hi</h1>\nplace:sort=8\n"}}
            << QStringList{"https://a.example/x"} << QString();
        QTest::newRow("a dragged data: link stays out")
            << Offer{{"text/uri-list", "data:text/html,hi\r\nhttps://a.example/x\r\n"}} << QStringList{"https://a.example/x"}
            << QString();
        QTest::newRow("a bookmarklet dragged from a bookmarks bar")
            << Offer{{"text/uri-list", "javascript:location='https://a.example/x'"},
                     {"text/plain", "javascript:location='https://a.example/x'"}}
            << QStringList{} << QString();
    }
    void aDropAddsLinksAndTextAndImportsFiles()
    {
        QFETCH(Offer, offer);
        QFETCH(QStringList, added);
        QFETCH(QString, title);
        writeList("http://keep.example/\r\n");
        ListBrowser *browser = m_world.windows->listBrowser();
        QWidget *target = browser->m_addressList->viewport();
        QVERIFY(target->acceptDrops());
        QMimeData mime;
        for (auto it = offer.cbegin(); it != offer.cend(); ++it)
            mime.setData(it.key(), it.value());
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::LinkAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction | Qt::LinkAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        QVERIFY(drop.isAccepted());
        QTRY_COMPARE(list()->entries(), QStringList{"http://keep.example/"} + added);
        QCOMPARE(ListTitles::load().value(QStringLiteral("https://a.example/x")), title);
        QVERIFY(boxes().shown.isEmpty());
    }

    void aDroppedFileIsImported()
    {
        writeList("http://keep.example/\r\n");
        writeFile(file(QStringLiteral("dropped.html")), sample("safari-bookmarks.html"));
        writeFile(file(QStringLiteral("second.opml")), sample("feed-reader.opml"));
        // Two files and a link dragged together: each file opens its own import, the link is added.
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(file(QStringLiteral("dropped.html"))), QUrl(QStringLiteral("https://with.example/")),
                      QUrl::fromLocalFile(file(QStringLiteral("second.opml")))});
        ListImport::dropAddresses(*m_world.windows, &mime);
        const QList<ImportWindow *> windows = m_world.windows->mainWindow()->findChildren<ImportWindow *>();
        QCOMPARE(windows.size(), 2);
        QStringList summaries;
        for (ImportWindow *window : windows) {
            QVERIFY(whenRead(window));
            summaries.append(window->m_summaryLabel->text());
        }
        QTRY_COMPARE(list()->count(), 2);
        QVERIFY2(summaries.contains(QStringLiteral("3 addresses found")), qPrintable(summaries.join('|')));
        QCOMPARE(list()->entries(), (QStringList{"http://keep.example/", "https://with.example/"}));
    }

    void exportWritesEachFormat()
    {
        writeList("https://a.example/\r\nhttps://b.example/=x\r\n\r\n");
        ListTitles::remember({{"https://a.example/", QStringLiteral("Ä title")}});
        CheckResult dead;
        dead.verdict = Verdict::Dead;
        dead.status = 404;
        dead.reason = QStringLiteral("=HYPERLINK(\"x\")");
        m_world.windows->checkResults().set(QStringLiteral("https://b.example/=x"), dead);

        m_chosen = file(QStringLiteral("out"));
        m_chosenFilter = ListImport::exportFilters()[0];
        m_world.windows->mainWindow()->menuItem(QStringLiteral("exportList"))->trigger();
        QCOMPARE(readAll(file(QStringLiteral("out.txt"))), QByteArray("https://a.example/\nhttps://b.example/=x\n"));

        m_chosenFilter = ListImport::exportFilters()[1];
        m_world.windows->mainWindow()->menuItem(QStringLiteral("exportList"))->trigger();
        const ListFormats::ReadResult bookmarks = ListFormats::read(readAll(file(QStringLiteral("out.html"))));
        QCOMPARE(bookmarks.format, ListFormats::Format::NetscapeBookmarks);
        QCOMPARE(bookmarks.addresses, (QList<FoundAddress>{{"https://a.example/", QStringLiteral("Ä title")},
                                                           {"https://b.example/=x", "https://b.example/=x"}}));

        m_chosenFilter = ListImport::exportFilters()[2];
        m_world.windows->mainWindow()->menuItem(QStringLiteral("exportList"))->trigger();
        const QByteArray csv = readAll(file(QStringLiteral("out.csv")));
        QVERIFY2(csv.contains("dead,404,\"'=HYPERLINK(\"\"x\"\")\""), csv.constData());
        QVERIFY2(csv.startsWith("address,title,verdict,status,reason\r\n"), csv.constData());
        QVERIFY(boxes().shown.isEmpty());
    }

    void exportWritesTheEntriesOwnBytes_data()
    {
        QTest::addColumn<QByteArray>("listFile");
        QTest::addColumn<int>("filter");
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<QString>("said"); ///< what the person is told after the export; empty for nothing
        const QByteArray latin1 = "https://a.example/caf\xe9.html\r\nhttps://b.example/\r\n";
        QTest::newRow("text: a byte that is not UTF-8") << latin1 << 0 << QByteArray("https://a.example/caf\xe9.html\nhttps://b.example/\n")
                                                        << QString();
        QTest::newRow("csv: a byte that is not UTF-8") << latin1 << 2 << QByteArray("\r\nhttps://a.example/caf\xe9.html,,,,\r\n")
                                                       << QString();
        QTest::newRow("bookmarks: percent-encoded, and said")
            << latin1 << 1 << QByteArray("<A HREF=\"https://a.example/caf%E9.html\"")
            << QStringLiteral("1 entry could not be written as it is:\n    https://a.example/caf%E9.html\n");
        QTest::newRow("text: a line break inside an entry, said")
            << QByteArray("https://a.example/x\ny\r\nhttps://b.example/\r\n") << 0 << QByteArray("https://a.example/x%0Ay\nhttps://b.example/\n")
            << QStringLiteral("1 entry could not be written as it is:\n    https://a.example/x%0Ay\n");
    }
    void exportWritesTheEntriesOwnBytes()
    {
        QFETCH(QByteArray, listFile);
        QFETCH(int, filter);
        QFETCH(QByteArray, written);
        QFETCH(QString, said);
        writeList(listFile);
        static const char *const suffixes[] = {"txt", "html", "csv"};
        m_chosen = file(QStringLiteral("out.") + QLatin1String(suffixes[filter]));
        m_chosenFilter = ListImport::exportFilters()[filter];
        m_world.windows->mainWindow()->menuItem(QStringLiteral("exportList"))->trigger();
        const QByteArray bytes = readAll(m_chosen);
        QVERIFY2(filter == 0 ? bytes == written : bytes.contains(written), bytes.constData());
        if (said.isEmpty()) {
            QVERIFY(boxes().shown.isEmpty());
        } else {
            QCOMPARE(boxes().shown.size(), 1);
            QCOMPARE(boxes().shown[0].title, QStringLiteral("List exported"));
            QVERIFY2(boxes().shown[0].text.contains(said), qPrintable(boxes().shown[0].text));
        }
    }

    void theNameTellsTheExportsFormat_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("filter");
        QTest::addColumn<int>("format");
        QTest::newRow("csv typed, text filter") << "list.csv" << 0 << 2;
        QTest::newRow("HTM typed, csv filter") << "list.HTM" << 2 << 1;
        QTest::newRow("txt typed, bookmarks filter") << "list.txt" << 1 << 0;
        QTest::newRow("no ending: the filter") << "list" << 2 << 2;
        QTest::newRow("another ending: the filter") << "list.lst" << 1 << 1;
        QTest::newRow("no filter known") << "list" << -1 << 0;
        QTest::newRow("folder filter, the name box kept .txt") << "list.txt" << ListImport::folderFilter << ListImport::folderFilter;
        QTest::newRow("an existing folder, text filter") << "." << 0 << ListImport::folderFilter;
    }
    void theNameTellsTheExportsFormat()
    {
        QFETCH(QString, name);
        QFETCH(int, filter);
        QFETCH(int, format);
        QCOMPARE(ListImport::exportFormatFor(file(name), filter), format);
    }

    void exportThatCannotBeWrittenIsSaid()
    {
        writeList("https://a.example/\r\n");
        writeFile(file(QStringLiteral("a-file")), "not a folder");
        m_chosen = file(QStringLiteral("a-file/out.txt"));
        m_world.windows->mainWindow()->menuItem(QStringLiteral("exportList"))->trigger();
        QCOMPARE(boxes().shown.size(), 1);
        QCOMPARE(boxes().shown[0].title, QStringLiteral("List not exported"));
        QVERIFY(!QFile::exists(m_chosen));
    }
};

QTEST_MAIN(TestImportExport)
#include "tst_importexport.moc"
