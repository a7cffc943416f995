// File tests and starting other programs.
#pragma once

#include <QString>

class ProgramStarter {
public:
    virtual ~ProgramStarter() = default;
    virtual bool fileExists(const QString &path) const = 0;
    /// Starts @p program detached, without waiting for it; false when it could not be started.
    virtual bool startDetached(const QString &program) = 0;
};
