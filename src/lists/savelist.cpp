#include "lists/savelist.h"

#include "app/windows.h"
#include "browser/listbrowser.h"
#include "store/listpaths.h"
#include "store/urllistfile.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "ui/listbox.h"
#include "ui/multilinetextbox.h"

#include <QDir>

namespace SaveList {

bool saveEditTextAndReload(Windows &windows, const QString &text, ListBrowserUse use)
{
    const QString path = ListPaths::listFile();
    // The save is atomic: on failure the old list and the list browser's working list stay as
    // they were, and the typed text stays in the editor for another try.
    const SaveResult saved = UrlListFile::saveEditText(path, text);
    if (!saved) {
        windows.platform().messageBoxes().show(
            QStringLiteral("The list could not be saved to %1:\n%2").arg(QDir::toNativeSeparators(path), saved.reason),
            QStringLiteral("Error!"), MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Critical);
        return false;
    }
    if (use == ListBrowserUse::LoadIfNeeded)
        windows.listBrowser()->reloadList();
    else if (ListBrowser *browser = windows.loadedListBrowser())
        browser->reloadList();
    return true;
}

bool mayCloseEditor(Windows &windows, MultiLineTextBox *box, const QString &question, const QString &title)
{
    if (!box->hasTypedChanges())
        return true;
    switch (windows.platform().messageBoxes().show(question, title, MessageBoxes::Buttons::SaveDiscardCancel,
                                                   MessageBoxes::Icon::Question)) {
    case MessageBoxes::Answer::Save:
        if (!saveEditTextAndReload(windows, box->text(), ListBrowserUse::OnlyIfLoaded))
            return false;
        box->markKept();
        return true;
    case MessageBoxes::Answer::Discard:
        return true;
    default:
        return false;
    }
}

} // namespace SaveList
