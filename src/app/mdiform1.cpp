#include "app/mdiform1.h"

#include "app/forms.h"
#include "app/frmabout.h"
#include "browser/form4.h"
#include "browser/urlcheck.h"
#include "lists/form1.h"
#include "lists/form3.h"
#include "lists/form5.h"
#include "lists/listpaths.h"
#include "lists/urllistfile.h"
#include "platform/mediaplayer.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "platform/webbrowser.h"
#include "ui/formwindow.h"
#include "ui/listbox.h"
#include "ui/multilinetextbox.h"
#include "ui/twips.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPainter>

namespace {

/// The frame's client area: white, with the background picture drawn once, unscaled, at the top left.
class ClientArea final : public QMdiArea {
public:
    explicit ClientArea(QWidget *parent)
        : QMdiArea(parent)
        , m_picture(QStringLiteral(":/background.jpg"))
    {
        setBackground(Qt::white);
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QMdiArea::paintEvent(event);
        QPainter painter(viewport());
        painter.drawPixmap(0, 0, m_picture);
    }

private:
    QPixmap m_picture;
};

} // namespace

MDIForm1::MDIForm1(Forms &forms, QWidget *parent)
    : QMainWindow(parent)
    , m_forms(forms)
    , m_area(new ClientArea(this))
{
    setObjectName(QStringLiteral("MDIForm1"));
    setWindowTitle(QStringLiteral("Quokka"));
    setWindowIcon(QIcon(QStringLiteral(":/quokka.png")));
    m_area->setObjectName(QStringLiteral("mdiArea"));
    m_area->setAccessibleName(QStringLiteral("Quokka windows"));
    setCentralWidget(m_area);
    resize(twipsSize(15240, 10815));
    createMenus();
    createToolbar();
}

void MDIForm1::Form_Load()
{
    WindowsMediaPlayer1 = m_forms.platform().createSound(ListPaths::shippedFile(QStringLiteral("download.avi")), 50, this);
    WindowsMediaPlayer1->play();
}

void MDIForm1::createMenus()
{
    struct Item {
        const char *key;
        const char *caption;
        QKeySequence shortcut;
        void (MDIForm1::*command)();
    };
    const struct Menu {
        const char *key;
        const char *caption;
        std::initializer_list<Item> items;
    } menus[] = {
        {"file", "&File", {{"new", "New Quokka", QKeySequence(Qt::CTRL | Qt::Key_N), &MDIForm1::new_Click},
                           {"gf", "-", {}, nullptr},
                           {"quit", "Quit", {}, &MDIForm1::quit_Click}}},
        {"list", "&List", {{"add", "New List", QKeySequence(Qt::CTRL | Qt::Key_L), &MDIForm1::add_Click},
                           {"edit", "Edit List", {}, &MDIForm1::edit_Click},
                           {"s", "-", {}, nullptr},
                           {"killall", "Destroy List", {}, &MDIForm1::killall_Click}}},
        {"brow", "Browser", {{"big", "Big", {}, &MDIForm1::big_Click}}},
        {"help", "&?", {{"info", "Info", {}, &MDIForm1::info_Click},
                        {"b", "-", {}, nullptr},
                        {"cheat", "Toggle Cheatmode", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F12),
                         &MDIForm1::cheat_Click}}},
    };
    for (const Menu &m : menus) {
        QMenu *menu = menuBar()->addMenu(QString::fromUtf8(m.caption));
        menu->setObjectName(QString::fromLatin1(m.key));
        menu->menuAction()->setObjectName(QString::fromLatin1(m.key));
        for (const Item &item : m.items) {
            QAction *action = nullptr;
            if (qstrcmp(item.caption, "-") == 0) {
                action = menu->addSeparator();
            } else {
                action = menu->addAction(QString::fromUtf8(item.caption));
                action->setShortcut(item.shortcut);
                // Shortcuts work from anywhere in the frame, child windows included.
                action->setShortcutContext(Qt::WindowShortcut);
                connect(action, &QAction::triggered, this, item.command);
            }
            action->setObjectName(QString::fromLatin1(item.key));
        }
    }
}

QAction *MDIForm1::menuItem(const QString &key) const
{
    for (QAction *a : findChildren<QAction *>())
        if (a->objectName() == key)
            return a;
    return nullptr;
}

void MDIForm1::closeEvent(QCloseEvent *event)
{
    // Each child window unloads with its own handling; one that refuses keeps the frame open.
    bool refused = false;
    for (QMdiSubWindow *sub : m_area->subWindowList())
        refused = !sub->close() || refused;
    if (refused)
        event->ignore();
    else
        event->accept();
}

void MDIForm1::new_Click()
{
    FormWindow::show(m_forms.Form4());
}

void MDIForm1::quit_Click()
{
    m_forms.platform().quit();
}

void MDIForm1::add_Click()
{
    FormWindow::show(m_forms.Form1());
    FormWindow::hide(m_forms.URLcheck());
}

void MDIForm1::edit_Click()
{
    FormWindow::hide(m_forms.URLcheck());
    openEditList();
}

void MDIForm1::openEditList()
{
    const std::optional<QString> text = UrlListFile::BuildEditText(ListPaths::listFile());
    MessageBoxes &boxes = m_forms.platform().messageBoxes();
    if (!text) {
        boxes.show(QStringLiteral("List doesn't exist!"), QStringLiteral("Error!"), MessageBoxes::Buttons::Ok,
                   MessageBoxes::Icon::Critical);
        boxes.show(QStringLiteral("Create a new List..."), QStringLiteral("New list"), MessageBoxes::Buttons::Ok,
                   MessageBoxes::Icon::Information);
        FormWindow::show(m_forms.Form1());
        return;
    }
    class Form3 *editor = m_forms.Form3();
    FormWindow::show(editor);
    editor->url->setText(*text);
}

void MDIForm1::killall_Click()
{
    destroyList();
}

void MDIForm1::destroyList()
{
    const auto answer = m_forms.platform().messageBoxes().show(
        QStringLiteral("Would you like to Kill all the entries?"), QStringLiteral("Kill all"),
        MessageBoxes::Buttons::OkCancel, MessageBoxes::Icon::Question);
    if (answer != MessageBoxes::Answer::Ok)
        return;
    const QString path = ListPaths::listFile();
    UrlListFile::deleteListFile(path);
    ListBox *list = m_forms.URLcheck()->List1;
    list->Clear();
    list->addItems(UrlListFile::LoadListFile(path));
}

void MDIForm1::big_Click()
{
    class Form4 *browser = m_forms.Form4();
    FormWindow::show(browser);
    const QString entry = m_forms.URLcheck()->List1->Text();
    browser->brow->Navigate(entry);
}

void MDIForm1::info_Click()
{
    FormWindow::hide(m_forms.URLcheck());
    FormWindow::show(m_forms.frmAbout());
}

void MDIForm1::cheat_Click()
{
    FormWindow::show(m_forms.Form5());
}
