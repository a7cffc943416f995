// Saving an edit text as the list and reloading the list browser from it, as both list editors do.
#pragma once

#include <QString>

class Windows;

namespace SaveList {

/// Saves @p text as the list file. On success the list browser's list is cleared and reloaded
/// from the file; on failure an error names the file and the reason, and nothing else changes.
bool saveEditTextAndReload(Windows &windows, const QString &text);

} // namespace SaveList
