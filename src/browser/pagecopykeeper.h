// Keeps a copy of each good page a window shows from the list: judges the loaded page by what it
// says, takes the copy from the browser (never a second download) and hands it to the copy store.
#pragma once

#include "copies/copyarchive.h"
#include "memory/pagesigns.h"
#include "platform/webbrowser.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

class CopyStore;

/// A list entry's page as a browser has just loaded it.
struct LoadedPage {
    QString entry;
    QString title;
    /// Where the page ended after redirects.
    QString finalAddress;
    QString text;
    /// The main page's HTTP status; 0 when the engine did not tell (a page that answered).
    int httpStatus = 0;
    /// No answer, a network error, or the engine's own error page.
    bool failed = false;
    /// What kind of failure it was, when it failed.
    WebBrowser::LoadFailure failure = WebBrowser::LoadFailure::None;
};

/// Why @p page is no page to keep (an HTTP error, no answer, a soft 404, a parked domain, a sign-in
/// wall, a bot check, a server's placeholder, not what the person saw at the entry before); empty
/// when it is good. @p seenBefore is what the person last saw at the entry.
QString whyPageIsNotGood(const LoadedPage &page, const std::optional<SeenPage> &seenBefore);

/// Takes and keeps copies of the pages of one browser. The window tells it each entry's page as it
/// has loaded; only a good one is copied.
class PageCopyKeeper final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PageCopyKeeper)
public:
    PageCopyKeeper(WebBrowser *view, CopyStore &store, QObject *parent = nullptr);

    /// @p page has loaded in the browser; @p whyNotGood is whyPageIsNotGood() of it. A good page's
    /// copy is taken, and kept once the browser brings it.
    /// A page that is not good is shown by the entry's last good copy instead, when there is one.
    void pageLoaded(const LoadedPage &page, const QString &whyNotGood);
    /// Shows the copy @p record names in place of @p entry's live page, which is @p liveState.
    void showCopy(const QString &entry, const CopyRecord &record, const QString &liveState);
    /// Shows @p entry's newest copy (the person asked for it); when there is none, or @p entry is
    /// empty (the page is no list entry's), copyMissing() says so.
    void showNewestCopy(const QString &entry);
    /// Writes the copy that shows, its MHTML as it was kept, to @p path (atomically, off the window's
    /// thread); copySavedAs() tells the end.
    void saveShownCopy(const QString &path);

    /// What the live page of @p entry was when it last loaded here; a phrase for the bar.
    QString liveStateOf(const QString &entry) const;
    /// The live page shows again (the person asked, or chose another entry).
    void showLivePage();
    /// The entry whose copy shows, and what its live page is; empty when none shows.
    QString shownEntry() const { return m_shownEntry; }
    QString liveState() const { return m_liveState; }

    /// The title of the page a copy was kept from, as its MHTML head names it (the Subject header,
    /// its encoded words decoded); empty when the head names none.
    static QString copyTitle(const QByteArray &mhtml);
    /// The title of the copy that shows; empty when none shows.
    QString shownTitle() const { return m_shownEntry.isEmpty() ? QString() : copyTitle(m_shownMhtml); }

    /// What the bar over a copy says: "Saved copy of 3 March 2026, 14:02. The live page: not found (404)."
    static QString barText(const QDateTime &savedAt, const QString &liveState);
    /// What the bar says when the person asks for a copy of a page that has none, or of a page that
    /// is no list entry's.
    static QString noCopyText();
    static QString noEntryText();

signals:
    /// The copy of @p entry's page went to the store, which said @p result.
    void copyKept(const QString &entry, const KeepResult &result);
    /// @p entry's copy of @p savedAt shows in place of its live page, which is @p liveState.
    void copyShown(const QString &entry, const QDateTime &savedAt, const QString &liveState);
    /// @p entry has a copy, but it cannot be read or shown: @p problem says so.
    void copyUnreadable(const QString &entry, const QString &problem);
    /// The live page shows again.
    void liveShown();
    /// The person asked for a copy that is not there: @p message says so.
    void copyMissing(const QString &message);
    /// saveShownCopy() ended: @p ok when @p path holds the copy whole; otherwise @p problem says why.
    void copySavedAs(const QString &path, bool ok, const QString &problem);

private:
    void copyTaken(const PageCopy &copy);
    void copyRead(const QString &entry, const CopyRecord &record, const CopyReading &reading);

    QPointer<WebBrowser> m_view;
    CopyStore &m_store;
    /// The entry whose copy is being taken, and the page's address when it was asked for.
    QString m_copyingEntry;
    QString m_copyingAddress;
    /// The entry whose copy is being read to show, and what its live page is.
    QString m_readingEntry;
    QString m_readingState;
    /// The person asked for the copy being read: a missing one is told.
    bool m_readingAsked = false;
    /// The page of the copy that shows, as kept.
    QByteArray m_shownMhtml;
    /// The entry whose copy shows (or is being put on the screen), when it was saved, its live page.
    QString m_shownEntry;
    QDateTime m_shownSavedAt;
    QString m_liveState;
    /// The entry last loaded, and what its page was.
    QString m_loadedEntry;
    QString m_loadedState;
};
