#include "browser/listbrowser.h"

#include "browser/copybar.h"
#include "browser/pagetools.h"

#include "app/windows.h"
#include "browser/browserwindow.h"
#include "lists/addaddressbar.h"
#include "lists/importwindow.h"
#include "lists/savelist.h"
#include "store/listpaths.h"
#include "store/listplace.h"
#include "store/urllistfile.h"
#include "platform/mediaplayer.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "platform/webbrowser.h"
#include "ui/accessiblenames.h"
#include "ui/enterkey.h"
#include "ui/windowframe.h"
#include "ui/listbox.h"
#include "ui/listfilterbar.h"
#include "ui/twips.h"

#include <QPointer>
#include <QCloseEvent>
#include <QDir>
#include <QAbstractItemView>
#include <QAbstractItemModel>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStringListModel>
#include <QStyle>
#include <QToolButton>

#include <algorithm>

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
    m_addressList->setAccessibleName(QStringLiteral("Address list"));
    // The filter and the count take the top of the list's place; the list keeps the rest of it.
    m_filterBar = new ListFilterBar(m_addressList, this);
    m_filterBar->place(twipsRect(120, 120, 13935, 330));
    m_addressList->setGeometry(twipsRect(120, 480, 13935, 1650));

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

    QWidget::setTabOrder(m_view->widget(), m_filterBar->m_filterBox);
    QWidget::setTabOrder(m_filterBar->m_filterBox, m_addressList);
    QWidget::setTabOrder(m_addressList, m_nextButton);
    QWidget::setTabOrder(m_nextButton, m_previousButton);
    QWidget::setTabOrder(m_previousButton, m_backButton);
    QWidget::setTabOrder(m_backButton, m_forwardButton);
    QWidget::setTabOrder(m_forwardButton, m_killButton);
    QWidget::setTabOrder(m_killButton, m_addButton);
    QWidget::setTabOrder(m_addButton, m_chosenAddressBox);
    // No default button: Enter clicks the focused button (Next, KILL, ...); the page keeps its own keys.
    EnterKey::giveDefaultButton(this, nullptr);
    EnterKey::leaveEnterTo(m_view->widget());
    createPlayControls();
    createCheckControls();
    createCopyBar();
    // Ctrl+Shift+V pastes addresses, and links, text and files dropped on the list are brought in.
    ListImport::attachTo(this, m_windows);

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
    connect(m_view, &WebBrowser::busyChanged, this, [this](bool busy) {
        if (busy || m_visiting.isEmpty())
            return;
        const QString entry = std::exchange(m_visiting, QString());
        m_visitedEntry = entry;
        m_visitedAddress = m_view->url();
        QPointer<ListBrowser> self(this);
        m_view->readVisibleText([self, entry](const QString &text) {
            if (self)
                emit self->pageVisited(entry, self->m_view->title(), self->m_view->url(), text);
        });
    });
    // A link that asks for a new window after the user's click opens in a browser window of its own.
    connect(m_view, &WebBrowser::newWindowRequested, this, [this](WebBrowser **target) {
        *target = m_windows.openNewBrowserWindow()->m_view;
    });
    // Find, zoom, save and print: their keys act while the page has the focus (Ctrl+F on the list is
    // the list's own, Ctrl+P plays); Print is in the page's context menu.
    m_pageTools = new PageTools(m_windows, m_view, this, PageTools::Keys::Page);
}

void ListBrowser::createPlayControls()
{
    // Along the bottom edge, under the page: the one strip of the window that the design leaves free.
    const int top = m_view->widget()->geometry().bottom() + 2;
    QFont small = font();
    small.setPointSizeF(8);
    m_playButton = new QToolButton(this);
    m_playButton->setObjectName(QStringLiteral("playButton"));
    m_playButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_playButton->setFocusPolicy(Qt::StrongFocus);
    m_playButton->setGeometry(8, top, 76, 20);
    m_playButton->setFont(small);
    auto *playKey = new QAction(this);
    playKey->setObjectName(QStringLiteral("playAction"));
    playKey->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    playKey->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(playKey);
    connect(playKey, &QAction::triggered, m_playButton, &QToolButton::click);

    m_playDelayLabel = new QLabel(QStringLiteral("Delay:"), this);
    m_playDelayLabel->setObjectName(QStringLiteral("playDelayLabel"));
    m_playDelayLabel->setGeometry(94, top, 40, 20);
    m_playDelayBox = new QSpinBox(this);
    m_playDelayBox->setObjectName(QStringLiteral("playDelayBox"));
    m_playDelayBox->setRange(1, 3600);
    m_playDelayBox->setValue(10);
    m_playDelayBox->setSuffix(QStringLiteral(" s"));
    m_playDelayBox->setGeometry(134, top, 72, 20);
    m_playDelayBox->setAccessibleName(QStringLiteral("Delay: seconds each page stays"));
    m_playDelayBox->setToolTip(QStringLiteral("How long each page stays once it has loaded (1 to 3600 seconds)"));
    m_playDelayLabel->setBuddy(m_playDelayBox);

    m_playLoopBox = new QCheckBox(QStringLiteral("Start again at the end"), this);
    m_playLoopBox->setObjectName(QStringLiteral("playLoopBox"));
    m_playLoopBox->setGeometry(216, top, 160, 20);
    m_playLoopBox->setAccessibleName(m_playLoopBox->text());
    m_playLoopBox->setToolTip(QStringLiteral("After the last entry, begin again from the top; otherwise playing stops"));

    m_playStatusLabel = new QLabel(this);
    m_playStatusLabel->setObjectName(QStringLiteral("playStatusLabel"));
    m_playStatusLabel->setGeometry(396, top, width() - 396 - 8, 20);
    // A screen reader reads the status's text as its name; what it is about is its description.
    m_playStatusLabel->setAccessibleDescription(QStringLiteral("Playing the list"));
    for (QWidget *w : {static_cast<QWidget *>(m_playDelayLabel), static_cast<QWidget *>(m_playDelayBox),
                       static_cast<QWidget *>(m_playLoopBox), static_cast<QWidget *>(m_playStatusLabel)})
        w->setFont(small);
    for (QLabel *label : {m_playDelayLabel, m_playStatusLabel})
        label->setStyleSheet(QStringLiteral("color: black; background: transparent;"));
    showPlaying(false);

    QWidget::setTabOrder(m_chosenAddressBox, m_playButton);
    QWidget::setTabOrder(m_playButton, m_playDelayBox);
    QWidget::setTabOrder(m_playDelayBox, m_playLoopBox);
    connect(m_playButton, &QToolButton::clicked, this, &ListBrowser::playPauseClicked);
    connect(m_playDelayBox, &QSpinBox::valueChanged, this, &ListBrowser::playDelayChosen);
    connect(m_playLoopBox, &QCheckBox::toggled, this, &ListBrowser::playEndChosen);
}

void ListBrowser::createCheckControls()
{
    // At the right end of the bottom strip, beside the play status.
    const int top = m_playButton->geometry().top();
    QFont small = font();
    small.setPointSizeF(8);
    m_cancelCheckButton = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancelCheckButton->setObjectName(QStringLiteral("cancelCheckButton"));
    m_cancelCheckButton->setAccessibleName(QStringLiteral("Cancel the check"));
    m_cancelCheckButton->setToolTip(QStringLiteral("Stop checking the list; what was found so far stays"));
    m_cancelCheckButton->setFont(small);
    m_cancelCheckButton->setGeometry(width() - 8 - 60, top, 60, 20);
    m_checkProgressBar = new QProgressBar(this);
    m_checkProgressBar->setObjectName(QStringLiteral("checkProgressBar"));
    m_checkProgressBar->setAccessibleName(QStringLiteral("List check progress"));
    m_checkProgressBar->setFont(small);
    m_checkProgressBar->setTextVisible(true);
    m_checkProgressBar->setAlignment(Qt::AlignCenter);
    m_checkProgressBar->setGeometry(m_cancelCheckButton->geometry().left() - 4 - 230, top, 230, 20);
    m_checkProgressBar->hide();
    m_cancelCheckButton->hide();
    QWidget::setTabOrder(m_playLoopBox, m_cancelCheckButton);
    connect(m_cancelCheckButton, &QPushButton::clicked, this, &ListBrowser::cancelCheckClicked);
}

void ListBrowser::createCopyBar()
{
    m_copyBar = new CopyBar(m_view->widget(), this);
    QWidget::setTabOrder(m_chosenAddressBox, m_copyBar->m_livePageButton);
    QWidget::setTabOrder(m_copyBar->m_saveCopyButton, m_playButton);
}

void ListBrowser::placePlayStatus()
{
    const int right = m_checkProgressBar->isHidden() ? width() - 8 : m_checkProgressBar->geometry().left() - 6;
    m_playStatusLabel->setGeometry(396, m_playStatusLabel->geometry().top(), right - 396, 20);
}

void ListBrowser::showCheckProgress(int checked, int total, const QString &text)
{
    m_checkProgressBar->setRange(0, std::max(1, total));
    m_checkProgressBar->setValue(std::clamp(checked, 0, std::max(1, total)));
    // The bar's own words are the Check List window's progress line; a screen reader reads it as the
    // bar's description, beside its value.
    m_checkProgressBar->setFormat(text);
    m_checkProgressBar->setToolTip(text);
    m_checkProgressBar->setAccessibleDescription(text);
    if (m_checkProgressBar->isHidden()) {
        m_checkProgressBar->show();
        m_cancelCheckButton->show();
        placePlayStatus();
    }
}

void ListBrowser::showCheckEnded()
{
    if (m_checkProgressBar->isHidden())
        return;
    // The keyboard stays in the window: on the list, where it was before Cancel took it.
    const bool hadFocus = m_cancelCheckButton->hasFocus();
    m_checkProgressBar->hide();
    m_cancelCheckButton->hide();
    placePlayStatus();
    if (hadFocus)
        m_addressList->setFocus();
}

void ListBrowser::showPlaying(bool playing)
{
    m_playButton->setText(playing ? QStringLiteral("Pause") : QStringLiteral("Play"));
    m_playButton->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    m_playButton->setAccessibleName(playing ? QStringLiteral("Pause playing the list") : QStringLiteral("Play the list"));
    m_playButton->setToolTip(playing ? QStringLiteral("Pause: stay on this entry (Ctrl+P)")
                                     : QStringLiteral("Play: show each entry in turn, by itself (Ctrl+P)"));
}

void ListBrowser::showPlayStatus(const QString &text)
{
    m_playStatusLabel->setText(text);
}

void ListBrowser::showPlaySettings(int delaySeconds, bool loop)
{
    const QSignalBlocker delayQuiet(m_playDelayBox);
    const QSignalBlocker endQuiet(m_playLoopBox);
    m_playDelayBox->setValue(delaySeconds);
    m_playLoopBox->setChecked(loop);
}

void ListBrowser::showEntryForPlayer(int row)
{
    m_playerChoosing = true;
    if (m_addressList->currentRow() == row)
        showSelectedEntry(); // the same entry again (a list of one that starts again): load it anew
    else
        m_addressList->setCurrentRow(row);
    m_playerChoosing = false;
}

void ListBrowser::load()
{
    m_busyAnimation->stop();
    // Every entry removed or added outside a reload is a change the file does not have yet.
    const QAbstractItemModel *entries = m_addressList->entryModel();
    const auto count = [this](int n) {
        if (!m_reloading)
            m_unsavedChanges += n;
    };
    connect(entries, &QAbstractItemModel::rowsInserted, this, [count](const QModelIndex &, int first, int last) { count(last - first + 1); });
    connect(entries, &QAbstractItemModel::rowsRemoved, this, [count](const QModelIndex &, int first, int last) { count(last - first + 1); });
    connect(entries, &QAbstractItemModel::modelAboutToBeReset, this, [this] { m_entriesBeforeReset = m_addressList->count(); });
    connect(entries, &QAbstractItemModel::modelReset, this, [this, count] { count(m_entriesBeforeReset + m_addressList->count()); });
    reloadList();
    // Opens at the entry shown when the list browser was last closed, found by its text.
    if (const auto place = ListPlace::read(ListPlace::file()))
        if (const int row = place->rowIn(m_addressList->entries()); row >= 0)
            m_addressList->setCurrentRow(row);
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
    const ListFileVersion::Read read = ListFileVersion::read(path);
    m_reloading = true;
    m_addressList->clear();
    m_addressList->addEntries(read.bytes ? UrlListFile::parseEntries(*read.bytes) : QStringList{QString()});
    m_reloading = false;
    m_unsavedChanges = 0;
    m_listVersion = read.version;
    // A list that is there but cannot be read is the user's all the same: never write over it.
    m_keepListFile = !read.unreadable.isEmpty();
    if (m_keepListFile) {
        m_windows.platform().messageBoxes().show(
            tr("Quokka could not read your list from\n%1\n\nReason: %2\n\n"
               "The list browser starts with an empty list, and your list file is left as it is.")
                .arg(QDir::toNativeSeparators(path), read.unreadable),
            tr("List not read"), MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Critical);
    }
}

bool ListBrowser::confirmDroppingUnsavedChanges()
{
    const int n = m_unsavedChanges;
    if (n == 0)
        return true;
    const QString text = n == 1
        ? tr("The list browser's list has 1 change that is not saved yet (an entry removed with KILL or added "
             "with Add).\n\nPress OK to go on and lose it: the list browser then shows the list from the file.\n"
             "Press Cancel to keep it; closing the list browser saves it.")
        : tr("The list browser's list has %1 changes that are not saved yet (entries removed with KILL or added "
             "with Add).\n\nPress OK to go on and lose them: the list browser then shows the list from the file.\n"
             "Press Cancel to keep them; closing the list browser saves them.")
              .arg(n);
    return m_windows.platform().messageBoxes().show(text, tr("Unsaved changes"), MessageBoxes::Buttons::OkCancelDefaultCancel,
                                                    MessageBoxes::Icon::Question)
        == MessageBoxes::Answer::Ok;
}

bool ListBrowser::unload()
{
    const QString path = ListPaths::listFile();
    if (m_keepListFile)
        return true;
    const QStringList entries = m_addressList->entries();
    if (const int row = m_addressList->currentRow(); row >= 0)
        ListPlace::write(ListPlace::file(), {m_addressList->entry(row), row});
    SaveResult saved;
    const SaveList::Outcome outcome = SaveList::saveOverOtherVersion(
        m_windows, m_listVersion, [&] { return UrlListFile::writeBack(path, entries); },
        tr("Press Cancel to keep the list browser open; nothing is saved now."), &saved);
    if (outcome == SaveList::Outcome::Saved)
        return true;
    if (outcome == SaveList::Outcome::Declined)
        return false;
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
    if (!m_playerChoosing)
        emit personTookOver();
    const QString entry = m_addressList->currentEntry();
    m_visiting = m_view->navigate(entry) ? entry : QString();
    setChosenAddress(entry);
}

QString ListBrowser::entryShown() const
{
    return !m_visitedEntry.isEmpty() && m_view->url() == m_visitedAddress ? m_visitedEntry : QString();
}

void ListBrowser::openStoredEntry(const QString &address, int position)
{
    const int row = m_addressList->findEntry(address, position);
    if (row >= 0 && row != m_addressList->currentRow()) {
        m_addressList->setCurrentRow(row); // shows the entry as a click on it does
        return;
    }
    if (row < 0)
        m_addressList->setCurrentRow(-1);
    m_view->navigate(address);
    setChosenAddress(address);
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
    emit personTookOver();
    // Next and Prev walk the entries the filter shows.
    if (const int next = m_addressList->nextShownRow(m_addressList->currentRow()); next >= 0)
        m_addressList->setCurrentRow(next);
}

void ListBrowser::showPrevious()
{
    emit personTookOver();
    if (const int row = m_addressList->currentRow(); row >= 0)
        m_addressList->setCurrentRow(m_addressList->previousShownRow(row));
}

void ListBrowser::hideWindow()
{
    WindowFrame::hide(this);
}

void ListBrowser::removeSelected()
{
    emit personTookOver();
    m_addressList->removeEntry(m_addressList->currentRow());
}

void ListBrowser::goBack()
{
    emit personTookOver();
    m_view->goBack();
}

void ListBrowser::goForward()
{
    emit personTookOver();
    m_view->goForward();
}

void ListBrowser::openAddBar()
{
    emit personTookOver();
    WindowFrame::show(m_windows.addAddressBar());
}

void ListBrowser::showBusyState(bool busy)
{
    if (busy)
        m_busyAnimation->play();
    else
        m_busyAnimation->stop();
}
