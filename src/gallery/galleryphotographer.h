// Take Pictures: loads the entries that have no picture in the engine, in the background, a few at
// a time and one at a time per host, and hands each picture on.
#pragma once

#include "check/hostpacer.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include <functional>

class PageCopier;

/// Each entry is loaded at most once per run (an entry twice in the list, once). Pages load in up to
/// pagesAtOnce copiers; each host has a HostPacer, as in the check, so that no host gets more than
/// one load at a time.
class GalleryPhotographer final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(GalleryPhotographer)
public:
    static constexpr int pagesAtOnce = 2;
    static constexpr int loadTimeoutMs = 30000;

    /// @p makeCopier makes a page copier owned by the given parent (null when there is no engine).
    explicit GalleryPhotographer(std::function<PageCopier *(QObject *parent)> makeCopier, QObject *parent = nullptr);

    /// Starts taking pictures of @p entries (those that are no http or https address are passed
    /// over); false, with problem(), when no page can be loaded here.
    bool start(const QStringList &entries);
    /// Stops: the loads under way are dropped, nothing more is taken.
    void stop();
    bool isRunning() const { return m_running; }
    QString problem() const { return m_problem; }
    /// Loads started in this run, by entry: never more than one each.
    const QHash<QString, int> &loadsStarted() const { return m_loads; }

signals:
    void pictureTaken(const QString &entry, const QByteArray &png, const QDateTime &takenAt);
    /// @p done of @p total entries are through (with a picture or without).
    void progressed(int done, int total);
    void finished(int taken, int failed);

private:
    struct Target {
        QString entry;
        QUrl url;
        QString host;
    };
    void pump();
    void finishIfDone();

    std::function<PageCopier *(QObject *)> m_makeCopier;
    QList<PageCopier *> m_copiers;
    QList<PageCopier *> m_idle;
    QList<Target> m_waiting;
    QHash<QString, HostPacer> m_pacers;
    QHash<QString, int> m_runningPerHost;
    QHash<QString, int> m_loads;
    QElapsedTimer m_clock;
    QTimer m_wake;
    QString m_problem;
    int m_total = 0;
    int m_done = 0;
    int m_taken = 0;
    bool m_running = false;
    int m_generation = 0;
};
