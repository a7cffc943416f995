// Keeps a copy of each good page a window shows from the list: judges the loaded page by what it
// says, takes the copy from the browser (never a second download) and hands it to the copy store.
#pragma once

#include "copies/copyarchive.h"
#include "memory/pagesigns.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

class CopyStore;
class WebBrowser;
struct PageCopy;

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
    void pageLoaded(const LoadedPage &page, const QString &whyNotGood);

signals:
    /// The copy of @p entry's page went to the store, which said @p result.
    void copyKept(const QString &entry, const KeepResult &result);

private:
    void copyTaken(const PageCopy &copy);

    QPointer<WebBrowser> m_view;
    CopyStore &m_store;
    /// The entry whose copy is being taken, and the page's address when it was asked for.
    QString m_copyingEntry;
    QString m_copyingAddress;
};
