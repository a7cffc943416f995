#include "app/startup.h"

#include "app/splashscreen.h"
#include "app/windows.h"

#include <QByteArray>

#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

namespace Startup {

void showSplash(Windows &windows)
{
    SplashScreen *splash = windows.splashScreen();
    splash->show();
}

namespace {

/// Tries to make a user namespace in a child (unshare() refuses one to a process with threads, and
/// the namespace must not stay with the program); empty when it could, otherwise the system's reason.
QString probeUserNamespace()
{
    const pid_t child = ::fork();
    if (child < 0)
        return {}; // cannot tell: let the engine try
    if (child == 0)
        ::_exit(::unshare(CLONE_NEWUSER) == 0 ? 0 : (errno & 0x7f) + 1);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return {};
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 0)
        return {};
    return QString::fromLocal8Bit(std::strerror(WEXITSTATUS(status) - 1));
}

bool asksForNoSandbox(const QStringList &words)
{
    return words.contains(QStringLiteral("--no-sandbox"));
}

} // namespace

SandboxFacts SandboxFacts::ofThisProcess(const QStringList &arguments)
{
    SandboxFacts facts;
    facts.superuser = ::geteuid() == 0;
    const QStringList engineFlags =
        QString::fromLocal8Bit(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS")).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    facts.turnedOff = qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX") || asksForNoSandbox(engineFlags)
                      || asksForNoSandbox(arguments.mid(1));
    if (!facts.superuser && !facts.turnedOff) {
        facts.userNamespaceError = probeUserNamespace();
        facts.userNamespaces = facts.userNamespaceError.isEmpty();
    }
    return facts;
}

QString sandboxProblem(const SandboxFacts &facts)
{
    if (facts.turnedOff)
        return {};
    const QString atOwnRisk = QStringLiteral(
        "If you must run it this way and accept that web pages then run without that protection, start it "
        "with the environment variable QTWEBENGINE_DISABLE_SANDBOX=1, for example:\n"
        "    QTWEBENGINE_DISABLE_SANDBOX=1 quokka\n"
        "Do so at your own risk, and only with pages you trust.");
    if (facts.superuser) {
        return QStringLiteral("Quokka cannot show web pages when it runs as the superuser (root), so it ends now.\n\n"
                              "The web engine keeps every page in a sandbox, away from your files, and that "
                              "sandbox does not start for the superuser.\n\n"
                              "Start Quokka as your ordinary user instead (not with sudo, su or as root).\n\n")
               + atOwnRisk;
    }
    if (!facts.userNamespaces) {
        return QStringLiteral("Quokka cannot show web pages on this system, so it ends now.\n\n"
                              "The web engine keeps every page in a sandbox, away from your files, and builds "
                              "it on user namespaces, which this system does not allow (%1).\n\n"
                              "Ask the administrator to allow user namespaces for ordinary users (the sysctl "
                              "settings user.max_user_namespaces, and kernel.unprivileged_userns_clone where "
                              "the kernel has it), or run Quokka outside the container or jail that forbids "
                              "them.\n\n")
                   .arg(facts.userNamespaceError.isEmpty() ? QStringLiteral("no reason given")
                                                           : facts.userNamespaceError)
               + atOwnRisk;
    }
    return {};
}

QString pageProcessMessage(const QString &problem)
{
    return QStringLiteral("Quokka shows every page with its web engine, and %1.\n\n"
                          "On Debian that program comes with the package libqt6webenginecore6-bin: install it again "
                          "(apt-get install --reinstall libqt6webenginecore6-bin). If you set QTWEBENGINEPROCESS_PATH, "
                          "make it name that program, or unset it.")
        .arg(problem);
}

} // namespace Startup
