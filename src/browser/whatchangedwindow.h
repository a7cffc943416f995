// Page > What Changed: an entry's text at an earlier look beside what it is now, the changes that
// count first, what was left out as noise (to count again), the unchanged text folded.
#pragma once

#include "changes/changearchive.h"
#include "changes/changesections.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class WhatChangedWindow final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WhatChangedWindow)
public:
    explicit WhatChangedWindow(QWidget *parent = nullptr);

    /// Shows that @p entry's looks are being compared (the answer comes with showComparison()).
    void load(const QString &entry);
    QString entry() const { return m_entry; }
    /// The look chosen to compare with; 0 for the person's last look.
    qint64 comparedLookId() const;
    /// Shows @p answer, when it is of this window's entry.
    void showComparison(const ChangeAnswer &answer);
    /// Offers @p looks (oldest first) to compare with.
    void showLooks(const QString &entry, const QList<LookRecord> &looks);

    /// "Changed since your last look of 10 December 2026, 09:00: 12 lines."
    static QString summaryText(const ChangeAnswer &answer);

    QLabel *m_summaryLabel;
    QComboBox *m_lookBox;
    QTreeWidget *m_changesTree;
    QPushButton *m_countAgainButton;
    QPushButton *m_closeButton;

signals:
    /// The person chose another look to compare with (0: the person's last).
    void compareAsked(const QString &entry, qint64 olderLookId);
    /// The person asked to count the noise part @p part again.
    void countAgainAsked(const QString &entry, const QString &part);

private:
    void fillSection(QTreeWidgetItem *item);
    void showCurrentPart();
    void countSelectedPartAgain();

    QString m_entry;
    QList<ChangeSection> m_sections;
    qint64 m_newestLookId = 0;
};
