// The verdicts of the last check, by entry text: what the marks in the lists show, and what a player
// that skips dead entries asks.
#pragma once

#include "check/verdict.h"

#include <QHash>
#include <QObject>
#include <QTimer>

#include <optional>

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
    /// Shortcut: whether the last check found this entry dead.
    bool isDead(const QString &entry) const;
    void set(const QString &entry, const CheckResult &result);
    void clear();
    /// Forgets the results of every text not in @p entries (the list was replaced).
    void keepOnly(const QStringList &entries);
    int size() const { return int(m_results.size()); }

signals:
    /// Results were added or removed; told at most ten times a second however fast results come.
    void changed();

private:
    QHash<QString, CheckResult> m_results;
    QTimer m_tell;
};
