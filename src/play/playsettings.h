// What Play remembers between runs: the delay per page and what happens at the end of the list.
#pragma once

#include <QString>

/// The settings of playing the list, kept in a small text file of "key=value" lines.
struct PlaySettings {
    static constexpr int defaultDelaySeconds = 10;
    static constexpr int minDelaySeconds = 1;
    static constexpr int maxDelaySeconds = 3600;

    int delaySeconds = defaultDelaySeconds;
    /// At the end of the list: start again from the top (true) or stop (false).
    bool loop = false;
    static constexpr int defaultPageTimeoutSeconds = 30;
    /// How long a page may take to load, on top of the delay, before the round goes on without it.
    /// Not on the window: a line "pageTimeout=60" in the file sets it (1 to 600 seconds).
    int pageTimeoutSeconds = defaultPageTimeoutSeconds;

    bool operator==(const PlaySettings &) const = default;

    /// $XDG_CONFIG_HOME/quokka/play.conf (~/.config/quokka/play.conf when the variable is not set).
    static QString filePath();
    /// The largest file read; a settings file is a few bytes, anything bigger is not one.
    static constexpr qint64 maxFileBytes = 64 * 1024;
    /// Reads the file at @p path: a regular file (a link to one is followed) of at most maxFileBytes.
    /// A missing file gives the defaults. Anything else that cannot be read as one (a pipe, a device, a
    /// folder, a file too big, a read error) gives the defaults too, never blocks, and says why in
    /// @p problem; a line that makes no sense gives the default for what it could not tell.
    static PlaySettings load(const QString &path, QString *problem = nullptr);
    /// The settings written in @p text; the parser of load().
    static PlaySettings parse(const QByteArray &text);
    QByteArray serialize() const;
    /// Replaces the file atomically; false and @p reason when it could not be written.
    bool save(const QString &path, QString *reason = nullptr) const;
};
