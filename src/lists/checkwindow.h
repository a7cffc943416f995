// The Check List window: checks the working list, shows progress and the summary, and acts on the result.
#pragma once

#include "check/checkreport.h"

#include <QElapsedTimer>
#include <QSet>
#include <QStringList>
#include <QTimer>
#include <QWidget>

class Windows;
class ListChecker;
class HttpProbe;
class CopyStore;
class PageCopier;
class PageProbe;
class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

class CheckWindow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CheckWindow)
public:
    explicit CheckWindow(Windows &windows, QWidget *parent = nullptr);
    ~CheckWindow() override;
    void load();

    /// Checks the list browser's working list (loading the list browser as other list commands do).
    void startCheck();
    /// Cancel: stops the check; what was found so far stays.
    void cancelCheck();
    /// After asking, removes the entries found dead from the working list.
    void removeDeadEntries();
    /// After asking, removes the entries found parked (a parking or domain-sale page) from the working list.
    void removeParkedEntries();
    /// After asking, replaces the entries found moved by their new addresses in the working list.
    void replaceMovedEntries();
    /// Asks where, then saves the report.
    void chooseReportFile();
    /// Writes the report of the last check to @p path, atomically: JSON when the name ends in .json,
    /// CSV otherwise. Says so when it cannot.
    bool saveReport(const QString &path);
    bool isChecking() const;
    /// Shows where the check is (and tells checkProgressed while it runs): every tick, and when a
    /// window that shows it too is opened during a check.
    void showProgress();
    /// The engine is not used (tests that need no browser).
    void setUseBrowser(bool use) { m_useBrowser = use; }

    QProgressBar *m_progressBar = nullptr;
    QLabel *m_progressLabel = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QLabel *m_summaryLabel = nullptr;
    QPushButton *m_removeDeadButton = nullptr;
    QPushButton *m_replaceMovedButton = nullptr;
    QPushButton *m_removeParkedButton = nullptr;
    QPushButton *m_saveReportButton = nullptr;
    /// Off by default: while ticked, each page the check finds good is loaded once more and kept as
    /// its entry's last good copy.
    QCheckBox *m_keepCopiesBox = nullptr;

signals:
    /// A running check's progress, a few times a second: @p checked of @p total entries, and the
    /// progress line's words.
    void checkProgressed(int checked, int total, const QString &text);
    /// The check ended, to its end or cancelled.
    void checkEnded();

private:
    void entryChecked(int line, const CheckResult &result);
    /// Keeps a copy of @p entry's page when the check found it good and the person asked for copies.
    void keepCopyOf(const QString &entry, const CheckResult &result);
    void copyEnded(const QString &entry, bool kept, const QString &problem);
    /// The summary's line about copies, once the check and its copies have ended.
    void showCopiesKept();
    void checkFinished(bool cancelled);
    /// How many entries of the working list the last check found @p verdict.
    int workingListCount(Verdict verdict) const;
    /// The summary after Remove Dead or Replace Moved: what was done since the check, and what is left.
    void showWhatIsLeft();
    /// Remove Dead and Remove Parked: asks with the count, then removes the entries found @p verdict.
    void removeEntriesFound(Verdict verdict, QPushButton *button, const QString &title);

    Windows &m_windows;
    HttpProbe *m_http = nullptr;
    PageProbe *m_pages = nullptr;
    ListChecker *m_checker = nullptr;
    bool m_useBrowser = true;
    /// Why the engine's pages cannot be had for this window's checks; empty when they can.
    QString m_engineProblem;
    PageCopier *m_copier = nullptr;
    CopyStore *m_copyStore = nullptr;
    /// Entries whose copy is being taken or kept, and what this check's copies came to.
    QSet<QString> m_copiesUnderWay;
    int m_copiesKept = 0;
    QString m_copyProblem;
    QList<ReportRow> m_rows;
    QStringList m_doneSinceCheck;
    QTimer m_progressTick;
};
