#include "browser/copybar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

CopyBar::CopyBar(QWidget *page, QWidget *parent)
    : QFrame(parent)
    , m_text(new QLabel(this))
    , m_livePageButton(new QPushButton(QStringLiteral("Show the Live Page"), this))
    , m_olderCopiesButton(new QPushButton(QStringLiteral("Older Copies…"), this))
    , m_saveCopyButton(new QPushButton(QStringLiteral("Save Copy As…"), this))
    , m_page(page)
    , m_place(page->geometry())
{
    setObjectName(QStringLiteral("savedCopyBar"));
    setAccessibleName(QStringLiteral("Saved copy"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    // Colours no page has around its top: the bar cannot be taken for part of the page.
    setStyleSheet(QStringLiteral("#savedCopyBar { background: #1f3f6f; border-bottom: 2px solid #f2c200; }"
                                 "#savedCopyBar QLabel { color: white; font-weight: bold; }"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(8, 3, 8, 3);
    m_text->setObjectName(QStringLiteral("savedCopyText"));
    m_text->setTextFormat(Qt::PlainText);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_livePageButton->setObjectName(QStringLiteral("livePageButton"));
    m_olderCopiesButton->setObjectName(QStringLiteral("olderCopiesButton"));
    m_saveCopyButton->setObjectName(QStringLiteral("saveCopyButton"));
    row->addWidget(m_text, 1);
    row->addWidget(m_livePageButton);
    row->addWidget(m_olderCopiesButton);
    row->addWidget(m_saveCopyButton);
    setTabOrder(m_livePageButton, m_olderCopiesButton);
    setTabOrder(m_olderCopiesButton, m_saveCopyButton);
    connect(m_livePageButton, &QPushButton::clicked, this, &CopyBar::livePageClicked);
    connect(m_olderCopiesButton, &QPushButton::clicked, this, &CopyBar::olderCopiesClicked);
    connect(m_saveCopyButton, &QPushButton::clicked, this, &CopyBar::saveCopyClicked);
    hide();
}

void CopyBar::tell(const QString &text, bool copyShows)
{
    m_text->setText(text);
    m_text->setToolTip(text);
    setAccessibleDescription(text);
    for (QPushButton *button : {m_livePageButton, m_olderCopiesButton, m_saveCopyButton})
        button->setVisible(copyShows);
    if (isHidden()) {
        show();
        raise();
    }
    place();
}

void CopyBar::hideBar()
{
    if (isHidden())
        return;
    const bool hadFocus = isAncestorOf(focusWidget());
    hide();
    place();
    if (hadFocus)
        m_page->setFocus();
}

void CopyBar::setPagePlace(const QRect &place)
{
    m_place = place;
    this->place();
}

void CopyBar::place()
{
    if (isHidden()) {
        m_page->setGeometry(m_place);
        return;
    }
    const int height = qMax(32, sizeHint().height());
    setGeometry(m_place.left(), m_place.top(), m_place.width(), height);
    m_page->setGeometry(m_place.adjusted(0, height, 0, 0));
}
