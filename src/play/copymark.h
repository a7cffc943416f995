// The small mark in a corner of a played page that says the page shown is a saved copy, and of when.
#pragma once

#include <QLabel>
#include <QPointer>

class QDateTime;

/// Lies over the bottom left corner of a page (a sibling above it), opaque and framed so that it
/// reads on any page: "saved copy, 3 March 2026". Its text is its accessible name. It takes no input:
/// a click on it reaches the page below.
class CopyMark final : public QLabel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CopyMark)
public:
    /// The mark over @p page, made as a child of the page's parent.
    explicit CopyMark(QWidget *page);

    /// What the mark says of a copy saved at @p savedAt.
    static QString textFor(const QDateTime &savedAt);
    /// Shows the mark for a copy saved at @p savedAt.
    void tell(const QDateTime &savedAt);
    void dismiss();
    QWidget *page() const { return m_page; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void place();

    QPointer<QWidget> m_page;
};
