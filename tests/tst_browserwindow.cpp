// The browser window's handlers against the fake browser: address box, toolbar, timer, menu and keys.
#include "app/windows.h"
#include "browser/browserwindow.h"
#include "fakes/fakeplatform.h"
#include "fakes/windowsworld.h"
#include "store/listpaths.h"
#include "ui/clockticker.h"
#include "ui/windowframe.h"

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

class TestBrowserWindow : public QObject {
    Q_OBJECT
private:
    WindowsWorld m_world;

    static FakeWebBrowser *fake(BrowserWindow *w) { return qobject_cast<FakeWebBrowser *>(w->m_view); }
    static FakeMediaPlayer *animation(BrowserWindow *w) { return static_cast<FakeMediaPlayer *>(w->m_busyAnimation); }
    BrowserWindow *shownWindow()
    {
        BrowserWindow *w = m_world.windows->browserWindow();
        WindowFrame::show(w);
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
        BrowserWindow *w = m_world.windows->browserWindow();
        QVERIFY(!w->isVisible());
        QVERIFY(w->isWindow());
        QVERIFY(w->windowState() & Qt::WindowMaximized);
        QCOMPARE(w->windowTitle(), QStringLiteral("Quokka (BIGED)"));
        QCOMPARE(w->m_addressBox->currentText(), QString()); // "Your URL" gave way to the browser's address
        QCOMPARE(w->m_addressBox->count(), 0);
        QVERIFY(w->m_addressBox->isEditable());
        QCOMPARE(w->m_addressBox->insertPolicy(), QComboBox::NoInsert);
        QVERIFY(!animation(w)->isPlaying());
        QCOMPARE(animation(w)->plays, 1); // loaded by play, then stopped at once
        QVERIFY(animation(w)->file.endsWith(QLatin1String("dat/tst.gif")));
        QCOMPARE(w->statusPanel(3)->text(), QStringLiteral("Ready!"));
        QVERIFY(fake(w)->navigations.isEmpty());
        QVERIFY(w->m_goButton->isDefault());
        QCOMPARE(w->m_goArrowButton->text(), QStringLiteral("GO>"));
        QCOMPARE(w->m_addressLabel->text(), QStringLiteral("Adress:"));
    }

    void controlsSitAtTheirDesignPlaces_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("rect");
        // The address box and "Go" share the box's place: see tst_browserwindowlayout.
        QTest::newRow("goArrowButton") << "goArrowButton" << QRect(920, 8, 41, 17);
        QTest::newRow("view") << "view" << QRect(0, 88, 1017, 625);
        QTest::newRow("addressLabel") << "addressLabel" << QRect(8, 48, 65, 17);
        QTest::newRow("busyAnimation") << "busyAnimation" << QRect(984, 48, 36, 32);
    }
    void controlsSitAtTheirDesignPlaces()
    {
        QFETCH(QString, name);
        QFETCH(QRect, rect);
        QWidget *control = m_world.windows->browserWindow()->findChild<QWidget *>(name);
        QVERIFY(control);
        QCOMPARE(control->geometry(), rect);
        QVERIFY(!control->accessibleName().isEmpty());
    }

    void toolbarButtons()
    {
        BrowserWindow *w = m_world.windows->browserWindow();
        const QList<QAction *> actions = w->m_navigationBar->actions();
        const QStringList keys{"back", "forward", "refresh", "stop", "home"};
        const QStringList tips{"Back", "Forward", "Refresh", "Stop / Cancel", "Go home, Quokka! Mommy's waitin'!"};
        QCOMPARE(actions.size(), 5);
        for (int i = 0; i < 5; ++i) {
            QCOMPARE(actions[i]->objectName(), keys[i]);
            QCOMPARE(actions[i]->toolTip(), tips[i]);
            QVERIFY(!actions[i]->icon().isNull());
            auto *button = qobject_cast<QToolButton *>(w->m_navigationBar->widgetForAction(actions[i]));
            QVERIFY(button);
            QCOMPARE(button->toolButtonStyle(), Qt::ToolButtonIconOnly);
        }
    }

    void enterSendsTheAddressAndKeepsEveryOneSent()
    {
        BrowserWindow *w = shownWindow();
        QVERIFY(w);
        w->m_addressBox->setFocus();
        w->m_addressBox->setEditText(QStringLiteral("example.org"));
        QTest::keyClick(w->m_addressBox->lineEdit(), Qt::Key_Return);
        QTest::keyClick(w->m_addressBox->lineEdit(), Qt::Key_Return);
        QCOMPARE(fake(w)->navigations, (QStringList{"example.org", "example.org"}));
        QCOMPARE(w->m_addressBox->count(), 2);
        QCOMPARE(w->m_addressBox->itemText(0), QStringLiteral("example.org"));
        QCOMPARE(w->m_addressBox->itemText(1), QStringLiteral("example.org"));
        // "GO>" does what "Go" does, text exactly as typed, empty text included.
        w->m_addressBox->setEditText(QStringLiteral("  other "));
        QTest::mouseClick(w->m_goArrowButton, Qt::LeftButton);
        w->m_addressBox->setEditText(QString());
        w->goToTypedAddress();
        QCOMPARE(fake(w)->navigations, (QStringList{"example.org", "example.org", "  other ", ""}));
        QCOMPARE(w->m_addressBox->count(), 4);
        QCOMPARE(w->m_addressBox->itemText(3), QString());
    }

    void enterWhereThePersonTypesNavigatesOnce_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Return") << int(Qt::Key_Return);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
    }
    void enterWhereThePersonTypesNavigatesOnce()
    {
        QFETCH(int, key);
        BrowserWindow *w = shownWindow();
        QVERIFY(w);
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        // A click into the box, then Ctrl+L: each puts the focus where keys go for the box.
        QTest::mouseClick(w->m_addressBox, Qt::LeftButton, {}, QPoint(20, w->m_addressBox->height() / 2));
        QTRY_VERIFY(w->m_addressBox->isAncestorOf(QApplication::focusWidget()) || QApplication::focusWidget() == w->m_addressBox);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("x"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        QCOMPARE(fake(w)->navigations.size(), 1);
        w->m_goButton->setFocus();
        QTest::keyClick(w, Qt::Key_L, Qt::ControlModifier);
        QTRY_VERIFY(QApplication::focusWidget() == w->m_addressBox || w->m_addressBox->isAncestorOf(QApplication::focusWidget()));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("example.org"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
        QCOMPARE(fake(w)->navigations.size(), 2);
        QCOMPARE(fake(w)->navigations.last(), QStringLiteral("example.org"));
    }

    void typedAddressIsNotCompleted()
    {
        BrowserWindow *w = shownWindow();
        QVERIFY(w);
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        w->m_addressBox->setEditText(QStringLiteral("127.0.0.1:8731/a.html"));
        w->goToTypedAddress();
        w->m_addressBox->setFocus(Qt::ShortcutFocusReason);
        w->m_addressBox->lineEdit()->selectAll();
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("127.0.0.1:8731/a"));
        QCOMPARE(w->m_addressBox->currentText(), QStringLiteral("127.0.0.1:8731/a"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(fake(w)->navigations.last(), QStringLiteral("127.0.0.1:8731/a"));
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
        BrowserWindow *w = m_world.windows->browserWindow();
        FakeWebBrowser *b = fake(w);
        b->navigate(QStringLiteral("http://a/"));
        b->navigate(QStringLiteral("http://b/"));
        if (key == QLatin1String("forward"))
            b->goBack();
        const int navigations = int(b->navigations.size());
        w->navigationButtonClicked(key);
        QCOMPARE(b->url(), expected[0]);
        QCOMPARE(b->refreshes, expected[1].toInt());
        QCOMPARE(b->stops, expected[2].toInt());
        QCOMPARE(b->homes, expected[3].toInt());
        if (key != QLatin1String("home"))
            QCOMPARE(b->navigations.size(), navigations);
        QVERIFY(m_world.platform->boxes.shown.isEmpty());
    }

    void backAndForwardWithNoHistoryDoNothing()
    {
        BrowserWindow *w = m_world.windows->browserWindow();
        for (const char *key : {"back", "forward"})
            w->m_navigationBar->findChild<QAction *>(QString::fromLatin1(key))->trigger();
        QCOMPARE(fake(w)->url(), QString());
        QVERIFY(fake(w)->navigations.isEmpty());
        QVERIFY(m_world.platform->boxes.shown.isEmpty());
        QCOMPARE(m_world.platform->fatal.raised.size(), 0);
    }

    void captionAnimationAndStatusFollowThePage()
    {
        BrowserWindow *w = m_world.windows->browserWindow();
        FakeWebBrowser *b = fake(w);
        QCOMPARE(w->windowTitle(), QStringLiteral("Quokka (BIGED)"));
        // Once the event loop runs, the page title takes the caption: empty while nothing is loaded.
        QTRY_COMPARE(w->windowTitle(), QString());
        QCOMPARE(w->statusPanel(3)->text(), QStringLiteral("Ready!"));
        // Each announcement of the browser shows at once, before the event loop turns again.
        b->setBusy(true);
        QVERIFY(animation(w)->isPlaying());
        QCOMPARE(w->statusPanel(3)->text(), QStringLiteral("Browser is working..."));
        b->setPageTitle(QStringLiteral("Loading page"));
        QCOMPARE(w->windowTitle(), QStringLiteral("Loading page"));
        b->setPageTitle(QStringLiteral("Loaded page"));
        QCOMPARE(w->windowTitle(), QStringLiteral("Loaded page"));
        QVERIFY(animation(w)->isPlaying()); // a title change does not end the load
        b->setBusy(false);
        QVERIFY(!animation(w)->isPlaying());
        QCOMPARE(w->statusPanel(3)->text(), QStringLiteral("Ready!"));
        // Stop ends the load: the window returns to idle without any further step.
        b->setBusy(true);
        w->navigationButtonClicked(QStringLiteral("stop"));
        QVERIFY(!animation(w)->isPlaying());
        QCOMPARE(w->statusPanel(3)->text(), QStringLiteral("Ready!"));
        QCOMPARE(w->windowTitle(), QStringLiteral("Loaded page"));
        // A page without a title empties the caption, as the title of no page does.
        b->setPageTitle(QString());
        QCOMPARE(w->windowTitle(), QString());
    }

    void anIdleWindowDoesNothing()
    {
        BrowserWindow *w = m_world.windows->browserWindow();
        QTRY_COMPARE(w->windowTitle(), QString());
        const int plays = animation(w)->plays, stops = animation(w)->stopsSent;
        bool changed = false;
        connect(w, &QWidget::windowTitleChanged, this, [&] { changed = true; });
        QTest::qWait(100);
        QCOMPARE(animation(w)->plays, plays);
        QCOMPARE(animation(w)->stopsSent, stops);
        QVERIFY(!changed);
        // No timer of the window polls; the clock panels listen to the program's one clock ticker.
        for (QTimer *timer : w->findChildren<QTimer *>())
            QVERIFY2(!timer->isActive() || timer->interval() >= 1000, qPrintable(timer->objectName()));
        QVERIFY(m_world.windows->clockTicker().isListening(w));
    }

    void timePanelShowsHoursAndMinutes_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("expected");
        QTest::newRow("C locale") << "HH:mm:ss" << "HH:mm";
        QTest::newRow("seconds before AM/PM") << "h:mm:ss AP" << "h:mm AP";
        QTest::newRow("dots") << "HH.mm.ss" << "HH.mm";
        QTest::newRow("one-digit seconds") << "H:mm:s" << "H:mm";
        QTest::newRow("en_US, no seconds") << "h:mm AP" << "h:mm AP";
        QTest::newRow("de_DE, no seconds") << "HH:mm" << "HH:mm";
    }
    void timePanelShowsHoursAndMinutes()
    {
        QFETCH(QString, format);
        QFETCH(QString, expected);
        QCOMPARE(BrowserWindow::panelTimeFormat(format), expected);
    }

    void clockPanelsTurnWithTheMinute_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::newRow("C (short time with seconds)") << "C";
        QTest::newRow("de_DE") << "de_DE";
        QTest::newRow("en_US") << "en_US";
    }
    void clockPanelsTurnWithTheMinute()
    {
        QFETCH(QString, locale);
        const QLocale before;
        QLocale::setDefault(QLocale(locale));
        BrowserWindow *w = m_world.windows->browserWindow();
        QLocale::setDefault(before);
        // The panels show the minute: they listen for its turn, not for every second.
        QCOMPARE(m_world.windows->clockTicker().unitOf(w), ClockTicker::Unit::Minute);
        QCOMPARE(w->statusPanel(1)->text(), QLocale(locale).toString(QDate::currentDate(), QLocale::ShortFormat));
        const QString format = BrowserWindow::panelTimeFormat(QLocale(locale).timeFormat(QLocale::ShortFormat));
        const QTime now = QTime::currentTime();
        const QString time = w->statusPanel(2)->text();
        QVERIFY2(time == QLocale(locale).toString(now, format) || time == QLocale(locale).toString(now.addSecs(-60), format),
                 qPrintable(time));
        // A closed window stops listening; with nobody listening the ticker sleeps.
        delete w;
        QVERIFY(!m_world.windows->clockTicker().isActive());
    }

    void statusPanelsKeepTheirMinimumWidths()
    {
        BrowserWindow *w = m_world.windows->browserWindow();
        QVERIFY(w->statusPanel(1)->minimumWidth() >= 96 && w->statusPanel(2)->minimumWidth() >= 96);
        QVERIFY(w->statusPanel(3)->minimumWidth() >= 96);
    }

    void newOpensAnIndependentWindowAndLeavesTheCallerAlone()
    {
        BrowserWindow *first = shownWindow();
        QVERIFY(first);
        first->m_addressBox->setEditText(QStringLiteral("http://a/"));
        first->goToTypedAddress();
        fake(first)->setPageTitle(QStringLiteral("A"));
        QTest::keyClick(first, Qt::Key_N, Qt::ControlModifier);
        const QList<BrowserWindow *> windows = m_world.windows->browserWindows();
        QCOMPARE(windows.size(), 2);
        BrowserWindow *second = windows[1];
        QVERIFY(second != first);
        QVERIFY(second->isVisible());
        QCOMPARE(second->windowTitle(), QStringLiteral("Quokka"));
        QCOMPARE(second->m_addressBox->count(), 0);
        QVERIFY(fake(second)->navigations.isEmpty());
        QVERIFY(fake(second) != fake(first));
        // The caller keeps its page, address list and caption.
        QCOMPARE(first->windowTitle(), QStringLiteral("A"));
        QCOMPARE(fake(first)->navigations, QStringList{"http://a/"});
        QCOMPARE(first->m_addressBox->count(), 1);
        QCOMPARE(m_world.windows->loadedBrowserWindow(), first);
        // Each caption follows only its own page.
        fake(second)->setPageTitle(QStringLiteral("B"));
        QCOMPARE(first->windowTitle(), QStringLiteral("A"));
        QCOMPARE(second->windowTitle(), QStringLiteral("B"));
        // A further window made from the second one is a third, not the shared one.
        second->openNewWindow();
        QCOMPARE(m_world.windows->browserWindows().size(), 3);
    }

    void aPageAskingForAWindowGetsANewOne()
    {
        BrowserWindow *w = m_world.windows->browserWindow();
        WebBrowser *target = nullptr;
        emit w->m_view->newWindowRequested(&target);
        const QList<BrowserWindow *> windows = m_world.windows->browserWindows();
        QCOMPARE(windows.size(), 2);
        QCOMPARE(target, windows[1]->m_view);
        QCOMPARE(windows[1]->windowTitle(), QStringLiteral("Quokka"));
        QVERIFY(windows[1]->isVisible());
    }

    void quitEndsTheProgram()
    {
        BrowserWindow *w = m_world.windows->browserWindow();
        w->menuItem(QStringLiteral("quit"))->trigger();
        QCOMPARE(m_world.platform->quits, 1);
        QCOMPARE(w->menuItem(QStringLiteral("newQuokka"))->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
        QCOMPARE(w->menuItem(QStringLiteral("fileMenu"))->text(), QStringLiteral("&File"));
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
        BrowserWindow *w = shownWindow();
        QVERIFY(w);
        FakeWebBrowser *b = fake(w);
        b->navigate(QStringLiteral("http://a/"));
        b->navigate(QStringLiteral("http://b/"));
        if (expected == QLatin1String("forward"))
            b->goBack();
        if (expected == QLatin1String("stop"))
            b->setBusy(true); // Esc stops a page that is loading
        w->m_view->widget()->setFocus();
        QTest::keyClick(w->m_view->widget(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        if (expected == QLatin1String("forward"))
            QCOMPARE(b->url(), QStringLiteral("http://b/"));
        else if (expected == QLatin1String("refresh"))
            QCOMPARE(b->refreshes, 1);
        else if (expected == QLatin1String("stop"))
            QCOMPARE(b->stops, 1);
        else
            QCOMPARE(b->url(), expected);
    }

    void escOnAnIdlePageGoesToThePage()
    {
        BrowserWindow *w = shownWindow();
        QVERIFY(w);
        FakeWebBrowser *b = fake(w);
        b->navigate(QStringLiteral("http://a/"));
        b->setBusy(true);
        b->setBusy(false);
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        w->m_view->widget()->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), w->m_view->widget());
        int escSeen = 0;
        struct Recorder : QObject {
            int *seen;
            explicit Recorder(int *s) : seen(s) {}
            bool eventFilter(QObject *, QEvent *e) override
            {
                if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(e)->key() == Qt::Key_Escape)
                    ++*seen;
                return false;
            }
        } recorder(&escSeen);
        w->m_view->widget()->installEventFilter(&recorder);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QCOMPARE(b->stops, 0);
        QCOMPARE(escSeen, 1);
    }

    void ctrlLPutsTheCursorInTheAddressBox()
    {
        BrowserWindow *w = shownWindow();
        QVERIFY(w);
        w->activateWindow();
        w->m_addressBox->setEditText(QStringLiteral("http://typed/"));
        w->m_goArrowButton->setFocus();
        QTest::keyClick(w->m_goArrowButton, Qt::Key_L, Qt::ControlModifier);
        QTRY_VERIFY(w->m_addressBox->hasFocus());
        QCOMPARE(w->m_addressBox->lineEdit()->selectedText(), QStringLiteral("http://typed/"));
    }

    void closedSharedWindowComesBackFresh()
    {
        BrowserWindow *w = shownWindow();
        QVERIFY(w);
        w->m_addressBox->setEditText(QStringLiteral("x"));
        w->goToTypedAddress();
        QPointer<BrowserWindow> guard(w);
        w->close();
        QTRY_VERIFY(!guard);
        BrowserWindow *again = m_world.windows->browserWindow();
        QCOMPARE(again->m_addressBox->count(), 0);
        QCOMPARE(again->windowTitle(), QStringLiteral("Quokka (BIGED)"));
    }
};

QTEST_MAIN(TestBrowserWindow)
#include "tst_browserwindow.moc"
