#include "lists/savelist.h"

#include "app/forms.h"
#include "browser/urlcheck.h"
#include "lists/listpaths.h"
#include "lists/urllistfile.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "ui/listbox.h"

#include <QDir>

namespace SaveList {

bool saveEditTextAndReload(Forms &forms, const QString &text)
{
    const QString path = ListPaths::listFile();
    // The save is atomic: on failure the old list and the list browser's working list stay as
    // they were, and the typed text stays in the editor for another try.
    const SaveResult saved = UrlListFile::SaveEditText(path, text);
    if (!saved) {
        forms.platform().messageBoxes().show(
            QStringLiteral("The list could not be saved to %1:\n%2").arg(QDir::toNativeSeparators(path), saved.reason),
            QStringLiteral("Error!"), MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Critical);
        return false;
    }
    ListBox *list = forms.URLcheck()->List1;
    list->Clear();
    list->addItems(UrlListFile::LoadListFile(path));
    return true;
}

} // namespace SaveList
