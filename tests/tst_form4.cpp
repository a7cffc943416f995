// The browser window's handlers against the fake browser: address box, toolbar, timer, menu and keys.
#include "app/forms.h"
#include "browser/form4.h"
#include "fakes/fakeplatform.h"
#include "fakes/formsworld.h"
#include "lists/listpaths.h"
#include "ui/formwindow.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

class TestForm4 : public QObject {
    Q_OBJECT
private:
    FormsWorld m_world;

    static FakeWebBrowser *fake(Form4 *w) { return qobject_cast<FakeWebBrowser *>(w->brow); }
    static FakeMediaPlayer *animation(Form4 *w) { return static_cast<FakeMediaPlayer *>(w->player); }
    Form4 *shownWindow()
    {
        Form4 *w = m_world.forms->Form4();
        FormWindow::show(w);
        return QTest::qWaitForWindowExposed(w) ? w : nullptr;
    }

private slots:
    void init()
    {
        m_world.start();
    }
    void cleanup() { m_world.stop(); }

    void loadsWithoutShowingAndStandsIdle()
    {
        Form4 *w = m_world.forms->Form4();
        QVERIFY(!w->isVisible());
        QVERIFY(w->isWindow());
        QVERIFY(w->windowState() & Qt::WindowMaximized);
        QCOMPARE(w->windowTitle(), QStringLiteral("Quokka (BIGED)"));
        QCOMPARE(w->cboAddress->currentText(), QString()); // "Your URL" gave way to the browser's address
        QCOMPARE(w->cboAddress->count(), 0);
        QVERIFY(w->cboAddress->isEditable());
        QCOMPARE(w->cboAddress->insertPolicy(), QComboBox::NoInsert);
        QVERIFY(!animation(w)->isPlaying());
        QCOMPARE(animation(w)->plays, 1); // loaded by play, then stopped at once
        QVERIFY(animation(w)->file.endsWith(QLatin1String("dat/tst.gif")));
        QCOMPARE(w->Panels(3)->text(), QStringLiteral("Ready!"));
        QVERIFY(fake(w)->navigations.isEmpty());
        QCOMPARE(w->Timer1->interval(), 1);
        QVERIFY(w->Timer1->isActive());
        QVERIFY(w->Command2->isDefault());
        QCOMPARE(w->Command1->text(), QStringLiteral("GO>"));
        QCOMPARE(w->Label2->text(), QStringLiteral("Adress:"));
    }

    void controlsSitAtTheirDesignPlaces_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("rect");
        QTest::newRow("cboAddress") << "cboAddress" << QRect(72, 48, 909, 21);
        QTest::newRow("Command1") << "Command1" << QRect(920, 8, 41, 17);
        QTest::newRow("brow") << "brow" << QRect(0, 88, 1017, 625);
        QTest::newRow("Command2") << "Command2" << QRect(960, 48, 9, 13);
        QTest::newRow("Label2") << "Label2" << QRect(8, 48, 65, 17);
        QTest::newRow("player") << "player" << QRect(984, 48, 36, 32);
    }
    void controlsSitAtTheirDesignPlaces()
    {
        QFETCH(QString, name);
        QFETCH(QRect, rect);
        QWidget *control = m_world.forms->Form4()->findChild<QWidget *>(name);
        QVERIFY(control);
        QCOMPARE(control->geometry(), rect);
        QVERIFY(!control->accessibleName().isEmpty());
    }

    void toolbarButtons()
    {
        Form4 *w = m_world.forms->Form4();
        const QList<QAction *> actions = w->Toolbar1->actions();
        const QStringList keys{"back", "forward", "refresh", "stop", "home"};
        const QStringList tips{"Back", "Forward", "Refresh", "Stop / Cancel", "Go home, Quokka! Mommy's waitin'!"};
        QCOMPARE(actions.size(), 5);
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(actions[i]->objectName(), keys[i]);
            QCOMPARE(actions[i]->toolTip(), tips[i]);
            QVERIFY(!actions[i]->icon().isNull());
            auto *button = qobject_cast<QToolButton *>(w->Toolbar1->widgetForAction(actions[i]));
            QVERIFY(button);
            QCOMPARE(button->toolButtonStyle(), Qt::ToolButtonIconOnly);
        }
    }

    void enterSendsTheAddressAndKeepsEveryOneSent()
    {
        Form4 *w = shownWindow();
        QVERIFY(w);
        w->cboAddress->setFocus();
        w->cboAddress->setEditText(QStringLiteral("example.org"));
        QTest::keyClick(w->cboAddress->lineEdit(), Qt::Key_Return);
        QTest::keyClick(w->cboAddress->lineEdit(), Qt::Key_Return);
        QCOMPARE(fake(w)->navigations, (QStringList{"example.org", "example.org"}));
        QCOMPARE(w->cboAddress->count(), 2);
        QCOMPARE(w->cboAddress->itemText(0), QStringLiteral("example.org"));
        QCOMPARE(w->cboAddress->itemText(1), QStringLiteral("example.org"));
        // "GO>" does what "Go" does, text exactly as typed, empty text included.
        w->cboAddress->setEditText(QStringLiteral("  other "));
        QTest::mouseClick(w->Command1, Qt::LeftButton);
        w->cboAddress->setEditText(QString());
        w->Command2_Click();
        QCOMPARE(fake(w)->navigations, (QStringList{"example.org", "example.org", "  other ", ""}));
        QCOMPARE(w->cboAddress->count(), 4);
        QCOMPARE(w->cboAddress->itemText(3), QString());
    }

    void toolbarKeys_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("expected"); // url, refreshes, stops, homes
        QTest::newRow("back") << "back" << QStringList{"http://a/", "0", "0", "0"};
        QTest::newRow("forward") << "forward" << QStringList{"http://b/", "0", "0", "0"};
        QTest::newRow("refresh") << "refresh" << QStringList{"http://b/", "1", "0", "0"};
        QTest::newRow("stop") << "stop" << QStringList{"http://b/", "0", "1", "0"};
        QTest::newRow("home") << "home" << QStringList{FakeWebBrowser::homeAddress, "0", "0", "1"};
        QTest::newRow("capital Back") << "Back" << QStringList{"http://b/", "0", "0", "0"};
        QTest::newRow("empty") << "" << QStringList{"http://b/", "0", "0", "0"};
        QTest::newRow("List") << "List" << QStringList{"http://b/", "0", "0", "0"};
    }
    void toolbarKeys()
    {
        QFETCH(QString, key);
        QFETCH(QStringList, expected);
        Form4 *w = m_world.forms->Form4();
        FakeWebBrowser *b = fake(w);
        b->Navigate(QStringLiteral("http://a/"));
        b->Navigate(QStringLiteral("http://b/"));
        if (key == QLatin1String("forward"))
            b->GoBack();
        const int navigations = int(b->navigations.size());
        w->Toolbar1_ButtonClick(key);
        QCOMPARE(b->url, expected[0]);
        QCOMPARE(b->refreshes, expected[1].toInt());
        QCOMPARE(b->stops, expected[2].toInt());
        QCOMPARE(b->homes, expected[3].toInt());
        if (key != QLatin1String("home"))
            QCOMPARE(b->navigations.size(), navigations);
        QVERIFY(m_world.platform->boxes.shown.isEmpty());
    }

    void backAndForwardWithNoHistoryDoNothing()
    {
        Form4 *w = m_world.forms->Form4();
        for (const char *key : {"back", "forward"})
            w->Toolbar1->findChild<QAction *>(QString::fromLatin1(key))->trigger();
        QCOMPARE(fake(w)->url, QString());
        QVERIFY(fake(w)->navigations.isEmpty());
        QVERIFY(m_world.platform->boxes.shown.isEmpty());
        QCOMPARE(m_world.platform->fatal.raised.size(), 0);
    }

    void timerFollowsBusyAndTitle()
    {
        Form4 *w = m_world.forms->Form4();
        w->Timer1->stop(); // ticks are driven by hand here
        FakeWebBrowser *b = fake(w);
        w->Timer1_Timer();
        QCOMPARE(w->windowTitle(), QString()); // nothing loaded: the title is empty
        b->busy = true;
        b->title = QStringLiteral("Loading page");
        w->Timer1_Timer();
        QCOMPARE(w->windowTitle(), QStringLiteral("Loading page"));
        QVERIFY(animation(w)->isPlaying());
        QCOMPARE(w->Panels(3)->text(), QStringLiteral("Browser is working..."));
        w->Timer1_Timer(); // repeating play is harmless
        QVERIFY(animation(w)->isPlaying());
        w->Toolbar1_ButtonClick(QStringLiteral("stop"));
        QCOMPARE(w->Panels(3)->text(), QStringLiteral("Browser is working...")); // follows at the next tick
        w->Timer1_Timer();
        QVERIFY(!animation(w)->isPlaying());
        QCOMPARE(w->Panels(3)->text(), QStringLiteral("Ready!"));
    }

    void runningTimerFollowsTheBrowserOnItsOwn()
    {
        Form4 *w = m_world.forms->Form4();
        fake(w)->busy = true;
        fake(w)->title = QStringLiteral("page");
        QTRY_COMPARE(w->Panels(3)->text(), QStringLiteral("Browser is working..."));
        QCOMPARE(w->windowTitle(), QStringLiteral("page"));
        fake(w)->busy = false;
        QTRY_COMPARE(w->Panels(3)->text(), QStringLiteral("Ready!"));
        QVERIFY(!animation(w)->isPlaying());
    }

    void statusBarShowsDateAndTime()
    {
        Form4 *w = m_world.forms->Form4();
        QCOMPARE(w->Panels(1)->text(), QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
        const QTime before = QTime::currentTime();
        const QString time = w->Panels(2)->text();
        QVERIFY(time == QLocale().toString(before, QLocale::ShortFormat)
                || time == QLocale().toString(before.addSecs(-60), QLocale::ShortFormat));
        w->Panels(2)->clear();
        QTRY_VERIFY_WITH_TIMEOUT(!w->Panels(2)->text().isEmpty(), 3000); // kept current by the status bar
        QVERIFY(w->Panels(1)->minimumWidth() >= 96 && w->Panels(2)->minimumWidth() >= 96);
    }

    void newOpensAnIndependentWindowAndLeavesTheCallerAlone()
    {
        Form4 *first = shownWindow();
        QVERIFY(first);
        first->Timer1->stop();
        first->cboAddress->setEditText(QStringLiteral("http://a/"));
        first->Command2_Click();
        fake(first)->title = QStringLiteral("A");
        first->Timer1_Timer();
        QTest::keyClick(first, Qt::Key_N, Qt::ControlModifier);
        const QList<Form4 *> windows = m_world.forms->browserWindows();
        QCOMPARE(windows.size(), 2);
        Form4 *second = windows[1];
        QVERIFY(second != first);
        QVERIFY(second->isVisible());
        QCOMPARE(second->windowTitle(), QStringLiteral("Quokka"));
        QCOMPARE(second->cboAddress->count(), 0);
        QVERIFY(fake(second)->navigations.isEmpty());
        QVERIFY(fake(second) != fake(first));
        // The caller keeps its page, address list and caption.
        QCOMPARE(first->windowTitle(), QStringLiteral("A"));
        QCOMPARE(fake(first)->navigations, QStringList{"http://a/"});
        QCOMPARE(first->cboAddress->count(), 1);
        QCOMPARE(m_world.forms->loadedForm4(), first);
        // Each caption follows only its own page.
        second->Timer1->stop();
        fake(second)->title = QStringLiteral("B");
        second->Timer1_Timer();
        QCOMPARE(first->windowTitle(), QStringLiteral("A"));
        QCOMPARE(second->windowTitle(), QStringLiteral("B"));
        // A further window made from the second one is a third, not the shared one.
        second->new_Click();
        QCOMPARE(m_world.forms->browserWindows().size(), 3);
    }

    void aPageAskingForAWindowGetsANewOne()
    {
        Form4 *w = m_world.forms->Form4();
        WebBrowser *target = nullptr;
        emit w->brow->newWindowRequested(&target);
        const QList<Form4 *> windows = m_world.forms->browserWindows();
        QCOMPARE(windows.size(), 2);
        QCOMPARE(target, windows[1]->brow);
        QCOMPARE(windows[1]->windowTitle(), QStringLiteral("Quokka"));
        QVERIFY(windows[1]->isVisible());
    }

    void quitEndsTheProgram()
    {
        Form4 *w = m_world.forms->Form4();
        w->menuItem(QStringLiteral("quit"))->trigger();
        QCOMPARE(m_world.platform->quits, 1);
        QCOMPARE(w->menuItem(QStringLiteral("new"))->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
        QCOMPARE(w->menuItem(QStringLiteral("file"))->text(), QStringLiteral("&File"));
    }

    void keys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Alt+Left") << int(Qt::Key_Left) << int(Qt::AltModifier) << "http://a/";
        QTest::newRow("Alt+Right") << int(Qt::Key_Right) << int(Qt::AltModifier) << "forward";
        QTest::newRow("F5") << int(Qt::Key_F5) << int(Qt::NoModifier) << "refresh";
        QTest::newRow("Esc") << int(Qt::Key_Escape) << int(Qt::NoModifier) << "stop";
    }
    void keys()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, expected);
        Form4 *w = shownWindow();
        QVERIFY(w);
        FakeWebBrowser *b = fake(w);
        b->Navigate(QStringLiteral("http://a/"));
        b->Navigate(QStringLiteral("http://b/"));
        if (expected == QLatin1String("forward"))
            b->GoBack();
        w->brow->widget()->setFocus();
        QTest::keyClick(w->brow->widget(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        if (expected == QLatin1String("forward"))
            QCOMPARE(b->url, QStringLiteral("http://b/"));
        else if (expected == QLatin1String("refresh"))
            QCOMPARE(b->refreshes, 1);
        else if (expected == QLatin1String("stop"))
            QCOMPARE(b->stops, 1);
        else
            QCOMPARE(b->url, expected);
    }

    void ctrlLPutsTheCursorInTheAddressBox()
    {
        Form4 *w = shownWindow();
        QVERIFY(w);
        w->activateWindow();
        w->cboAddress->setEditText(QStringLiteral("http://typed/"));
        w->Command1->setFocus();
        QTest::keyClick(w->Command1, Qt::Key_L, Qt::ControlModifier);
        QTRY_VERIFY(w->cboAddress->hasFocus());
        QCOMPARE(w->cboAddress->lineEdit()->selectedText(), QStringLiteral("http://typed/"));
    }

    void closedSharedWindowComesBackFresh()
    {
        Form4 *w = shownWindow();
        QVERIFY(w);
        w->cboAddress->setEditText(QStringLiteral("x"));
        w->Command2_Click();
        QPointer<Form4> guard(w);
        w->close();
        QTRY_VERIFY(!guard);
        Form4 *again = m_world.forms->Form4();
        QCOMPARE(again->cboAddress->count(), 0);
        QCOMPARE(again->windowTitle(), QStringLiteral("Quokka (BIGED)"));
    }
};

QTEST_MAIN(TestForm4)
#include "tst_form4.moc"
