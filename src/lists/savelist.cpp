#include "lists/savelist.h"

#include "app/windows.h"
#include "browser/listbrowser.h"
#include "store/listfileversion.h"
#include "store/listpaths.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "ui/listbox.h"
#include "ui/multilinetextbox.h"

#include <QDir>
#include <QFileInfo>

namespace SaveList {

Outcome saveOverOtherVersion(Windows &windows, const ListFileVersion &basedOn, const std::function<SaveResult()> &save,
                             const QString &cancelMeans, SaveResult *failure)
{
    const QString path = ListPaths::listFile();
    ListFileVersion expected = basedOn;
    for (;;) {
        const ListFileVersion::Check onDisk = expected.compareWith(path);
        using State = ListFileVersion::Check::State;
        if (onDisk.state == State::Same || onDisk.state == State::Gone)
            break;
        if (onDisk.state == State::Unreadable) {
            *failure = SaveResult::failure(
                QStringLiteral("the list file has been changed since Quokka read it, and it cannot be read now (%1)")
                    .arg(onDisk.reason));
            return Outcome::Failed;
        }
        const QString copy = ListFileCopies::otherVersionPath(path);
        const auto answer = windows.platform().messageBoxes().show(
            QStringLiteral("Your list file\n%1\nhas been changed since it was read for this window (by another "
                           "program, or by another Quokka window that saved it).\n\n"
                           "Press OK to keep both: the other version is kept as\n%2\n"
                           "and Quokka's list is saved as your list.\n\n%3")
                .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(copy), cancelMeans),
            QStringLiteral("List changed elsewhere"), MessageBoxes::Buttons::OkCancel, MessageBoxes::Icon::Question);
        if (answer != MessageBoxes::Answer::Ok)
            return Outcome::Declined;
        const SaveResult kept = ListFileCopies::keep(copy, onDisk.otherBytes);
        if (!kept) {
            *failure = SaveResult::failure(QStringLiteral("the other version could not be kept as %1 (%2)")
                                               .arg(QDir::toNativeSeparators(copy), kept.reason));
            return Outcome::Failed;
        }
        // Changed once more while the question waited? Then that version is kept too.
        expected = ListFileVersion::written(onDisk.otherBytes);
    }
    const SaveResult saved = save();
    if (!saved) {
        *failure = saved;
        return Outcome::Failed;
    }
    return Outcome::Saved;
}

bool saveEditTextAndReload(Windows &windows, const QString &text, ListFileVersion *basedOn, ListBrowserUse use)
{
    // Reloading the list browser drops its unsaved KILLs and Adds: only with the user's word.
    if (ListBrowser *browser = windows.loadedListBrowser(); browser && !browser->confirmDroppingUnsavedChanges())
        return false;
    const QString path = ListPaths::listFile();
    // The save is atomic: on failure the old list and the list browser's working list stay as
    // they were, and the typed text stays in the editor for another try.
    SaveResult failure;
    const Outcome outcome = saveOverOtherVersion(
        windows, basedOn ? *basedOn : ListFileVersion(), [&] { return UrlListFile::saveEditText(path, text); },
        QStringLiteral("Press Cancel to save nothing now; your text stays here."), &failure);
    if (outcome == Outcome::Declined)
        return false;
    if (outcome == Outcome::Failed) {
        windows.platform().messageBoxes().show(
            QStringLiteral("The list could not be saved to %1:\n%2").arg(QDir::toNativeSeparators(path), failure.reason),
            QStringLiteral("Error!"), MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Critical);
        return false;
    }
    if (basedOn)
        *basedOn = ListFileVersion::read(path).version;
    // A list browser made now reads the saved list as it loads; one already there reloads it.
    if (ListBrowser *browser = windows.loadedListBrowser())
        browser->reloadList();
    else if (use == ListBrowserUse::LoadIfNeeded)
        windows.listBrowser();
    return true;
}

bool mayCloseEditor(Windows &windows, MultiLineTextBox *box, ListFileVersion *basedOn, const QString &question,
                    const QString &title)
{
    if (!box->hasTypedChanges())
        return true;
    switch (windows.platform().messageBoxes().show(question, title, MessageBoxes::Buttons::SaveDiscardCancel,
                                                   MessageBoxes::Icon::Question)) {
    case MessageBoxes::Answer::Save:
        if (!saveEditTextAndReload(windows, box->text(), basedOn, ListBrowserUse::OnlyIfLoaded))
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
