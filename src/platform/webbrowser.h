// The embedded web browser control: a page view with the operations the windows rely on.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QWidget;

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
    /// text when there is no page.
    virtual void readVisibleText(std::function<void(const QString &)> done) { done({}); }

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
};
