#include "browser/listbrowser.h"

#include "app/windows.h"
#include "browser/browserwindow.h"
#include "lists/addaddressbar.h"
#include "store/listpaths.h"
#include "store/urllistfile.h"
#include "platform/mediaplayer.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "platform/webbrowser.h"
#include "ui/accessiblenames.h"
#include "ui/windowframe.h"
#include "ui/listbox.h"
#include "ui/twips.h"

#include <QCloseEvent>
#include <QDir>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

QToolButton *arrowButton(QWidget *parent, const char *name, const QString &picture, const QString &caption,
                         const QString &accessibleName)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setIcon(QIcon(picture));
    button->setText(caption);
    button->setAccessibleName(accessibleName);
    button->setToolTip(accessibleName);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

} // namespace

ListBrowser::ListBrowser(Windows &windows, QWidget *parent)
    : QWidget(parent)
    , m_windows(windows)
{
    setObjectName(QStringLiteral("ListBrowser"));
    setWindowTitle(QStringLiteral("Quokka"));
    setWindowIcon(QIcon(QStringLiteral(":/globe.png")));
    setFixedSize(twipsSize(14955, 9120));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(64, 64, 64));
    setPalette(pal);

    m_background = new QLabel(this);
    m_background->setObjectName(QStringLiteral("background"));
    m_background->setPixmap(QPixmap(QStringLiteral(":/texture.png")));
    m_background->setScaledContents(true);
    m_background->setGeometry(twipsRect(0, 0, 15405, 9135));

    m_view = m_windows.platform().createWebBrowser(this);
    m_view->widget()->setObjectName(QStringLiteral("view"));
    m_view->widget()->setGeometry(twipsRect(120, 2880, 14775, 5895));
    m_view->widget()->setAccessibleName(QStringLiteral("Page of the chosen address"));

    m_addressList = new ListBox(this);
    m_addressList->setObjectName(QStringLiteral("addressList"));
    m_addressList->setGeometry(twipsRect(120, 120, 13935, 2010));
    m_addressList->setAccessibleName(QStringLiteral("Address list"));

    m_nextButton = arrowButton(this, "nextButton", QStringLiteral(":/arrow-down.png"), QStringLiteral("Next"),
                           QStringLiteral("Next"));
    m_nextButton->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_nextButton->setIconSize(QSize(29, 24));
    m_nextButton->setGeometry(twipsRect(14160, 1320, 735, 735));
    m_previousButton = arrowButton(this, "previousButton", QStringLiteral(":/arrow-up.png"), QStringLiteral("Prev"),
                           QStringLiteral("Prev"));
    m_previousButton->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_previousButton->setIconSize(QSize(29, 24));
    m_previousButton->setGeometry(twipsRect(14160, 120, 735, 735));
    m_backButton = arrowButton(this, "backButton", QStringLiteral(":/arrow-left.png"), QString(), QStringLiteral("Back"));
    m_backButton->setIconSize(QSize(38, 29));
    m_backButton->setGeometry(twipsRect(120, 2280, 615, 495));
    m_forwardButton = arrowButton(this, "forwardButton", QStringLiteral(":/arrow-right.png"), QString(),
                           QStringLiteral("Forward"));
    m_forwardButton->setIconSize(QSize(38, 29));
    m_forwardButton->setGeometry(twipsRect(840, 2280, 615, 495));

    m_chosenAddressLabel = new QLabel(QStringLiteral("Choosen adress:"), this);
    m_chosenAddressLabel->setObjectName(QStringLiteral("chosenAddressLabel"));
    m_chosenAddressLabel->setGeometry(twipsRect(1560, 2400, 1815, 255));
    QFont labelFont(QStringLiteral("Sans Serif"));
    labelFont.setPointSizeF(9.75);
    labelFont.setBold(true);
    // The design's font is narrower than the fonts Linux has; shrink until the caption fits its place.
    while (labelFont.pointSizeF() > 6 && QFontMetrics(labelFont).horizontalAdvance(m_chosenAddressLabel->text()) > m_chosenAddressLabel->width())
        labelFont.setPointSizeF(labelFont.pointSizeF() - 0.25);
    m_chosenAddressLabel->setFont(labelFont);
    m_chosenAddressLabel->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0); background: transparent;"));

    m_hideButton = new QPushButton(QStringLiteral("X"), this);
    m_hideButton->setObjectName(QStringLiteral("hideButton"));
    m_hideButton->setGeometry(twipsRect(15000, 120, 255, 255));
    QFont xFont(QStringLiteral("Arial"));
    xFont.setPointSizeF(8.25);
    xFont.setBold(true);
    m_hideButton->setFont(xFont);
    m_hideButton->setAccessibleName(QStringLiteral("Hide list browser"));
    m_hideButton->setVisible(false);

    m_busyAnimation = m_windows.platform().createAnimation(ListPaths::shippedFile(QStringLiteral("dat/tst.gif")), this);
    if (QWidget *w = m_busyAnimation->widget()) {
        w->setObjectName(QStringLiteral("busyAnimation"));
        w->setGeometry(twipsRect(14280, 2280, 540, 480));
    }

    m_killButton = new QPushButton(QStringLiteral("KILL"), this);
    m_killButton->setObjectName(QStringLiteral("killButton"));
    m_killButton->setGeometry(twipsRect(14160, 840, 735, 255));
    m_killButton->setAccessibleName(QStringLiteral("KILL: remove the selected address"));
    m_addButton = new QPushButton(QStringLiteral("Add"), this);
    m_addButton->setObjectName(QStringLiteral("addButton"));
    m_addButton->setGeometry(twipsRect(14160, 1080, 735, 255));
    m_addButton->setAccessibleName(QStringLiteral("Add an address"));

    m_chosenAddressBox = new QComboBox(this);
    m_chosenAddressBox->setObjectName(QStringLiteral("chosenAddressBox"));
    m_chosenAddressBox->setEditable(true);
    m_chosenAddressBox->setInsertPolicy(QComboBox::NoInsert);
    m_chosenAddressBox->setGeometry(twipsRect(3360, 2400, 10755, 315));
    m_chosenAddressBox->setEditText(QStringLiteral("none choosen"));
    // An address is taken exactly as typed: no completion from the addresses chosen before.
    m_chosenAddressBox->setCompleter(nullptr);
    nameEditableComboBox(m_chosenAddressBox, QStringLiteral("Chosen address"), QStringLiteral("Chosen addresses so far"));
    m_chosenAddressLabel->setBuddy(m_chosenAddressBox);

    QWidget::setTabOrder(m_view->widget(), m_addressList);
    QWidget::setTabOrder(m_addressList, m_nextButton);
    QWidget::setTabOrder(m_nextButton, m_previousButton);
    QWidget::setTabOrder(m_previousButton, m_backButton);
    QWidget::setTabOrder(m_backButton, m_forwardButton);
    QWidget::setTabOrder(m_forwardButton, m_killButton);
    QWidget::setTabOrder(m_killButton, m_addButton);
    QWidget::setTabOrder(m_addButton, m_chosenAddressBox);

    connect(m_addressList, &ListBox::entryChosen, this, &ListBrowser::showSelectedEntry);
    // Typing into the field is a change; picking an item of the drop-down list is not.
    connect(m_chosenAddressBox->lineEdit(), &QLineEdit::textEdited, this, [this] { rememberChosenAddress(); });
    connect(m_nextButton, &QToolButton::clicked, this, &ListBrowser::showNext);
    connect(m_previousButton, &QToolButton::clicked, this, &ListBrowser::showPrevious);
    connect(m_hideButton, &QPushButton::clicked, this, &ListBrowser::hideWindow);
    connect(m_killButton, &QPushButton::clicked, this, &ListBrowser::removeSelected);
    connect(m_backButton, &QToolButton::clicked, this, &ListBrowser::goBack);
    connect(m_forwardButton, &QToolButton::clicked, this, &ListBrowser::goForward);
    connect(m_addButton, &QPushButton::clicked, this, &ListBrowser::openAddBar);
    // Was a 1 ms tick that played or stopped the animation as m_view->isBusy() said; now busyChanged does.
    connect(m_view, &WebBrowser::busyChanged, this, &ListBrowser::showBusyState);
    // A link that asks for a new window after the user's click opens in a browser window of its own.
    connect(m_view, &WebBrowser::newWindowRequested, this, [this](WebBrowser **target) {
        *target = m_windows.openNewBrowserWindow()->m_view;
    });
}

void ListBrowser::load()
{
    m_busyAnimation->stop();
    reloadList();
    const QString fullList = ListPaths::fullListCopy();
    const SaveResult copied = UrlListFile::copyFullList(ListPaths::shippedFile(QStringLiteral("dat/ch.dat")), fullList);
    if (!copied) {
        m_windows.platform().messageBoxes().show(
            tr("Quokka could not copy the full list to\n%1\n\nReason: %2\n\nThe cheat box will use the copy made before, if any.")
                .arg(QDir::toNativeSeparators(fullList), copied.reason),
            tr("Full list not copied"), MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Critical);
    }
}

void ListBrowser::reloadList()
{
    const QString path = ListPaths::listFile();
    QString unreadable;
    m_addressList->clear();
    m_addressList->addEntries(UrlListFile::load(path, &unreadable));
    // A list that is there but cannot be read is the user's all the same: never write over it.
    m_keepListFile = !unreadable.isEmpty();
    if (m_keepListFile) {
        m_windows.platform().messageBoxes().show(
            tr("Quokka could not read your list from\n%1\n\nReason: %2\n\n"
               "The list browser starts with an empty list, and your list file is left as it is.")
                .arg(QDir::toNativeSeparators(path), unreadable),
            tr("List not read"), MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Critical);
    }
}

bool ListBrowser::unload()
{
    const QString path = ListPaths::listFile();
    if (m_keepListFile)
        return true;
    const SaveResult saved = UrlListFile::writeBack(path, m_addressList->entries());
    if (saved)
        return true;
    const auto answer = m_windows.platform().messageBoxes().show(
        tr("Quokka could not save your list to\n%1\n\nReason: %2\n\n"
           "Press Cancel to keep the list browser open with your list, or OK to close it without saving.")
            .arg(path, saved.reason),
        tr("List not saved"), MessageBoxes::Buttons::OkCancelDefaultCancel, MessageBoxes::Icon::Critical);
    return answer == MessageBoxes::Answer::Ok;
}

void ListBrowser::closeEvent(QCloseEvent *event)
{
    if (unload())
        event->accept();
    else
        event->ignore();
}

void ListBrowser::showSelectedEntry()
{
    const QString entry = m_addressList->currentEntry();
    m_view->navigate(entry);
    setChosenAddress(entry);
}

void ListBrowser::setChosenAddress(const QString &text)
{
    if (m_chosenAddressBox->currentText() == text)
        return;
    m_chosenAddressBox->setEditText(text);
    rememberChosenAddress();
}

void ListBrowser::rememberChosenAddress()
{
    m_chosenAddressBox->addItem(m_chosenAddressBox->currentText());
}

void ListBrowser::showNext()
{
    m_addressList->setCurrentRow(m_addressList->currentRow() + 1);
}

void ListBrowser::showPrevious()
{
    const int position = m_addressList->currentRow() - 1;
    if (position >= -1)
        m_addressList->setCurrentRow(position);
}

void ListBrowser::hideWindow()
{
    WindowFrame::hide(this);
}

void ListBrowser::removeSelected()
{
    m_addressList->removeEntry(m_addressList->currentRow());
}

void ListBrowser::goBack()
{
    m_view->goBack();
}

void ListBrowser::goForward()
{
    m_view->goForward();
}

void ListBrowser::openAddBar()
{
    WindowFrame::show(m_windows.addAddressBar());
}

void ListBrowser::showBusyState(bool busy)
{
    if (busy)
        m_busyAnimation->play();
    else
        m_busyAnimation->stop();
}
