#include "lists/checkwindow.h"

#include "app/windows.h"
#include "browser/listbrowser.h"
#include "check/checkmemory.h"
#include "check/checkresults.h"
#include "check/listchecker.h"
#include "check/networkprobe.h"
#include "copies/copyarchive.h"
#include "copies/copystore.h"
#include "lists/importwindow.h"
#include "platform/messageboxes.h"
#include "platform/pageprobe.h"
#include "platform/platform.h"
#include "store/addresstoload.h"
#include "store/urllistfile.h"
#include "ui/enterkey.h"
#include "ui/listbox.h"
#include "ui/twips.h"
#include "ui/windowframe.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>

CheckWindow::CheckWindow(Windows &windows, QWidget *parent)
    : QWidget(parent)
    , m_windows(windows)
{
    setObjectName(QStringLiteral("CheckWindow"));
    setWindowTitle(QStringLiteral("Check List"));
    setWindowIcon(QIcon(QStringLiteral(":/quokka.png")));
    setFixedSize(twipsSize(6600, 2250));

    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setAccessibleName(QStringLiteral("Check progress"));
    m_progressLabel = new QLabel(this);
    m_progressLabel->setObjectName(QStringLiteral("progressLabel"));
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    m_cancelButton->setAccessibleName(QStringLiteral("Cancel the check"));
    m_summaryLabel = new QLabel(this);
    m_summaryLabel->setObjectName(QStringLiteral("summaryLabel"));
    m_summaryLabel->setWordWrap(true);
    m_summaryLabel->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_removeDeadButton = new QPushButton(QStringLiteral("Remove &Dead"), this);
    m_removeDeadButton->setObjectName(QStringLiteral("removeDeadButton"));
    m_removeDeadButton->setAccessibleName(QStringLiteral("Remove Dead entries from the list"));
    m_removeParkedButton = new QPushButton(QStringLiteral("Remove &Parked"), this);
    m_removeParkedButton->setObjectName(QStringLiteral("removeParkedButton"));
    m_removeParkedButton->setAccessibleName(QStringLiteral("Remove Parked entries from the list"));
    m_replaceMovedButton = new QPushButton(QStringLiteral("Replace &Moved"), this);
    m_replaceMovedButton->setObjectName(QStringLiteral("replaceMovedButton"));
    m_replaceMovedButton->setAccessibleName(QStringLiteral("Replace Moved entries by their new addresses"));
    m_saveReportButton = new QPushButton(QStringLiteral("&Save Report..."), this);
    m_saveReportButton->setObjectName(QStringLiteral("saveReportButton"));
    m_saveReportButton->setAccessibleName(QStringLiteral("Save Report..."));
    m_keepCopiesBox = new QCheckBox(QStringLiteral("&Keep copies of good pages"), this);
    m_keepCopiesBox->setObjectName(QStringLiteral("keepCopiesBox"));
    m_keepCopiesBox->setAccessibleName(QStringLiteral("Keep copies of good pages"));
    m_keepCopiesBox->setToolTip(QStringLiteral("Each page the check finds good is loaded once more and kept as its "
                                               "entry's last good copy"));

    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->addWidget(m_progressBar, 0, 0, 1, 3);
    layout->addWidget(m_cancelButton, 0, 3);
    layout->addWidget(m_progressLabel, 1, 0, 1, 4);
    layout->addWidget(m_summaryLabel, 2, 0, 1, 4);
    layout->addWidget(m_removeDeadButton, 3, 0);
    layout->addWidget(m_removeParkedButton, 3, 1);
    layout->addWidget(m_replaceMovedButton, 3, 2);
    layout->addWidget(m_saveReportButton, 3, 3);
    layout->addWidget(m_keepCopiesBox, 4, 0, 1, 4);
    layout->setRowStretch(2, 1);

    connect(m_cancelButton, &QPushButton::clicked, this, &CheckWindow::cancelCheck);
    connect(m_removeDeadButton, &QPushButton::clicked, this, &CheckWindow::removeDeadEntries);
    connect(m_removeParkedButton, &QPushButton::clicked, this, &CheckWindow::removeParkedEntries);
    connect(m_replaceMovedButton, &QPushButton::clicked, this, &CheckWindow::replaceMovedEntries);
    connect(m_saveReportButton, &QPushButton::clicked, this, &CheckWindow::chooseReportFile);
    // The label is read at a glance: it changes a few times a second, not with every result.
    m_progressTick.setInterval(200);
    connect(&m_progressTick, &QTimer::timeout, this, &CheckWindow::showProgress);

    setTabOrder(m_cancelButton, m_removeDeadButton);
    setTabOrder(m_removeDeadButton, m_removeParkedButton);
    setTabOrder(m_removeParkedButton, m_replaceMovedButton);
    setTabOrder(m_replaceMovedButton, m_saveReportButton);
    setTabOrder(m_saveReportButton, m_keepCopiesBox);
    setFocusProxy(m_cancelButton);
    EnterKey::giveDefaultButton(this, nullptr);
}

CheckWindow::~CheckWindow()
{
    delete m_checker;
}

void CheckWindow::load()
{
    m_cancelButton->setEnabled(false);
    m_removeDeadButton->setEnabled(false);
    m_removeParkedButton->setEnabled(false);
    m_replaceMovedButton->setEnabled(false);
    m_saveReportButton->setEnabled(false);
}

bool CheckWindow::isChecking() const
{
    return m_checker && m_checker->isRunning();
}

void CheckWindow::startCheck()
{
    const QStringList entries = m_windows.listBrowser()->m_addressList->entries();
    if (!m_checker) {
        m_http = new NetworkProbe(this);
        if (m_useBrowser)
            m_pages = m_windows.platform().createPageProbe(this);
        if (m_useBrowser && !m_pages)
            m_engineProblem = m_windows.platform().pageProbeProblem();
        if (!m_engineProblem.isEmpty()) {
            // Said once, before the first check: the verdicts that follow are the plain requests' alone.
            m_windows.platform().messageBoxes().show(
                QStringLiteral("The list is checked by plain requests alone, since %1. An address that only a "
                               "browser can judge keeps what its plain request found.")
                    .arg(m_engineProblem),
                QStringLiteral("Check List"), MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Information);
        }
        m_checker = new ListChecker(*m_http, m_pages);
        connect(m_checker, &ListChecker::entryChecked, this, &CheckWindow::entryChecked);
        connect(m_checker, &ListChecker::finished, this, &CheckWindow::checkFinished);
    }
    CheckOptions options;
    options.useBrowser = m_useBrowser && m_pages;
    m_checker->setOptions(options);
    m_windows.checkResults().clear();
    m_rows.clear();
    m_doneSinceCheck.clear();
    m_copiesUnderWay.clear();
    m_copiesKept = 0;
    m_copyProblem.clear();
    m_rows.reserve(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i)
        m_rows.append({int(i) + 1, entries.at(i), {}});
    m_progressBar->setRange(0, std::max<int>(1, int(entries.size())));
    m_summaryLabel->clear();
    m_cancelButton->setEnabled(true);
    m_removeDeadButton->setEnabled(false);
    m_removeParkedButton->setEnabled(false);
    m_replaceMovedButton->setEnabled(false);
    m_saveReportButton->setEnabled(false);
    m_checker->start(entries);
    showProgress();
    m_progressTick.start();
    m_cancelButton->setFocus();
}

void CheckWindow::cancelCheck()
{
    if (m_checker)
        m_checker->cancel();
}

void CheckWindow::entryChecked(int line, const CheckResult &result)
{
    ReportRow &row = m_rows[line];
    row.result = result;
    m_windows.checkResults().set(row.address, result);
    if (m_keepCopiesBox->isChecked())
        keepCopyOf(row.address, result);
}

void CheckWindow::keepCopyOf(const QString &entry, const CheckResult &result)
{
    // Only a page as the person keeps it: alive, on the web, and the page they saw there.
    if (result.verdict != Verdict::Alive && result.verdict != Verdict::Moved)
        return;
    const QUrl url = addressToLoad(entry);
    if ((url.scheme() != u"http" && url.scheme() != u"https") || m_copiesUnderWay.contains(entry))
        return;
    if (!CheckMemory::changeIn(m_windows.checkMemory().memory(), entry, result, QDateTime::currentDateTimeUtc()).wasTitle.isEmpty())
        return;
    if (!m_copyStore) {
        m_copyStore = new CopyStore(this);
        connect(m_copyStore, &CopyStore::opened, this, [this](bool ok, const QString &problem) {
            if (!ok)
                m_copyProblem = problem;
        });
        connect(m_copyStore, &CopyStore::kept, this, [this](const QString &address, const KeepResult &kept) {
            copyEnded(address, kept.outcome == KeepResult::Outcome::Kept || kept.outcome == KeepResult::Outcome::Shared,
                      kept.isKept() ? QString() : kept.message);
        });
        m_copyStore->open();
    }
    if (!m_copier)
        m_copier = m_windows.platform().createPageCopier(this);
    if (!m_copier) {
        m_copyProblem = QStringLiteral("the web engine cannot start");
        return;
    }
    m_copiesUnderWay.insert(entry);
    m_copier->copy(url, 60000, [this, entry](const PageCopy &copy) {
        if (!copy.ok) {
            copyEnded(entry, false, QString());
            return;
        }
        m_copyStore->keep(entry, PageCondition::Good, CopyContent{copy.mhtml, copy.text, copy.thumbnailPng});
    });
}

void CheckWindow::copyEnded(const QString &entry, bool kept, const QString &problem)
{
    if (!m_copiesUnderWay.remove(entry))
        return;
    if (kept)
        ++m_copiesKept;
    if (!problem.isEmpty() && m_copyProblem.isEmpty())
        m_copyProblem = problem;
    if (!isChecking())
        showCopiesKept();
}

void CheckWindow::showCopiesKept()
{
    if (!m_copiesUnderWay.isEmpty() || (m_copiesKept == 0 && m_copyProblem.isEmpty()))
        return;
    QString text = m_summaryLabel->text();
    const QString copies = QStringLiteral("\nCopies of good pages kept: ");
    if (const qsizetype at = text.indexOf(copies); at >= 0)
        text.truncate(at);
    text += copies + QLocale(QLocale::English).toString(m_copiesKept) + QLatin1Char('.');
    if (!m_copyProblem.isEmpty())
        text += QStringLiteral(" Not every page could be kept: ") + m_copyProblem;
    m_summaryLabel->setText(text);
}

void CheckWindow::showProgress()
{
    if (!m_checker)
        return;
    const QLocale locale(QLocale::English);
    m_progressBar->setValue(m_checker->checkedCount());
    QString progress = QStringLiteral("checked %1 of %2, %3 dead so far")
                           .arg(locale.toString(m_checker->checkedCount()), locale.toString(m_checker->total()),
                                locale.toString(m_checker->count(Verdict::Dead)));
    m_progressLabel->setText(progress);
    if (isChecking())
        emit checkProgressed(m_checker->checkedCount(), m_checker->total(), progress);
    // A long pause must never look like a hang: say which host the check is waiting for, and why, where
    // the summary will stand (the line above has no room for it).
    QString waiting;
    if (const auto wait = m_checker->longestWait()) {
        const QString addresses = wait->addresses == 1 ? QStringLiteral("1 address")
                                                       : QStringLiteral("%1 addresses").arg(locale.toString(wait->addresses));
        const QString why = wait->askedSeconds >= 0 ? QStringLiteral("it asked to wait %1 s").arg(wait->askedSeconds)
                                                    : QStringLiteral("it turned requests away, so it is asked more slowly");
        waiting = QStringLiteral("Waiting for %1 on %2: %3.").arg(addresses, wait->host, why);
    }
    m_summaryLabel->setText(waiting);
}

void CheckWindow::checkFinished(bool cancelled)
{
    m_progressTick.stop();
    showProgress();
    std::array<int, verdictCount> counts{};
    for (int v = 0; v < verdictCount; ++v)
        counts[std::size_t(v)] = m_checker->count(Verdict(v));
    QString summary = CheckReport::summary(counts, m_checker->elapsedMs());
    if (cancelled) {
        summary = QStringLiteral("Cancelled. ") + summary;
        // Lines not reached have no verdict: the report keeps only what was checked.
        m_rows.removeIf([](const ReportRow &row) { return row.result.reason.isEmpty(); });
    }
    if (!m_engineProblem.isEmpty())
        summary += QStringLiteral(" Checked without a browser: the web engine cannot start.");
    m_summaryLabel->setText(summary);
    if (cancelled && m_copier) {
        m_copier->abortAll();
        m_copiesUnderWay.clear();
    }
    showCopiesKept();
    m_cancelButton->setEnabled(false);
    emit checkEnded();
    m_removeDeadButton->setEnabled(m_checker->count(Verdict::Dead) > 0);
    m_removeParkedButton->setEnabled(m_checker->count(Verdict::Parked) > 0);
    m_replaceMovedButton->setEnabled(m_checker->count(Verdict::Moved) > 0);
    m_saveReportButton->setEnabled(!m_rows.isEmpty());
    if (m_removeDeadButton->isEnabled())
        m_removeDeadButton->setFocus();
    else if (m_removeParkedButton->isEnabled())
        m_removeParkedButton->setFocus();
    else
        m_saveReportButton->setFocus();
}

int CheckWindow::workingListCount(Verdict verdict) const
{
    const CheckResults &results = m_windows.checkResults();
    int count = 0;
    for (const QString &entry : m_windows.listBrowser()->m_addressList->entries()) {
        const auto r = results.resultFor(entry);
        count += r && r->verdict == verdict;
    }
    return count;
}

void CheckWindow::removeDeadEntries()
{
    removeEntriesFound(Verdict::Dead, m_removeDeadButton, QStringLiteral("Remove Dead"));
}

void CheckWindow::removeParkedEntries()
{
    removeEntriesFound(Verdict::Parked, m_removeParkedButton, QStringLiteral("Remove Parked"));
}

void CheckWindow::removeEntriesFound(Verdict verdict, QPushButton *button, const QString &title)
{
    const QString word = verdictWord(verdict);
    const QLocale locale(QLocale::English);
    const int count = workingListCount(verdict);
    MessageBoxes &boxes = m_windows.platform().messageBoxes();
    if (count == 0) {
        boxes.show(QStringLiteral("The list holds no %1 entry.").arg(word), QStringLiteral("Check List"), MessageBoxes::Buttons::Ok,
                   MessageBoxes::Icon::Information);
        return;
    }
    const auto answer = boxes.show(
        count == 1 ? QStringLiteral("Remove the %1 entry from the list?").arg(word)
                   : QStringLiteral("Remove the %1 %2 entries from the list?").arg(locale.toString(count), word),
        title, MessageBoxes::Buttons::OkCancelDefaultCancel, MessageBoxes::Icon::Question);
    if (answer != MessageBoxes::Answer::Ok)
        return;
    ListBox *list = m_windows.listBrowser()->m_addressList;
    const CheckResults &results = m_windows.checkResults();
    const QStringList entries = list->entries();
    const int selected = list->currentRow();
    // The entry shown stays selected; a removed one gives its place to the next entry kept (or the last).
    int keptRow = -1;
    QStringList kept;
    kept.reserve(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const auto r = results.resultFor(entries.at(i));
        if (r && r->verdict == verdict)
            continue;
        if (selected >= 0 && i >= selected && keptRow < 0)
            keptRow = int(kept.size());
        kept.append(entries.at(i));
    }
    if (selected >= 0 && keptRow < 0)
        keptRow = int(kept.size()) - 1;
    // As KILL: the working list changes now, the file when the list browser closes.
    list->replaceEntries(kept, keptRow);
    button->setEnabled(false);
    const int removed = int(entries.size() - kept.size());
    m_doneSinceCheck << (removed == 1 ? QStringLiteral("Removed 1 %1 entry").arg(word)
                                      : QStringLiteral("Removed %1 %2 entries").arg(locale.toString(removed), word));
    showWhatIsLeft();
}

void CheckWindow::showWhatIsLeft()
{
    const QLocale locale(QLocale::English);
    const CheckResults &results = m_windows.checkResults();
    const QStringList entries = m_windows.listBrowser()->m_addressList->entries();
    std::array<int, verdictCount> counts{};
    int unchecked = 0;
    for (const QString &entry : entries) {
        if (const auto r = results.resultFor(entry))
            ++counts[std::size_t(r->verdict)];
        else
            ++unchecked;
    }
    QStringList parts;
    for (int v = 0; v < verdictCount; ++v)
        if (counts[std::size_t(v)])
            parts << QStringLiteral("%1 %2").arg(locale.toString(counts[std::size_t(v)]), verdictWord(Verdict(v)));
    if (unchecked)
        parts << QStringLiteral("%1 not checked").arg(locale.toString(unchecked));
    const qsizetype n = entries.size();
    QString left = QStringLiteral("The list now holds %1 %2").arg(locale.toString(n), n == 1 ? QStringLiteral("entry") : QStringLiteral("entries"));
    if (!parts.isEmpty())
        left += QStringLiteral(": ") + parts.join(QStringLiteral(", "));
    m_summaryLabel->setText(m_doneSinceCheck.join(QStringLiteral(". ")) + QStringLiteral(". ") + left + QLatin1Char('.'));
}

void CheckWindow::replaceMovedEntries()
{
    const int count = workingListCount(Verdict::Moved);
    MessageBoxes &boxes = m_windows.platform().messageBoxes();
    if (count == 0) {
        boxes.show(QStringLiteral("The list holds no moved entry."), QStringLiteral("Check List"), MessageBoxes::Buttons::Ok,
                   MessageBoxes::Icon::Information);
        return;
    }
    const auto answer = boxes.show(
        count == 1 ? QStringLiteral("Replace the moved entry by its new address?")
                   : QStringLiteral("Replace the %1 moved entries by their new addresses?")
                         .arg(QLocale(QLocale::English).toString(count)),
        QStringLiteral("Replace Moved"), MessageBoxes::Buttons::OkCancelDefaultCancel, MessageBoxes::Icon::Question);
    if (answer != MessageBoxes::Answer::Ok)
        return;
    ListBox *list = m_windows.listBrowser()->m_addressList;
    CheckResults &results = m_windows.checkResults();
    QStringList entries = list->entries();
    int replaced = 0;
    for (QString &entry : entries) {
        const auto r = results.resultFor(entry);
        if (!r || r->verdict != Verdict::Moved || r->newAddress.isEmpty())
            continue;
        entry = r->newAddress;
        ++replaced;
        // The new address is the one that answered.
        CheckResult alive = *r;
        alive.verdict = Verdict::Alive;
        alive.finalAddress.clear();
        alive.newAddress.clear();
        alive.reason = QStringLiteral("the new address of a moved entry");
        results.set(entry, alive);
    }
    list->replaceEntries(entries, list->currentRow());
    m_replaceMovedButton->setEnabled(false);
    m_doneSinceCheck << (replaced == 1 ? QStringLiteral("Replaced 1 moved entry by its new address")
                                       : QStringLiteral("Replaced %1 moved entries by their new addresses")
                                             .arg(QLocale(QLocale::English).toString(replaced)));
    showWhatIsLeft();
}

void CheckWindow::chooseReportFile()
{
    QFileDialog dialog(this, QStringLiteral("Save Report"), QDir::homePath() + QStringLiteral("/quokka-check.csv"),
                       QStringLiteral("CSV, for spreadsheets (*.csv);;JSON (*.json)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString &filter) {
        dialog.setDefaultSuffix(filter.contains(QStringLiteral("json")) ? QStringLiteral("json") : QStringLiteral("csv"));
    });
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        saveReport(dialog.selectedFiles().first());
}

bool CheckWindow::saveReport(const QString &path)
{
    const auto format = path.endsWith(QStringLiteral(".json"), Qt::CaseInsensitive) ? CheckReport::Format::Json
                                                                                    : CheckReport::Format::Csv;
    // What each changed page was, from the page memory's findings, and the titles kept with the list.
    const QHash<QString, QString> titles = ListTitles::load();
    QStringList addresses;
    addresses.reserve(m_rows.size());
    for (const ReportRow &row : std::as_const(m_rows))
        addresses.append(row.address);
    const QHash<QString, QDateTime> copies = CopyArchive::lastGoodCopies(m_windows.checkMemory().memory(), addresses);
    for (ReportRow &row : m_rows) {
        row.savedTitle = titles.value(row.address);
        row.lastGoodCopy = copies.value(row.address);
        const CheckNote note = m_windows.checkResults().noteFor(row.address);
        row.wasTitle = note.wasTitle;
        row.wasSeen = note.wasSeen;
    }
    const SaveResult saved = UrlListFile::replaceFile(path, CheckReport::document(m_rows, format));
    if (!saved) {
        m_windows.platform().messageBoxes().show(
            QStringLiteral("Quokka could not save the report to\n%1\n\nReason: %2").arg(QDir::toNativeSeparators(path), saved.reason),
            QStringLiteral("Report not saved"), MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Critical);
        return false;
    }
    // Where it went, under the summary (in place of an earlier save's line).
    const QString savedTo = QStringLiteral("\nReport saved to ");
    QString text = m_summaryLabel->text();
    if (const qsizetype at = text.indexOf(savedTo); at >= 0)
        text.truncate(at);
    m_summaryLabel->setText(text + savedTo + QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()));
    return true;
}
