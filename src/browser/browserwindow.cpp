#include "browser/browserwindow.h"

#include "browser/copybar.h"
#include "browser/pagetools.h"
#include "browser/listbrowser.h"
#include "ui/listbox.h"

#include "app/windows.h"
#include "store/listpaths.h"
#include "platform/mediaplayer.h"
#include "platform/platform.h"
#include "platform/webbrowser.h"
#include "ui/accessiblenames.h"
#include "ui/clockticker.h"
#include "ui/enterkey.h"
#include "ui/windowframe.h"
#include "ui/twips.h"

#include <QAction>
#include <QComboBox>
#include <QDate>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QStatusBar>
#include <QTime>
#include <QTimer>
#include <QWindow>
#include <QToolBar>

BrowserWindow::BrowserWindow(Windows &windows, QWidget *parent)
    : QMainWindow(parent)
    , m_windows(windows)
    , m_client(new QWidget(this))
{
    setObjectName(QStringLiteral("BrowserWindow"));
    setWindowTitle(QStringLiteral("Quokka (BIGED)"));
    setWindowIcon(QIcon(QStringLiteral(":/globe.png")));
    m_client->setObjectName(QStringLiteral("client"));
    // The controls keep their places and sizes: a window smaller than they need (display scaling, a small
    // screen) scrolls to them.
    auto *scroller = new QScrollArea(this);
    scroller->setObjectName(QStringLiteral("clientScroller"));
    scroller->setAccessibleName(QStringLiteral("Browser controls"));
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setFocusPolicy(Qt::NoFocus); // no stop for Tab: the controls inside are
    scroller->setWidgetResizable(true);
    scroller->setWidget(m_client);
    setCentralWidget(scroller);
    resize(twipsSize(11595, 8595));
    setWindowState(Qt::WindowMaximized);
    createMenus();

    // Controls in the window's creation order: later ones lie on top where they overlap.
    createStatusBar();

    m_addressBox = new QComboBox(m_client);
    m_addressBox->setObjectName(QStringLiteral("addressBox"));
    m_addressBox->setEditable(true);
    m_addressBox->setInsertPolicy(QComboBox::NoInsert);
    m_addressBox->setGeometry(twipsRect(1080, 720, 13635, 315));
    m_addressBox->setEditText(QStringLiteral("Your URL"));
    // An address is loaded exactly as typed: no completion from the addresses typed before.
    m_addressBox->setCompleter(nullptr);
    nameEditableComboBox(m_addressBox, QStringLiteral("Address"), QStringLiteral("Addresses typed so far"));

    createToolbar();

    m_goArrowButton = new QPushButton(QStringLiteral("GO>"), m_client);
    m_goArrowButton->setObjectName(QStringLiteral("goArrowButton"));
    m_goArrowButton->setGeometry(twipsRect(13800, 120, 615, 255));
    QFont goFont(QStringLiteral("Sans Serif"));
    goFont.setPointSizeF(8.25);
    goFont.setBold(true);
    m_goArrowButton->setFont(goFont);
    m_goArrowButton->setAccessibleName(QStringLiteral("GO> to the typed address"));

    m_view = m_windows.platform().createWebBrowser(m_client);
    m_view->widget()->setObjectName(QStringLiteral("view"));
    m_view->widget()->setGeometry(twipsRect(0, 1320, 15255, 9375));
    m_view->widget()->setAccessibleName(QStringLiteral("Web page"));

    m_copyBar = new CopyBar(m_view->widget(), m_client);

    m_goButton = new QPushButton(QStringLiteral("Go"), m_client);
    m_goButton->setObjectName(QStringLiteral("goButton"));
    m_goButton->setDefault(true);
    m_goButton->setAccessibleName(QStringLiteral("Go"));

    m_addressLabel = new QLabel(QStringLiteral("Adress:"), m_client);
    m_addressLabel->setObjectName(QStringLiteral("addressLabel"));
    m_addressLabel->setGeometry(twipsRect(120, 720, 975, 255));
    m_addressLabel->setBuddy(m_addressBox);
    m_addressLabel->setAccessibleName(m_addressLabel->text());

    m_busyAnimation = m_windows.platform().createAnimation(ListPaths::shippedFile(QStringLiteral("dat/tst.gif")), m_client);
    if (QWidget *w = m_busyAnimation->widget()) {
        w->setObjectName(QStringLiteral("busyAnimation"));
        w->setAccessibleName(QStringLiteral("Busy animation"));
        w->setGeometry(twipsRect(14760, 720, 540, 480));
    }

    placeControls();
    const QRect used = m_client->childrenRect();
    m_client->setMinimumSize(used.right() + 1, used.bottom() + 1);
    // The page and the address box grow with the window; the controls' area tells when it changes size.
    m_client->installEventFilter(this);

    setTabOrder(m_addressBox, m_goButton);
    setTabOrder(m_goButton, m_goArrowButton);
    setTabOrder(m_goArrowButton, m_copyBar->m_livePageButton);
    setTabOrder(m_copyBar->m_saveCopyButton, m_view->widget());
    // Enter anywhere but in the page clicks the focused button, or else "Go".
    EnterKey::giveDefaultButton(this, m_goButton);
    EnterKey::leaveEnterTo(m_view->widget());

    // The window's default button: Return or Enter in the address box clicks "Go" once. The keys reach
    // the combo box (its line edit's focus proxy), which hands them to the line edit without passing
    // any filter on it; a key sent to the line edit itself comes back up to the combo box.
    m_addressBox->installEventFilter(this);
    connect(m_goButton, &QPushButton::clicked, this, &BrowserWindow::goToTypedAddress);
    connect(m_goArrowButton, &QPushButton::clicked, this, &BrowserWindow::goToTypedAddress);
    // Was a 1 ms tick: caption = page title, now titleChanged; animation and status text from Busy, now busyChanged.
    connect(m_view, &WebBrowser::titleChanged, this, &BrowserWindow::showPageTitle);
    connect(m_view, &WebBrowser::busyChanged, this, &BrowserWindow::showBusyState);
    connect(m_view, &WebBrowser::busyChanged, this, &BrowserWindow::followLoad);
    // A link or script that asks for a new window after the user's click gets a window of its own.
    connect(m_view, &WebBrowser::newWindowRequested, this, [this](WebBrowser **target) {
        *target = m_windows.openNewBrowserWindow()->m_view;
    });
    // A window that a page opened closes when its page asks, as the close box closes it.
    connect(m_view, &WebBrowser::closeRequested, this, &QWidget::close);
    createPageMenu();
    // What the first tick did: the page's title (empty before any page) replaces the window's own
    // caption as soon as the window's creator has returned to the event loop.
    QTimer::singleShot(1, Qt::PreciseTimer, this, [this] {
        showPageTitle(m_view->title());
        showBusyState(m_view->isBusy());
    });
}

void BrowserWindow::createMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("fileMenu"));
    file->menuAction()->setObjectName(QStringLiteral("fileMenu"));
    QAction *newItem = file->addAction(QStringLiteral("New Quokka"));
    newItem->setObjectName(QStringLiteral("newQuokka"));
    newItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    connect(newItem, &QAction::triggered, this, &BrowserWindow::openNewWindow);
    file->addSeparator()->setObjectName(QStringLiteral("fileSeparator"));
    QAction *quit = file->addAction(QStringLiteral("Quit"));
    quit->setObjectName(QStringLiteral("quit"));
    connect(quit, &QAction::triggered, this, &BrowserWindow::quit);

    // Ctrl+L puts the cursor in the address box, as in every desktop browser.
    auto *focusAddress = new QAction(QStringLiteral("Address box"), this);
    focusAddress->setObjectName(QStringLiteral("focusAddress"));
    focusAddress->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    connect(focusAddress, &QAction::triggered, this, [this] {
        m_addressBox->setFocus(Qt::ShortcutFocusReason);
        m_addressBox->lineEdit()->selectAll();
    });
    addAction(focusAddress);

    auto *fullScreen = new QAction(QStringLiteral("Full screen"), this);
    fullScreen->setObjectName(QStringLiteral("fullScreen"));
    fullScreen->setShortcut(QKeySequence(Qt::Key_F11));
    connect(fullScreen, &QAction::triggered, this, &BrowserWindow::toggleFullScreen);
    addAction(fullScreen);
}

void BrowserWindow::createPageMenu()
{
    m_pageTools = new PageTools(m_windows, m_view, this, PageTools::Keys::Window);
    QMenu *page = menuBar()->addMenu(QStringLiteral("&Page"));
    page->setObjectName(QStringLiteral("pageMenu"));
    page->menuAction()->setObjectName(QStringLiteral("pageMenu"));
    for (const char *key : {"find", "findNext", "findPrevious", "", "zoomIn", "zoomOut", "zoomReset", "",
                            "savePage", "savePdf", "print", "", "savedCopy", "olderCopies", "saveCopy"}) {
        if (*key)
            page->addAction(m_pageTools->action(QString::fromLatin1(key)));
        else
            page->addSeparator();
    }
    // What changed on this page since the person last looked at it from the list.
    page->addSeparator();
    QAction *whatChanged = page->addAction(QStringLiteral("What C&hanged"));
    whatChanged->setObjectName(QStringLiteral("whatChanged"));
    whatChanged->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D));
    connect(whatChanged, &QAction::triggered, this, [this] { m_windows.showWhatChanged(m_view->url()); });
}

void BrowserWindow::toggleFullScreen()
{
    setWindowState(windowState() ^ Qt::WindowFullScreen);
}

void BrowserWindow::placeForScreenMode()
{
    if (!m_view || !m_goButton || !m_busyAnimation)
        return; // the window state is set while the window is being built
    const bool full = isFullScreen();
    menuBar()->setVisible(!full);
    m_statusBar->setVisible(!full);
    // Full screen shows the page alone: no scroll bars, the controls' area scrolled to its corner.
    if (auto *scroller = qobject_cast<QScrollArea *>(centralWidget())) {
        const Qt::ScrollBarPolicy bars = full ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded;
        scroller->setHorizontalScrollBarPolicy(bars);
        scroller->setVerticalScrollBarPolicy(bars);
        if (full)
            scroller->ensureVisible(0, 0, 0, 0);
    }
    if (full) {
        m_copyBar->setPagePlace(fullScreenPagePlace());
        m_view->widget()->raise();
        m_copyBar->raise();
    } else {
        placeControls();
        m_view->widget()->stackUnder(m_goButton);
    }
    updateEscapeKey();
}

void BrowserWindow::updateEscapeKey()
{
    const bool busy = m_view->isBusy();
    if (QAction *stop = m_navigationBar->findChild<QAction *>(QStringLiteral("stop")))
        stop->setShortcut(busy ? QKeySequence(Qt::Key_Escape) : QKeySequence());
    if (QAction *fullScreen = menuItem(QStringLiteral("fullScreen"))) {
        QList<QKeySequence> keys{QKeySequence(Qt::Key_F11)};
        if (isFullScreen() && !busy)
            keys.append(QKeySequence(Qt::Key_Escape));
        fullScreen->setShortcuts(keys);
    }
}

void BrowserWindow::createToolbar()
{
    m_navigationBar = new QToolBar(QStringLiteral("Navigation"), m_client);
    m_navigationBar->setObjectName(QStringLiteral("navigationBar"));
    m_navigationBar->setGeometry(twipsRect(0, 0, 11595, 690));
    m_navigationBar->setIconSize(QSize(40, 38));
    m_navigationBar->setMovable(false);
    m_navigationBar->setAccessibleName(QStringLiteral("Navigation"));
    nameToolBarOverflowButton(m_navigationBar);
    const struct {
        const char *key;
        const char *picture;
        const char *tooltip;
        QList<QKeySequence> keys;
    } buttons[] = {
        {"back", ":/nav-back.png", "Back", {QKeySequence(Qt::ALT | Qt::Key_Left)}},
        {"forward", ":/nav-forward.png", "Forward", {QKeySequence(Qt::ALT | Qt::Key_Right)}},
        {"refresh", ":/nav-refresh.png", "Refresh", {QKeySequence(Qt::Key_F5)}},
        {"stop", ":/nav-stop.png", "Stop / Cancel", {}}, // Esc while a page loads: see showBusyState()
        {"home", ":/nav-home.png", "Go home, Quokka! Mommy's waitin'!", {}},
    };
    for (const auto &b : buttons) {
        const QString key = QString::fromLatin1(b.key);
        QAction *action = m_navigationBar->addAction(QIcon(QString::fromLatin1(b.picture)), QString::fromUtf8(b.tooltip));
        action->setObjectName(key);
        action->setToolTip(QString::fromUtf8(b.tooltip));
        action->setShortcuts(b.keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, [this, key] { navigationButtonClicked(key); });
        if (QWidget *button = m_navigationBar->widgetForAction(action)) {
            button->setObjectName(key + QStringLiteral("Button"));
            button->setFixedSize(47, 44);
        }
    }
}

void BrowserWindow::createStatusBar()
{
    m_statusBar = statusBar();
    m_statusBar->setObjectName(QStringLiteral("statusBar"));
    m_statusBar->setAccessibleName(QStringLiteral("Status"));
    const struct {
        const char *name;
        int width;
        const char *purpose;
    } panels[] = {{"date", 96, "Date"}, {"time", 96, "Time"}, {"text", 563, "Browser state"}};
    for (const auto &p : panels) {
        auto *panel = new QLabel(m_statusBar);
        panel->setObjectName(QString::fromLatin1(p.name) + QStringLiteral("Panel"));
        // A screen reader reads the panel's text as its name; what the panel is for is its description.
        panel->setAccessibleDescription(QString::fromLatin1(p.purpose));
        panel->setMinimumWidth(96);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setContentsMargins(4, 0, 4, 0);
        if (m_panels.size() < 2) {
            panel->setFixedWidth(p.width);
            m_statusBar->addWidget(panel);
        } else {
            panel->resize(p.width, panel->height());
            m_statusBar->addWidget(panel, 1);
        }
        m_panels.append(panel);
    }
    m_panels[2]->setText(QStringLiteral("Ready!")); // a fresh window is idle
    // Was a 1 s timer rewriting date and time; now the clock ticker, at each turn of the minute.
    m_windows.clockTicker().subscribe(this, ClockTicker::Unit::Minute, [this] { updateClockPanels(); });
    updateClockPanels();
}

QString BrowserWindow::panelTimeFormat(const QString &shortFormat)
{
    // A status bar clock shows hours and minutes. Some locales' short format (Qt's C locale among them)
    // has seconds too; a panel ticking every second would repaint the whole window, page included.
    static const QRegularExpression seconds(QStringLiteral("[:.]?s{1,2}"));
    return QString(shortFormat).remove(seconds);
}

void BrowserWindow::updateClockPanels()
{
    const QLocale locale;
    m_panels[0]->setText(locale.toString(QDate::currentDate(), QLocale::ShortFormat));
    m_panels[1]->setText(locale.toString(QTime::currentTime(), panelTimeFormat(locale.timeFormat(QLocale::ShortFormat))));
}

QLabel *BrowserWindow::statusPanel(int index) const
{
    return index >= 1 && index <= m_panels.size() ? m_panels[index - 1] : nullptr;
}

QAction *BrowserWindow::menuItem(const QString &key) const
{
    for (QAction *a : findChildren<QAction *>())
        if (a->objectName() == key)
            return a;
    return nullptr;
}

void BrowserWindow::placeControls()
{
    // The design's places, drawn for a window about 1,024 pixels wide: the address box reaches to the
    // busy animation at the right end, the page spans the width below. A wider or taller window gives
    // the address box and the page the room it has; the controls at the right end move with its edge.
    const QRect designBox = twipsRect(1080, 720, 13635, 315);
    const QRect designPage = twipsRect(0, 1320, 15255, 9375);
    const QRect designArrow = twipsRect(13800, 120, 615, 255);
    const QRect designAnimation = twipsRect(14760, 720, 540, 480);
    const int extraWidth = qMax(0, m_client->width() - (designAnimation.right() + 1));
    const int extraHeight = qMax(0, m_client->height() - (designPage.bottom() + 1));

    // "Go" takes the right end of the address box's place, beside the box's drop-down arrow rather
    // than over it, wide enough to read.
    const int goWidth = qMax(32, m_goButton->fontMetrics().horizontalAdvance(m_goButton->text()) + 16);
    QRect box = designBox.adjusted(0, 0, extraWidth - goWidth - 2, 0);
    m_addressBox->setGeometry(box);
    m_goButton->setGeometry(box.right() + 3, box.top(), goWidth, box.height());
    m_goArrowButton->setGeometry(designArrow.translated(extraWidth, 0));
    if (QWidget *w = m_busyAnimation->widget())
        w->setGeometry(designAnimation.translated(extraWidth, 0));
    if (!isFullScreen())
        m_copyBar->setPagePlace(designPage.adjusted(0, 0, extraWidth, extraHeight));
}

bool BrowserWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_client && event->type() == QEvent::Resize)
        placeControls();
    if (watched == m_addressBox && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            m_goButton->click();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool BrowserWindow::event(QEvent *event)
{
    // While Play shows its pages here, Ctrl+P plays and pauses; Print stays in the Page menu.
    if ((event->type() == QEvent::ActionAdded || event->type() == QEvent::ActionRemoved) && m_pageTools) {
        bool playKey = false;
        for (QAction *a : actions())
            playKey |= a->objectName() == QLatin1String("playPause");
        m_pageTools->action(QStringLiteral("print"))
            ->setShortcut(playKey ? QKeySequence() : QKeySequence(Qt::CTRL | Qt::Key_P));
    }
    // The first web view makes Qt create the window's native window anew, and the new one forgets
    // that the window is maximized: tell it again, or the window manager shows it small.
    if (event->type() == QEvent::WindowStateChange)
        placeForScreenMode();
    if (event->type() == QEvent::WinIdChange && windowState() & Qt::WindowMaximized && windowHandle()
        && !(windowHandle()->windowStates() & Qt::WindowMaximized))
        windowHandle()->setWindowStates(windowHandle()->windowStates() | Qt::WindowMaximized);
    return QMainWindow::event(event);
}

void BrowserWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    // The toolbar is docked along the top edge: it spans the window whatever its size.
    m_navigationBar->resize(qMax(m_client->width(), twipsToPixels(11595)), m_navigationBar->height());
    if (isFullScreen())
        m_copyBar->setPagePlace(fullScreenPagePlace());
}

QRect BrowserWindow::fullScreenPagePlace() const
{
    // The page covers what the window shows of its controls' area, which may be larger than the window.
    return QRect(QPoint(0, 0), centralWidget()->size());
}

void BrowserWindow::load()
{
    m_addressBox->setEditText(m_view->url());
    m_busyAnimation->play();
    m_busyAnimation->stop();
}

void BrowserWindow::goToTypedAddress()
{
    const QString address = m_addressBox->currentText();
    m_addressBox->addItem(address);
    const ListBrowser *list = m_windows.loadedListBrowser();
    if (list && list->m_addressList->findEntry(address, 0) >= 0) {
        showEntry(address);
        return;
    }
    m_entry.clear();
    m_visiting.clear();
    m_entryLoadAsked = false;
    m_view->navigate(address);
}

void BrowserWindow::showEntry(const QString &entry)
{
    m_entry = entry;
    m_entryLoadAsked = true;
    m_visiting = m_view->navigate(entry) ? entry : QString();
    if (m_visiting.isEmpty())
        m_entryLoadAsked = false;
    m_addressBox->setEditText(entry);
}

void BrowserWindow::followLoad(bool busy)
{
    if (busy) {
        if (std::exchange(m_entryLoadAsked, false))
            return;
        // A link, Back, Forward or Home: the page is no longer the entry's.
        m_entry.clear();
        m_visiting.clear();
        return;
    }
    if (m_visiting.isEmpty())
        return;
    const QString entry = std::exchange(m_visiting, QString());
    QPointer<BrowserWindow> self(this);
    m_view->readVisibleText([self, entry](const QString &text) {
        if (self)
            emit self->pageVisited(entry, self->m_view->title(), self->m_view->url(), text);
    });
}

void BrowserWindow::navigationButtonClicked(const QString &key)
{
    // A step back or forward with no such page leaves the window as it was.
    if (key == QLatin1String("back"))
        m_view->goBack();
    else if (key == QLatin1String("forward"))
        m_view->goForward();
    else if (key == QLatin1String("refresh")) {
        // The entry's page loaded again is still the entry's.
        if (!m_entry.isEmpty()) {
            m_entryLoadAsked = true;
            m_visiting = m_entry;
        }
        m_view->refresh();
    }
    else if (key == QLatin1String("stop"))
        m_view->stop();
    else if (key == QLatin1String("home"))
        m_view->goHome();
}

void BrowserWindow::showPageTitle(const QString &title)
{
    if (windowTitle() != title)
        setWindowTitle(title);
}

void BrowserWindow::showBusyState(bool busy)
{
    // Esc stops a page that is loading; otherwise the page gets the key (to close its own dialogs).
    updateEscapeKey();
    if (busy) {
        m_busyAnimation->play();
        m_panels[2]->setText(QStringLiteral("Browser is working..."));
    } else {
        m_busyAnimation->stop();
        m_panels[2]->setText(QStringLiteral("Ready!"));
    }
}

BrowserWindow *BrowserWindow::openNewWindow()
{
    return m_windows.openNewBrowserWindow();
}

void BrowserWindow::quit()
{
    m_windows.platform().quit();
}
