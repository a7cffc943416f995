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
    if (!m_tell.isActive())
        m_tell.start();
}

void CheckResults::clear()
{
    if (m_results.isEmpty())
        return;
    m_results.clear();
    m_tell.stop();
    emit changed();
}

void CheckResults::keepOnly(const QStringList &entries)
{
    const QSet<QString> kept(entries.cbegin(), entries.cend());
    const auto before = m_results.size();
    m_results.removeIf([&kept](const auto &it) { return !kept.contains(it.key()); });
    if (m_results.size() != before)
        emit changed();
}
