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
    /// Reads the file at @p path. A missing, unreadable or damaged file, or a line that makes no
    /// sense, gives the defaults for what it could not tell: never an error.
    static PlaySettings load(const QString &path);
    /// The settings written in @p text; the parser of load().
    static PlaySettings parse(const QByteArray &text);
    QByteArray serialize() const;
    /// Replaces the file atomically; false and @p reason when it could not be written.
    bool save(const QString &path, QString *reason = nullptr) const;
};
