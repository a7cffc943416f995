// Saving an edit text as the list and reloading the list browser from it, as both list editors do.
#pragma once

#include <QString>

class MultiLineTextBox;
class Windows;

namespace SaveList {

/// Whether saving may load the list browser to reload it, or reloads it only when it is loaded
/// (an editor saving as it closes brings up no other window).
enum class ListBrowserUse { LoadIfNeeded, OnlyIfLoaded };

/// Saves @p text as the list file. On success the list browser's list is cleared and reloaded
/// from the file; on failure an error names the file and the reason, and nothing else changes.
bool saveEditTextAndReload(Windows &windows, const QString &text, ListBrowserUse use = ListBrowserUse::LoadIfNeeded);

/// Asked as an editor closes: true when it may close. Text typed into @p box and not saved is
/// saved, discarded or kept (the editor stays open) as the user answers @p question; a save that
/// fails keeps the editor open with the text.
bool mayCloseEditor(Windows &windows, MultiLineTextBox *box, const QString &question, const QString &title);

} // namespace SaveList
