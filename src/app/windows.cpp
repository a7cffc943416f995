#include "app/windows.h"

#include "app/splashscreen.h"
#include "app/aboutdialog.h"
#include "app/mainwindow.h"
#include "browser/browserwindow.h"
#include "browser/listbrowser.h"
#include "lists/addaddressbar.h"
#include "lists/newlistwindow.h"
#include "lists/listviewwindow.h"
#include "lists/editlistwindow.h"
#include "lists/cheatbox.h"
#include "lists/checkwindow.h"
#include "check/checkresults.h"
#include "ui/listbox.h"
#include "ui/verdictmarks.h"
#include "ui/clockticker.h"

#include "ui/windowframe.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace {

/// The frame of a child window; tells when a close was accepted.
class SubWindowFrame final : public QMdiSubWindow {
    Q_OBJECT
public:
    using QMdiSubWindow::QMdiSubWindow;
signals:
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override
    {
        QMdiSubWindow::closeEvent(event);
        if (event->isAccepted())
            emit closed();
    }
};

} // namespace

Windows::Windows(Platform &platform, QObject *parent)
    : QObject(parent)
    , m_platform(platform)
    , m_clockTicker(new ClockTicker(this))
    , m_checkResults(new CheckResults(this))
    , m_verdictMarks(new VerdictMarks(*m_checkResults, this))
{
}

Windows::~Windows()
{
    // Discards every window without closing it: no unload handling runs here.
    for (const auto &w : std::as_const(m_otherBrowserWindows))
        delete w.data();
    delete m_browserWindow.data();
    delete m_splashScreen.data();
    delete m_mainWindow.data();
}

template <class W> W *Windows::child(QPointer<W> &slot)
{
    if (slot)
        return slot;
    QMdiArea *area = mainWindow()->mdiArea();
    auto *window = new W(*this);
    slot = window;
    auto *frame = new SubWindowFrame(nullptr, Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                                                 | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    frame->setWidget(window);
    // Forget the window as soon as its close is accepted; Qt deletes it once its handlers returned.
    connect(frame, &SubWindowFrame::closed, this, [&slot] { slot = nullptr; });
    frame->setAttribute(Qt::WA_DeleteOnClose);
    frame->setWindowTitle(window->windowTitle());
    frame->setWindowIcon(window->windowIcon());
    frame->setObjectName(window->objectName() + QStringLiteral("Frame"));
    area->addSubWindow(frame);
    frame->adjustSize();
    frame->setFixedSize(frame->sizeHint());
    window->load();
    frame->setWindowTitle(window->windowTitle());
    frame->show();
    return window;
}

template <class W> W *Windows::topLevel(QPointer<W> &slot)
{
    if (slot)
        return slot;
    auto *window = new W(*this);
    slot = window;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->load();
    return window;
}

MainWindow *Windows::mainWindow()
{
    if (!m_mainWindow) {
        m_mainWindow = new MainWindow(*this);
        m_mainWindow->load();
    }
    return m_mainWindow;
}

ListBrowser *Windows::listBrowser()
{
    const bool fresh = !m_listBrowser;
    ListBrowser *window = child(m_listBrowser);
    if (fresh)
        window->m_addressList->setMarks(m_verdictMarks);
    return window;
}

NewListWindow *Windows::newListWindow() { return child(m_newListWindow); }

ListViewWindow *Windows::listViewWindow()
{
    const bool fresh = !m_listViewWindow;
    ListViewWindow *window = child(m_listViewWindow);
    if (fresh)
        window->m_addressList->setMarks(m_verdictMarks);
    return window;
}

CheckWindow *Windows::checkWindow() { return child(m_checkWindow); }
EditListWindow *Windows::editListWindow() { return child(m_editListWindow); }
AddAddressBar *Windows::addAddressBar() { return child(m_addAddressBar); }
CheatBox *Windows::cheatBox() { return child(m_cheatBox); }
AboutDialog *Windows::aboutDialog() { return child(m_aboutDialog); }
BrowserWindow *Windows::browserWindow() { return topLevel(m_browserWindow); }

BrowserWindow *Windows::newBrowserWindow()
{
    QPointer<BrowserWindow> slot;
    BrowserWindow *window = topLevel(slot);
    m_otherBrowserWindows.removeAll(nullptr);
    m_otherBrowserWindows.append(slot);
    return window;
}

BrowserWindow *Windows::openNewBrowserWindow()
{
    BrowserWindow *window = newBrowserWindow();
    WindowFrame::setCaption(window, QStringLiteral("Quokka"));
    WindowFrame::show(window);
    return window;
}

SplashScreen *Windows::splashScreen()
{
    if (!m_splashScreen) {
        m_splashScreen = new SplashScreen(*this);
        m_splashScreen->load();
    }
    return m_splashScreen;
}

QList<BrowserWindow *> Windows::browserWindows() const
{
    QList<BrowserWindow *> all;
    if (m_browserWindow)
        all.append(m_browserWindow);
    for (const auto &w : m_otherBrowserWindows)
        if (w)
            all.append(w);
    return all;
}

MainWindow *Windows::loadedMainWindow() const { return m_mainWindow; }
ListBrowser *Windows::loadedListBrowser() const { return m_listBrowser; }
NewListWindow *Windows::loadedNewListWindow() const { return m_newListWindow; }
ListViewWindow *Windows::loadedListViewWindow() const { return m_listViewWindow; }
EditListWindow *Windows::loadedEditListWindow() const { return m_editListWindow; }
AddAddressBar *Windows::loadedAddAddressBar() const { return m_addAddressBar; }
CheatBox *Windows::loadedCheatBox() const { return m_cheatBox; }
AboutDialog *Windows::loadedAboutDialog() const { return m_aboutDialog; }
CheckWindow *Windows::loadedCheckWindow() const { return m_checkWindow; }
BrowserWindow *Windows::loadedBrowserWindow() const { return m_browserWindow; }

#include "windows.moc"
