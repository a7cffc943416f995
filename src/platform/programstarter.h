// File tests, finding programs and starting other programs.
#pragma once

#include <QString>
#include <QStringList>

class ProgramStarter {
public:
    virtual ~ProgramStarter() = default;
    virtual bool fileExists(const QString &path) const = 0;
    /// The full path of the executable @p name found in the folders of PATH, or empty when none holds it.
    virtual QString findOnPath(const QString &name) const = 0;
    /// The full path of the desktop launcher @p fileName (such as "org.example.App.desktop") among the
    /// installed applications ($XDG_DATA_HOME and $XDG_DATA_DIRS, applications/), or empty when none.
    virtual QString findLauncher(const QString &fileName) const = 0;
    /// Starts @p program with @p arguments detached, without a shell and without waiting for it; false
    /// when it could not be started.
    virtual bool startDetached(const QString &program, const QStringList &arguments) = 0;
    bool startDetached(const QString &program) { return startDetached(program, {}); }
};
