// Marks that a list box shows beside its entries: a picture, a tip and words for screen readers.
#pragma once

#include <QObject>
#include <QVariant>

/// Gives a list box's entries the data of roles the list itself does not hold (decoration, tool tip,
/// accessible description), by the entry's text.
class EntryMarks : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~EntryMarks() override = default;
    /// The data of @p role for an entry with the text @p entry; an invalid QVariant for none.
    virtual QVariant markData(const QString &entry, int role) const = 0;

signals:
    /// Marks changed: list boxes showing them repaint.
    void marksChanged();
};
