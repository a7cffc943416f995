// The list browser: steps through the stored list entry by entry and shows each address in a web view.
#pragma once

#include "store/listfileversion.h"

#include <QWidget>

class CopyBar;
class Windows;
class ListBox;
class ListFilterBar;
class MediaPlayer;
class PageTools;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QProgressBar;
class QToolButton;
class QPushButton;
class QSpinBox;
class WebBrowser;

class ListBrowser final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListBrowser)
public:
    explicit ListBrowser(Windows &windows, QWidget *parent = nullptr);

    void load();
    /// Writes the list back; false keeps the window open (the user chose not to lose the list).
    bool unload();
    /// Replaces the working list by the list file's entries; says so when the file cannot be read.
    void reloadList();
    /// Entries removed or added since the list was loaded (KILL, Add), not saved yet.
    int unsavedChanges() const { return m_unsavedChanges; }
    /// Before the list is reloaded from the file: asks, when it holds unsaved changes, whether to
    /// drop them. True when there are none or the user agreed.
    bool confirmDroppingUnsavedChanges();
    void showSelectedEntry();
    /// Opens @p address from the stored list, where it stood at @p position: the entry of the working list
    /// that holds it (ListBox::findEntry) is selected, so that KILL removes what the page shows; with no
    /// such entry nothing is selected.
    void openStoredEntry(const QString &address, int position);
    void rememberChosenAddress();
    void showNext(); ///< Next
    void showPrevious(); ///< Prev
    void hideWindow(); ///< X: hide
    void removeSelected(); ///< KILL
    void goBack(); ///< back
    void goForward(); ///< forward
    void openAddBar(); ///< Add
    /// Plays the busy animation while the page loads and stops it when the load ends.
    void showBusyState(bool busy);

    // Playing the list: the controls only; the player itself is wired to them from outside.
    /// Play or Pause: the caption, icon, names and tooltip follow @p playing.
    void showPlaying(bool playing);
    void showPlayStatus(const QString &text);
    /// Puts the remembered delay and end choice into their boxes without announcing a choice.
    void showPlaySettings(int delaySeconds, bool loop);
    /// Selects @p row and shows its page as choosing it does, for the player: the person did not act.
    void showEntryForPlayer(int row);

    // A running list check, shown here too, since this window comes in front of the Check List
    // window whenever the person works in it; the check itself is wired to these from outside.
    /// Shows the check's progress (@p checked of @p total, in words @p text) and its Cancel.
    void showCheckProgress(int checked, int total, const QString &text);
    /// The check ended (or its window closed): its progress and Cancel go away.
    void showCheckEnded();

    /// The entry whose page the view shows: the last one loaded while the view is still at the
    /// address its load ended at; empty when the view has gone elsewhere (a link) or shows none.
    QString entryShown() const;

    WebBrowser *m_view;
    /// The entry whose page is loading, until it has loaded.
    QString m_visiting;
    ListBox *m_addressList;
    ListFilterBar *m_filterBar;
    QToolButton *m_nextButton;
    QToolButton *m_previousButton;
    QToolButton *m_backButton;
    QToolButton *m_forwardButton;
    QLabel *m_chosenAddressLabel;
    QPushButton *m_hideButton;
    MediaPlayer *m_busyAnimation;
    QPushButton *m_killButton;
    QPushButton *m_addButton;
    QComboBox *m_chosenAddressBox;
    QLabel *m_background;
    QToolButton *m_playButton;
    QLabel *m_playDelayLabel;
    QSpinBox *m_playDelayBox;
    QCheckBox *m_playLoopBox;
    QLabel *m_playStatusLabel;
    QProgressBar *m_checkProgressBar;
    QPushButton *m_cancelCheckButton;
    PageTools *m_pageTools = nullptr;
    /// The bar over the last good copy of an entry, shown in place of its live page.
    CopyBar *m_copyBar = nullptr;

signals:
    /// A page opened from the list finished loading (the page memory keeps what it was).
    void pageVisited(const QString &entry, const QString &title, const QString &finalAddress, const QString &text);
    /// Play or Pause was pressed (or its shortcut, Ctrl+P).
    void playPauseClicked();
    void playDelayChosen(int seconds);
    /// At the end of the list: start again from the top (@p loop) or stop.
    void playEndChosen(bool loop);
    /// The person chose an entry, stepped, removed one, opened Add, or went back or forward.
    void personTookOver();
    /// Cancel beside a running check's progress was pressed.
    void cancelCheckClicked();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createPlayControls();
    void createCheckControls();
    void createCopyBar();
    /// The play status takes the strip up to the check's progress while that shows, all of it otherwise.
    void placePlayStatus();
    /// Sets m_chosenAddressBox's text field as a change of the field would: the history step runs when it differs.
    void setChosenAddress(const QString &text);

    Windows &m_windows;
    /// The entry last loaded and the address its page ended at.
    QString m_visitedEntry;
    QString m_visitedAddress;
    /// The list file could not be read when the list was loaded: closing leaves it as it is.
    bool m_keepListFile = false;
    /// The version of the list file the working list was read from; closing checks it is still there.
    ListFileVersion m_listVersion;
    int m_unsavedChanges = 0;
    bool m_reloading = false;
    int m_entriesBeforeReset = 0;
    /// The player is choosing the entry: the choice is not the person's.
    bool m_playerChoosing = false;
};
