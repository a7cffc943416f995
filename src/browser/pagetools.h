// What every browser does with its page: find, zoom (remembered per host), save, print, the
// context menu's list commands, and the notice of a finished download or saved page.
#pragma once

#include <QFrame>
#include <QPointer>

class FindBar;
class QAction;
class QLabel;
class QMenu;
class QPushButton;
class WebBrowser;
class Windows;

/// A bar over the top of the page: what was saved or downloaded, with Open and Show in Folder.
class FileNotice final : public QFrame {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FileNotice)
public:
    FileNotice(Windows &windows, QWidget *page);
    /// Says @p text about the file at @p path (Open and Show in Folder for it), or only @p text.
    void tell(const QString &text, const QString &path = {});
    void openFile();
    void showInFolder();

    QLabel *m_text;
    QPushButton *m_openButton;
    QPushButton *m_folderButton;
    QPushButton *m_closeButton;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    /// Starts the desktop's opener on @p target; says so when there is none.
    void startOpener(const QString &target);
    void place();

    Windows &m_windows;
    QWidget *m_page;
    QString m_path;
};

class PageTools final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PageTools)
public:
    /// Where the keys act: anywhere in the window, or only while the page (or the find bar) has the focus.
    enum class Keys { Window, Page };
    /// Tools for @p browser's page, the keys given to @p window (Keys::Window) or to the page.
    PageTools(Windows &windows, WebBrowser *browser, QWidget *window, Keys keys);

    void zoomIn() { zoomBy(1); }
    void zoomOut() { zoomBy(-1); }
    void zoomBy(int steps);
    /// Ctrl+0: the page's own size, and the host forgets its zoom.
    void resetZoom();
    /// Puts @p factor on the page and remembers it for the page's host.
    void setZoom(double factor);
    /// Save Page As: asks where, then saves one MHTML file or the HTML, as the name's ending says.
    void savePageAs();
    /// Saves the page at @p path: MHTML unless the name ends in .html or .htm.
    void savePageTo(const QString &path);
    /// Save Copy As: asks where the saved copy that shows goes (an .mhtml file), then asks for it
    /// to be written (copySaveAsked()). Ctrl+S while a copy shows comes here too.
    void saveCopyAs();
    /// The title of the saved copy that shows (empty for none): Save Copy As names the file by it.
    void setCopyTitle(const QString &title) { m_copyTitle = title; }
    /// The saved copy was written to @p path (@p ok), or why not (@p problem): told in the notice.
    void tellCopySaved(const QString &path, bool ok, const QString &problem);
    /// Save as PDF: asks where, then writes the page as PDF.
    void saveAsPdf();
    void print();
    /// Adds @p link to the list browser's working list, as Add does.
    void addLinkToList(const QString &link);
    void openLinkInNewWindow(const QString &link);

    /// The action of @p key: "find", "findNext", "findPrevious", "zoomIn", "zoomOut", "zoomReset",
    /// "savePage", "savePdf", "print", and the saved copy's "savedCopy", "olderCopies", "saveCopy"
    /// (their keys act anywhere in the window).
    QAction *action(const QString &key) const;

signals:
    /// Saved Copy (Ctrl+Shift+S): the page's last good copy, in place of the live page.
    void savedCopyAsked();
    /// Older Copies… (Ctrl+Shift+O): every copy of the page, to open one.
    void olderCopiesAsked();
    /// Save Copy As…: the copy that shows is to be written to @p path.
    void copySaveAsked(const QString &path);

public:

    FindBar *m_findBar;
    FileNotice *m_notice;

private:
    QAction *addTool(const QString &key, const QString &text, const QList<QKeySequence> &keys);
    /// A tool whose keys act in the whole window, whatever has the focus there.
    QAction *addWindowTool(const QString &key, const QString &text, const QList<QKeySequence> &keys);
    void addToContextMenu(QMenu *menu, const QString &link);
    /// The zoom remembered for the page's host, put on the page.
    void applyRememberedZoom();
    /// A starting folder and name for a file of the page, ending in @p suffix.
    QString suggestedPath(const QString &suffix, const QString &title) const;

    Windows &m_windows;
    WebBrowser *m_browser;
    QWidget *m_window;
    QWidget *m_keyScope;
    Qt::ShortcutContext m_context;
    QList<QAction *> m_actions;
    QString m_copyTitle;
};
