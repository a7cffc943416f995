// The find bar: finds text in a page, shows the count of matches, steps through them.
#pragma once

#include <QFrame>

class QLabel;
class QLineEdit;
class QToolButton;
class WebBrowser;

class FindBar final : public QFrame {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FindBar)
public:
    /// A bar over the bottom of @p browser's page, a child of the page's parent; hidden until opened.
    explicit FindBar(WebBrowser *browser);

    /// Shows the bar with the text box focused and its text selected; finds that text again.
    void open();
    /// Hides the bar, clears the highlights and gives the page the focus.
    void close();
    void findNext();
    void findPrevious();
    /// What the count says: "3 of 12", "No matches", or nothing for no text.
    static QString countText(int active, int matches, bool hasText);

    QLineEdit *m_textBox;
    QToolButton *m_previousButton;
    QToolButton *m_nextButton;
    QLabel *m_countLabel;
    QToolButton *m_closeButton;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void find(bool backward);
    /// Over the bottom right of the page, as the page moves and changes size.
    void place();

    WebBrowser *m_browser;
    QWidget *m_page;
};
