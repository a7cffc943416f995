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
#include "check/rememberedmarks.h"
#include "browser/copybar.h"
#include "browser/pagecopykeeper.h"
#include "browser/pagetools.h"
#include "play/playsettings.h"
#include "browser/oldercopiesdialog.h"
#include "browser/whatchangedwindow.h"
#include "changes/changestore.h"
#include "copies/copystore.h"
#include "platform/webbrowser.h"
#include "memory/pagefingerprint.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "ui/listbox.h"
#include "ui/listfilterbar.h"
#include "ui/shownentriesmodel.h"
#include "ui/verdictmarks.h"
#include "ui/clockticker.h"

#include "ui/windowframe.h"

#include <QAbstractItemModel>
#include <QShortcut>
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
    // The list's entries get their remembered marks now, again whenever the list is replaced, and
    // those that come in when it grows.
    restoreMarks(list->entries());
    m_changeStore->askChanges(list->entries());
    const QAbstractItemModel *entries = list->entryModel();
    connect(entries, &QAbstractItemModel::modelReset, list, [this, list] {
        restoreMarks(list->entries());
        m_changeStore->askChanges(list->entries());
    });
    connect(entries, &QAbstractItemModel::rowsInserted, list, [this, list](const QModelIndex &, int first, int last) {
        const QStringList added = list->entries().mid(first, last - first + 1);
        restoreMarks(added);
        m_changeStore->askChanges(added);
    });
}

Windows::Windows(Platform &platform, QObject *parent)
    : QObject(parent)
    , m_platform(platform)
    , m_clockTicker(new ClockTicker(this))
    , m_checkResults(new CheckResults(this))
    , m_verdictMarks(new VerdictMarks(*m_checkResults, this))
    , m_checkMemory(new CheckMemory(this))
    , m_rememberedMarks(new RememberedMarks(*m_checkResults, *m_checkMemory, this))
    , m_copyStore(new CopyStore(this))
    , m_changeStore(new ChangeStore(this))
{
    const PageMemoryOpening opening = m_checkMemory->open();
    // On the store's own thread: the windows go on meanwhile, and its requests wait for it. Only
    // once the memory is made: two connections making a new memory at once fail.
    m_copyStore->open();
    m_changeStore->open();
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
    // An entry is marked changed only against the person's own last look; opening it takes the mark away.
    connect(m_changeStore, &ChangeStore::changeAnswered, m_verdictMarks, [this](const ChangeAnswer &answer) {
        const bool sincePerson = answer.comparedWith && answer.comparedWith->kind == LookRecord::Kind::Person;
        m_verdictMarks->setChangedLines(answer.entry, sincePerson ? answer.changedLines : 0);
    });
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
    m_rememberedMarks->restore(entries);
}

Windows::~Windows()
{
    // Marks still to be read back for the list are of no use now; the last results' writing need not
    // wait for them.
    m_rememberedMarks->dropWaiting();
    m_checkMemory->flush();
    // The titles an import is keeping are written before the program ends.
    ListTitles::waitForWrites();
    // Discards every window without closing it: no unload handling runs here.
    for (const auto &w : std::as_const(m_otherBrowserWindows))
        delete w.data();
    delete m_browserWindow.data();
    delete m_whatChangedWindow.data();
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
        auto *playback = new ListPlayback(*this, window); // playing the list, owned by the list browser
        window->m_addressList->setMarks(m_verdictMarks);
        followWithMarks(window->m_addressList);
        PageCopyKeeper *keeper = keepCopies(window, window->m_view, window->m_copyBar, window->m_pageTools,
                                            [window] { return window->m_addressList->currentEntry(); });
        connect(window, &ListBrowser::pageVisited, keeper,
                [this, keeper, view = window->m_view](const QString &entry, const QString &title, const QString &finalAddress,
                                                      const QString &text) { judgeVisit(keeper, view, entry, title, finalAddress, text); });
        window->m_filterBar->followChanges(m_verdictMarks);
        connect(window, &ListBrowser::pageVisited, window,
                [this, window, playback](const QString &entry, const QString &, const QString &, const QString &text) {
                    // The text as the person saw it is this look's: an error page is no look at the page.
                    if (!window->m_view->loadFailed() && window->m_view->httpStatus() < 400)
                        m_changeStore->recordLook(entry, playback->player()->isPlaying() ? LookRecord::Kind::Play : LookRecord::Kind::Person, text);
                });
        // Ctrl+Shift+D: what changed at the chosen entry since the person last looked.
        auto *whatChanged = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D), window);
        whatChanged->setObjectName(QStringLiteral("whatChangedShortcut"));
        whatChanged->setContext(Qt::WidgetWithChildrenShortcut);
        connect(whatChanged, &QShortcut::activated, window, [this, window] {
            const int row = window->m_addressList->currentRow();
            if (row >= 0)
                showWhatChanged(window->m_addressList->entry(row));
        });
        tellMemoryProblem();
        showCheckInListBrowser();
        showListInGallery();
    }
    return window;
}

PageCopyKeeper *Windows::keepCopies(QWidget *window, WebBrowser *view, CopyBar *bar, PageTools *tools,
                                    std::function<QString()> entryShown)
{
    auto *keeper = new PageCopyKeeper(view, *m_copyStore, window);
    keeper->setObjectName(QStringLiteral("pageCopyKeeper"));
    // A server that never answers is given up after the page time-out, as Play gives it up.
    view->setLoadTimeout(PlaySettings::load(PlaySettings::filePath()).pageTimeoutSeconds * 1000);
    QAction *saveCopy = tools->action(QStringLiteral("saveCopy"));
    connect(keeper, &PageCopyKeeper::copyShown, bar,
            [bar, tools, keeper, saveCopy](const QString &, const QDateTime &savedAt, const QString &liveState) {
                bar->tell(PageCopyKeeper::barText(savedAt, liveState), true);
                saveCopy->setEnabled(true);
                tools->setCopyTitle(keeper->shownTitle());
            });
    connect(keeper, &PageCopyKeeper::copyUnreadable, bar, [bar](const QString &, const QString &problem) { bar->tell(problem, false); });
    connect(keeper, &PageCopyKeeper::copyMissing, bar, [bar](const QString &message) { bar->tell(message, false); });
    connect(keeper, &PageCopyKeeper::liveShown, bar, [bar, tools, saveCopy] {
        bar->hideBar();
        saveCopy->setEnabled(false);
        tools->setCopyTitle({});
    });
    connect(bar, &CopyBar::livePageClicked, keeper, &PageCopyKeeper::showLivePage);
    connect(bar, &CopyBar::saveCopyClicked, tools, &PageTools::saveCopyAs);
    connect(tools, &PageTools::copySaveAsked, keeper, &PageCopyKeeper::saveShownCopy);
    connect(keeper, &PageCopyKeeper::copySavedAs, tools, &PageTools::tellCopySaved);
    connect(tools, &PageTools::savedCopyAsked, keeper, [keeper, entryShown] { keeper->showNewestCopy(entryShown()); });
    const auto olderCopies = [this, window, keeper, entryShown] {
        const QString shown = keeper->shownEntry();
        showOlderCopies(window, keeper, shown.isEmpty() ? entryShown() : shown);
    };
    connect(bar, &CopyBar::olderCopiesClicked, keeper, olderCopies);
    connect(tools, &PageTools::olderCopiesAsked, keeper, olderCopies);
    return keeper;
}

void Windows::judgeVisit(PageCopyKeeper *keeper, WebBrowser *view, const QString &entry, const QString &title,
                         const QString &finalAddress, const QString &text)
{
    const LoadedPage page{entry, title, finalAddress, text, view->httpStatus(), view->loadFailed(), view->loadFailure()};
    // Judged against what was seen before this visit is remembered.
    const QString whyNotGood = whyPageIsNotGood(page, m_checkMemory->seenBefore(entry));
    m_checkMemory->addVisit(entry, title, finalAddress, pageFingerprint(title, text));
    keeper->pageLoaded(page, whyNotGood);
}

void Windows::keepCopiesInBrowserWindow(BrowserWindow *window)
{
    PageCopyKeeper *keeper = keepCopies(window, window->m_view, window->m_copyBar, window->m_pageTools,
                                        [window] { return window->shownEntry(); });
    connect(window, &BrowserWindow::pageVisited, keeper,
            [this, keeper, view = window->m_view](const QString &entry, const QString &title, const QString &finalAddress,
                                                  const QString &text) { judgeVisit(keeper, view, entry, title, finalAddress, text); });
}

void Windows::showOlderCopies(QWidget *window, PageCopyKeeper *keeper, const QString &entry)
{
    if (entry.isEmpty()) {
        emit keeper->copyMissing(PageCopyKeeper::noEntryText());
        return;
    }
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
                              if (copies.isEmpty()) {
                                  emit shower->copyMissing(PageCopyKeeper::noCopyText());
                                  return;
                              }
                              auto *dialog = new OlderCopiesDialog(entry, copies, owner);
                              dialog->setAttribute(Qt::WA_DeleteOnClose);
                              const QString state = shower->shownEntry() == entry ? shower->liveState() : shower->liveStateOf(entry);
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
        window->m_filterBar->followChanges(m_verdictMarks);
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
BrowserWindow *Windows::browserWindow()
{
    const bool fresh = !m_browserWindow;
    BrowserWindow *window = topLevel(m_browserWindow);
    if (fresh)
        keepCopiesInBrowserWindow(window);
    return window;
}

WhatChangedWindow *Windows::showWhatChanged(const QString &entry)
{
    if (!m_whatChangedWindow) {
        auto *window = new WhatChangedWindow;
        window->setAttribute(Qt::WA_DeleteOnClose);
        m_whatChangedWindow = window;
        // The comparison is made on the change service's thread; the window only shows it.
        connect(m_changeStore, &ChangeStore::compared, window, [window](const ChangeAnswer &answer) { window->showComparison(answer); });
        connect(m_changeStore, &ChangeStore::looksListed, window, &WhatChangedWindow::showLooks);
        connect(window, &WhatChangedWindow::compareAsked, m_changeStore,
                [this](const QString &address, qint64 olderId) { m_changeStore->compare(address, olderId); });
        connect(window, &WhatChangedWindow::countAgainAsked, m_changeStore, [this, window](const QString &address, const QString &part) {
            m_changeStore->countPartAgain(address, part);
            m_changeStore->compare(address, window->comparedLookId());
        });
    }
    WhatChangedWindow *window = m_whatChangedWindow;
    window->load(entry);
    m_changeStore->listLooks(entry);
    m_changeStore->compare(entry, 0);
    WindowFrame::show(window);
    return window;
}

BrowserWindow *Windows::newBrowserWindow()
{
    QPointer<BrowserWindow> slot;
    BrowserWindow *window = topLevel(slot);
    keepCopiesInBrowserWindow(window);
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
