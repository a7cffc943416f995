#include "lists/form5.h"

#include "app/forms.h"
#include "browser/urlcheck.h"
#include "lists/listpaths.h"
#include "lists/urllistfile.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "ui/formwindow.h"
#include "ui/listbox.h"
#include "ui/twips.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

Form5::Form5(Forms &forms, QWidget *parent)
    : QWidget(parent)
    , m_forms(forms)
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Cheatbox"));
    setWindowIcon(QIcon(QStringLiteral(":/cheat.png")));
    setFixedSize(twipsSize(4005, 2235));

    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(twipsRect(0, 0, 3975, 2535));
    Picture1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Picture1->setPixmap(QPixmap(QStringLiteral(":/cheat.png")));
    Picture1->setAccessibleName(QStringLiteral("Cheatbox picture"));
    // Created first, the picture takes the focus first: the code box has none until the user goes there.
    Picture1->setFocusPolicy(Qt::StrongFocus);

    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(twipsRect(2280, 1920, 1695, 285));
    Text1->setText(QStringLiteral("Gimme da cheat!!!"));
    Text1->setCursorPosition(0); // show the text from its start, as a fresh box does
    Text1->setAccessibleName(QStringLiteral("Cheat code"));
    Text1->installEventFilter(this);
}

void Form5::Form_Load() {}

bool Form5::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Text1 && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        int code = 0;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            code = 13;
        else if (!key->text().isEmpty())
            code = key->text().at(0).unicode();
        if (code)
            Text1_KeyPress(code);
    }
    return QWidget::eventFilter(watched, event);
}

void Form5::Text1_KeyPress(int KeyAscii)
{
    if (KeyAscii != 13)
        return;
    MessageBoxes &boxes = m_forms.platform().messageBoxes();
    const QString typed = Text1->text();
    if (typed != cheatCode) {
        boxes.show(QStringLiteral("Sorry... That was wrong!\r\nWhat is ") + typed + QStringLiteral("???\r\nTry Again!"),
                   QStringLiteral("Wrong cheat"), MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Information);
        return;
    }
    loadFullList();
}

void Form5::loadFullList()
{
    MessageBoxes &boxes = m_forms.platform().messageBoxes();
    // The list browser comes first: creating it is what puts the working copy of the full list in place.
    m_forms.URLcheck();

    const QString path = ListPaths::fullListCopy();
    QFile file(path);
    QByteArray bytes;
    bool read = file.open(QIODevice::ReadOnly);
    if (read) {
        bytes = file.readAll();
        read = file.error() == QFileDevice::NoError;
    }
    if (!read) {
        // Replacing the list with nothing would later be written over the user's own list: keep it.
        boxes.show(QStringLiteral("The full list could not be read from\n%1\n\nReason: %2\n\nYour list has not been changed.")
                       .arg(QDir::toNativeSeparators(path), file.errorString()),
                   QStringLiteral("Cheatbox"), MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Critical);
        return;
    }
    file.close();

    boxes.show(QStringLiteral("What da hell?\r\nYeah! you're right man!\r\nThat was the right cheat!"),
               QStringLiteral("Right!"), MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Information);
    boxes.show(QStringLiteral("now you get the ultimate list! Look in you Quokka (small), your old list has been saved!"),
               QStringLiteral("List Update"), MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Information);

    // The boxes wait for the user, who may close the list browser meanwhile: obtain it again.
    URLcheck *browser = m_forms.URLcheck();
    browser->List1->Clear();
    browser->List1->addItems(UrlListFile::parseEntries(bytes));
    FormWindow::hide(this);
}
