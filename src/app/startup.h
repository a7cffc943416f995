// The start-up routine: shows the splash, which hands over to the main window.
#pragma once

#include <QString>
#include <QStringList>

class Windows;

namespace Startup {
/// Loads and shows the splash window; the event loop does the rest.
void showSplash(Windows &windows);

/// What decides whether the web engine can keep its pages in a sandbox on this system.
struct SandboxFacts {
    /// The program runs as the superuser (effective user 0): the engine's sandbox refuses to start then.
    bool superuser = false;
    /// The person turned the sandbox off (QTWEBENGINE_DISABLE_SANDBOX, or --no-sandbox among the
    /// engine's flags or the program's arguments): the engine starts without one.
    bool turnedOff = false;
    /// An ordinary user may make a user namespace, which the sandbox is built on; left true when not
    /// looked at (the superuser, a sandbox turned off).
    bool userNamespaces = true;
    /// Why not, as the system said it.
    QString userNamespaceError;

    /// The facts of this process, started with @p arguments. Looks at user namespaces by trying to
    /// make one in a short-lived child process, only when that can matter.
    static SandboxFacts ofThisProcess(const QStringList &arguments);
};

/// Empty when the web engine can start with its sandbox (or was told to start without); otherwise the
/// message for the person: why pages cannot be shown, and what to do about it. The program never turns
/// the sandbox off by itself.
QString sandboxProblem(const SandboxFacts &facts);

/// What the person is told when enginePageProcessProblem() is not empty.
QString pageProcessMessage(const QString &problem);
} // namespace Startup
