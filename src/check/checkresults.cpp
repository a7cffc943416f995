#include "check/checkresults.h"

#include <QSet>

CheckResults::CheckResults(QObject *parent)
    : QObject(parent)
{
    m_tell.setSingleShot(true);
    m_tell.setInterval(100);
    connect(&m_tell, &QTimer::timeout, this, &CheckResults::changed);
}

std::optional<CheckResult> CheckResults::resultFor(const QString &entry) const
{
    const auto it = m_results.constFind(entry);
    if (it == m_results.constEnd())
        return std::nullopt;
    return *it;
}

bool CheckResults::isDead(const QString &entry) const
{
    const auto it = m_results.constFind(entry);
    return it != m_results.constEnd() && it->verdict == Verdict::Dead;
}

void CheckResults::set(const QString &entry, const CheckResult &result)
{
    m_results.insert(entry, result);
    m_notes.remove(entry);
    tell();
    emit resultSet(entry, result);
}

void CheckResults::restore(const QString &entry, const CheckResult &result, const QDateTime &checkedAt)
{
    m_results.insert(entry, result);
    CheckNote note;
    note.checkedAt = checkedAt;
    m_notes.insert(entry, note);
    tell();
}

void CheckResults::setChange(const QString &entry, const CheckNote &change)
{
    if (!m_results.contains(entry))
        return;
    CheckNote &note = m_notes[entry];
    note.change = change.change;
    note.wasTitle = change.wasTitle;
    note.wasSeen = change.wasSeen;
    tell();
}

CheckNote CheckResults::noteFor(const QString &entry) const
{
    return m_notes.value(entry);
}

QString CheckResults::moreAbout(const QString &entry) const
{
    const auto it = m_notes.constFind(entry);
    if (it == m_notes.constEnd())
        return {};
    QString more;
    if (it->checkedAt.isValid())
        more += QStringLiteral("; ") + checkedAgo(it->checkedAt, QDateTime::currentDateTimeUtc());
    if (!it->change.isEmpty())
        more += QStringLiteral("; not what you saved: ") + it->change;
    return more;
}

void CheckResults::tell()
{
    if (!m_tell.isActive())
        m_tell.start();
}

QString checkedAgo(const QDateTime &at, const QDateTime &now)
{
    const qint64 seconds = at.secsTo(now);
    auto ago = [](qint64 n, const char *one, const char *many) {
        return n == 1 ? QStringLiteral("checked 1 %1 ago").arg(QLatin1String(one))
                      : QStringLiteral("checked %1 %2 ago").arg(n).arg(QLatin1String(many));
    };
    if (seconds < 60) // a clock set back shows no time in the future
        return QStringLiteral("checked just now");
    if (seconds < 3600)
        return ago(seconds / 60, "minute", "minutes");
    if (seconds < 86400)
        return ago(seconds / 3600, "hour", "hours");
    return ago(seconds / 86400, "day", "days");
}

void CheckResults::clear()
{
    if (m_results.isEmpty())
        return;
    m_results.clear();
    m_notes.clear();
    m_tell.stop();
    emit changed();
}

void CheckResults::keepOnly(const QStringList &entries)
{
    const QSet<QString> kept(entries.cbegin(), entries.cend());
    const auto before = m_results.size();
    m_results.removeIf([&kept](const auto &it) { return !kept.contains(it.key()); });
    m_notes.removeIf([&kept](const auto &it) { return !kept.contains(it.key()); });
    if (m_results.size() != before)
        emit changed();
}
