// Pages of the kinds a checked list holds (parked at several sale services, servers' default pages,
// sign-in walls, errors, distinct live sites of one design), rendered by the real engine, each with
// the answer of which page it is: the gallery's grouping is measured against it.
#pragma once

#include "check/verdict.h"

#include <QImage>
#include <QList>
#include <QString>

struct AnswerPage {
    /// Which page this is: entries with the same answer show the same page (or one of a kind that
    /// looks the same: one sale service's parking page), and only those may share a tile.
    QString answer;
    QString entry;
    /// What the check found (verdict, reason, final address, title, fingerprint of the page's text).
    CheckResult result;
    /// The page's picture, 320 pixels wide as a copy's thumbnail; null for an entry with no page.
    QImage thumbnail;
};

/// Renders the set in an engine view (QApplication with the engine set up must run). Empty when the
/// engine cannot render here.
QList<AnswerPage> renderAnswerSet();

/// How a grouping did against the answers.
struct AnswerScore {
    /// Groups holding entries of more than one answer (the target is none).
    int mixedGroups = 0;
    /// For each answer, the groups its entries fall into beyond one, summed.
    int leftApart = 0;
    /// Groups in all, and entries in all.
    int groups = 0;
    int entries = 0;
    /// Each mixed group's answers, for a failure message.
    QStringList mixes;
};
AnswerScore scoreGroups(const QList<AnswerPage> &pages, const QList<QList<int>> &groups);
