// How the What Changed window lays out a comparison: the parts that changed first, then what was
// left out as noise, then the unchanged text, folded. Plain functions, QtCore only.
#pragma once

#include "changes/lookdiff.h"

/// One foldable section of a comparison.
struct ChangeSection {
    enum class Kind { Changed, Noise, Unchanged };
    Kind kind = Kind::Changed;
    /// What the section's heading says ("Changed at line 12", "Not counted: a date or time that
    /// moves with the clock", "Unchanged: 40 lines").
    QString heading;
    /// The noise part's name, for "Count this part again"; empty for the other kinds.
    QString part;
    QList<DiffLine> lines;
};

/// The sections of @p report: each run of changes that count (with the changes beside it), each
/// noise part, and each run of unchanged lines, in that order.
QList<ChangeSection> sectionsOf(const ChangeReport &report);

/// A line as a screen reader says it: "added: ...", "removed: ..." or the text alone.
QString spokenLine(const DiffLine &line);
