// The one rule for what address a list entry stands for, shared by the list browser and the checker.
#pragma once

#include <QString>
#include <QUrl>

/// The address that is loaded when @p entry is shown: the entry read as the address box reads typed
/// text (QUrl::fromUserInput: a missing scheme becomes http://; spaces, |, {}, ", ^, <>, \, ` and a
/// stray % are taken and percent-encoded, as browsers do); an entry written with "scheme://" is read
/// as written, invalid when it is broken. Empty for a blank entry. What the checker
/// checks for an entry is this address, so that its verdict is about the page a person would see.
QUrl addressToLoad(const QString &entry);

/// Addresses that are no page to visit, kept out of the list wherever addresses come in (import,
/// paste, drops) and refused where an entry is opened:
enum class NoPage {
    None,       ///< a page (or at least not one of the kinds below)
    Script,     ///< javascript: runs a script in the page that is showing (a bookmarklet)
    InlineData, ///< data: carries a whole document inside the address, which can pose as any site
    Query,      ///< place: is Firefox's own query of its history and bookmarks
};
/// What @p entry is, read as address parsers read a scheme: blanks and control characters before it
/// are skipped, tabs and line breaks inside it dropped, letters in either case.
NoPage noPageKind(QStringView entry);
