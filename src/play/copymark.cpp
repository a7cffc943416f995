#include "play/copymark.h"

#include "play/listplayer.h"

#include <QAccessible>
#include <QDateTime>
#include <QEvent>

namespace {
/// Room between the mark and the page's edges.
constexpr int cornerGap = 10;
} // namespace

CopyMark::CopyMark(QWidget *page)
    : QLabel(page->parentWidget())
    , m_page(page)
{
    setObjectName(QStringLiteral("savedCopyMark"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setTextFormat(Qt::PlainText);
    // Dark text on a light, opaque box with a dark border: it stands out on white pages and dark ones.
    setStyleSheet(QStringLiteral("QLabel { color: #1b1b1b; background: #fff4c2; border: 1px solid #5c4a00; "
                                 "border-radius: 3px; padding: 2px 6px; font-size: 9pt; }"));
    page->installEventFilter(this);
    hide();
}

QString CopyMark::textFor(const QDateTime &savedAt)
{
    return tr("saved copy, %1").arg(copyDateText(savedAt));
}

void CopyMark::tell(const QDateTime &savedAt)
{
    const QString text = textFor(savedAt);
    setText(text);
    setAccessibleName(text);
    place();
    show();
    raise();
    QAccessibleEvent shown(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&shown);
}

void CopyMark::dismiss()
{
    hide();
}

bool CopyMark::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_page && isVisible()) {
        switch (event->type()) {
        case QEvent::Resize:
        case QEvent::Move:
            place();
            break;
        case QEvent::Hide:
            hide();
            break;
        default:
            break;
        }
    }
    return QLabel::eventFilter(watched, event);
}

void CopyMark::place()
{
    if (!m_page)
        return;
    adjustSize();
    const QRect page = m_page->geometry();
    move(page.left() + cornerGap, qMax(page.top(), page.bottom() + 1 - cornerGap - height()));
    raise();
}
