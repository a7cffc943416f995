// The bar over a saved copy shown in place of a live page: what it is, and its buttons.
#pragma once

#include <QFrame>
#include <QRect>

class QLabel;
class QPushButton;

/// Lies over the top of the page's place while it shows, the page moved down under it: it is never
/// part of the page. The window gives it the page's whole place; the bar and the page share it.
class CopyBar final : public QFrame {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CopyBar)
public:
    /// A bar for @p page, a child of @p parent as the page is.
    CopyBar(QWidget *page, QWidget *parent);

    /// Shows the bar saying @p text; @p copyShows: a copy shows, and its buttons are there.
    void tell(const QString &text, bool copyShows);
    /// Hides the bar: the page takes its whole place again.
    void hideBar();
    /// The page's whole place changed (the window was resized, or went full screen).
    void setPagePlace(const QRect &place);
    QRect pagePlace() const { return m_place; }

    QLabel *m_text;
    QPushButton *m_livePageButton;
    QPushButton *m_olderCopiesButton;
    QPushButton *m_saveCopyButton;

signals:
    void livePageClicked();
    void olderCopiesClicked();
    void saveCopyClicked();

private:
    void place();

    QWidget *m_page;
    QRect m_place;
};
