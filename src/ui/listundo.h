// The changes of a working list that can be taken back, newest last.
#pragma once

#include <QString>
#include <QStringList>

#include <deque>
#include <optional>

/// Each step is what puts the list back as it was before one change: an entry removed (KILL), an
/// entry added, or the whole list as it was (Remove Dead, Replace Moved, Remove Duplicates, Sort).
/// A whole list shares its texts with the list itself, so a step costs a pointer per entry; the
/// oldest steps are forgotten beyond a hundred steps or ten million entries kept in all.
class ListUndo final {
public:
    struct Step {
        enum class Kind { Removed, Added, Replaced };
        Kind kind = Kind::Replaced;
        /// Removed: where the entry stood. Added: where the first added entry was put.
        int row = -1;
        /// Removed: the entry's text.
        QString text;
        /// Replaced: the entries before the change.
        QStringList before;
        /// Replaced: the selected row before the change (-1: none).
        int selected = -1;
        /// Added: how many entries were put there.
        int count = 1;
    };

    static constexpr std::size_t mostSteps = 100;
    static constexpr qsizetype mostKeptEntries = 10'000'000;

    void push(Step step)
    {
        m_keptEntries += step.before.size();
        m_steps.push_back(std::move(step));
        while (m_steps.size() > mostSteps || (m_keptEntries > mostKeptEntries && m_steps.size() > 1)) {
            m_keptEntries -= m_steps.front().before.size();
            m_steps.pop_front();
        }
    }
    std::optional<Step> pop()
    {
        if (m_steps.empty())
            return std::nullopt;
        Step step = std::move(m_steps.back());
        m_steps.pop_back();
        m_keptEntries -= step.before.size();
        return step;
    }
    bool isEmpty() const { return m_steps.empty(); }
    std::size_t size() const { return m_steps.size(); }
    void clear()
    {
        m_steps.clear();
        m_keptEntries = 0;
    }

private:
    std::deque<Step> m_steps;
    qsizetype m_keptEntries = 0;
};
