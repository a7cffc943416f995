// What the first part of an HTML page says, read without running it: its title, main heading,
// visible text, where a meta refresh sends it, whether it asks for a password, and whether a script
// draws it. Pure functions; no network.
#pragma once

#include "platform/pageprobe.h"

#include <QByteArray>

/// The fast pass reads at most this much of a page's body.
inline constexpr qsizetype pageReadCap = 64 * 1024;


/// Reads @p body (the first bytes of the page at @p url) as HTML.
PageContent readPage(const QByteArray &body, const QUrl &url);
