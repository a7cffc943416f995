#include "ui/windowframe.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QWidget>

namespace WindowFrame {

QWidget *frameOf(QWidget *window)
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(window->parentWidget()))
        return sub;
    return window;
}

void placeInView(QWidget *window)
{
    auto *sub = qobject_cast<QMdiSubWindow *>(frameOf(window));
    if (!sub || !sub->mdiArea())
        return;
    const QSize view = sub->mdiArea()->viewport()->size();
    const QRect place = sub->geometry();
    const int x = qMax(0, qMin(place.x(), view.width() - place.width()));
    const int y = qMax(0, qMin(place.y(), view.height() - place.height()));
    if (x != place.x() || y != place.y())
        sub->move(x, y);
}

void show(QWidget *window)
{
    QWidget *frame = frameOf(window);
    frame->show();
    placeInView(window);
    frame->raise();
    if (auto *sub = qobject_cast<QMdiSubWindow *>(frame)) {
        if (QMdiArea *area = sub->mdiArea())
            area->setActiveSubWindow(sub);
    } else {
        frame->activateWindow();
    }
}

void hide(QWidget *window)
{
    QWidget *frame = frameOf(window);
    auto *sub = qobject_cast<QMdiSubWindow *>(frame);
    QMdiArea *area = sub ? sub->mdiArea() : nullptr;
    const bool wasActive = area && area->activeSubWindow() == sub;
    frame->hide();
    if (!wasActive)
        return;
    // The keyboard goes on to the window shown on top, as when a window closes, instead of to nowhere.
    const QList<QMdiSubWindow *> stack = area->subWindowList(QMdiArea::StackingOrder);
    for (auto it = stack.crbegin(); it != stack.crend(); ++it) {
        if (!(*it)->isHidden()) {
            area->setActiveSubWindow(*it);
            break;
        }
    }
}

bool isVisible(QWidget *window)
{
    // Shown, even while the frame that holds it is not on screen (minimized, or not yet shown).
    return !frameOf(window)->isHidden();
}

void setCaption(QWidget *window, const QString &caption)
{
    window->setWindowTitle(caption);
    frameOf(window)->setWindowTitle(caption);
}

} // namespace WindowFrame
