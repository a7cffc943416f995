// Saving the list from the list editors and the list browser, and reloading the list browser from it.
#pragma once

#include "store/urllistfile.h"

#include <QByteArray>
#include <QString>

#include <functional>

class MultiLineTextBox;
class Windows;
class ListFileVersion;

namespace SaveList {

/// Whether saving may load the list browser to reload it, or reloads it only when it is loaded
/// (an editor saving as it closes brings up no other window).
enum class ListBrowserUse { LoadIfNeeded, OnlyIfLoaded };

/// Saves @p text as the list file. The list browser's unsaved changes are dropped only with the
/// user's consent, and a list changed elsewhere since @p basedOn was read (null: New List, which
/// replaces any list) is written over only after asking. On success the list browser's list is
/// reloaded from the file (loading the list browser first only as @p use allows) and @p basedOn
/// becomes the version saved; on failure an error names the file and the reason, and nothing else
/// changes.
bool saveEditTextAndReload(Windows &windows, const QString &text, ListFileVersion *basedOn = nullptr,
                           ListBrowserUse use = ListBrowserUse::LoadIfNeeded);

/// Asked as an editor closes: true when it may close. Text typed into @p box and not saved is
/// saved (as saveEditTextAndReload() does, against @p basedOn), discarded or kept (the editor stays
/// open) as the user answers @p question; a save that fails keeps the editor open with the text.
bool mayCloseEditor(Windows &windows, MultiLineTextBox *box, ListFileVersion *basedOn, const QString &question,
                    const QString &title);

/// How a save that looks for another version first ended.
enum class Outcome { Saved, Declined, Failed };

/// Runs @p save, which writes the list file, unless the file is no longer the version @p basedOn:
/// then asks first and, when the user agrees, keeps that other version beside the list under a
/// name the question gives, and saves. @p cancelMeans tells what Cancel leaves. @p failure
/// receives the reason of a failed save.
Outcome saveOverOtherVersion(Windows &windows, const ListFileVersion &basedOn, const std::function<SaveResult()> &save,
                             const QString &cancelMeans, SaveResult *failure);

} // namespace SaveList
