#include "gallery/gallerygrouping.h"

#include "memory/pagefingerprint.h"
#include "memory/pagesigns.h"
#include "store/addresstoload.h"

#include <QHash>
#include <QRegularExpression>
#include <QUrl>

#include <numeric>

namespace {

bool standsInForAnySite(PageKind kind)
{
    return kind == PageKind::Parked || kind == PageKind::Placeholder || kind == PageKind::SignIn || kind == PageKind::NotFound;
}

QString hostOf(const QString &address)
{
    return QUrl(address).host().toLower();
}

QString serviceIn(const QString &reason)
{
    static const QRegularExpression at(QStringLiteral("\\(at ([^)]+)\\)"));
    const QRegularExpressionMatch match = at.match(reason);
    return match.hasMatch() ? match.captured(1) : QString();
}

bool samePageOnHost(const GroupingFacts &a, const GroupingFacts &b)
{
    return !a.finalHost.isEmpty() && a.finalHost == b.finalHost && fingerprintsAlike(a.fingerprint, b.fingerprint);
}

/// Groups are made by joining: each position points at another of its group, the root at itself.
class Joined {
public:
    explicit Joined(qsizetype count) : m_parent(count) { std::iota(m_parent.begin(), m_parent.end(), 0); }
    int root(int i)
    {
        while (m_parent[i] != i) {
            m_parent[i] = m_parent[m_parent[i]];
            i = m_parent[i];
        }
        return i;
    }
    void join(int a, int b)
    {
        a = root(a);
        b = root(b);
        if (a != b)
            m_parent[qMax(a, b)] = qMin(a, b); // the earlier position leads
    }

private:
    QList<int> m_parent;
};

} // namespace

PageKind pageKindOf(const std::optional<CheckResult> &result)
{
    if (!result)
        return PageKind::Unknown;
    if (result->reason.startsWith(signInReason()))
        return PageKind::SignIn;
    switch (result->verdict) {
    case Verdict::Parked:
        return PageKind::Parked;
    case Verdict::Dead:
        if (isPlaceholderReason(result->reason))
            return PageKind::Placeholder;
        if (result->reason.startsWith(notFoundReason()))
            return PageKind::NotFound;
        return PageKind::Dead;
    case Verdict::Alive:
    case Verdict::Moved:
        return PageKind::Live;
    case Verdict::Blocked:
    case Verdict::Failing:
        return PageKind::Dead;
    case Verdict::Skipped:
        return PageKind::Unknown;
    }
    return PageKind::Unknown;
}

GroupingFacts groupingFacts(const QString &entry, const std::optional<CheckResult> &result, const PictureHash &picture,
                            bool pictureIsCurrent)
{
    GroupingFacts facts;
    facts.kind = pageKindOf(result);
    facts.picture = picture;
    facts.pictureIsCurrent = pictureIsCurrent;
    if (result) {
        facts.finalHost = result->finalAddress.isEmpty() ? addressToLoad(entry).host().toLower() : hostOf(result->finalAddress);
        facts.fingerprint = result->fingerprint;
        facts.title = result->title.trimmed();
        facts.reason = result->reason;
        if (facts.kind == PageKind::Parked)
            facts.service = serviceIn(result->reason);
    }
    return facts;
}

bool pagesAlike(const GroupingFacts &a, const GroupingFacts &b)
{
    if (samePageOnHost(a, b))
        return true;
    const bool fingerprintAlike = fingerprintsAlike(a.fingerprint, b.fingerprint);
    if (a.kind != b.kind)
        return false;
    if (standsInForAnySite(a.kind)) {
        // Two sale services' pages are two different pages, however alike.
        if (a.kind == PageKind::Parked && !a.service.isEmpty() && !b.service.isEmpty() && a.service != b.service)
            return false;
        if (fingerprintAlike)
            return true;
        return a.pictureIsCurrent && b.pictureIsCurrent && pictureDistance(a.picture, b.picture) <= alikePictureDistance;
    }
    if (a.kind == PageKind::Dead)
        return a.fingerprint == 0 && b.fingerprint == 0 && !a.reason.isEmpty() && a.reason == b.reason;
    // Live pages (and unchecked ones): only the same page under two addresses.
    if (!fingerprintAlike)
        return false;
    return pictureDistance(a.picture, b.picture) <= alikePictureDistance || (!a.title.isEmpty() && a.title == b.title);
}

QList<QList<int>> groupAlike(const QList<GroupingFacts> &facts)
{
    const int count = int(facts.size());
    Joined joined(count);
    // Pages are compared within buckets of what every rule needs alike: the same host (the same
    // page), or the same kind; pairs across buckets can never be alike.
    QHash<QString, QList<int>> byHost;
    QHash<int, QList<int>> byKind;
    for (int i = 0; i < count; ++i) {
        if (!facts[i].finalHost.isEmpty() && facts[i].fingerprint)
            byHost[facts[i].finalHost].append(i);
        byKind[int(facts[i].kind)].append(i);
    }
    const auto joinAlike = [&](const QList<int> &bucket) {
        for (qsizetype x = 0; x < bucket.size(); ++x)
            for (qsizetype y = x + 1; y < bucket.size(); ++y)
                if (joined.root(bucket[x]) != joined.root(bucket[y]) && pagesAlike(facts[bucket[x]], facts[bucket[y]]))
                    joined.join(bucket[x], bucket[y]);
    };
    for (const QList<int> &bucket : std::as_const(byHost))
        joinAlike(bucket);
    for (auto it = byKind.cbegin(); it != byKind.cend(); ++it) {
        if (PageKind(it.key()) == PageKind::Live || PageKind(it.key()) == PageKind::Unknown) {
            // Live pages join only with alike fingerprints: compare those that have one, cheaply first.
            QList<int> read;
            for (int i : it.value())
                if (facts[i].fingerprint)
                    read.append(i);
            for (qsizetype x = 0; x < read.size(); ++x)
                for (qsizetype y = x + 1; y < read.size(); ++y)
                    if (fingerprintsAlike(facts[read[x]].fingerprint, facts[read[y]].fingerprint)
                        && joined.root(read[x]) != joined.root(read[y]) && pagesAlike(facts[read[x]], facts[read[y]]))
                        joined.join(read[x], read[y]);
        } else {
            joinAlike(it.value());
        }
    }
    QList<QList<int>> groups;
    QHash<int, int> groupOfRoot;
    for (int i = 0; i < count; ++i) {
        const int root = joined.root(i);
        auto found = groupOfRoot.constFind(root);
        if (found == groupOfRoot.cend()) {
            groupOfRoot.insert(root, int(groups.size()));
            groups.append(QList<int>{i});
        } else {
            groups[*found].append(i);
        }
    }
    return groups;
}
