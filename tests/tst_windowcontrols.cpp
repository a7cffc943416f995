// What a person meets in every window: each control that is shown can be reached with the mouse,
// and a screen reader reads each control and each text by what the screen shows.
#include "app/aboutdialog.h"
#include "app/mainwindow.h"
#include "app/windows.h"
#include "browser/browserwindow.h"
#include "browser/listbrowser.h"
#include "fakes/fakeplatform.h"
#include "fakes/windowsworld.h"
#include "lists/addaddressbar.h"
#include "lists/cheatbox.h"
#include "lists/editlistwindow.h"
#include "lists/listviewwindow.h"
#include "lists/newlistwindow.h"
#include "ui/windowframe.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QRegularExpression>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

namespace {

/// A control a person clicks, types into or picks from.
bool isControl(QWidget *w)
{
    return qobject_cast<QAbstractButton *>(w) || qobject_cast<QLineEdit *>(w) || qobject_cast<QComboBox *>(w)
           || qobject_cast<QAbstractScrollArea *>(w) || w->focusPolicy() & Qt::ClickFocus;
}

/// The caption as a person reads it: no mnemonic marks, no trailing dots or arrows, any case.
QString spoken(QString caption)
{
    caption.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    caption = caption.simplified();
    while (!caption.isEmpty() && QStringLiteral(".:>").contains(caption.back()))
        caption.chop(1);
    return caption.toCaseFolded();
}

/// Whether @p w belongs to @p window itself rather than to a child window shown inside it.
bool ownedBy(QWidget *w, QWidget *window)
{
    for (QWidget *p = w; p && p != window; p = p->parentWidget()) {
        if (qobject_cast<QMdiSubWindow *>(p) || qobject_cast<QMdiArea *>(p))
            return false;
    }
    return true;
}

QString accessibleName(QWidget *w)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(w);
    return iface ? iface->text(QAccessible::Name) : QString();
}

} // namespace

class TestWindowControls : public QObject {
    Q_OBJECT
private:
    WindowsWorld m_world;

    /// Every window of the program, shown.
    QList<QWidget *> everyWindow()
    {
        Windows &windows = *m_world.windows;
        windows.mainWindow()->show();
        QList<QWidget *> all{windows.mainWindow(), windows.listBrowser(), windows.newListWindow(),
                             windows.listViewWindow(), windows.editListWindow(), windows.addAddressBar(),
                             windows.cheatBox(), windows.aboutDialog(), windows.browserWindow()};
        for (QWidget *w : all)
            WindowFrame::show(w);
        // The browser window is laid out for a desktop screen, larger than the test's screen.
        windows.browserWindow()->setWindowState(Qt::WindowNoState);
        windows.browserWindow()->resize(1280, 960);
        return all;
    }

private slots:
    void init() { m_world.start(); }
    void cleanup() { m_world.stop(); }

    void nothingShownCoversAControl()
    {
        for (QWidget *window : everyWindow()) {
            for (QWidget *control : window->findChildren<QWidget *>()) {
                if (!control->isVisibleTo(window) || !isControl(control) || !ownedBy(control, window))
                    continue;
                const QPoint centre = control->mapTo(window, control->rect().center());
                QWidget *hit = window->childAt(centre);
                QVERIFY2(hit == control || control->isAncestorOf(hit),
                         qPrintable(QStringLiteral("%1: %2 lies over %3").arg(window->objectName(),
                                                                         hit ? hit->objectName() : QStringLiteral("nothing"),
                                                                         control->objectName())));
            }
        }
    }

    void screenReadersSayWhatTheScreenShows()
    {
        QAccessible::setActive(true);
        for (QWidget *window : everyWindow()) {
            for (QWidget *w : window->findChildren<QWidget *>()) {
                if (!w->isVisibleTo(window) || !ownedBy(w, window))
                    continue;
                QString caption;
                if (auto *button = qobject_cast<QAbstractButton *>(w)) {
                    const auto *tool = qobject_cast<QToolButton *>(w);
                    if (!tool || tool->toolButtonStyle() != Qt::ToolButtonIconOnly)
                        caption = button->text();
                } else if (auto *label = qobject_cast<QLabel *>(w)) {
                    caption = label->text();
                }
                if (spoken(caption).isEmpty())
                    continue;
                const QString name = accessibleName(w);
                QVERIFY2(name.simplified().toCaseFolded().contains(spoken(caption)),
                         qPrintable(QStringLiteral("%1 in %2 shows \"%3\" but is read as \"%4\"")
                                        .arg(w->objectName(), window->objectName(), caption, name)));
            }
        }
    }

    void mainToolBarCannotBeHidden()
    {
        MainWindow *frame = m_world.windows->mainWindow();
        frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame));
        QToolBar *bar = frame->m_mainToolBar;
        QString popupSeen;
        // A menu that did open runs its own loop: note it and close it.
        QTimer::singleShot(200, this, [&popupSeen] {
            if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                for (QAction *a : menu->actions())
                    popupSeen += a->text() + QLatin1Char(' ');
                menu->close();
            }
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, bar->rect().center(), bar->mapToGlobal(bar->rect().center()));
        QApplication::sendEvent(bar, &event);
        QTest::qWait(300);
        QVERIFY2(popupSeen.isEmpty(), qPrintable(QStringLiteral("a menu offers: ") + popupSeen));
        QVERIFY(bar->isVisible());
    }
};

QTEST_MAIN(TestWindowControls)
#include "tst_windowcontrols.moc"
