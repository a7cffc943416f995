#include "browser/oldercopiesdialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

OlderCopiesDialog::OlderCopiesDialog(const QString &entry, const QList<CopyRecord> &copies, QWidget *parent)
    : QDialog(parent)
    , m_copies(copies)
{
    setObjectName(QStringLiteral("OlderCopiesDialog"));
    setWindowTitle(QStringLiteral("Older Copies"));
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(QStringLiteral("Saved copies of %1:").arg(entry), this);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    m_copyList = new QListWidget(this);
    m_copyList->setObjectName(QStringLiteral("copyList"));
    m_copyList->setAccessibleName(QStringLiteral("Saved copies, newest first"));
    label->setBuddy(m_copyList);
    const QLocale english(QLocale::English);
    for (const CopyRecord &copy : copies) {
        const QDateTime when = (copy.seenAt.isValid() ? copy.seenAt : copy.takenAt).toLocalTime();
        QString text = english.toString(when, QStringLiteral("d MMMM yyyy, HH:mm"));
        if (copy.takenAt.isValid() && copy.seenAt.isValid() && copy.seenAt > copy.takenAt.addSecs(60))
            text += QStringLiteral(" (first saved %1)").arg(english.toString(copy.takenAt.toLocalTime(), QStringLiteral("d MMMM yyyy")));
        m_copyList->addItem(text);
    }
    m_copyList->setCurrentRow(copies.isEmpty() ? -1 : 0);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    m_openButton = buttons->addButton(QStringLiteral("&Open"), QDialogButtonBox::AcceptRole);
    m_openButton->setObjectName(QStringLiteral("openCopyButton"));
    m_openButton->setEnabled(!copies.isEmpty());
    m_openButton->setDefault(true);
    layout->addWidget(label);
    layout->addWidget(m_copyList);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_copyList, &QListWidget::itemActivated, this, &QDialog::accept);
    connect(this, &QDialog::accepted, this, [this] {
        const int row = m_copyList->currentRow();
        if (row >= 0 && row < m_copies.size())
            emit copyChosen(m_copies.at(row));
    });
    m_copyList->setFocus();
}
