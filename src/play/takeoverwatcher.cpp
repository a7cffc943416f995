#include "play/takeoverwatcher.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include <algorithm>

TakeOverWatcher::TakeOverWatcher(QObject *parent)
    : QObject(parent)
{
}

TakeOverWatcher::~TakeOverWatcher()
{
    if (m_active)
        qApp->removeEventFilter(this);
}

void TakeOverWatcher::watch(QWidget *part)
{
    if (part && !isWatching(part))
        m_parts.append(part);
}

void TakeOverWatcher::unwatch(QWidget *part)
{
    m_parts.removeAll(part);
}

bool TakeOverWatcher::isWatching(const QWidget *part) const
{
    return std::any_of(m_parts.cbegin(), m_parts.cend(), [part](const QPointer<QWidget> &p) { return p == part; });
}

void TakeOverWatcher::setActive(bool active)
{
    if (active == m_active)
        return;
    m_active = active;
    if (active) {
        qApp->installEventFilter(this);
        // A dialog that is already waiting holds the player from the start.
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->isVisible() && isWaitingDialog(w))
                dialogShown(w);
        return;
    }
    qApp->removeEventFilter(this);
    const QList<QPair<QObject *, bool>> open = m_dialogs;
    for (const auto &dialog : open)
        dialogGone(dialog.first);
}

bool TakeOverWatcher::isWaitingDialog(const QWidget *widget)
{
    return widget->isWindow() && (widget->windowModality() != Qt::NonModal || isPageMessage(widget));
}

bool TakeOverWatcher::isPageMessage(const QWidget *widget)
{
    // Known by its class name: the page's questions live with the web engine, below this layer.
    return widget->isWindow() && widget->inherits("PageDialog");
}

bool TakeOverWatcher::insideWatchedPart(const QWidget *widget) const
{
    for (const QPointer<QWidget> &part : m_parts)
        if (part && (part == widget || part->isAncestorOf(widget)))
            return true;
    return false;
}

void TakeOverWatcher::dialogShown(QWidget *dialog)
{
    if (std::any_of(m_dialogs.cbegin(), m_dialogs.cend(), [dialog](const auto &d) { return d.first == dialog; }))
        return;
    const bool pageMessage = isPageMessage(dialog);
    m_dialogs.append({dialog, pageMessage});
    connect(dialog, &QObject::destroyed, this, &TakeOverWatcher::dialogGone);
    emit dialogOpened(pageMessage);
}

void TakeOverWatcher::dialogGone(QObject *dialog)
{
    const auto it = std::find_if(m_dialogs.begin(), m_dialogs.end(), [dialog](const auto &d) { return d.first == dialog; });
    if (it == m_dialogs.end())
        return;
    const bool pageMessage = it->second;
    m_dialogs.erase(it);
    disconnect(dialog, &QObject::destroyed, this, &TakeOverWatcher::dialogGone);
    emit dialogClosed(pageMessage);
}

bool TakeOverWatcher::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Hide: {
        if (!watched->isWidgetType())
            break;
        auto *widget = static_cast<QWidget *>(watched);
        if (event->type() == QEvent::Show && isWaitingDialog(widget))
            dialogShown(widget);
        else if (event->type() == QEvent::Hide && !event->spontaneous())
            dialogGone(widget);
        break;
    }
    case QEvent::KeyPress: {
        // A modifier alone is no typing (it may be the start of a shortcut that is not the page's).
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta
            || key == Qt::Key_AltGr || key == Qt::Key_unknown)
            break;
        Q_FALLTHROUGH();
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
        if (watched->isWidgetType() && insideWatchedPart(static_cast<QWidget *>(watched)))
            emit personActed();
        break;
    default:
        break;
    }
    return false;
}
