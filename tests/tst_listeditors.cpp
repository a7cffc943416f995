// The list editors (New list, Edit list, List view, Add URL) driven through their handlers, with the
// main window's list commands and the list browser they feed.
#include "app/forms.h"
#include "app/mdiform1.h"
#include "browser/urlcheck.h"
#include "fakes/fakeplatform.h"
#include "fakes/testfiles.h"
#include "lists/add.h"
#include "lists/form1.h"
#include "lists/form2.h"
#include "lists/form3.h"
#include "lists/listpaths.h"
#include "ui/formwindow.h"
#include "ui/listbox.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

FakeWebBrowser *browserOf(URLcheck *w)
{
    return dynamic_cast<FakeWebBrowser *>(w->WebBrowser1);
}

void closeWithCloseBox(QWidget *form)
{
    QPointer<QWidget> frame = FormWindow::frameOf(form);
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
    void listViewKeepsOldListUntilRecreated();
    void addAppendsToWorkingList();
    void keyboardAndLook();

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
    Forms forms(platform);
    forms.MDIForm1()->show();
    MDIForm1 *frame = forms.MDIForm1();
    frame->show();

    frame->add_Click();
    Form1 *editor = forms.loadedForm1();
    QVERIFY(editor);
    QVERIFY(FormWindow::isVisible(editor));
    QVERIFY(!FormWindow::isVisible(forms.URLcheck()));
    QCOMPARE(editor->url->Text(), QStringLiteral("Your URL's (Multiline)"));

    editor->url->setText(QStringLiteral("http://a.example/\r\nhttp://b.example/\r\nhttp://c.example/"));
    const QStringList typed{"http://a.example/", "http://b.example/", "http://c.example/"};
    // While the success box waits, the list browser holds the new list but is not shown yet.
    bool checkedAtBox = false;
    platform.boxes.onShow = [&](const FakeMessageBoxes::Box &) {
        checkedAtBox = true;
        QCOMPARE(forms.URLcheck()->List1->entries(), typed);
        QVERIFY(!FormWindow::isVisible(forms.URLcheck()));
        QVERIFY(FormWindow::isVisible(editor));
    };
    editor->Command1_Click();
    QVERIFY(checkedAtBox);
    platform.boxes.onShow = nullptr;
    QCOMPARE(platform.boxes.shown.size(), 1);
    QCOMPARE(platform.boxes.shown[0].text, QStringLiteral(" New list created!"));
    QCOMPARE(platform.boxes.shown[0].title, QStringLiteral("Created"));
    QCOMPARE(platform.boxes.shown[0].icon, MessageBoxes::Icon::Information);
    QCOMPARE(platform.boxes.shown[0].buttons, MessageBoxes::Buttons::Ok);
    QVERIFY(FormWindow::isVisible(forms.URLcheck()));
    QVERIFY(!FormWindow::isVisible(editor));
    QCOMPARE(TestFiles::read(ListPaths::listFile()),
             QByteArray("http://a.example/\r\nhttp://b.example/\r\nhttp://c.example/\r\n"));

    URLcheck *browser = forms.URLcheck();
    browser->Command1_Click(); // Next
    QCOMPARE(browser->List1->ListIndex(), 0);
    QCOMPARE(browserOf(browser)->navigations.last(), QStringLiteral("http://a.example/"));
    browser->Command4_Click(); // KILL
    QCOMPARE(browser->List1->entries(), typed.mid(1));

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
    QTest::newRow("widget line breaks") << QStringLiteral("A\nB") << QByteArray("A\r\nB\r\n")
                                        << QStringList{"A", "B"};
}

void TestListEditors::createWritesTextAsList()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, entries);
    QVERIFY(TestFiles::write(ListPaths::listFile(), "old 1\r\nold 2\r\nold 3\r\n"));
    FakePlatform platform;
    Forms forms(platform);
    forms.MDIForm1()->show();
    Form1 *editor = forms.Form1();
    if (!text.isNull())
        editor->url->setText(text);
    editor->Command1_Click();
    QCOMPARE(TestFiles::read(ListPaths::listFile()), bytes);
    QCOMPARE(forms.URLcheck()->List1->entries(), entries);
}

void TestListEditors::newListLifeCycle()
{
    FakePlatform platform;
    Forms forms(platform);
    forms.MDIForm1()->show();
    Form1 *editor = forms.Form1();
    editor->url->setText(QStringLiteral("A\r\nB"));
    editor->Command1_Click();
    QVERIFY(!FormWindow::isVisible(editor));

    // Reopened after hiding: the same window with the text just saved.
    FormWindow::show(forms.Form1());
    QCOMPARE(forms.Form1(), editor);
    QCOMPARE(editor->url->Text(), QStringLiteral("A\r\nB"));
    editor->Command3_Click();
    QVERIFY(!FormWindow::isVisible(editor));

    // Closed with its close box: created afresh with the hint.
    FormWindow::show(editor);
    closeWithCloseBox(editor);
    QVERIFY(!forms.loadedForm1());
    QCOMPARE(forms.Form1()->url->Text(), QStringLiteral("Your URL's (Multiline)"));
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
    Forms forms(platform);
    forms.MDIForm1()->show();
    if (browserLoaded)
        QCOMPARE(forms.URLcheck()->List1->entries(), (QStringList{"X", "Y"}));

    // A data folder whose "quokka" is a regular file: the list folder cannot be made.
    QTemporaryDir blocked;
    QVERIFY(blocked.isValid());
    QVERIFY(TestFiles::write(blocked.filePath(QStringLiteral("quokka")), "not a folder"));
    qputenv("XDG_DATA_HOME", blocked.path().toLocal8Bit());
    const QString path = ListPaths::listFile();

    const QString typed = QStringLiteral("new A\r\nnew B");
    QWidget *window = nullptr;
    if (editWindow) {
        Form3 *editor = forms.Form3();
        editor->url->setText(typed);
        window = editor;
        editor->Command1_Click();
        QCOMPARE(editor->url->Text(), typed);
    } else {
        Form1 *editor = forms.Form1();
        editor->url->setText(typed);
        window = editor;
        editor->Command1_Click();
        QCOMPARE(editor->url->Text(), typed);
    }
    QCOMPARE(platform.boxes.shown.size(), 1);
    const auto box = platform.boxes.shown.first();
    QCOMPARE(box.icon, MessageBoxes::Icon::Critical);
    QCOMPARE(box.buttons, MessageBoxes::Buttons::Ok);
    QVERIFY2(box.text.contains(QDir::toNativeSeparators(path)), qPrintable(box.text));
    QVERIFY(box.text != QStringLiteral(" New list created!") && box.text != QStringLiteral(" List updated!"));
    // The reason follows the path on its own line, and it is not empty.
    QVERIFY2(!box.text.section(QLatin1Char('\n'), 1).trimmed().isEmpty(), qPrintable(box.text));
    QVERIFY(FormWindow::isVisible(window));
    if (browserLoaded)
        QCOMPARE(forms.URLcheck()->List1->entries(), (QStringList{"X", "Y"}));
    else
        QVERIFY(!forms.loadedURLcheck());
    QVERIFY(QFileInfo(blocked.filePath(QStringLiteral("quokka"))).isFile());
}

void TestListEditors::editSaveCycleLeavesFileUnchanged()
{
    const QByteArray original("A\r\n\r\n B \r\nC\r\n");
    QVERIFY(TestFiles::write(ListPaths::listFile(), original));
    FakePlatform platform;
    Forms forms(platform);
    forms.MDIForm1()->show();
    MDIForm1 *frame = forms.MDIForm1();
    QCOMPARE(forms.Form3()->url->Text(), QStringLiteral("Your URL (Multilist)\r\n"));
    closeWithCloseBox(forms.Form3());

    for (int round = 0; round < 2; ++round) {
        frame->edit_Click();
        Form3 *editor = forms.loadedForm3();
        QVERIFY(editor);
        QVERIFY(FormWindow::isVisible(editor));
        QVERIFY(!FormWindow::isVisible(forms.URLcheck()));
        QCOMPARE(editor->url->Text(), QStringLiteral("A\r\n\r\n B \r\nC"));
        editor->Command1_Click();
        QCOMPARE(TestFiles::read(ListPaths::listFile()), original);
        QCOMPARE(platform.boxes.shown.last().text, QStringLiteral(" List updated!"));
        QCOMPARE(platform.boxes.shown.last().title, QStringLiteral("Edit"));
        QCOMPARE(platform.boxes.shown.last().icon, MessageBoxes::Icon::Information);
        // The editor stays open; the list browser is reloaded but stays hidden.
        QVERIFY(FormWindow::isVisible(editor));
        QVERIFY(!FormWindow::isVisible(forms.URLcheck()));
        QCOMPARE(forms.URLcheck()->List1->entries(), (QStringList{"A", "", " B ", "C"}));
        closeWithCloseBox(editor);
    }

    // An edited text reloads the working list from the saved file.
    frame->edit_Click();
    forms.loadedForm3()->url->setText(QStringLiteral("Z\r\nA"));
    forms.URLcheck()->List1->AddItem(QStringLiteral("unsaved"));
    forms.loadedForm3()->Command1_Click();
    QCOMPARE(TestFiles::read(ListPaths::listFile()), QByteArray("Z\r\nA\r\n"));
    QCOMPARE(forms.URLcheck()->List1->entries(), (QStringList{"Z", "A"}));
}

void TestListEditors::editCommandWithoutListOpensNewList()
{
    FakePlatform platform;
    Forms forms(platform);
    forms.MDIForm1()->show();
    forms.MDIForm1()->edit_Click();
    QCOMPARE(platform.boxes.shown.size(), 2);
    QCOMPARE(platform.boxes.shown[0].text, QStringLiteral("List doesn't exist!"));
    QCOMPARE(platform.boxes.shown[0].title, QStringLiteral("Error!"));
    QCOMPARE(platform.boxes.shown[0].icon, MessageBoxes::Icon::Critical);
    QCOMPARE(platform.boxes.shown[1].text, QStringLiteral("Create a new List..."));
    QCOMPARE(platform.boxes.shown[1].title, QStringLiteral("New list"));
    QVERIFY(!forms.loadedForm3());
    QVERIFY(forms.loadedForm1());
    QVERIFY(FormWindow::isVisible(forms.loadedForm1()));

    // The New list window it opened creates the list the edit command then finds.
    forms.loadedForm1()->url->setText(QStringLiteral("first"));
    forms.loadedForm1()->Command1_Click();
    forms.MDIForm1()->edit_Click();
    QCOMPARE(forms.loadedForm3()->url->Text(), QStringLiteral("first"));
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
    Forms forms(platform);
    forms.MDIForm1()->show();
    URLcheck *browser = forms.URLcheck();
    browser->List1->setListIndex(0);
    FormWindow::hide(browser);
    const int browserRow = browser->List1->ListIndex();

    Form2 *view = forms.Form2();
    QCOMPARE(view->List1->entries(), entries);
    if (row >= 0)
        view->List1->setListIndex(row);
    const QString expected = row >= 0 ? entries.at(row) : QString();
    if (byEnter)
        QTest::keyClick(view->List1, Qt::Key_Return);
    else
        view->List1_DblClick();
    QCOMPARE(browserOf(browser)->navigations.last(), expected);
    QVERIFY(FormWindow::isVisible(browser));
    QVERIFY(!FormWindow::isVisible(view));
    QCOMPARE(browser->List1->ListIndex(), browserRow);
    QVERIFY(platform.boxes.shown.isEmpty());
}

void TestListEditors::listViewKeepsOldListUntilRecreated()
{
    QVERIFY(TestFiles::write(ListPaths::listFile(), "A\r\nB\r\nC\r\n"));
    FakePlatform platform;
    Forms forms(platform);
    forms.MDIForm1()->show();
    Form2 *view = forms.Form2();
    view->Command1_Click();
    QVERIFY(!FormWindow::isVisible(view));

    Form1 *editor = forms.Form1();
    editor->url->setText(QStringLiteral("X"));
    editor->Command1_Click();

    FormWindow::show(forms.Form2());
    QCOMPARE(forms.Form2(), view);
    QCOMPARE(view->List1->entries(), (QStringList{"A", "B", "C"}));
    closeWithCloseBox(view);
    QCOMPARE(forms.Form2()->List1->entries(), QStringList{"X"});
}

void TestListEditors::addAppendsToWorkingList()
{
    QVERIFY(TestFiles::write(ListPaths::listFile(), "X\r\nY\r\n"));
    FakePlatform platform;
    Forms forms(platform);
    forms.MDIForm1()->show();
    URLcheck *browser = forms.URLcheck();
    browser->Command7_Click();
    add *strip = forms.loadedAdd();
    QVERIFY(strip);
    QVERIFY(FormWindow::isVisible(strip));
    QCOMPARE(strip->Text1->text(), QString());

    strip->Text1->setText(QStringLiteral("http://a.example/"));
    QTest::keyClick(strip->Text1, Qt::Key_Return);
    QCOMPARE(browser->List1->entries(), (QStringList{"X", "Y", "http://a.example/"}));
    QVERIFY(!FormWindow::isVisible(strip));
    QCOMPARE(browser->List1->ListIndex(), -1);
    QCOMPARE(TestFiles::read(ListPaths::listFile()), QByteArray("X\r\nY\r\n"));

    // Reopened, the last address is still there; ADD at once appends it again.
    browser->Command7_Click();
    QCOMPARE(forms.loadedAdd(), strip);
    QCOMPARE(strip->Text1->text(), QStringLiteral("http://a.example/"));
    strip->Command1->click();
    QCOMPARE(browser->List1->entries(), (QStringList{"X", "Y", "http://a.example/", "http://a.example/"}));

    browser->Command7_Click();
    strip->Text1->clear();
    strip->Command1_Click();
    QCOMPARE(browser->List1->ListCount(), 5);
    QCOMPARE(browser->List1->List(4), QString());

    browser->Command7_Click();
    closeWithCloseBox(strip);
    browser->Command7_Click();
    QCOMPARE(forms.loadedAdd()->Text1->text(), QString());

    closeWithCloseBox(browser);
    QCOMPARE(TestFiles::read(ListPaths::listFile()), QByteArray("X\r\nY\r\nhttp://a.example/\r\nhttp://a.example/\r\n\r\n"));
}

void TestListEditors::keyboardAndLook()
{
    FakePlatform platform;
    Forms forms(platform);
    forms.MDIForm1()->show();
    forms.MDIForm1()->show();
    Form1 *newList = forms.Form1();
    Form2 *view = forms.Form2();
    Form3 *edit = forms.Form3();
    add *strip = forms.add();

    QCOMPARE(newList->size(), QSize(505, 372));
    QCOMPARE(view->size(), QSize(776, 563));
    QCOMPARE(edit->size(), QSize(505, 370));
    QCOMPARE(strip->size(), QSize(364, 33));
    QCOMPARE(newList->Command1->text(), QStringLiteral("Create"));
    QCOMPARE(edit->Command1->text(), QStringLiteral("Edit"));
    QCOMPARE(strip->Command1->text(), QStringLiteral("ADD"));
    QCOMPARE(newList->Label1->text(), QStringLiteral("Create new list"));
    QCOMPARE(edit->Label1->text(), QStringLiteral("Edit  list"));
    QCOMPARE(FormWindow::frameOf(edit)->windowTitle(), QStringLiteral("Edit List"));
    QCOMPARE(FormWindow::frameOf(strip)->windowTitle(), QStringLiteral("Add URL"));
    QVERIFY(!newList->Command3->isVisibleTo(newList));
    QVERIFY(!edit->Command2->isVisibleTo(edit));
    QVERIFY(!view->Command1->isVisibleTo(view));

    // Tab order: New list starts on "Create", Edit list on its text.
    QCOMPARE(newList->Command1->nextInFocusChain(), static_cast<QWidget *>(newList->url));
    QCOMPARE(newList->focusProxy(), static_cast<QWidget *>(newList->Command1));
    QCOMPARE(edit->focusProxy(), static_cast<QWidget *>(edit->url));
    QCOMPARE(strip->focusProxy(), static_cast<QWidget *>(strip->Text1));

    // Every control a user reaches has a name a screen reader can say.
    for (QWidget *form : {static_cast<QWidget *>(newList), static_cast<QWidget *>(view),
                          static_cast<QWidget *>(edit), static_cast<QWidget *>(strip)}) {
        for (QWidget *control : form->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (control->focusPolicy() != Qt::NoFocus)
                QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));
        }
    }

    // Enter in the New list text starts a new line; it does not create the list.
    newList->url->setFocus();
    newList->url->setPlainText(QStringLiteral("A"));
    newList->url->moveCursor(QTextCursor::End);
    QTest::keyClick(newList->url, Qt::Key_Return);
    QTest::keyClicks(newList->url, QStringLiteral("B"));
    QCOMPARE(newList->url->Text(), QStringLiteral("A\r\nB"));
    QVERIFY(platform.boxes.shown.isEmpty());
}

QTEST_MAIN(TestListEditors)
#include "tst_listeditors.moc"
