// The verdicts of the last check, by entry text: what the marks in the lists show, and what a player
// that skips dead entries asks.
#pragma once

#include "check/verdict.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QTimer>

#include <optional>

/// What is known of a result beyond the check itself: when it was made (for a result that came back
/// from the page memory) and whether the page is no longer what the person saw there.
struct CheckNote {
    /// When the check was made; set only for a result remembered from an earlier run.
    QDateTime checkedAt;
    /// "was 'Qt 6 documentation', 2026-11-03; now 'This domain may be for sale'"; empty when the
    /// page is what it was (or nothing is known of what it was).
    QString change;
    /// What the person saw there, when the page changed.
    QString wasTitle;
    QDateTime wasSeen;
};

/// "checked 3 days ago", "checked 5 minutes ago", "checked just now", from @p at to @p now.
QString checkedAgo(const QDateTime &at, const QDateTime &now);

/// Results are kept by the entry's text, so that a mark follows its entry wherever the entry goes
/// (KILL, Add, a reload, the List view's own copy of the list) and an entry that is no longer there
/// simply shows nothing.
class CheckResults final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CheckResults)
public:
    explicit CheckResults(QObject *parent = nullptr);

    /// The result for an entry with this exact text, if it was checked.
    std::optional<CheckResult> resultFor(const QString &entry) const;
    /// Whether @p entry has a result (cheaper than resultFor() for many entries).
    bool hasResult(const QString &entry) const { return m_results.contains(entry); }
    /// Shortcut: whether the last check found this entry dead.
    bool isDead(const QString &entry) const;
    /// Stores a result found now; resultSet() tells it (the page memory records it).
    void set(const QString &entry, const CheckResult &result);
    /// Stores a result of an earlier check, remembered with its date; not told by resultSet().
    void restore(const QString &entry, const CheckResult &result, const QDateTime &checkedAt);
    /// Adds to what is known of @p entry's result (nothing when it has no result).
    void setChange(const QString &entry, const CheckNote &change);
    /// What is known beyond the result; empty when nothing is.
    CheckNote noteFor(const QString &entry) const;
    /// What a mark tells after the verdict's reason: "; checked 3 days ago", "; not what you saved:
    /// was ...". Empty when there is nothing more to tell.
    QString moreAbout(const QString &entry) const;
    void clear();
    /// Forgets the results of every text not in @p entries (the list was replaced).
    void keepOnly(const QStringList &entries);
    int size() const { return int(m_results.size()); }

signals:
    /// Results were added or removed; told at most ten times a second however fast results come.
    void changed();
    /// A result found now was stored (not one restored from memory).
    void resultSet(const QString &entry, const CheckResult &result);

private:
    void tell();

    QHash<QString, CheckResult> m_results;
    QHash<QString, CheckNote> m_notes;
    QTimer m_tell;
};
