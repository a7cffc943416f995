// The marks of check verdicts in the list boxes: a shape and a colour each, never colour alone.
#pragma once

#include "ui/entrymarks.h"
#include "check/verdict.h"

#include <QHash>
#include <QIcon>
#include <array>

class CheckResults;

/// Alive: a green disc. Moved: a blue arrow. Dead: a red cross. Blocked: an orange bar in a square.
/// Failing: a yellow triangle with "!". Skipped: a grey dash. Parked: a purple diamond with a white dot. The tool tip and the accessible
/// description (read after the entry's name) give the verdict and its reason: "dead: not found (404)",
/// after the title kept for the entry (a bookmark's title brought in with it), when there is one.
class VerdictMarks final : public EntryMarks {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VerdictMarks)
public:
    /// A role giving the verdict's word ("dead"), for code that acts on verdicts.
    static constexpr int VerdictRole = Qt::UserRole + 71;
    /// A role giving how many lines of the entry's page changed since the person last looked (0: none).
    static constexpr int ChangedLinesRole = Qt::UserRole + 72;

    explicit VerdictMarks(const CheckResults &results, QObject *parent = nullptr);
    QVariant markData(const QString &entry, int role) const override;
    static QIcon icon(Verdict verdict);
    /// The titles kept for entries, by entry text: shown first on hover and read out.
    void setTitles(QHash<QString, QString> titles);
    /// The entry's page changed by @p lines lines since the person last looked (0: it did not): a
    /// badge on its mark, and "changed: 12 lines" on hover and for screen readers.
    void setChangedLines(const QString &entry, int lines);
    int changedLines(const QString &entry) const { return m_changed.value(entry); }
    /// How many entries are marked changed.
    int changedCount() const { return int(m_changed.size()); }
    /// The words of the changed mark: "changed: 12 lines".
    static QString changedText(int lines);

signals:
    void changedCountChanged(int count);

private:
    QVariant verdictData(const QString &entry, int role) const;
    QHash<QString, int> m_changed;
    const CheckResults &m_results;
    QHash<QString, QString> m_titles;
};
