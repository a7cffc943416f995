// The embedded web browser control: a page view with the operations the windows rely on.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

class QMenu;
class QWidget;

/// A copy of the page a browser shows, taken from what it has loaded (never a second download).
struct PageCopy {
    /// True when the page, its text and its picture were all taken; otherwise problem says why.
    bool ok = false;
    /// The page's address and title when the copy was asked for.
    QString address;
    QString title;
    /// The page as one MHTML file, as the engine saves it.
    QByteArray mhtml;
    /// The text the page shows.
    QString text;
    /// A small picture of the page (PNG), at most thumbnailWidth pixels wide.
    QByteArray thumbnailPng;
    QString problem;

    static constexpr int thumbnailWidth = 320;
};

/// One embedded web browser. The windows only ever talk to this interface, so tests can put a fake in.
class WebBrowser : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~WebBrowser() override = default;

    /// The widget that shows the page; owned by the browser's parent widget.
    virtual QWidget *widget() = 0;

    /// Starts loading @p address, read the way a browser's address bar reads typed text.
    /// An empty address navigates nowhere. Returns false when the address was refused.
    virtual bool navigate(const QString &address) = 0;
    /// Moves in the browser's history; false when there is no such page.
    virtual bool goBack() = 0;
    virtual bool goForward() = 0;
    virtual void goHome() = 0;
    virtual void refresh() = 0;
    virtual void stop() = 0;
    /// True from the start of a load until it finishes; busyChanged() tells each change.
    virtual bool isBusy() const = 0;
    /// The page title (while a page loads, its address until it has a title); empty before the first
    /// page. titleChanged() tells each change.
    virtual QString title() const = 0;
    /// The page address; empty before the first page. urlChanged() tells each change.
    virtual QString url() const = 0;
    /// Reads the text the page shows (its body's inner text) and hands it to @p done, later; the empty
    /// text when there is no page. @p done is not called when the page or this browser goes first.
    virtual void readVisibleText(std::function<void(const QString &)> done) { done({}); }
    /// How the last finished load ended: the HTTP status of its main page (0 when there was none or
    /// the engine did not tell, as for a file), and whether it failed (no answer, a network error, the
    /// engine's own error page). Both are of the load that busyChanged(false) last told.
    virtual int httpStatus() const { return 0; }
    virtual bool loadFailed() const { return false; }
    /// Why the last finished load failed, as far as a person cares: the page is not failing, the site
    /// cannot be reached (no network, no such name, the connection refused or cut), no answer came
    /// within the load time-out, or another failure (the engine's own error page, a refused address).
    enum class LoadFailure { None, Unreachable, TimedOut, Other };
    virtual LoadFailure loadFailure() const { return loadFailed() ? LoadFailure::Other : LoadFailure::None; }
    /// A load that has had no answer after @p msecs is stopped and fails as LoadFailure::TimedOut;
    /// 0 waits for as long as the engine does. A page that has answered goes on loading.
    virtual void setLoadTimeout(int msecs) { Q_UNUSED(msecs); }

    // Page tools: find, zoom, save and print. Each finishes in the engine's own time; a signal tells.
    /// Finds @p text in the page, the next match (or the one before, @p backward) shown and selected;
    /// empty text clears the highlights. findFinished() tells the count.
    virtual void findText(const QString &text, bool backward) = 0;
    /// The page's zoom: 1.0 is its own size; the engine takes 0.25 to 5.0.
    virtual double zoomFactor() const = 0;
    virtual void setZoomFactor(double factor) = 0;
    /// Saves the page as it is now to @p path: one MHTML file (@p singleFile) or its HTML.
    /// pageSaved() tells the end.
    virtual void savePage(const QString &path, bool singleFile) = 0;
    /// Writes the page as a PDF file at @p path; pageSaved() tells the end.
    virtual void printToPdf(const QString &path) = 0;
    /// Asks for a printer and prints the page.
    virtual void print() = 0;
    /// Takes a copy of the page shown now (its MHTML, text and thumbnail), in the engine's own time;
    /// pageCopyTaken() brings it, or why there is none. Never loads the page again, and never
    /// sends pageSaved().
    virtual void takePageCopy() = 0;
    /// Shows @p mhtml, a kept copy of a page, in place of the live page: as a document, in a page of
    /// its own that runs no script, sends no request and reads no local file. savedCopyShown() tells
    /// when it is painted, or that it could not be shown. The live page stays as it was, behind it.
    virtual void showSavedCopy(const QByteArray &mhtml) { Q_UNUSED(mhtml); emit savedCopyShown(false); }
    /// Hides the copy: the live page shows again.
    virtual void showLivePage() {}
    virtual bool isShowingSavedCopy() const { return false; }

signals:
    /// isBusy() changed: a load started (@p busy true), or it finished, failed or was stopped.
    void busyChanged(bool busy);
    /// title() changed.
    void titleChanged(const QString &title);
    /// url() changed.
    void urlChanged(const QString &url);
    /// A page asked for a new window as the result of a user's click; the receiver opens one and
    /// hands its browser back through @p target (left null, nothing opens).
    void newWindowRequested(WebBrowser **target);
    /// The page's render process ended abnormally.
    void renderProcessCrashed(const QString &reason);
    /// A download finished (@p ok) or failed; @p path is where it was saved.
    void downloadFinished(const QString &path, bool ok);
    /// An address was refused before loading; @p reason says why, for the user.
    void navigationRefused(const QString &address, const QString &reason);
    /// The page asked to close its window, and may: the window was opened by a page (a link or a
    /// script), as browsers let such windows close themselves. Never sent for other windows.
    void closeRequested();
    /// The search of findText() ended: match @p active (from 1; 0 for none) of @p matches.
    void findFinished(int active, int matches);
    /// Ctrl and the wheel over the page: zoom in (@p steps above 0) or out.
    void zoomRequested(int steps);
    /// savePage() or printToPdf() ended: @p ok when the file at @p path was written whole.
    void pageSaved(const QString &path, bool ok);
    /// takePageCopy() ended: @p copy.ok when the copy is whole.
    void pageCopyTaken(const PageCopy &copy);
    /// showSavedCopy() ended: @p ok when the copy is shown.
    void savedCopyShown(bool ok);
    /// The page's context menu is about to show: the receiver may add its own commands to @p menu;
    /// @p linkUrl is the link under the mouse, or empty.
    void contextMenuRequested(QMenu *menu, const QString &linkUrl);
};
