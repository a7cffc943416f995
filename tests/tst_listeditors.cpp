// The list editors (New list, Edit list, List view, Add URL) driven through their handlers, with the
// main window's list commands and the list browser they feed.
#include "app/windows.h"
#include "app/mainwindow.h"
#include "browser/listbrowser.h"
#include "fakes/fakeplatform.h"
#include "fakes/testfiles.h"
#include "lists/addaddressbar.h"
#include "lists/newlistwindow.h"
#include "lists/listviewwindow.h"
#include "lists/editlistwindow.h"
#include "store/listpaths.h"
#include "ui/windowframe.h"
#include "ui/listbox.h"
#include "ui/multilinetextbox.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QClipboard>
#include <QtTest>

namespace {

FakeWebBrowser *browserOf(ListBrowser *w)
{
    return dynamic_cast<FakeWebBrowser *>(w->m_view);
}

void closeWithCloseBox(QWidget *form)
{
    QPointer<QWidget> frame = WindowFrame::frameOf(form);
    QVERIFY(frame->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!frame);
}

} // namespace

class TestListEditors : public QObject {
    Q_OBJECT

private slots:
    void init();

    void typicalRoadEndToEnd();
    void createWritesTextAsList_data();
    void createWritesTextAsList();
    void newListLifeCycle();
    void saveFailureKeepsTextAndWorkingList_data();
    void saveFailureKeepsTextAndWorkingList();
    void editSaveCycleLeavesFileUnchanged();
    void editCommandWithoutListOpensNewList();
    void listViewOpensEntry_data();
    void listViewOpensEntry();
    void listViewShowsTheListCreatedMeanwhile();
    void addAppendsToWorkingList();
    void editWithoutTypingKeepsEveryByte();
    void pastedLinesAddOneEntry();
    void keyboardAndLook();
    void theHintGivesWayToWhatIsTyped_data();
    void theHintGivesWayToWhatIsTyped();
    void longTextShowsAScrollBar();

private:
    std::unique_ptr<QTemporaryDir> m_data;
};

void TestListEditors::init()
{
    m_data = std::make_unique<QTemporaryDir>();
    QVERIFY(m_data->isValid());
    qputenv("XDG_DATA_HOME", m_data->path().toLocal8Bit());
}

void TestListEditors::typicalRoadEndToEnd()
{
    FakePlatform platform;
    Windows windows(platform);
    windows.mainWindow()->show();
    MainWindow *frame = windows.mainWindow();
    frame->show();

    frame->openNewList();
    NewListWindow *editor = windows.loadedNewListWindow();
    QVERIFY(editor);
    QVERIFY(WindowFrame::isVisible(editor));
    QVERIFY(!WindowFrame::isVisible(windows.listBrowser()));
    QCOMPARE(editor->m_listText->text(), QStringLiteral("Your URL's (Multiline)"));

    editor->m_listText->setText(QStringLiteral("http://a.example/\r\nhttp://b.example/\r\nhttp://c.example/"));
    const QStringList typed{"http://a.example/", "http://b.example/", "http://c.example/"};
    // While the success box waits, the list browser holds the new list but is not shown yet.
    bool checkedAtBox = false;
    platform.boxes.onShow = [&](const FakeMessageBoxes::Box &) {
        checkedAtBox = true;
        QCOMPARE(windows.listBrowser()->m_addressList->entries(), typed);
        QVERIFY(!WindowFrame::isVisible(windows.listBrowser()));
        QVERIFY(WindowFrame::isVisible(editor));
    };
    editor->createList();
    QVERIFY(checkedAtBox);
    platform.boxes.onShow = nullptr;
    QCOMPARE(platform.boxes.shown.size(), 1);
    QCOMPARE(platform.boxes.shown[0].text, QStringLiteral(" New list created!"));
    QCOMPARE(platform.boxes.shown[0].title, QStringLiteral("Created"));
    QCOMPARE(platform.boxes.shown[0].icon, MessageBoxes::Icon::Information);
    QCOMPARE(platform.boxes.shown[0].buttons, MessageBoxes::Buttons::Ok);
    QVERIFY(WindowFrame::isVisible(windows.listBrowser()));
    QVERIFY(!WindowFrame::isVisible(editor));
    QCOMPARE(TestFiles::read(ListPaths::listFile()),
             QByteArray("http://a.example/\r\nhttp://b.example/\r\nhttp://c.example/\r\n"));

    ListBrowser *browser = windows.listBrowser();
    browser->showNext(); // Next
    QCOMPARE(browser->m_addressList->currentRow(), 0);
    QCOMPARE(browserOf(browser)->navigations.last(), QStringLiteral("http://a.example/"));
    browser->removeSelected(); // KILL
    QCOMPARE(browser->m_addressList->entries(), typed.mid(1));

    QVERIFY(frame->close());
    QCOMPARE(TestFiles::read(ListPaths::listFile()), QByteArray("http://b.example/\r\nhttp://c.example/\r\n"));
}

void TestListEditors::createWritesTextAsList_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("entries");
    QTest::newRow("untouched hint") << QString() << QByteArray("Your URL's (Multiline)\r\n")
                                    << QStringList{"Your URL's (Multiline)"};
    QTest::newRow("empty") << QStringLiteral("") << QByteArray("\r\n") << QStringList{""};
    QTest::newRow("two lines") << QStringLiteral("A\r\nB") << QByteArray("A\r\nB\r\n") << QStringList{"A", "B"};
    QTest::newRow("final Enter") << QStringLiteral("A\r\nB\r\n") << QByteArray("A\r\nB\r\n\r\n")
                                 << QStringList{"A", "B", ""};
    QTest::newRow("blank line and spaces") << QStringLiteral(" A \r\n\r\nB") << QByteArray(" A \r\n\r\nB\r\n")
                                           << QStringList{" A ", "", "B"};
    QTest::newRow("lone LF stays in its line") << QStringLiteral("A\nB\r\nC") << QByteArray("A\nB\r\nC\r\n")
                                               << QStringList{"A\nB", "C"};
}

void TestListEditors::createWritesTextAsList()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, entries);
    QVERIFY(TestFiles::write(ListPaths::listFile(), "old 1\r\nold 2\r\nold 3\r\n"));
    FakePlatform platform;
    Windows windows(platform);
    windows.mainWindow()->show();
    NewListWindow *editor = windows.newListWindow();
    if (!text.isNull())
        editor->m_listText->setText(text);
    editor->createList();
    QCOMPARE(TestFiles::read(ListPaths::listFile()), bytes);
    QCOMPARE(windows.listBrowser()->m_addressList->entries(), entries);
}

void TestListEditors::newListLifeCycle()
{
    FakePlatform platform;
    Windows windows(platform);
    windows.mainWindow()->show();
    NewListWindow *editor = windows.newListWindow();
    editor->m_listText->setText(QStringLiteral("A\r\nB"));
    editor->createList();
    QVERIFY(!WindowFrame::isVisible(editor));

    // Reopened after hiding: the same window with the text just saved.
    WindowFrame::show(windows.newListWindow());
    QCOMPARE(windows.newListWindow(), editor);
    QCOMPARE(editor->m_listText->text(), QStringLiteral("A\r\nB"));
    editor->hideWindow();
    QVERIFY(!WindowFrame::isVisible(editor));

    // Closed with its close box: created afresh with the hint.
    WindowFrame::show(editor);
    closeWithCloseBox(editor);
    QVERIFY(!windows.loadedNewListWindow());
    QCOMPARE(windows.newListWindow()->m_listText->text(), QStringLiteral("Your URL's (Multiline)"));
}

void TestListEditors::saveFailureKeepsTextAndWorkingList_data()
{
    QTest::addColumn<bool>("editWindow");
    QTest::addColumn<bool>("browserLoaded");
    QTest::newRow("Create, list browser loaded") << false << true;
    QTest::newRow("Create, no list browser") << false << false;
    QTest::newRow("Edit, list browser loaded") << true << true;
    QTest::newRow("Edit, no list browser") << true << false;
}

void TestListEditors::saveFailureKeepsTextAndWorkingList()
{
    QFETCH(bool, editWindow);
    QFETCH(bool, browserLoaded);
    QVERIFY(TestFiles::write(ListPaths::listFile(), "X\r\nY\r\n"));
    FakePlatform platform;
    Windows windows(platform);
    windows.mainWindow()->show();
    if (browserLoaded)
        QCOMPARE(windows.listBrowser()->m_addressList->entries(), (QStringList{"X", "Y"}));

    // A data folder whose "quokka" is a regular file: the list folder cannot be made.
    QTemporaryDir blocked;
    QVERIFY(blocked.isValid());
    QVERIFY(TestFiles::write(blocked.filePath(QStringLiteral("quokka")), "not a folder"));
    qputenv("XDG_DATA_HOME", blocked.path().toLocal8Bit());
    const QString path = ListPaths::listFile();

    const QString typed = QStringLiteral("new A\r\nnew B");
    QWidget *window = nullptr;
    if (editWindow) {
        EditListWindow *editor = windows.editListWindow();
        editor->m_listText->setText(typed);
        window = editor;
        editor->saveEditedList();
        QCOMPARE(editor->m_listText->text(), typed);
    } else {
        NewListWindow *editor = windows.newListWindow();
        editor->m_listText->setText(typed);
        window = editor;
        editor->createList();
        QCOMPARE(editor->m_listText->text(), typed);
    }
    QCOMPARE(platform.boxes.shown.size(), 1);
    const auto box = platform.boxes.shown.first();
    QCOMPARE(box.icon, MessageBoxes::Icon::Critical);
    QCOMPARE(box.buttons, MessageBoxes::Buttons::Ok);
    QVERIFY2(box.text.contains(QDir::toNativeSeparators(path)), qPrintable(box.text));
    QVERIFY(box.text != QStringLiteral(" New list created!") && box.text != QStringLiteral(" List updated!"));
    // The reason follows the path on its own line, and it is not empty.
    QVERIFY2(!box.text.section(QLatin1Char('\n'), 1).trimmed().isEmpty(), qPrintable(box.text));
    QVERIFY(WindowFrame::isVisible(window));
    if (browserLoaded)
        QCOMPARE(windows.listBrowser()->m_addressList->entries(), (QStringList{"X", "Y"}));
    else
        QVERIFY(!windows.loadedListBrowser());
    QVERIFY(QFileInfo(blocked.filePath(QStringLiteral("quokka"))).isFile());
}

void TestListEditors::editSaveCycleLeavesFileUnchanged()
{
    const QByteArray original("A\r\n\r\n B \r\nC\r\n");
    QVERIFY(TestFiles::write(ListPaths::listFile(), original));
    FakePlatform platform;
    Windows windows(platform);
    windows.mainWindow()->show();
    MainWindow *frame = windows.mainWindow();
    QCOMPARE(windows.editListWindow()->m_listText->text(), QStringLiteral("Your URL (Multilist)\r\n"));
    closeWithCloseBox(windows.editListWindow());

    for (int round = 0; round < 2; ++round) {
        frame->editList();
        EditListWindow *editor = windows.loadedEditListWindow();
        QVERIFY(editor);
        QVERIFY(WindowFrame::isVisible(editor));
        QVERIFY(!WindowFrame::isVisible(windows.listBrowser()));
        QCOMPARE(editor->m_listText->text(), QStringLiteral("A\r\n\r\n B \r\nC"));
        editor->saveEditedList();
        QCOMPARE(TestFiles::read(ListPaths::listFile()), original);
        QCOMPARE(platform.boxes.shown.last().text, QStringLiteral(" List updated!"));
        QCOMPARE(platform.boxes.shown.last().title, QStringLiteral("Edit"));
        QCOMPARE(platform.boxes.shown.last().icon, MessageBoxes::Icon::Information);
        // The editor stays open; the list browser is reloaded but stays hidden.
        QVERIFY(WindowFrame::isVisible(editor));
        QVERIFY(!WindowFrame::isVisible(windows.listBrowser()));
        QCOMPARE(windows.listBrowser()->m_addressList->entries(), (QStringList{"A", "", " B ", "C"}));
        closeWithCloseBox(editor);
    }

    // An edited text reloads the working list from the saved file.
    frame->editList();
    windows.loadedEditListWindow()->m_listText->setText(QStringLiteral("Z\r\nA"));
    windows.listBrowser()->m_addressList->addEntry(QStringLiteral("unsaved"));
    windows.loadedEditListWindow()->saveEditedList();
    QCOMPARE(TestFiles::read(ListPaths::listFile()), QByteArray("Z\r\nA\r\n"));
    QCOMPARE(windows.listBrowser()->m_addressList->entries(), (QStringList{"Z", "A"}));
}

void TestListEditors::editCommandWithoutListOpensNewList()
{
    FakePlatform platform;
    Windows windows(platform);
    windows.mainWindow()->show();
    windows.mainWindow()->editList();
    QCOMPARE(platform.boxes.shown.size(), 2);
    QCOMPARE(platform.boxes.shown[0].text, QStringLiteral("List doesn't exist!"));
    QCOMPARE(platform.boxes.shown[0].title, QStringLiteral("Error!"));
    QCOMPARE(platform.boxes.shown[0].icon, MessageBoxes::Icon::Critical);
    QCOMPARE(platform.boxes.shown[1].text, QStringLiteral("Create a new List..."));
    QCOMPARE(platform.boxes.shown[1].title, QStringLiteral("New list"));
    QVERIFY(!windows.loadedEditListWindow());
    QVERIFY(windows.loadedNewListWindow());
    QVERIFY(WindowFrame::isVisible(windows.loadedNewListWindow()));

    // The New list window it opened creates the list the edit command then finds.
    windows.loadedNewListWindow()->m_listText->setText(QStringLiteral("first"));
    windows.loadedNewListWindow()->createList();
    windows.mainWindow()->editList();
    QCOMPARE(windows.loadedEditListWindow()->m_listText->text(), QStringLiteral("first"));
}

void TestListEditors::listViewOpensEntry_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("byEnter");
    QTest::newRow("double-click B") << QByteArray("A\r\nB\r\nC\r\n") << QStringList{"A", "B", "C"} << 1 << false;
    QTest::newRow("Enter on C") << QByteArray("A\r\nB\r\nC\r\n") << QStringList{"A", "B", "C"} << 2 << true;
    QTest::newRow("blank line kept") << QByteArray("A\r\n\r\nC\r\n") << QStringList{"A", "", "C"} << 1 << false;
    QTest::newRow("no list file") << QByteArray() << QStringList{""} << 0 << false;
    QTest::newRow("nothing selected") << QByteArray("A\r\n") << QStringList{"A"} << -1 << false;
}

void TestListEditors::listViewOpensEntry()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, entries);
    QFETCH(int, row);
    QFETCH(bool, byEnter);
    if (!file.isNull())
        QVERIFY(TestFiles::write(ListPaths::listFile(), file));
    FakePlatform platform;
    Windows windows(platform);
    windows.mainWindow()->show();
    ListBrowser *browser = windows.listBrowser();
    browser->m_addressList->setCurrentRow(0);
    WindowFrame::hide(browser);

    ListViewWindow *view = windows.listViewWindow();
    QCOMPARE(view->m_addressList->entries(), entries);
    if (row >= 0)
        view->m_addressList->setCurrentRow(row);
    const QString expected = row >= 0 ? entries.at(row) : QString();
    if (byEnter)
        QTest::keyClick(view->m_addressList, Qt::Key_Return);
    else
        view->openSelected();
    QCOMPARE(browserOf(browser)->navigations.last(), expected);
    QVERIFY(WindowFrame::isVisible(browser));
    QVERIFY(!WindowFrame::isVisible(view));
    // The list browser selects the opened entry, so that KILL removes what its page shows.
    QCOMPARE(browser->m_addressList->currentRow(), row);
    QCOMPARE(browser->m_chosenAddressBox->currentText(), expected);
    QVERIFY(platform.boxes.shown.isEmpty());
}

void TestListEditors::listViewShowsTheListCreatedMeanwhile()
{
    QVERIFY(TestFiles::write(ListPaths::listFile(), "A\r\nB\r\nC\r\n"));
    FakePlatform platform;
    Windows windows(platform);
    windows.mainWindow()->show();
    windows.mainWindow()->toolBarButtonClicked(QStringLiteral("List"));
    ListViewWindow *view = windows.loadedListViewWindow();
    QVERIFY(view);
    view->hideWindow();
    QVERIFY(!WindowFrame::isVisible(view));

    NewListWindow *editor = windows.newListWindow();
    editor->m_listText->setText(QStringLiteral("X"));
    editor->createList();

    // Show List shows the stored list as it is now, not the old entries of the hidden window.
    windows.mainWindow()->toolBarButtonClicked(QStringLiteral("List"));
    QCOMPARE(windows.loadedListViewWindow(), view);
    QVERIFY(WindowFrame::isVisible(view));
    QCOMPARE(view->m_addressList->entries(), QStringList{"X"});
    closeWithCloseBox(view);
    QCOMPARE(windows.listViewWindow()->m_addressList->entries(), QStringList{"X"});
}

void TestListEditors::editWithoutTypingKeepsEveryByte()
{
    // A lone LF inside an entry, no-break spaces, line and paragraph separators, a tab and a byte
    // that is no UTF-8: Edit without typing writes the same bytes back.
    const QByteArray original("http://a/\nb\r\nno\xC2\xA0" "break\r\nline\xE2\x80\xA8sep\r\npara\xE2\x80\xA9sep\r\n"
                              "\ttab\xFF\r\n");
    QVERIFY(TestFiles::write(ListPaths::listFile(), original));
    FakePlatform platform;
    Windows windows(platform);
    windows.mainWindow()->show();
    windows.mainWindow()->editList();
    EditListWindow *editor = windows.loadedEditListWindow();
    QVERIFY(editor);
    editor->saveEditedList();
    QCOMPARE(TestFiles::read(ListPaths::listFile()), original);
    QCOMPARE(windows.listBrowser()->m_addressList->count(), 5);

    // Typed text keeps the lone LF (shown as a break inside its line) and the no-break space.
    QVERIFY(TestFiles::write(ListPaths::listFile(), "http://a/\nb\r\nno\xC2\xA0" "break\r\n"));
    windows.mainWindow()->editList();
    windows.mainWindow()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(windows.mainWindow()));
    editor->m_listText->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(editor->m_listText));
    editor->m_listText->moveCursor(QTextCursor::End);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("!"));
    editor->saveEditedList();
    QCOMPARE(TestFiles::read(ListPaths::listFile()), QByteArray("http://a/\nb\r\nno\xC2\xA0" "break!\r\n"));
}

void TestListEditors::pastedLinesAddOneEntry()
{
    QVERIFY(TestFiles::write(ListPaths::listFile(), "X\r\n"));
    FakePlatform platform;
    Windows windows(platform);
    windows.mainWindow()->show();
    ListBrowser *browser = windows.listBrowser();
    for (const QString &pasted : {QStringLiteral("http://a/\r\nhttp://b/"), QStringLiteral("http://a/\nhttp://b/\n"),
                                  QStringLiteral("http://a/\rhttp://b/"), QStringLiteral("http://a/\u2029http://b/")}) {
        browser->openAddBar();
        AddAddressBar *strip = windows.loadedAddAddressBar();
        strip->m_addressEdit->clear();
        QApplication::clipboard()->setText(pasted);
        strip->m_addressEdit->paste();
        strip->m_addButton->click();
    }
    closeWithCloseBox(browser);
    QCOMPARE(TestFiles::read(ListPaths::listFile()),
             QByteArray("X\r\nhttp://a/\r\nhttp://a/\r\nhttp://a/\r\nhttp://a/\r\n"));
}

void TestListEditors::addAppendsToWorkingList()
{
    QVERIFY(TestFiles::write(ListPaths::listFile(), "X\r\nY\r\n"));
    FakePlatform platform;
    Windows windows(platform);
    windows.mainWindow()->show();
    ListBrowser *browser = windows.listBrowser();
    browser->openAddBar();
    AddAddressBar *strip = windows.loadedAddAddressBar();
    QVERIFY(strip);
    QVERIFY(WindowFrame::isVisible(strip));
    QCOMPARE(strip->m_addressEdit->text(), QString());

    strip->m_addressEdit->setText(QStringLiteral("http://a.example/"));
    QTest::keyClick(strip->m_addressEdit, Qt::Key_Return);
    QCOMPARE(browser->m_addressList->entries(), (QStringList{"X", "Y", "http://a.example/"}));
    QVERIFY(!WindowFrame::isVisible(strip));
    QCOMPARE(browser->m_addressList->currentRow(), -1);
    QCOMPARE(TestFiles::read(ListPaths::listFile()), QByteArray("X\r\nY\r\n"));

    // Reopened, the last address is still there; ADD at once appends it again.
    browser->openAddBar();
    QCOMPARE(windows.loadedAddAddressBar(), strip);
    QCOMPARE(strip->m_addressEdit->text(), QStringLiteral("http://a.example/"));
    strip->m_addButton->click();
    QCOMPARE(browser->m_addressList->entries(), (QStringList{"X", "Y", "http://a.example/", "http://a.example/"}));

    browser->openAddBar();
    strip->m_addressEdit->clear();
    strip->addAddress();
    QCOMPARE(browser->m_addressList->count(), 5);
    QCOMPARE(browser->m_addressList->entry(4), QString());

    browser->openAddBar();
    closeWithCloseBox(strip);
    browser->openAddBar();
    QCOMPARE(windows.loadedAddAddressBar()->m_addressEdit->text(), QString());

    closeWithCloseBox(browser);
    QCOMPARE(TestFiles::read(ListPaths::listFile()), QByteArray("X\r\nY\r\nhttp://a.example/\r\nhttp://a.example/\r\n\r\n"));
}

void TestListEditors::keyboardAndLook()
{
    FakePlatform platform;
    Windows windows(platform);
    windows.mainWindow()->show();
    windows.mainWindow()->show();
    NewListWindow *newList = windows.newListWindow();
    ListViewWindow *view = windows.listViewWindow();
    EditListWindow *edit = windows.editListWindow();
    AddAddressBar *strip = windows.addAddressBar();

    QCOMPARE(newList->size(), QSize(505, 372));
    QCOMPARE(view->size(), QSize(776, 563));
    QCOMPARE(edit->size(), QSize(505, 370));
    QCOMPARE(strip->size(), QSize(364, 33));
    QCOMPARE(newList->m_createButton->text(), QStringLiteral("Create"));
    QCOMPARE(edit->m_editButton->text(), QStringLiteral("Edit"));
    QCOMPARE(strip->m_addButton->text(), QStringLiteral("ADD"));
    QCOMPARE(newList->m_captionStrip->text(), QStringLiteral("Create new list"));
    QCOMPARE(edit->m_captionStrip->text(), QStringLiteral("Edit  list"));
    QCOMPARE(WindowFrame::frameOf(edit)->windowTitle(), QStringLiteral("Edit List"));
    QCOMPARE(WindowFrame::frameOf(strip)->windowTitle(), QStringLiteral("Add URL"));
    QVERIFY(!newList->m_hideButton->isVisibleTo(newList));
    QVERIFY(!edit->m_hideButton->isVisibleTo(edit));
    QVERIFY(!view->m_hideButton->isVisibleTo(view));

    // Tab order: New list starts on "Create", Edit list on its text.
    QCOMPARE(newList->m_createButton->nextInFocusChain(), static_cast<QWidget *>(newList->m_listText));
    QCOMPARE(newList->focusProxy(), static_cast<QWidget *>(newList->m_createButton));
    QCOMPARE(edit->focusProxy(), static_cast<QWidget *>(edit->m_listText));
    QCOMPARE(strip->focusProxy(), static_cast<QWidget *>(strip->m_addressEdit));

    // Every control a user reaches has a name a screen reader can say.
    for (QWidget *form : {static_cast<QWidget *>(newList), static_cast<QWidget *>(view),
                          static_cast<QWidget *>(edit), static_cast<QWidget *>(strip)}) {
        for (QWidget *control : form->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (control->focusPolicy() != Qt::NoFocus)
                QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));
        }
    }

    // Enter in the New list text starts a new line; it does not create the list.
    newList->m_listText->setFocus();
    newList->m_listText->setPlainText(QStringLiteral("A"));
    newList->m_listText->moveCursor(QTextCursor::End);
    QTest::keyClick(newList->m_listText, Qt::Key_Return);
    QTest::keyClicks(newList->m_listText, QStringLiteral("B"));
    QCOMPARE(newList->m_listText->text(), QStringLiteral("A\r\nB"));
    QVERIFY(platform.boxes.shown.isEmpty());
}

void TestListEditors::theHintGivesWayToWhatIsTyped_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("Tab from Create, then typing") << QStringLiteral("tab-type");
    QTest::newRow("a click, then typing") << QStringLiteral("click-type");
    QTest::newRow("a click, then Ctrl+V") << QStringLiteral("click-paste");
}

void TestListEditors::theHintGivesWayToWhatIsTyped()
{
    QFETCH(QString, way);
    FakePlatform platform;
    Windows windows(platform);
    windows.mainWindow()->show();
    windows.mainWindow()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(windows.mainWindow()));
    windows.mainWindow()->openNewList();
    NewListWindow *editor = windows.loadedNewListWindow();
    MultiLineTextBox *box = editor->m_listText;
    QCOMPARE(box->text(), QStringLiteral("Your URL's (Multiline)")); // the hint is the box's text
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(editor->m_createButton));

    if (way.startsWith(QLatin1String("tab")))
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    else
        QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, box->viewport()->rect().center());
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(box));
    QCOMPARE(box->textCursor().selectedText(), QStringLiteral("Your URL's (Multiline)"));
    if (way.endsWith(QLatin1String("paste"))) {
        QApplication::clipboard()->setText(QStringLiteral("http://a.example/\nhttp://b.example/"));
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(box->text(), QStringLiteral("http://a.example/\r\nhttp://b.example/"));
    } else {
        QTest::keyClicks(box, QStringLiteral("http://a.example/"));
        QCOMPARE(box->text(), QStringLiteral("http://a.example/"));
    }

    // Once changed, the text is the person's own: coming back to it selects nothing.
    editor->m_createButton->setFocus(Qt::TabFocusReason);
    box->setFocus(Qt::TabFocusReason);
    QVERIFY(!box->textCursor().hasSelection());
}

void TestListEditors::longTextShowsAScrollBar()
{
    FakePlatform platform;
    Windows windows(platform);
    windows.mainWindow()->show();
    QStringList lines;
    for (int i = 1; i <= 146; ++i)
        lines << QStringLiteral("http://example.com/%1").arg(i);
    for (MultiLineTextBox *box : {windows.newListWindow()->m_listText, windows.editListWindow()->m_listText}) {
        box->setText(lines.mid(0, 3).join(QStringLiteral("\r\n")));
        QTRY_VERIFY(!box->verticalScrollBar()->isVisible());
        box->setText(lines.join(QStringLiteral("\r\n")));
        QTRY_VERIFY(box->verticalScrollBar()->isVisible());
        QVERIFY(box->verticalScrollBar()->maximum() > 0);
        // The bar lies inside the box, where a click reaches it.
        QWidget *window = box->window();
        const QPoint middle = box->verticalScrollBar()->mapTo(window, box->verticalScrollBar()->rect().center());
        QWidget *hit = window->childAt(middle);
        QVERIFY2(hit == box->verticalScrollBar() || box->verticalScrollBar()->isAncestorOf(hit),
                 qPrintable(hit ? hit->objectName() : QStringLiteral("nothing")));
    }
}

QTEST_MAIN(TestListEditors)
#include "tst_listeditors.moc"
