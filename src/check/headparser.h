// Reading an HTTP/1.x response head as a browser reads it (QtCore only, no sockets).
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <utility>

using HeaderList = QList<std::pair<QByteArray, QByteArray>>;

/// One response head read from the start of what a server sent.
struct ParsedHead {
    enum class State {
        Incomplete, ///< more bytes are needed
        Complete,   ///< a whole head: status, headers and its length are set
        Invalid,    ///< no HTTP response (an SSH banner, a broken status line)
        TooLong,    ///< the head goes on past what a browser takes
    };
    State state = State::Incomplete;
    int status = 0;
    QByteArray reason;
    /// HTTP/1.1 or later: the connection stays open unless the server says "close".
    bool http11 = false;
    HeaderList headers;
    /// The bytes the head took, its blank line included; what follows belongs to the body.
    qsizetype length = 0;
    /// For Invalid: what was wrong, in words for a person.
    QByteArray problem;
};

/// Heads longer than this are no answer a browser takes either (Chromium stops at 256 KiB).
inline constexpr qsizetype longestResponseHead = 256 * 1024;

/// Reads the head at the start of @p bytes. Lines may end in CRLF or a bare LF, and the head ends at
/// the first empty line either way; a line that begins with a space or a tab continues the header
/// before it (obsolete line folding); lines without a colon are ignored. A beginning that cannot
/// become "HTTP/" is Invalid at once, without waiting for a blank line that a non-HTTP server never
/// sends.
ParsedHead parseResponseHead(QByteArrayView bytes);
