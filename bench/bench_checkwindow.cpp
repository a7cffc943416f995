// Checks a list through the windows, as a person does with List > Check List, on the real platform:
//   bench_checkwindow LIST_FILE
// LIST_FILE becomes the stored list of a fresh data folder. Prints one line: the entries, the wall
// time, the longest time the user-interface thread did not turn its event loop (from the command to
// the summary; the list browser shows its start page before) and how much memory the program (and, apart, its
// page processes) held more after the check than before it, and at most during it.
#include "app/mainwindow.h"
#include "app/quokkaapplication.h"
#include "app/windows.h"
#include "lists/checkwindow.h"
#include "platform/qtplatform.h"
#include "stallsampler.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>

namespace {

/// The memory process @p pid holds in KiB (its proportional share of pages it shares with others,
/// so that the page processes' common libraries count once), from /proc; 0 when it is gone.
qint64 residentKiB(const QString &pid)
{
    QFile status(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("Pss:"))
            return line.mid(4).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

/// The resident memory of every process below @p pid (the web engine's page processes), in KiB.
qint64 descendantsKiB(const QString &pid)
{
    qint64 total = 0;
    const QStringList tasks = QDir(QStringLiteral("/proc/%1/task").arg(pid)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &task : tasks) {
        QFile children(QStringLiteral("/proc/%1/task/%2/children").arg(pid, task));
        if (!children.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &child : children.readAll().split(' ')) {
            if (child.trimmed().isEmpty())
                continue;
            const QString childPid = QString::fromLatin1(child.trimmed());
            total += residentKiB(childPid) + descendantsKiB(childPid);
        }
    }
    return total;
}

struct Memory {
    qint64 ownKiB = 0;
    qint64 pagesKiB = 0;
    static Memory now()
    {
        const QString self = QString::number(QCoreApplication::applicationPid());
        return {residentKiB(self), descendantsKiB(self)};
    }
};

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_checkwindow LIST_FILE\n");
        return 2;
    }
    QTemporaryDir home;
    const QString data = home.filePath(QStringLiteral("data"));
    qputenv("XDG_DATA_HOME", data.toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_CACHE_HOME", home.filePath(QStringLiteral("cache")).toUtf8());
    QDir().mkpath(data + QStringLiteral("/quokka"));
    if (!QFile::copy(QString::fromLocal8Bit(argv[1]), data + QStringLiteral("/quokka/url.dat"))) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    // The shipped files, where an installed program's data folder would hold them.
    QDir().mkpath(data + QStringLiteral("/quokka/dat"));
    for (const char *shipped : {"dat/ch.dat", "start.html"})
        QFile::copy(QStringLiteral(QT_TESTCASE_SOURCEDIR "/../") + QLatin1String(shipped),
                    data + QStringLiteral("/quokka/") + QLatin1String(shipped));

    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QuokkaApplication app(argc, argv);
    QtPlatform platform;
    Windows windows(platform);
    windows.mainWindow()->show();

    StallSampler stallSampler;
    QElapsedTimer wall;
    Memory before;
    // Memory is sampled on a thread of its own: reading the page processes' memory maps takes tens of
    // milliseconds, which would hold up the loop being measured.
    std::mutex peakLock;
    Memory peak;
    std::atomic<bool> sampling{false};
    std::thread sampler;
    bool checking = false;
    int entries = 0;
    QObject::connect(&stallSampler, &StallSampler::ticked, [&] {
        CheckWindow *check = windows.loadedCheckWindow();
        if (checking && check && !check->isChecking()) {
            checking = false;
            stallSampler.stop();
            const StallSampler::Stalls stalls = stallSampler.take();
            sampling = false;
            sampler.join();
            const qint64 wallMs = wall.elapsed();
            // Let what the check let go of be freed, then look again.
            QTimer::singleShot(2000, [&, wallMs, stalls] {
                const Memory after = Memory::now();
                std::printf("check_window entries %d wall_s %.2f longest_stall_ms %lld longest_busy_ms %lld own_growth_mib %.1f "
                            "own_peak_growth_mib %.1f pages_growth_mib %.1f pages_peak_growth_mib %.1f\n",
                            entries, wallMs / 1000.0, stalls.longestMs, stalls.busiestMs, (after.ownKiB - before.ownKiB) / 1024.0,
                            (peak.ownKiB - before.ownKiB) / 1024.0, (after.pagesKiB - before.pagesKiB) / 1024.0,
                            (peak.pagesKiB - before.pagesKiB) / 1024.0);
                if (!stalls.overFifty.isEmpty())
                    std::printf("stalls over 50 ms: %s\n", qPrintable(stalls.overFifty.join(QStringLiteral(", "))));
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
    });

    // The list browser is opened first, as a person would have it, and the command given once it has
    // settled.
    QTimer::singleShot(1000, [&] {
        if (auto *quokka = windows.mainWindow()->findChild<QAction *>(QStringLiteral("tb-quokka")))
            quokka->trigger();
    });
    QTimer::singleShot(5000, [&] {
        before = Memory::now();
        peak = before;
        sampling = true;
        sampler = std::thread([&] {
            while (sampling) {
                const Memory m = Memory::now();
                {
                    const std::lock_guard<std::mutex> hold(peakLock);
                    peak = {std::max(peak.ownKiB, m.ownKiB), std::max(peak.pagesKiB, m.pagesKiB)};
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(250));
            }
        });
        wall.start();
        stallSampler.start();
        checking = true;
        windows.mainWindow()->menuItem(QStringLiteral("checkList"))->trigger();
        if (CheckWindow *check = windows.loadedCheckWindow())
            entries = check->m_progressBar->maximum();
    });
    return app.exec();
}
