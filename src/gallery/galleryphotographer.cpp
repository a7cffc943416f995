#include "gallery/galleryphotographer.h"

#include "platform/pageprobe.h"
#include "platform/webbrowser.h"
#include "store/addresstoload.h"

GalleryPhotographer::GalleryPhotographer(std::function<PageCopier *(QObject *)> makeCopier, QObject *parent)
    : QObject(parent)
    , m_makeCopier(std::move(makeCopier))
{
    m_wake.setSingleShot(true);
    connect(&m_wake, &QTimer::timeout, this, &GalleryPhotographer::pump);
    m_clock.start();
}

bool GalleryPhotographer::start(const QStringList &entries)
{
    stop();
    m_problem.clear();
    if (m_copiers.isEmpty()) {
        for (int i = 0; i < pagesAtOnce; ++i) {
            PageCopier *copier = m_makeCopier(this);
            if (!copier)
                break;
            m_copiers.append(copier);
        }
    }
    if (m_copiers.isEmpty()) {
        m_problem = QStringLiteral("Pictures cannot be taken: the web engine cannot load pages here.");
        return false;
    }
    m_idle = m_copiers;
    m_waiting.clear();
    m_loads.clear();
    m_pacers.clear();
    m_runningPerHost.clear();
    QSet<QString> seen;
    for (const QString &entry : entries) {
        if (seen.contains(entry))
            continue;
        seen.insert(entry);
        const QUrl url = addressToLoad(entry);
        if (!url.isValid() || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")))
            continue;
        m_waiting.append({entry, url, url.host().toLower()});
    }
    m_total = int(m_waiting.size());
    m_done = 0;
    m_taken = 0;
    m_running = true;
    ++m_generation;
    emit progressed(0, m_total);
    pump();
    finishIfDone();
    return true;
}

void GalleryPhotographer::stop()
{
    if (!m_running)
        return;
    m_running = false;
    ++m_generation;
    m_wake.stop();
    for (PageCopier *copier : std::as_const(m_copiers))
        copier->abortAll();
    m_idle = m_copiers;
    m_waiting.clear();
    emit finished(m_taken, m_done - m_taken);
}

void GalleryPhotographer::pump()
{
    if (!m_running)
        return;
    const qint64 now = m_clock.elapsed();
    qint64 earliest = -1;
    for (qsizetype i = 0; i < m_waiting.size() && !m_idle.isEmpty();) {
        const Target target = m_waiting.at(i);
        auto pacer = m_pacers.find(target.host);
        if (pacer == m_pacers.end())
            pacer = m_pacers.insert(target.host, HostPacer(1));
        const int running = m_runningPerHost.value(target.host);
        if (!pacer->mayStart(running, now)) {
            if (running < pacer->limit())
                earliest = earliest < 0 ? pacer->nextStartAt() : qMin(earliest, pacer->nextStartAt());
            ++i;
            continue;
        }
        m_waiting.removeAt(i);
        pacer->started(now);
        ++m_runningPerHost[target.host];
        ++m_loads[target.entry];
        PageCopier *copier = m_idle.takeLast();
        const int generation = m_generation;
        copier->copy(target.url, loadTimeoutMs, [this, copier, target, generation](const PageCopy &copy) {
            if (generation != m_generation)
                return;
            m_idle.append(copier);
            --m_runningPerHost[target.host];
            m_pacers[target.host].answered(0, false);
            ++m_done;
            if (copy.ok && !copy.thumbnailPng.isEmpty()) {
                ++m_taken;
                emit pictureTaken(target.entry, copy.thumbnailPng, QDateTime::currentDateTimeUtc());
            }
            emit progressed(m_done, m_total);
            // The next load starts from the event loop, not inside the copier's own call.
            QMetaObject::invokeMethod(this, [this] {
                pump();
                finishIfDone();
            }, Qt::QueuedConnection);
        });
    }
    if (earliest >= 0 && !m_idle.isEmpty())
        m_wake.start(int(qMax<qint64>(0, earliest - now)));
}

void GalleryPhotographer::finishIfDone()
{
    if (m_running && m_waiting.isEmpty() && m_idle.size() == m_copiers.size()) {
        m_running = false;
        emit finished(m_taken, m_done - m_taken);
    }
}
