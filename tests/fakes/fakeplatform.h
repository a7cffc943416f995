// Test doubles for every platform service: they record what the program asked and answer from a script.
#pragma once

#include "platform/clock.h"
#include "platform/fatalerror.h"
#include "platform/mediaplayer.h"
#include "platform/messageboxes.h"
#include "platform/pageprobe.h"
#include "platform/platform.h"
#include "platform/programstarter.h"
#include "platform/registry.h"
#include "platform/webbrowser.h"

#include <QList>
#include <QMap>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>

/// Records every message box; answers with the queued answers, then with the default answer.
class FakeMessageBoxes final : public MessageBoxes {
public:
    struct Box {
        QString text;
        QString title;
        Buttons buttons;
        Icon icon;
    };
    Answer show(const QString &text, const QString &title, Buttons buttons, Icon icon) override;

    QList<Box> shown;
    QList<Answer> answers;
    Answer defaultAnswer = Answer::Ok;
    /// Runs inside show(), as the user would act while the box waits.
    std::function<void(const Box &)> onShow;
};

/// A clock that shows the time set by the test, or the system's time; counts how often it is read.
class FakeClock final : public Clock {
public:
    QString timeOfDay() const override;
    QString time = QStringLiteral("12:00:00");
    bool followsSystemTime = false;
    /// When each reading was taken, in milliseconds since the epoch.
    mutable QList<qint64> readAt;
};

/// A registry of keys, each holding named values of a type and raw bytes.
class FakeRegistry final : public Registry {
public:
    long openKey(const QString &keyPath, std::uint32_t access, void **handle) override;
    Value queryValue(void *handle, const QString &valueName, std::uint32_t bufferSize) override;
    void closeKey(void *handle) override;

    struct StoredValue {
        std::uint32_t type;
        QByteArray data;
    };
    QMap<QString, QMap<QString, StoredValue>> keys;
    /// Access masks that openKey refuses (as Windows refuses full access to a user without rights).
    std::uint32_t refusedAccess = 0;
    QList<std::uint32_t> openedWith;
    QStringList opened;
    int openHandles = 0;
};

class FakeProgramStarter final : public ProgramStarter {
public:
    using ProgramStarter::startDetached;
    bool fileExists(const QString &path) const override { return existing.contains(path); }
    QString findOnPath(const QString &name) const override;
    QString findLauncher(const QString &fileName) const override { return launchers.value(fileName); }
    bool startDetached(const QString &program, const QStringList &arguments) override;
    QStringList existing;
    /// The executables found on PATH: name to full path.
    QMap<QString, QString> onPath;
    /// Every name looked for on PATH, in order.
    mutable QStringList searchedOnPath;
    /// The installed desktop launchers: file name to full path.
    QMap<QString, QString> launchers;
    QStringList started;
    /// The arguments of each started program, in the order of started.
    QList<QStringList> startedArguments;
    /// Programs that fail to start, as a missing or non-executable file does.
    QStringList unstartable;
    bool startWorks = true;
};

class FakeFatalError final : public FatalError {
public:
    void raise(int number, const QString &description) override { raised.append({number, description}); }
    QList<QPair<int, QString>> raised;
};

/// A browser with a history of addresses; the test sets Busy and the title, and each change is
/// announced with the interface's signal, as the engine announces it.
class FakeWebBrowser final : public WebBrowser {
    Q_OBJECT
public:
    explicit FakeWebBrowser(QWidget *parent);
    QWidget *widget() override { return m_widget; }
    bool navigate(const QString &address) override;
    bool goBack() override;
    bool goForward() override;
    void goHome() override;
    void refresh() override { ++refreshes; }
    void stop() override { ++stops; setBusy(false); }
    bool isBusy() const override { return m_busy; }
    QString title() const override { return m_title; }
    QString url() const override { return m_url; }
    void findText(const QString &text, bool backward) override { finds.append({text, backward}); }
    double zoomFactor() const override { return zoom; }
    void setZoomFactor(double factor) override { zoom = factor; }
    void savePage(const QString &path, bool singleFile) override { saves.append({path, singleFile}); }
    void printToPdf(const QString &path) override { pdfs.append(path); }
    void print() override { ++prints; }
    /// Counts the request; the test answers it by emitting pageCopyTaken().
    void takePageCopy() override { ++copiesAsked; }
    /// Shows the copy at once (or, with copyShowFails, cannot).
    void showSavedCopy(const QByteArray &mhtml) override
    {
        shownCopy = mhtml;
        showingCopy = !copyShowFails;
        emit savedCopyShown(showingCopy);
    }
    void showLivePage() override { showingCopy = false; }
    bool isShowingSavedCopy() const override { return showingCopy; }
    QByteArray shownCopy;
    bool showingCopy = false;
    bool copyShowFails = false;
    void readVisibleText(std::function<void(const QString &)> done) override { done(visibleText); }
    /// What readVisibleText() gives.
    QString visibleText;
    int httpStatus() const override { return status; }
    bool loadFailed() const override { return failed; }
    LoadFailure loadFailure() const override { return failed && failure == LoadFailure::None ? LoadFailure::Other : failure; }
    void setLoadTimeout(int msecs) override { loadTimeoutMs = msecs; }
    /// What httpStatus(), loadFailed() and loadFailure() tell of the last load.
    int status = 0;
    bool failed = false;
    LoadFailure failure = LoadFailure::None;
    int loadTimeoutMs = 0;

    /// Each setter emits its change signal when the value changed, and only then.
    void setBusy(bool busy);
    void setPageTitle(const QString &title);
    void setPageUrl(const QString &url);

    QStringList navigations;
    QStringList history;
    int position = -1;
    int refreshes = 0;
    int stops = 0;
    int homes = 0;
    QList<QPair<QString, bool>> finds;
    double zoom = 1.0;
    QList<QPair<QString, bool>> saves;
    QStringList pdfs;
    int prints = 0;
    int copiesAsked = 0;
    static inline const QString homeAddress = QStringLiteral("quokka:home");

private:
    QWidget *m_widget;
    bool m_busy = false;
    QString m_title;
    QString m_url;
};

class FakeMediaPlayer final : public MediaPlayer {
public:
    FakeMediaPlayer(const QString &file, QObject *parent, QWidget *widget)
        : MediaPlayer(parent), file(file), m_widget(widget) {}
    void play() override { playing = true; ++plays; }
    void stop() override { playing = false; ++stopsSent; }
    bool isPlaying() const override { return playing; }
    QWidget *widget() override { return m_widget; }
    QString file;
    bool playing = false;
    int plays = 0;
    int stopsSent = 0;

private:
    QWidget *m_widget;
};

/// Takes a copy of each page asked, soon and in order: an MHTML file and a text that name the
/// address; records what it was asked.
class FakePageCopier final : public PageCopier {
public:
    using PageCopier::PageCopier;
    void copy(const QUrl &url, int timeoutMs, std::function<void(const PageCopy &)> done) override;
    void abortAll() override { ++aborts; }

    QList<QUrl> asked;
    int aborts = 0;
    /// The picture each copy brings (none by default).
    QByteArray thumbnailPng;
};

class FakePlatform final : public Platform {
public:
    MessageBoxes &messageBoxes() override { return boxes; }
    Clock &clock() override { return clockFake; }
    Registry &registry() override { return registryFake; }
    ProgramStarter &programStarter() override { return starter; }
    FatalError &fatalError() override { return fatal; }
    WebBrowser *createWebBrowser(QWidget *parent) override;
    MediaPlayer *createAnimation(const QString &file, QWidget *parent) override;
    MediaPlayer *createSound(const QString &file, int volume, QObject *parent) override;
    void quit() override { ++quits; }
    QString pageProbeProblem() override { return pageProbeProblemText; }
    PageCopier *createPageCopier(QObject *parent) override
    {
        auto *copier = new FakePageCopier(parent);
        copier->thumbnailPng = copierThumbnailPng;
        copiers.append(copier);
        return copier;
    }

    /// What pageProbeProblem() tells: set it to play a machine whose engine cannot start.
    QString pageProbeProblemText;

    FakeMessageBoxes boxes;
    FakeClock clockFake;
    FakeRegistry registryFake;
    FakeProgramStarter starter;
    FakeFatalError fatal;
    int quits = 0;
    QList<QPointer<FakeWebBrowser>> browsers;
    QList<QPointer<FakeMediaPlayer>> animations;
    QList<QPointer<FakeMediaPlayer>> sounds;
    QList<int> soundVolumes;
    QList<QPointer<FakePageCopier>> copiers;
    /// The picture the copiers made from now on bring with each copy.
    QByteArray copierThumbnailPng;
};
