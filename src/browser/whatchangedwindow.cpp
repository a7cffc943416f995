#include "browser/whatchangedwindow.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int sectionRole = Qt::UserRole + 1;
// A section's lines are made when it is unfolded, and a changed one shows this many at once: a
// page of a megabyte never makes the window wait for its items.
constexpr int linesShownAtOnce = 2000;

QString whenText(const QDateTime &at)
{
    return QLocale(QLocale::English).toString(at.toLocalTime(), QStringLiteral("d MMMM yyyy, HH:mm"));
}

QString whoText(LookRecord::Kind kind)
{
    switch (kind) {
    case LookRecord::Kind::Person:
        return QStringLiteral("your look");
    case LookRecord::Kind::Play:
        return QStringLiteral("Play");
    case LookRecord::Kind::Check:
        return QStringLiteral("a check");
    }
    return {};
}

} // namespace

WhatChangedWindow::WhatChangedWindow(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("whatChangedWindow"));
    setWindowTitle(QStringLiteral("What Changed"));
    resize(720, 560);
    auto *layout = new QVBoxLayout(this);

    m_summaryLabel = new QLabel(this);
    m_summaryLabel->setObjectName(QStringLiteral("summaryLabel"));
    m_summaryLabel->setWordWrap(true);
    m_summaryLabel->setTextFormat(Qt::PlainText);
    layout->addWidget(m_summaryLabel);

    auto *row = new QHBoxLayout;
    auto *lookLabel = new QLabel(QStringLiteral("&Compare with:"), this);
    m_lookBox = new QComboBox(this);
    m_lookBox->setObjectName(QStringLiteral("lookBox"));
    m_lookBox->setAccessibleName(QStringLiteral("Compare with"));
    m_lookBox->view()->setAccessibleName(QStringLiteral("Looks to compare with"));
    lookLabel->setBuddy(m_lookBox);
    row->addWidget(lookLabel);
    row->addWidget(m_lookBox, 1);
    layout->addLayout(row);

    m_changesTree = new QTreeWidget(this);
    m_changesTree->setObjectName(QStringLiteral("changesTree"));
    m_changesTree->setAccessibleName(QStringLiteral("What changed"));
    m_changesTree->setHeaderHidden(true);
    m_changesTree->setUniformRowHeights(true);
    m_changesTree->setTextElideMode(Qt::ElideRight);
    layout->addWidget(m_changesTree, 1);

    auto *buttons = new QHBoxLayout;
    m_countAgainButton = new QPushButton(QStringLiteral("Count this &part again"), this);
    m_countAgainButton->setObjectName(QStringLiteral("countAgainButton"));
    m_countAgainButton->setAccessibleName(QStringLiteral("Count this part again"));
    m_countAgainButton->setToolTip(QStringLiteral("This part was left out as noise; count its changes from now on"));
    m_countAgainButton->setEnabled(false);
    m_closeButton = new QPushButton(QStringLiteral("Close"), this);
    m_closeButton->setObjectName(QStringLiteral("closeButton"));
    m_closeButton->setAccessibleName(QStringLiteral("Close"));
    buttons->addWidget(m_countAgainButton);
    buttons->addStretch(1);
    buttons->addWidget(m_closeButton);
    layout->addLayout(buttons);

    connect(m_closeButton, &QPushButton::clicked, this, &QWidget::close);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
    connect(m_countAgainButton, &QPushButton::clicked, this, &WhatChangedWindow::countSelectedPartAgain);
    connect(m_changesTree, &QTreeWidget::itemExpanded, this, &WhatChangedWindow::fillSection);
    connect(m_changesTree, &QTreeWidget::currentItemChanged, this, &WhatChangedWindow::showCurrentPart);
    connect(m_lookBox, &QComboBox::activated, this, [this] { emit compareAsked(m_entry, comparedLookId()); });
}

void WhatChangedWindow::load(const QString &entry)
{
    m_entry = entry;
    m_sections.clear();
    m_changesTree->clear();
    m_lookBox->clear();
    m_countAgainButton->setEnabled(false);
    m_summaryLabel->setText(QStringLiteral("Comparing the looks at %1…").arg(entry));
    setWindowTitle(QStringLiteral("What Changed: %1").arg(entry));
}

qint64 WhatChangedWindow::comparedLookId() const
{
    return m_lookBox->currentIndex() < 0 ? 0 : m_lookBox->currentData().toLongLong();
}

void WhatChangedWindow::showLooks(const QString &entry, const QList<LookRecord> &looks)
{
    if (entry != m_entry)
        return;
    const qint64 chosen = comparedLookId();
    m_lookBox->clear();
    m_lookBox->addItem(QStringLiteral("Your last look"), qint64(0));
    // Every look but the newest, newest first: the newest is "now".
    for (qsizetype i = looks.size() - 2; i >= 0; --i)
        m_lookBox->addItem(QStringLiteral("%1 (%2)").arg(whenText(looks[i].seenAt), whoText(looks[i].kind)), looks[i].id);
    const int at = m_lookBox->findData(chosen);
    m_lookBox->setCurrentIndex(at < 0 ? 0 : at);
}

QString WhatChangedWindow::summaryText(const ChangeAnswer &answer)
{
    if (!answer.problem.isEmpty())
        return answer.problem;
    if (!answer.now)
        return QStringLiteral("No look at this page is kept yet: it is kept when the page is opened from the list.");
    if (!answer.comparedWith || answer.comparedWith->id == answer.now->id)
        return QStringLiteral("Nothing to compare with: this is the only look at the page kept since you last looked.");
    const QString since = QStringLiteral("since %1 of %2").arg(answer.comparedWith->kind == LookRecord::Kind::Person ? QStringLiteral("your look") : QStringLiteral("the look"),
                                                            whenText(answer.comparedWith->seenAt));
    const QString noise = answer.report.noiseLines > 0
        ? QStringLiteral(" %1 more left out as noise.").arg(answer.report.noiseLines)
        : QString();
    if (answer.changedLines == 0)
        return QStringLiteral("Nothing that counts changed %1.%2").arg(since, noise);
    return QStringLiteral("Changed %1: %2 %3.%4")
        .arg(since)
        .arg(answer.changedLines)
        .arg(answer.changedLines == 1 ? QStringLiteral("line") : QStringLiteral("lines"), noise);
}

void WhatChangedWindow::showComparison(const ChangeAnswer &answer)
{
    if (answer.entry != m_entry)
        return;
    m_summaryLabel->setText(summaryText(answer));
    m_summaryLabel->setAccessibleName(m_summaryLabel->text());
    m_changesTree->clear();
    m_sections = sectionsOf(answer.report);
    m_newestLookId = answer.now ? answer.now->id : 0;
    QTreeWidgetItem *first = nullptr;
    for (int i = 0; i < m_sections.size(); ++i) {
        const ChangeSection &section = m_sections[i];
        auto *item = new QTreeWidgetItem(m_changesTree, {section.heading});
        item->setData(0, sectionRole, i);
        QFont bold = item->font(0);
        bold.setBold(true);
        item->setFont(0, bold);
        // A folded section's lines are made when it is unfolded.
        item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        if (section.kind == ChangeSection::Kind::Changed) {
            fillSection(item);
            item->setExpanded(true);
            if (!first)
                first = item;
        }
    }
    if (first)
        m_changesTree->setCurrentItem(first);
    m_countAgainButton->setEnabled(false);
}

void WhatChangedWindow::fillSection(QTreeWidgetItem *item)
{
    if (item->parent() || item->childCount() > 0)
        return;
    const int index = item->data(0, sectionRole).toInt();
    if (index < 0 || index >= m_sections.size())
        return;
    const ChangeSection &section = m_sections[index];
    const qsizetype shown = std::min<qsizetype>(section.lines.size(), linesShownAtOnce);
    QList<QTreeWidgetItem *> children;
    children.reserve(shown + 1);
    for (qsizetype i = 0; i < shown; ++i) {
        const DiffLine &line = section.lines[i];
        const QString mark = line.kind == DiffLine::Kind::Added ? QStringLiteral("+ ")
            : line.kind == DiffLine::Kind::Removed             ? QStringLiteral("− ")
                                                               : QStringLiteral("  ");
        auto *child = new QTreeWidgetItem({mark + line.text});
        child->setData(0, Qt::AccessibleTextRole, spokenLine(line));
        child->setToolTip(0, spokenLine(line));
        if (line.kind == DiffLine::Kind::Added) {
            child->setBackground(0, QColor(210, 245, 210));
            child->setForeground(0, QColor(0, 70, 0));
        } else if (line.kind == DiffLine::Kind::Removed) {
            child->setBackground(0, QColor(250, 215, 215));
            child->setForeground(0, QColor(110, 0, 0));
        }
        children.append(child);
    }
    if (section.lines.size() > shown)
        children.append(new QTreeWidgetItem({QStringLiteral("… and %1 more lines").arg(section.lines.size() - shown)}));
    item->addChildren(children);
}

void WhatChangedWindow::showCurrentPart()
{
    QTreeWidgetItem *item = m_changesTree->currentItem();
    while (item && item->parent())
        item = item->parent();
    const int index = item ? item->data(0, sectionRole).toInt() : -1;
    m_countAgainButton->setEnabled(index >= 0 && index < m_sections.size() && m_sections[index].kind == ChangeSection::Kind::Noise);
}

void WhatChangedWindow::countSelectedPartAgain()
{
    QTreeWidgetItem *item = m_changesTree->currentItem();
    while (item && item->parent())
        item = item->parent();
    const int index = item ? item->data(0, sectionRole).toInt() : -1;
    if (index < 0 || index >= m_sections.size() || m_sections[index].part.isEmpty())
        return;
    m_countAgainButton->setEnabled(false);
    emit countAgainAsked(m_entry, m_sections[index].part);
}
