#include "lists/cheatbox.h"

#include "app/windows.h"
#include "browser/listbrowser.h"
#include "store/listpaths.h"
#include "store/urllistfile.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "ui/windowframe.h"
#include "ui/listbox.h"
#include "ui/twips.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

CheatBox::CheatBox(Windows &windows, QWidget *parent)
    : QWidget(parent)
    , m_windows(windows)
{
    setObjectName(QStringLiteral("CheatBox"));
    setWindowTitle(QStringLiteral("Cheatbox"));
    setWindowIcon(QIcon(QStringLiteral(":/cheat.png")));
    setFixedSize(twipsSize(4005, 2235));

    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("picture"));
    m_picture->setGeometry(twipsRect(0, 0, 3975, 2535));
    m_picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_picture->setPixmap(QPixmap(QStringLiteral(":/cheat.png")));
    m_picture->setAccessibleName(QStringLiteral("Cheatbox picture"));
    // Created first, the picture takes the focus first: the code box has none until the user goes there.
    m_picture->setFocusPolicy(Qt::StrongFocus);

    m_codeBox = new QLineEdit(this);
    m_codeBox->setObjectName(QStringLiteral("codeBox"));
    m_codeBox->setGeometry(twipsRect(2280, 1920, 1695, 285));
    m_codeBox->setText(QStringLiteral("Gimme da cheat!!!"));
    m_codeBox->setCursorPosition(0); // show the text from its start, as a fresh box does
    m_codeBox->setAccessibleName(QStringLiteral("Cheat code"));
    m_codeBox->installEventFilter(this);
}

void CheatBox::load() {}

bool CheatBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_codeBox && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        // The key still reaches the box.
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            checkCheatCode();
    }
    return QWidget::eventFilter(watched, event);
}

void CheatBox::checkCheatCode()
{
    MessageBoxes &boxes = m_windows.platform().messageBoxes();
    const QString typed = m_codeBox->text();
    if (typed != cheatCode) {
        boxes.show(QStringLiteral("Sorry... That was wrong!\r\nWhat is ") + typed + QStringLiteral("???\r\nTry Again!"),
                   QStringLiteral("Wrong cheat"), MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Information);
        return;
    }
    loadFullList();
}

void CheatBox::loadFullList()
{
    MessageBoxes &boxes = m_windows.platform().messageBoxes();
    // The list browser comes first: creating it is what puts the working copy of the full list in place.
    const bool listWasLoaded = m_windows.loadedListBrowser();
    m_windows.listBrowser();
    // A list browser loaded just now came up over this box, whose messages the person is answering.
    if (!listWasLoaded && WindowFrame::isVisible(this))
        WindowFrame::show(this);

    const QString path = ListPaths::fullListCopy();
    QString error;
    const std::optional<QByteArray> bytes = UrlListFile::readBytes(path, &error);
    if (!bytes) {
        // Replacing the list with nothing would later be written over the user's own list: keep it.
        boxes.show(QStringLiteral("The full list could not be read from\n%1\n\nReason: %2\n\nYour list has not been changed.")
                       .arg(QDir::toNativeSeparators(path), error),
                   QStringLiteral("Cheatbox"), MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Critical);
        return;
    }
    const QStringList fullList = UrlListFile::parseEntries(*bytes);

    // The full list reaches the list file when the list browser closes: the user's own list is kept
    // beside it first, so that "your old list has been saved" is true.
    QStringList kept = m_windows.listBrowser()->m_addressList->entries();
    if (!keepUsersList(kept, fullList))
        return;

    boxes.show(QStringLiteral("What da hell?\r\nYeah! you're right man!\r\nThat was the right cheat!"),
               QStringLiteral("Right!"), MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Information);
    boxes.show(QStringLiteral("now you get the ultimate list! Look in you Quokka (small), your old list has been saved!"),
               QStringLiteral("List Update"), MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Information);

    // The boxes wait for the user, who may close the list browser meanwhile: obtain it again, and
    // keep its list too if it is another one now.
    ListBrowser *browser = m_windows.listBrowser();
    if (browser->m_addressList->entries() != kept && !keepUsersList(browser->m_addressList->entries(), fullList))
        return;
    browser->m_addressList->clear();
    browser->m_addressList->addEntries(fullList);
    WindowFrame::hide(this);
}

bool CheatBox::keepUsersList(const QStringList &entries, const QStringList &fullList)
{
    // A list that is the full list already holds nothing of the user's.
    if (entries == fullList)
        return true;
    const QString listPath = ListPaths::listFile();
    QString keptAt;
    const SaveResult kept = UrlListFile::keepCopy(listPath, UrlListFile::serializeEntries(entries), &keptAt);
    if (kept)
        return true;
    m_windows.platform().messageBoxes().show(
        QStringLiteral("Your list could not be kept beside\n%1\n\nReason: %2\n\n"
                       "The full list has not been loaded, and your list has not been changed.")
            .arg(QDir::toNativeSeparators(listPath), kept.reason),
        QStringLiteral("Cheatbox"), MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Critical);
    return false;
}
