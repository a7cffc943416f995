// A tiny tmpfs of a test's own, for file systems that fill up or turn read-only.
#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

/// Runs @p program to its end (10 s at most); true when it exited 0. Its output, merged, in @p output.
bool runProgram(const QString &program, const QStringList &args, QString *output = nullptr);

/// A tmpfs mounted on a temporary folder of its own, unmounted again however the test ends.
class TinyMount
{
public:
    TinyMount() = default;
    Q_DISABLE_COPY_MOVE(TinyMount)
    ~TinyMount() { unmount(); }

    /// Empty when mounted; otherwise why not (mounting needs root, which CI has).
    QString mount(const QString &size);
    bool remountReadOnly();
    void unmount();
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};
