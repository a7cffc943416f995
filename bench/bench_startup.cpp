// Runs the program's real start-up on the real platform and times each step:
//   bench_startup START_NS   from process start (CLOCK_REALTIME ns, taken by the launcher just before
//                            exec) to main(), to the application made, to the splash shown, and from
//                            the fifth change of the splash clock to the main window shown.
// Like the program, it does not link the web engine, which is loaded with the first browser.
#include "app/splashscreen.h"
#include "app/windows.h"
#include "app/startup.h"
#include "app/quokkaapplication.h"
#include "platform/qtplatform.h"

#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <ctime>

namespace {

qint64 realtimeNs()
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void say(const char *format, auto... values)
{
    std::printf(format, values...);
    std::fflush(stdout);
}

/// Timestamps the start-up: the splash's first exposure, its hiding at the fifth clock change, and
/// the main window's first exposure.
class StartupWatch final : public QObject {
public:
    explicit StartupWatch(qint64 startNs) : m_startNs(startNs) {}
    /// Marks a step of the start-up (main entered, application made, splash asked to show).
    void mark(int step, qint64 ns = realtimeNs()) { m_steps[step] = ns; }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose) {
            auto *window = qobject_cast<QWindow *>(watched);
            if (window && window->isExposed()) {
                if (!m_splashNs && window->title() == QLatin1String("Quokka is starting"))
                    m_splashNs = realtimeNs();
                else if (m_fifthNs && !m_mainNs && window->title() == QLatin1String("Quokka")) {
                    m_mainNs = realtimeNs();
                    say("startup splash_ms %.2f fifth_to_main_ms %.2f changes %d main_ms %.2f app_ms %.2f show_ms %.2f "
                        "splash_up_ms %.2f\n",
                        (m_splashNs - m_startNs) / 1e6, (m_mainNs - m_fifthNs) / 1e6, int(m_changes),
                        (m_steps[0] - m_startNs) / 1e6, (m_steps[1] - m_startNs) / 1e6, (m_steps[2] - m_startNs) / 1e6,
                        (m_fifthNs - m_splashNs) / 1e6);
                    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
                }
            }
        } else if (event->type() == QEvent::Hide && !m_fifthNs) {
            if (auto *splash = qobject_cast<SplashScreen *>(watched)) {
                m_fifthNs = realtimeNs();
                m_changes = splash->changeCount();
            }
        }
        return false;
    }

private:
    qint64 m_startNs;
    qint64 m_splashNs = 0;
    qint64 m_fifthNs = 0;
    qint64 m_mainNs = 0;
    qint16 m_changes = 0;
    qint64 m_steps[3] = {};
};

} // namespace

int main(int argc, char *argv[])
{
    const qint64 mainNs = realtimeNs();
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_startup START_NS\n");
        return 2;
    }
    const qint64 startNs = QByteArray(argv[1]).toLongLong();

    // The same start as the program's main().
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QuokkaApplication app(argc, argv);
    QtPlatform platform;
    app.setFatalError(&platform.fatalError());

    StartupWatch watch(startNs);
    watch.mark(0, mainNs);
    watch.mark(1);
    app.installEventFilter(&watch);
    Windows windows(platform);
    Startup::showSplash(windows);
    watch.mark(2);
    return app.exec();
}
