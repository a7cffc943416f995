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
