// The browser window at its design size and larger: the design's places hold at the design size; a
// larger (maximized) window gives the page and the address box its room, and "Go" stays readable,
// clickable and off the address box's drop-down arrow.
#include "app/windows.h"
#include "browser/browserwindow.h"
#include "fakes/fakeplatform.h"
#include "fakes/windowsworld.h"
#include "platform/mediaplayer.h"
#include "platform/webbrowser.h"
#include "ui/windowframe.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QStyleOptionComboBox>
#include <QtTest>

class TestBrowserWindowLayout : public QObject {
    Q_OBJECT
private slots:
    void init() { m_world.start(); }
    void cleanup() { m_world.stop(); }
    void controlsFollowTheWindowSize_data();
    void controlsFollowTheWindowSize();
    void fullScreenAndBackKeepTheLayout();

private:
    /// The shared browser window shown at @p size, not maximized; null when it could not be shown.
    BrowserWindow *shownAt(const QSize &size);
    /// Whatever lies on top at the centre of @p rect in the controls' area (which a window smaller than
    /// the controls scrolls, so the point may lie outside the window's visible part).
    static QWidget *onTopAt(QWidget *area, const QRect &rect) { return area->childAt(rect.center()); }

    WindowsWorld m_world;
};

BrowserWindow *TestBrowserWindowLayout::shownAt(const QSize &size)
{
    BrowserWindow *w = m_world.windows->browserWindow();
    w->setWindowState(Qt::WindowNoState);
    w->resize(size);
    WindowFrame::show(w);
    if (!QTest::qWaitForWindowExposed(w))
        return nullptr;
    QTest::qWait(50);
    return w;
}

void TestBrowserWindowLayout::controlsFollowTheWindowSize_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("design size") << QSize(773, 573);
    QTest::newRow("as wide as the design's controls") << QSize(1020, 800);
    QTest::newRow("maximized on 1280 by 1024") << QSize(1280, 1005);
    QTest::newRow("wide and low") << QSize(1900, 600);
    QTest::newRow("narrow and tall") << QSize(700, 1400);
}

void TestBrowserWindowLayout::controlsFollowTheWindowSize()
{
    QFETCH(QSize, size);
    BrowserWindow *w = shownAt(size);
    QVERIFY(w);
    QWidget *area = w->m_view->widget()->parentWidget();
    // The controls' area is never smaller than the design's controls need; beyond that it fills the window.
    const int extraWidth = area->width() - 1020;
    const int extraHeight = area->height() - 713;
    QVERIFY(extraWidth >= 0 && extraHeight >= 0);
    const auto *scroller = qobject_cast<QScrollArea *>(w->centralWidget());
    QVERIFY(scroller);
    if (scroller->viewport()->width() > 1020)
        QCOMPARE(area->width(), scroller->viewport()->width());
    if (scroller->viewport()->height() > 713)
        QCOMPARE(area->height(), scroller->viewport()->height());

    // The page takes all the room there is below the address box.
    QCOMPARE(w->m_view->widget()->geometry(), QRect(0, 88, 1017 + extraWidth, 625 + extraHeight));
    // The right end's controls keep their distance from the window's edge.
    QCOMPARE(w->m_goArrowButton->geometry(), QRect(920 + extraWidth, 8, 41, 17));
    QCOMPARE(w->m_busyAnimation->widget()->geometry(), QRect(984 + extraWidth, 48, 36, 32));
    QCOMPARE(w->m_addressLabel->geometry(), QRect(8, 48, 65, 17));

    // The address box and "Go" fill the box's design place, from 72 to 981, grown by the extra width.
    const QRect box = w->m_addressBox->geometry();
    const QRect go = w->m_goButton->geometry();
    QCOMPARE(box.topLeft(), QPoint(72, 48));
    QCOMPARE(box.height(), 21);
    QCOMPARE(go.top(), box.top());
    QCOMPARE(go.height(), box.height());
    QCOMPARE(go.right(), 980 + extraWidth);
    QVERIFY(go.left() > box.right());
    QVERIFY2(box.width() > 909 - 60 + extraWidth, qPrintable(QString::number(box.width())));
    // "Go" can be read whole and clicked.
    QVERIFY(go.width() >= w->m_goButton->fontMetrics().horizontalAdvance(QStringLiteral("Go")) + 8);
    QCOMPARE(onTopAt(area, go), w->m_goButton);

    // The drop-down arrow is the box's own, where a click opens the list of typed addresses.
    QStyleOptionComboBox option;
    option.initFrom(w->m_addressBox);
    option.editable = true;
    const QRect arrow = w->m_addressBox->style()
                            ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, w->m_addressBox)
                            .translated(box.topLeft());
    QVERIFY(!arrow.isEmpty());
    QWidget *atArrow = onTopAt(area, arrow);
    QVERIFY2(atArrow == w->m_addressBox || w->m_addressBox->isAncestorOf(atArrow),
             qPrintable(atArrow ? atArrow->objectName() : QStringLiteral("nothing")));
}

void TestBrowserWindowLayout::fullScreenAndBackKeepTheLayout()
{
    BrowserWindow *w = shownAt(QSize(1280, 1005));
    QVERIFY(w);
    const QRect page = w->m_view->widget()->geometry();
    QVERIFY(page.width() > 1017);
    w->toggleFullScreen();
    QTRY_VERIFY(w->isFullScreen());
    w->toggleFullScreen();
    QTRY_VERIFY(!w->isFullScreen());
    QTRY_COMPARE(w->m_view->widget()->geometry(), page);
}

QTEST_MAIN(TestBrowserWindowLayout)
#include "tst_browserwindowlayout.moc"
