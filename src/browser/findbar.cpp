#include "browser/findbar.h"

#include "platform/webbrowser.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

FindBar::FindBar(WebBrowser *browser)
    : QFrame(browser->widget()->parentWidget())
    , m_textBox(new QLineEdit(this))
    , m_previousButton(new QToolButton(this))
    , m_nextButton(new QToolButton(this))
    , m_countLabel(new QLabel(this))
    , m_closeButton(new QToolButton(this))
    , m_browser(browser)
    , m_page(browser->widget())
{
    setObjectName(QStringLiteral("findBar"));
    setAccessibleName(QStringLiteral("Find in page"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    auto *label = new QLabel(QStringLiteral("&Find:"), this);
    label->setBuddy(m_textBox);
    m_textBox->setObjectName(QStringLiteral("findText"));
    m_textBox->setAccessibleName(QStringLiteral("Find in page"));
    m_previousButton->setObjectName(QStringLiteral("findPrevious"));
    m_previousButton->setText(QStringLiteral("Previous"));
    m_previousButton->setToolTip(QStringLiteral("Previous match (Shift+F3)"));
    m_previousButton->setAccessibleName(QStringLiteral("Previous match"));
    m_nextButton->setObjectName(QStringLiteral("findNext"));
    m_nextButton->setText(QStringLiteral("Next"));
    m_nextButton->setToolTip(QStringLiteral("Next match (F3)"));
    m_nextButton->setAccessibleName(QStringLiteral("Next match"));
    m_countLabel->setObjectName(QStringLiteral("findCount"));
    m_countLabel->setMinimumWidth(m_countLabel->fontMetrics().horizontalAdvance(QStringLiteral("9999 of 9999")));
    m_closeButton->setObjectName(QStringLiteral("findClose"));
    m_closeButton->setText(QStringLiteral("Close"));
    m_closeButton->setToolTip(QStringLiteral("Close the find bar (Esc)"));
    m_closeButton->setAccessibleName(QStringLiteral("Close the find bar"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(6, 3, 6, 3);
    row->addWidget(label);
    row->addWidget(m_textBox, 1);
    row->addWidget(m_previousButton);
    row->addWidget(m_nextButton);
    row->addWidget(m_countLabel);
    row->addWidget(m_closeButton);
    hide();

    connect(m_textBox, &QLineEdit::textEdited, this, [this] { find(false); });
    connect(m_nextButton, &QToolButton::clicked, this, &FindBar::findNext);
    connect(m_previousButton, &QToolButton::clicked, this, &FindBar::findPrevious);
    connect(m_closeButton, &QToolButton::clicked, this, &FindBar::close);
    connect(m_browser, &WebBrowser::findFinished, this, [this](int active, int matches) {
        const QString text = countText(active, matches, !m_textBox->text().isEmpty());
        m_countLabel->setText(text);
        m_countLabel->setAccessibleName(text);
    });
    // A new page has other matches: the count is of the page before.
    connect(m_browser, &WebBrowser::urlChanged, this, [this] { m_countLabel->clear(); });
    m_textBox->installEventFilter(this);
    // The page's place on the screen changes with it and with every widget it sits in (a window too
    // small for its controls scrolls them).
    for (QWidget *w = m_page; w; w = w->isWindow() ? nullptr : w->parentWidget())
        w->installEventFilter(this);
}

QString FindBar::countText(int active, int matches, bool hasText)
{
    if (!hasText)
        return {};
    if (matches <= 0)
        return QStringLiteral("No matches");
    return QStringLiteral("%1 of %2").arg(qBound(1, active, matches)).arg(matches);
}

void FindBar::open()
{
    place();
    show();
    raise();
    m_textBox->setFocus(Qt::ShortcutFocusReason);
    m_textBox->selectAll();
    if (!m_textBox->text().isEmpty())
        find(false);
}

void FindBar::close()
{
    if (isHidden())
        return;
    hide();
    m_browser->findText(QString(), false);
    m_countLabel->clear();
    m_page->setFocus(Qt::OtherFocusReason);
}

void FindBar::findNext()
{
    if (isHidden()) {
        open();
        return;
    }
    find(false);
}

void FindBar::findPrevious()
{
    if (isHidden()) {
        open();
        return;
    }
    find(true);
}

void FindBar::find(bool backward)
{
    const QString text = m_textBox->text();
    if (text.isEmpty())
        m_countLabel->clear();
    m_browser->findText(text, backward);
}

void FindBar::place()
{
    // Beside the page's own vertical scroll bar, which the engine draws 15 device-independent pixels
    // wide inside the page: the bar must not hide it.
    constexpr int pageScrollBar = 15;
    // Over the part of the page that is on the screen: the widgets it sits in may cut it (a window
    // too small for its controls scrolls them), and then the page's scroll bar may be cut off too.
    QWidget *window = m_page->window();
    const QRect page(m_page->mapTo(window, QPoint(0, 0)), m_page->size());
    QRect shown = page;
    for (QWidget *w = m_page->parentWidget(); w; w = w->isWindow() ? nullptr : w->parentWidget())
        shown &= QRect(w->isWindow() ? QPoint(0, 0) : w->mapTo(window, QPoint(0, 0)), w->size());
    if (shown.isEmpty())
        return;
    // What is on the screen of the scroll bar, the page's last pixels, is left free.
    const int scrollBarShown = qBound(0, shown.right() - (page.right() - pageScrollBar), pageScrollBar);
    const int room = qMax(0, shown.width() - scrollBarShown);
    shown.translate(parentWidget()->mapFrom(window, QPoint(0, 0)));
    const int width = qMin(room, qMax(sizeHint().width(), 460));
    const int height = sizeHint().height();
    setGeometry(shown.left() + room - width, shown.bottom() + 1 - height, width, height);
}

bool FindBar::eventFilter(QObject *watched, QEvent *event)
{
    if ((event->type() == QEvent::Resize || event->type() == QEvent::Move) && watched->isWidgetType()
        && (watched == m_page || static_cast<QWidget *>(watched)->isAncestorOf(m_page))) {
        if (isVisible())
            place();
    } else if (watched == m_textBox && event->type() == QEvent::ShortcutOverride) {
        // Esc here closes the bar, whatever else the window gives the key to.
        if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
            event->accept();
    } else if (watched == m_textBox && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            find(key->modifiers() & Qt::ShiftModifier);
            return true; // not the window's default button
        }
        if (key->key() == Qt::Key_Escape) {
            close();
            return true;
        }
    }
    return QFrame::eventFilter(watched, event);
}
