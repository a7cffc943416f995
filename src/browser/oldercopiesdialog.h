// Older Copies…: every kept copy of an entry, newest first, with its date; one is opened.
#pragma once

#include "memory/pagememory.h"

#include <QDialog>
#include <QList>

class QListWidget;
class QPushButton;

class OlderCopiesDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OlderCopiesDialog)
public:
    OlderCopiesDialog(const QString &entry, const QList<CopyRecord> &copies, QWidget *parent = nullptr);

    QListWidget *m_copyList;
    QPushButton *m_openButton;

signals:
    /// The person chose to open @p record.
    void copyChosen(const CopyRecord &record);

private:
    QList<CopyRecord> m_copies;
};
