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

void show(QWidget *window)
{
    QWidget *frame = frameOf(window);
    frame->show();
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
    frameOf(window)->hide();
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
