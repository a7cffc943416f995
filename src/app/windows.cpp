#include "app/windows.h"

#include "app/splashscreen.h"
#include "app/aboutdialog.h"
#include "app/listplayback.h"
#include "app/mainwindow.h"
#include "browser/browserwindow.h"
#include "browser/listbrowser.h"
#include "lists/addaddressbar.h"
#include "lists/newlistwindow.h"
#include "lists/listviewwindow.h"
#include "lists/editlistwindow.h"
#include "lists/cheatbox.h"
#include "lists/checkwindow.h"
#include "lists/gallerywindow.h"
#include "gallery/gallerypictures.h"
#include "lists/importwindow.h"
#include "check/checkmemory.h"
#include "check/checkresults.h"
#include "browser/pagecopykeeper.h"
#include "browser/oldercopiesdialog.h"
#include "copies/copystore.h"
#include "platform/webbrowser.h"
#include "memory/pagefingerprint.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "ui/listbox.h"
#include "ui/shownentriesmodel.h"
#include "ui/verdictmarks.h"
#include "ui/clockticker.h"

#include "ui/windowframe.h"

#include <QAbstractItemModel>
#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QOpenGLContext>
#include <QOpenGLWidget>

namespace {

/// The frame of a child window; tells when a close was accepted.
class SubWindowFrame final : public QMdiSubWindow {
    Q_OBJECT
public:
    SubWindowFrame(QWidget *parent, Qt::WindowFlags flags)
        : QMdiSubWindow(parent, flags)
    {
        // The frame is no stop for Tab. As one, it took the focus when Tab left the last control of its
        // window, and gave it straight back to that control: a page, for one, then kept Tab for good.
        setFocusPolicy(Qt::ClickFocus);
    }
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

/// Gives @p frame a native window that can hold page views from the moment it is created.
/// Qt picks a top-level's kind of native window when it creates it, from the widgets it holds; the
/// first page view (composited through OpenGL) added later makes Qt destroy the frame's X window and
/// create another. A close request that a window manager sent to the old X window while the program
/// was busy setting up the web engine was then dropped unseen: the close box seemed ignored. A hidden
/// GL widget, never shown and so never drawn, makes Qt create the right kind of window once.
/// Only on X11 with OpenGL: without a shared OpenGL context page views are not composited through
/// OpenGL either, and other platforms (the tests' offscreen one) cannot show such a window at all.
void prepareForPageViews(QWidget *frame)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !QOpenGLContext::globalShareContext())
        return;
    auto *marker = new QOpenGLWidget(frame);
    marker->setObjectName(QStringLiteral("pageViewReadiness"));
    marker->setAttribute(Qt::WA_DontShowOnScreen);
    marker->hide();
}

} // namespace

void Windows::followWithMarks(ListBox *list)
{
    // The list's entries get their remembered marks now, and again whenever the list is replaced.
    restoreMarks(list->entries());
    connect(list->model(), &QAbstractItemModel::modelReset, list, [this, list] { restoreMarks(list->entries()); });
}

Windows::Windows(Platform &platform, QObject *parent)
    : QObject(parent)
    , m_platform(platform)
    , m_clockTicker(new ClockTicker(this))
    , m_checkResults(new CheckResults(this))
    , m_verdictMarks(new VerdictMarks(*m_checkResults, this))
    , m_checkMemory(new CheckMemory(this))
    , m_copyStore(new CopyStore(this))
{
    const PageMemoryOpening opening = m_checkMemory->open();
    // On the store's own thread: the windows go on meanwhile, and its requests wait for it. Only
    // once the memory is made: two connections making a new memory at once fail.
    m_copyStore->open();
    const QString where = QDir::toNativeSeparators(m_checkMemory->memory().path());
    if (!opening.setAsidePath.isEmpty())
        m_memoryProblem = tr("Quokka's page memory in\n%1\nwas damaged. It was set aside as\n%2\nand a new one was "
                             "started.\n\nYour list is not affected.")
                              .arg(where, QDir::toNativeSeparators(opening.setAsidePath));
    else if (!opening.ok && opening.readable)
        m_memoryProblem = tr("Quokka can read its page memory in\n%1\nbut cannot write it.\n\nReason: %2\n\nThe marks of "
                             "earlier checks are shown; those of new checks will not be kept when Quokka ends. Your list "
                             "is not affected.")
                              .arg(where, opening.whyReadOnly);
    else if (!opening.ok)
        m_memoryProblem = tr("Quokka cannot keep its page memory in\n%1\n\nReason: %2\n\nThe marks of a check will "
                             "not be kept when Quokka ends. Your list is not affected.")
                              .arg(where, opening.problem);
    connect(m_checkResults, &CheckResults::resultSet, m_checkMemory,
            [this](const QString &entry, const CheckResult &result) { m_checkMemory->addCheck(entry, result); });
    connect(m_checkMemory, &CheckMemory::changeFound, m_checkResults, &CheckResults::setChange);
    connect(m_checkMemory, &CheckMemory::problem, this, [this](const QString &text) {
        m_memoryProblem = text;
        tellMemoryProblem();
    });
    reloadKeptTitles();
}

void Windows::reloadKeptTitles()
{
    m_verdictMarks->setTitles(ListTitles::load());
}

void Windows::setKeptTitles(QHash<QString, QString> titles)
{
    m_verdictMarks->setTitles(std::move(titles));
}

void Windows::tellMemoryProblem()
{
    if (m_memoryProblem.isEmpty())
        return;
    const QString text = std::exchange(m_memoryProblem, QString());
    m_platform.messageBoxes().show(text, tr("Page memory"), MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Critical);
}

void Windows::restoreMarks(const QStringList &entries)
{
    if (!m_checkMemory->isOpen())
        return;
    QStringList unmarked;
    for (const QString &entry : entries)
        if (!m_checkResults->resultFor(entry))
            unmarked.append(entry);
    if (unmarked.isEmpty())
        return;
    const QHash<QString, RememberedCheck> remembered = m_checkMemory->lastChecks(unmarked);
    for (auto it = remembered.cbegin(); it != remembered.cend(); ++it) {
        m_checkResults->restore(it.key(), it->result, it->checkedAt);
        if (!it->result.title.isEmpty() || it->result.fingerprint) {
            const CheckNote change = m_checkMemory->changeOf(it.key(), it->result, it->checkedAt);
            if (!change.change.isEmpty())
                m_checkResults->setChange(it.key(), change);
        }
    }
}

Windows::~Windows()
{
    m_checkMemory->flush();
    // The titles an import is keeping are written before the program ends.
    ListTitles::waitForWrites();
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
    WindowFrame::placeInView(window);
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
        prepareForPageViews(m_mainWindow);
        m_mainWindow->load();
    }
    return m_mainWindow;
}

ListBrowser *Windows::listBrowser()
{
    const bool fresh = !m_listBrowser;
    ListBrowser *window = child(m_listBrowser);
    if (fresh) {
        new ListPlayback(*this, window); // playing the list, owned by the list browser
        window->m_addressList->setMarks(m_verdictMarks);
        followWithMarks(window->m_addressList);
        auto *keeper = new PageCopyKeeper(window->m_view, *m_copyStore, window);
        keeper->setObjectName(QStringLiteral("pageCopyKeeper"));
        connect(window, &ListBrowser::pageVisited, m_checkMemory,
                [this, window, keeper](const QString &entry, const QString &title, const QString &finalAddress, const QString &text) {
                    LoadedPage page{entry, title, finalAddress, text, window->m_view->httpStatus(), window->m_view->loadFailed()};
                    // Judged against what was seen before this visit is remembered.
                    const QString whyNotGood = whyPageIsNotGood(page, m_checkMemory->seenBefore(entry));
                    m_checkMemory->addVisit(entry, title, finalAddress, pageFingerprint(title, text));
                    keeper->pageLoaded(page, whyNotGood);
                });
        connect(keeper, &PageCopyKeeper::copyShown, window, [window](const QString &, const QDateTime &savedAt, const QString &liveState) {
            window->showCopyBar(PageCopyKeeper::barText(savedAt, liveState), true);
        });
        connect(keeper, &PageCopyKeeper::copyUnreadable, window,
                [window](const QString &, const QString &problem) { window->showCopyBar(problem, false); });
        connect(keeper, &PageCopyKeeper::liveShown, window, &ListBrowser::hideCopyBar);
        connect(window, &ListBrowser::livePageClicked, keeper, &PageCopyKeeper::showLivePage);
        connect(window, &ListBrowser::savedCopyAsked, keeper, &PageCopyKeeper::showNewestCopy);
        connect(window, &ListBrowser::olderCopiesClicked, keeper, [this, window, keeper] { showOlderCopies(window, keeper); });
        tellMemoryProblem();
        showCheckInListBrowser();
        showListInGallery();
    }
    return window;
}

void Windows::showOlderCopies(QWidget *window, PageCopyKeeper *keeper)
{
    const QString entry = keeper->shownEntry();
    if (entry.isEmpty())
        return;
    // The copies come from the store's thread; the dialog opens when they are there.
    auto connection = std::make_shared<QMetaObject::Connection>();
    QPointer<QWidget> owner(window);
    QPointer<PageCopyKeeper> shower(keeper);
    *connection = connect(m_copyStore, &CopyStore::copiesListed, this,
                          [connection, owner, shower, entry](const QString &address, const QList<CopyRecord> &copies) {
                              if (address != entry)
                                  return;
                              disconnect(*connection);
                              if (!owner || !shower)
                                  return;
                              auto *dialog = new OlderCopiesDialog(entry, copies, owner);
                              dialog->setAttribute(Qt::WA_DeleteOnClose);
                              const QString state = shower->liveState();
                              connect(dialog, &OlderCopiesDialog::copyChosen, shower,
                                      [shower, entry, state](const CopyRecord &record) { shower->showCopy(entry, record, state); });
                              dialog->open();
                          });
    m_copyStore->listCopies(entry);
}

void Windows::showCheckInListBrowser()
{
    CheckWindow *check = m_checkWindow;
    ListBrowser *browser = m_listBrowser;
    if (!check || !browser)
        return;
    connect(check, &CheckWindow::checkProgressed, browser, &ListBrowser::showCheckProgress, Qt::UniqueConnection);
    connect(check, &CheckWindow::checkEnded, browser, &ListBrowser::showCheckEnded, Qt::UniqueConnection);
    // Closing the Check List window ends its check.
    connect(check, &QObject::destroyed, browser, &ListBrowser::showCheckEnded, Qt::UniqueConnection);
    connect(browser, &ListBrowser::cancelCheckClicked, check, &CheckWindow::cancelCheck, Qt::UniqueConnection);
    // A list browser opened while a check runs shows it at once.
    if (check->isChecking())
        check->showProgress();
}

NewListWindow *Windows::newListWindow() { return child(m_newListWindow); }

ListViewWindow *Windows::listViewWindow()
{
    const bool fresh = !m_listViewWindow;
    ListViewWindow *window = child(m_listViewWindow);
    if (fresh) {
        window->m_addressList->setMarks(m_verdictMarks);
        followWithMarks(window->m_addressList);
    }
    return window;
}

CheckWindow *Windows::checkWindow()
{
    const bool fresh = !m_checkWindow;
    CheckWindow *window = child(m_checkWindow);
    if (fresh)
        showCheckInListBrowser();
    return window;
}

GalleryWindow *Windows::galleryWindow()
{
    const bool fresh = !m_galleryWindow;
    // The gallery shows the list browser's list: that is loaded first, so the gallery comes up in front.
    listBrowser();
    GalleryWindow *window = child(m_galleryWindow);
    if (fresh) {
        showListInGallery();
        // A copy kept meanwhile (by a check or a visit) is the entry's newest picture.
        GalleryPictures *pictures = window->pictures();
        connect(m_copyStore, &CopyStore::kept, pictures, [pictures](const QString &address, const KeepResult &result) {
            if (result.outcome == KeepResult::Outcome::Kept || result.outcome == KeepResult::Outcome::Shared)
                pictures->copyKept(address, result.contentHash, QDateTime::currentDateTimeUtc());
        });
    }
    return window;
}

void Windows::showListInGallery()
{
    GalleryWindow *gallery = m_galleryWindow;
    ListBrowser *browser = m_listBrowser;
    if (!gallery || !browser)
        return;
    ListBox *list = browser->m_addressList;
    QPointer<ListBox> box(list);
    // The gallery shows what the list shows: its filter (and any other filter of the list's view)
    // narrows the gallery too.
    gallery->setEntrySource([box] {
        GalleryWindow::Shown shown;
        if (!box)
            return shown;
        const QStringList all = box->entries();
        const ShownEntriesModel *visible = box->shownEntries();
        const int count = visible->rowCount();
        shown.entries.reserve(count);
        shown.rows.reserve(count);
        for (int i = 0; i < count; ++i) {
            const int row = visible->sourceRow(i);
            shown.entries.append(all.at(row));
            shown.rows.append(row);
        }
        return shown;
    });
    QAbstractItemModel *entries = list->entryModel();
    connect(entries, &QAbstractItemModel::modelReset, gallery, &GalleryWindow::listChanged);
    connect(entries, &QAbstractItemModel::rowsInserted, gallery, &GalleryWindow::listChanged);
    connect(entries, &QAbstractItemModel::rowsRemoved, gallery, &GalleryWindow::listChanged);
    // An entry's text edited counts; its marks repainted do not.
    connect(entries, &QAbstractItemModel::dataChanged, gallery,
            [gallery](const QModelIndex &, const QModelIndex &, const QList<int> &roles) {
                if (roles.isEmpty() || roles.contains(Qt::DisplayRole) || roles.contains(Qt::EditRole))
                    gallery->listChanged();
            });
    connect(list->shownEntries(), &ShownEntriesModel::shownChanged, gallery, &GalleryWindow::listChanged);
    // A list browser that closes takes its list away; a new one is wired when it is made.
    connect(browser, &QObject::destroyed, gallery, &GalleryWindow::listChanged);
    connect(gallery, &GalleryWindow::entryOpened, browser, [browser](const QString &entry, int row) {
        browser->openStoredEntry(entry, row); // as choosing it in the list does
        WindowFrame::show(browser);
    });
    connect(gallery, &GalleryWindow::removeAsked, list, [list](const QList<int> &rows) {
        // One change of the list, so that one Undo List Change brings the whole group back.
        const QSet<int> gone(rows.cbegin(), rows.cend());
        const QStringList before = list->entries();
        QStringList kept;
        kept.reserve(before.size());
        for (int i = 0; i < int(before.size()); ++i)
            if (!gone.contains(i))
                kept.append(before.at(i));
        if (kept.size() != before.size())
            list->replaceEntries(kept, -1);
    });
}

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

void Windows::bringToFront()
{
    QList<QWidget *> shown;
    if (m_mainWindow && m_mainWindow->isVisible())
        shown.append(m_mainWindow);
    else if (m_splashScreen && m_splashScreen->isVisible())
        shown.append(m_splashScreen);
    else
        for (BrowserWindow *w : browserWindows())
            if (w->isVisible())
                shown.append(w);
    for (QWidget *w : std::as_const(shown)) {
        w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
        w->raise();
        w->activateWindow();
    }
}

MainWindow *Windows::loadedMainWindow() const { return m_mainWindow; }
ListBrowser *Windows::loadedListBrowser() const { return m_listBrowser; }
NewListWindow *Windows::loadedNewListWindow() const { return m_newListWindow; }
ListViewWindow *Windows::loadedListViewWindow() const { return m_listViewWindow; }
EditListWindow *Windows::loadedEditListWindow() const { return m_editListWindow; }
AddAddressBar *Windows::loadedAddAddressBar() const { return m_addAddressBar; }
CheatBox *Windows::loadedCheatBox() const { return m_cheatBox; }
AboutDialog *Windows::loadedAboutDialog() const { return m_aboutDialog; }
GalleryWindow *Windows::loadedGalleryWindow() const { return m_galleryWindow; }
CheckWindow *Windows::loadedCheckWindow() const { return m_checkWindow; }
BrowserWindow *Windows::loadedBrowserWindow() const { return m_browserWindow; }

#include "windows.moc"
