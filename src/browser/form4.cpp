#include "browser/form4.h"

#include "app/forms.h"
#include "lists/listpaths.h"
#include "platform/mediaplayer.h"
#include "platform/platform.h"
#include "platform/webbrowser.h"
#include "ui/accessiblenames.h"
#include "ui/formwindow.h"
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
#include <QPushButton>
#include <QStatusBar>
#include <QTime>
#include <QTimer>
#include <QToolBar>

Form4::Form4(Forms &forms, QWidget *parent)
    : QMainWindow(parent)
    , m_forms(forms)
    , m_client(new QWidget(this))
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Quokka (BIGED)"));
    setWindowIcon(QIcon(QStringLiteral(":/globe.png")));
    m_client->setObjectName(QStringLiteral("client"));
    setCentralWidget(m_client);
    resize(twipsSize(11595, 8595));
    setWindowState(Qt::WindowMaximized);
    createMenus();

    // Controls in the window's creation order: later ones lie on top where they overlap.
    createStatusBar();

    cboAddress = new QComboBox(m_client);
    cboAddress->setObjectName(QStringLiteral("cboAddress"));
    cboAddress->setEditable(true);
    cboAddress->setInsertPolicy(QComboBox::NoInsert);
    cboAddress->setGeometry(twipsRect(1080, 720, 13635, 315));
    cboAddress->setEditText(QStringLiteral("Your URL"));
    nameEditableComboBox(cboAddress, QStringLiteral("Address"), QStringLiteral("Addresses typed so far"));

    createToolbar();

    Command1 = new QPushButton(QStringLiteral("GO>"), m_client);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twipsRect(13800, 120, 615, 255));
    QFont goFont(QStringLiteral("Sans Serif"));
    goFont.setPointSizeF(8.25);
    goFont.setBold(true);
    Command1->setFont(goFont);
    Command1->setAccessibleName(QStringLiteral("Go to the typed address"));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1);

    brow = m_forms.platform().createWebBrowser(m_client);
    brow->widget()->setObjectName(QStringLiteral("brow"));
    brow->widget()->setGeometry(twipsRect(0, 1320, 15255, 9375));
    brow->widget()->setAccessibleName(QStringLiteral("Web page"));

    Command2 = new QPushButton(QStringLiteral("Go"), m_client);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(twipsRect(14400, 720, 135, 195));
    Command2->setDefault(true);
    Command2->setAccessibleName(QStringLiteral("Go"));

    Label2 = new QLabel(QStringLiteral("Adress:"), m_client);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(twipsRect(120, 720, 975, 255));
    Label2->setBuddy(cboAddress);
    Label2->setAccessibleName(Label2->text());

    player = m_forms.platform().createAnimation(ListPaths::shippedFile(QStringLiteral("dat/tst.gif")), m_client);
    if (QWidget *w = player->widget()) {
        w->setObjectName(QStringLiteral("player"));
        w->setAccessibleName(QStringLiteral("Busy animation"));
        w->setGeometry(twipsRect(14760, 720, 540, 480));
    }

    setTabOrder(cboAddress, Command2);
    setTabOrder(Command2, Command1);
    setTabOrder(Command1, brow->widget());

    // The window's default button: Enter in the address box clicks "Go" (once, before the box reads it).
    cboAddress->lineEdit()->installEventFilter(this);
    connect(Command2, &QPushButton::clicked, this, &Form4::Command2_Click);
    connect(Command1, &QPushButton::clicked, this, &Form4::Command1_Click);
    connect(Timer1, &QTimer::timeout, this, &Form4::Timer1_Timer);
    // A link or script that asks for a new window after the user's click gets a window of its own.
    connect(brow, &WebBrowser::newWindowRequested, this, [this](WebBrowser **target) {
        *target = OpenNewBrowserWindow()->brow;
    });
    Timer1->start();
}

void Form4::createMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("file"));
    file->menuAction()->setObjectName(QStringLiteral("file"));
    QAction *newItem = file->addAction(QStringLiteral("New Quokka"));
    newItem->setObjectName(QStringLiteral("new"));
    newItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    connect(newItem, &QAction::triggered, this, &Form4::new_Click);
    file->addSeparator()->setObjectName(QStringLiteral("fd"));
    QAction *quit = file->addAction(QStringLiteral("Quit"));
    quit->setObjectName(QStringLiteral("quit"));
    connect(quit, &QAction::triggered, this, &Form4::quit_Click);

    // Ctrl+L puts the cursor in the address box, as in every desktop browser.
    auto *focusAddress = new QAction(QStringLiteral("Address box"), this);
    focusAddress->setObjectName(QStringLiteral("focusAddress"));
    focusAddress->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    connect(focusAddress, &QAction::triggered, this, [this] {
        cboAddress->setFocus(Qt::ShortcutFocusReason);
        cboAddress->lineEdit()->selectAll();
    });
    addAction(focusAddress);
}

void Form4::createToolbar()
{
    Toolbar1 = new QToolBar(QStringLiteral("Navigation"), m_client);
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    Toolbar1->setGeometry(twipsRect(0, 0, 11595, 690));
    Toolbar1->setIconSize(QSize(40, 38));
    Toolbar1->setMovable(false);
    Toolbar1->setAccessibleName(QStringLiteral("Navigation"));
    nameToolBarOverflowButton(Toolbar1);
    const struct {
        const char *key;
        const char *picture;
        const char *tooltip;
        QList<QKeySequence> keys;
    } buttons[] = {
        {"back", ":/nav-back.png", "Back", {QKeySequence(Qt::ALT | Qt::Key_Left)}},
        {"forward", ":/nav-forward.png", "Forward", {QKeySequence(Qt::ALT | Qt::Key_Right)}},
        {"refresh", ":/nav-refresh.png", "Refresh", {QKeySequence(Qt::Key_F5)}},
        {"stop", ":/nav-stop.png", "Stop / Cancel", {QKeySequence(Qt::Key_Escape)}},
        {"home", ":/nav-home.png", "Go home, Quokka! Mommy's waitin'!", {}},
    };
    for (const auto &b : buttons) {
        const QString key = QString::fromLatin1(b.key);
        QAction *action = Toolbar1->addAction(QIcon(QString::fromLatin1(b.picture)), QString::fromUtf8(b.tooltip));
        action->setObjectName(key);
        action->setToolTip(QString::fromUtf8(b.tooltip));
        action->setShortcuts(b.keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, [this, key] { Toolbar1_ButtonClick(key); });
        if (QWidget *button = Toolbar1->widgetForAction(action)) {
            button->setObjectName(key + QStringLiteral("Button"));
            button->setFixedSize(47, 44);
        }
    }
}

void Form4::createStatusBar()
{
    StatusBar1 = statusBar();
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setAccessibleName(QStringLiteral("Status"));
    const struct {
        const char *name;
        int width;
        const char *purpose;
    } panels[] = {{"date", 96, "Date"}, {"time", 96, "Time"}, {"text", 563, "Browser state"}};
    for (const auto &p : panels) {
        auto *panel = new QLabel(StatusBar1);
        panel->setObjectName(QString::fromLatin1(p.name) + QStringLiteral("Panel"));
        // A screen reader reads the panel's text as its name; what the panel is for is its description.
        panel->setAccessibleDescription(QString::fromLatin1(p.purpose));
        panel->setMinimumWidth(96);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setContentsMargins(4, 0, 4, 0);
        if (m_panels.size() < 2) {
            panel->setFixedWidth(p.width);
            StatusBar1->addWidget(panel);
        } else {
            panel->resize(p.width, panel->height());
            StatusBar1->addWidget(panel, 1);
        }
        m_panels.append(panel);
    }
    m_panels[2]->setText(QStringLiteral("Ready!")); // a fresh window is idle
    // The date and time panels keep themselves current, apart from the window's own timer.
    m_clockTimer = new QTimer(this);
    m_clockTimer->setInterval(1000);
    connect(m_clockTimer, &QTimer::timeout, this, &Form4::updateClockPanels);
    m_clockTimer->start();
    updateClockPanels();
}

void Form4::updateClockPanels()
{
    const QLocale locale;
    m_panels[0]->setText(locale.toString(QDate::currentDate(), QLocale::ShortFormat));
    m_panels[1]->setText(locale.toString(QTime::currentTime(), QLocale::ShortFormat));
}

QLabel *Form4::Panels(int index) const
{
    return index >= 1 && index <= m_panels.size() ? m_panels[index - 1] : nullptr;
}

QAction *Form4::menuItem(const QString &key) const
{
    for (QAction *a : findChildren<QAction *>())
        if (a->objectName() == key)
            return a;
    return nullptr;
}

bool Form4::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == cboAddress->lineEdit() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Command2->click();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void Form4::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    // The toolbar is docked along the top edge: it spans the window whatever its size.
    Toolbar1->resize(qMax(m_client->width(), twipsToPixels(11595)), Toolbar1->height());
}

void Form4::Form_Load()
{
    cboAddress->setEditText(brow->LocationURL());
    player->play();
    player->stop();
}

void Form4::Command2_Click()
{
    const QString address = cboAddress->currentText();
    brow->Navigate(address);
    cboAddress->addItem(address);
}

void Form4::Command1_Click()
{
    Command2_Click();
}

void Form4::Toolbar1_ButtonClick(const QString &key)
{
    // A step back or forward with no such page leaves the window as it was.
    if (key == QLatin1String("back"))
        brow->GoBack();
    else if (key == QLatin1String("forward"))
        brow->GoForward();
    else if (key == QLatin1String("refresh"))
        brow->Refresh();
    else if (key == QLatin1String("stop"))
        brow->Stop();
    else if (key == QLatin1String("home"))
        brow->GoHome();
}

void Form4::Timer1_Timer()
{
    const QString caption = brow->LocationName();
    if (windowTitle() != caption)
        setWindowTitle(caption);
    if (brow->Busy()) {
        player->play();
        m_panels[2]->setText(QStringLiteral("Browser is working..."));
    } else {
        player->stop();
        m_panels[2]->setText(QStringLiteral("Ready!"));
    }
}

void Form4::new_Click()
{
    OpenNewBrowserWindow();
}

Form4 *Form4::OpenNewBrowserWindow()
{
    class Form4 *window = m_forms.newForm4();
    FormWindow::setCaption(window, QStringLiteral("Quokka"));
    FormWindow::show(window);
    return window;
}

void Form4::quit_Click()
{
    m_forms.platform().quit();
}
