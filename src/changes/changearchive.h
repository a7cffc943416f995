// The looks at each entry's page and what changed between them: each look's readable text kept in
// the page memory (zstd, each distinct text once) and compared with the person's last look. One
// thread; ChangeStore runs it on a thread of its own. QtCore, the page memory and zstd; no widgets.
#pragma once

#include "changes/lookdiff.h"
#include "memory/pagememory.h"

#include <QHash>
#include <QString>

#include <optional>

/// What changed at an entry since a look, and which looks were compared.
struct ChangeAnswer {
    QString entry;
    /// The look compared with (the person's last, else the one before the newest); none when the
    /// entry has fewer than two looks and no look of the person's.
    std::optional<LookRecord> comparedWith;
    /// The newest look, whose text is "now".
    std::optional<LookRecord> now;
    /// Changed lines that count; 0 when nothing that matters changed.
    int changedLines = 0;
    /// The comparison itself (the diff with its noise).
    ChangeReport report;
    /// What went wrong reading the looks; empty when nothing did.
    QString problem;
    bool changed() const { return changedLines > 0; }
};

/// The outcome of recording a look.
struct LookRecorded {
    bool ok = false;
    LookRecord look;
    /// Bytes the text takes stored (0 when that text was stored already).
    qint64 storedBytes = 0;
    QString problem;
};

class ChangeArchive final {
    Q_DISABLE_COPY_MOVE(ChangeArchive)
public:
    ChangeArchive() = default;

    /// Opens the page memory at @p memoryPath; false with problem() when it cannot be used.
    bool open(const QString &memoryPath = PageMemory::defaultPath());
    QString problem() const { return m_problem; }
    PageMemory &memory() { return m_memory; }

    /// Records that @p kind looked at @p address's page at @p seenAt and saw @p text.
    LookRecorded recordLook(const QString &address, LookRecord::Kind kind, const QString &text,
                            const QDateTime &seenAt = QDateTime::currentDateTimeUtc());
    /// What changed at @p address since the person last looked (or, when the person never did,
    /// since the look before the newest). With @p beforeNewest, the person's look that is the newest
    /// is "now", compared with their look before it: what the person who has just opened the page
    /// asks when they ask what changed.
    ChangeAnswer changedSinceLastLook(const QString &address, bool beforeNewest = false);
    /// What changed at @p address between its looks @p olderId and @p newerId.
    ChangeAnswer compare(const QString &address, qint64 olderId, qint64 newerId);
    /// The looks of @p address, oldest first.
    QList<LookRecord> looksOf(const QString &address) const { return m_memory.looksOf(address); }
    /// The text of @p look; nothing when it cannot be read.
    std::optional<QString> textOf(const LookRecord &look) const;
    /// Counts @p part of @p address's page again (it was learned as noise).
    bool countPartAgain(const QString &address, const QString &part);

    /// The host a look is filed under: the entry's host in lower case; empty for a file or no address.
    static QString hostOf(const QString &address);
    /// The stored form of @p text (zstd) and back.
    static QByteArray pack(const QString &text);
    static std::optional<QString> unpack(const QByteArray &stored);

private:
    ChangeAnswer compareLooks(const QString &address, const QList<LookRecord> &looks, int older, int newer);
    QList<QStringList> hostPages(const LookRecord &now, const QStringList &ownHashes);

    PageMemory m_memory;
    QString m_problem;
    /// Texts read lately, by hash (a comparison reads the entry's earlier looks again).
    QHash<QString, QStringList> m_lines;
};
