// The web browser control over Qt WebEngine.
#pragma once

#include "platform/pagedialog.h"
#include "platform/webbrowser.h"

#include <QHash>
#include <QImage>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <memory>

class QLabel;
class QWebEngineDownloadRequest;
class QWebEngineView;
class QWebEngineProfile;
class QTemporaryDir;

class WebEngineBrowser final : public WebBrowser {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WebEngineBrowser)
public:
    /// Creates the page view as a child of @p parent; the browser object is owned by the view.
    explicit WebEngineBrowser(QWidget *parent);

    QWidget *widget() override;
    bool navigate(const QString &address) override;
    bool goBack() override;
    bool goForward() override;
    void goHome() override;
    void refresh() override;
    void stop() override;
    bool isBusy() const override;
    int httpStatus() const override { return m_httpStatus; }
    bool loadFailed() const override { return m_loadFailed; }
    LoadFailure loadFailure() const override { return m_loadFailure; }
    void setLoadTimeout(int msecs) override;
    /// What a failed load's engine error says for a person: @p domain and @p code as the engine's
    /// loading info tells them (QWebEngineLoadingInfo::ErrorDomain, net error numbers).
    static LoadFailure failureOfError(int domain, int code);
    QString title() const override;
    QString url() const override;
    void findText(const QString &text, bool backward) override;
    double zoomFactor() const override;
    void setZoomFactor(double factor) override;
    void savePage(const QString &path, bool singleFile) override;
    void printToPdf(const QString &path) override;
    void print() override;
    void readVisibleText(std::function<void(const QString &)> done) override;
    void takePageCopy() override;
    void showSavedCopy(const QByteArray &mhtml) override;
    void showLivePage() override;
    bool isShowingSavedCopy() const override;
    /// The view that shows copies (made on first use), or null.
    QWebEngineView *savedCopyView() const { return m_copyView; }
    /// Whether the page being saved to @p path is a copy this browser takes (not the person's save).
    bool isTakingCopyTo(const QString &path) const;
    /// The engine's save of a copy to @p path ended (@p ok: the file is whole).
    void copySaved(const QString &path, bool ok);

    QWebEngineView *view() const { return m_view; }

    /// The address a browser's address bar makes of @p text; empty for empty text.
    static QUrl addressFromUserInput(const QString &text);
    /// Why @p url may not be opened from an address box or a list entry, or empty when it may.
    static QString refusalReason(const QString &text, const QUrl &url);
    /// The engine's home page: the start page shipped beside the program.
    static QUrl homePage();
    /// The profile every browser uses, made and set up once: named "quokka", kept on disk in
    /// profileStoragePath() with its cache in profileCachePath(), with the program's security settings.
    static QWebEngineProfile *profile();
    /// Where the profile keeps cookies and site data: $XDG_DATA_HOME/quokka/QtWebEngine/quokka.
    static QString profileStoragePath();
    /// Where the profile keeps its cache: $XDG_CACHE_HOME/quokka.
    static QString profileCachePath();

    /// A page's alert, confirm or prompt (also the question before leaving a page): asked in a
    /// modeless window, limited, and stopped at the person's wish. Returns the answer for the page.
    bool askForPage(PageDialog::Kind kind, const QUrl &origin, const QString &message,
                    const QString &defaultText = {}, QString *text = nullptr);
    /// Whether the download @p download may go on: yes when it follows the person's click or key in
    /// this page or an address the person opened; otherwise the person is asked.
    bool admitDownload(QWebEngineDownloadRequest *download);
    /// This browser's page was opened by another page; its script may close the window.
    void setOpenedByPage() { m_openedByPage = true; }
    /// The person acted on this browser (a click or key in the page, an address, a toolbar button).
    void userActed();
    /// The question the page has open, or null.
    PageDialog *openQuestion() const { return m_question; }

private:
    /// The person went to another page: its questions and downloads start afresh.
    void personNavigated();
    void showNotice(const QString &text);
    /// Records the load state and emits busyChanged() when it changed.
    void setBusy(bool busy);
    /// Emits titleChanged() when title() differs from the title last told.
    void announceTitle();
    /// The page's own context menu with the windows' commands added, at @p pos in the view.
    void showContextMenu(const QPoint &pos);
    struct CopyUnderWay;
    /// Hands the copy saved to @p path on once its page, text and picture are all there.
    void finishCopy(const QString &path);
    void failCopy(const QString &path, const QString &problem);
    /// Shows the copy written to @p path (when @p written).
    void loadShownCopy(const QString &path, bool written);
    /// Hides the copy view, giving the live page the focus it had.
    void hideCopyView();
    bool eventFilter(QObject *watched, QEvent *event) override;

    QWebEngineView *m_view;
    QLabel *m_notice;
    bool m_busy = false;
    /// How the last finished load ended (httpStatus(), loadFailed()).
    int m_httpStatus = 0;
    bool m_loadFailed = false;
    LoadFailure m_loadFailure = LoadFailure::None;
    /// The load time-out (0: none), its timer, and whether it stopped the load under way.
    int m_loadTimeoutMs = 0;
    QTimer *m_loadTimer = nullptr;
    bool m_timedOut = false;
    /// The engine's progress of the load under way (0 to 100); its first step is only the start.
    int m_loadProgress = 0;
    bool m_openedByPage = false;
    bool m_closing = false; ///< the window was asked to close while a question was open
    QPointer<PageDialog> m_question;
    PageDialogLimiter m_dialogLimiter;
    PageDialogLimiter m_downloadLimiter;
    UserActionClock m_actions;
    QUrl m_personsAddress; ///< the address the person last opened, until its download (if it is one) came

    QString m_title;
    /// The address of the page being loaded, until the engine tells of the new page.
    QString m_loadingAddress;
    QString m_url;
    /// What the view showed as the load under way (or the last one) started.
    QImage m_pictureBefore;
    bool m_printing = false; ///< a print job is under way: the engine takes one at a time
    /// The copies being taken, by the path of their temporary MHTML file.
    QHash<QString, std::shared_ptr<CopyUnderWay>> m_copies;
    /// The page that shows a kept copy over the live one, its private folder and the file shown.
    QWebEngineView *m_copyView = nullptr;
    std::unique_ptr<QTemporaryDir> m_copyFolder;
    std::shared_ptr<QUrl> m_copyFile = std::make_shared<QUrl>();
    int m_copyNumber = 0;
    bool m_copyLoading = false;
};
