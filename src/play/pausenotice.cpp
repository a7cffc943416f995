#include "play/pausenotice.h"

#include <QAccessible>
#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QPropertyAnimation>
#include <QTimer>

PauseNotice::PauseNotice(QWidget *window)
    : QLabel(window)
    , m_opacity(new QGraphicsOpacityEffect(this))
    , m_fade(new QPropertyAnimation(m_opacity, "opacity", this))
    , m_stay(new QTimer(this))
{
    setObjectName(QStringLiteral("pauseNotice"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setAlignment(Qt::AlignCenter);
    setMargin(12);
    // Readable over any page: light text on a dark, slightly see-through box.
    setStyleSheet(QStringLiteral("QLabel { color: white; background: rgba(0, 0, 0, 190); border-radius: 8px; "
                                 "font-size: 15pt; }"));
    setGraphicsEffect(m_opacity);
    m_fade->setDuration(fadeMsecs);
    m_fade->setStartValue(1.0);
    m_fade->setEndValue(0.0);
    connect(m_fade, &QPropertyAnimation::finished, this, &QWidget::hide);
    m_stay->setSingleShot(true);
    m_stay->setInterval(shownMsecs);
    connect(m_stay, &QTimer::timeout, m_fade, [this] { m_fade->start(); });
    window->installEventFilter(this);
    hide();
}

void PauseNotice::tell(const QString &text)
{
    m_fade->stop();
    m_opacity->setOpacity(1.0);
    setText(text);
    setAccessibleName(text);
    place();
    show();
    raise();
    m_stay->start();
    // A screen reader says it at once, as it would a message, without the focus moving to it.
    QAccessibleEvent alert(this, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

void PauseNotice::dismiss()
{
    m_stay->stop();
    m_fade->stop();
    hide();
}

bool PauseNotice::isFading() const
{
    return m_fade->state() == QAbstractAnimation::Running;
}

bool PauseNotice::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize && isVisible())
        place();
    return QLabel::eventFilter(watched, event);
}

void PauseNotice::place()
{
    adjustSize();
    const QWidget *window = parentWidget();
    move((window->width() - width()) / 2, qMax(0, window->height() / 12));
}
