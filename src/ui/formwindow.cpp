#include "ui/formwindow.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QWidget>

namespace FormWindow {

QWidget *frameOf(QWidget *form)
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(form->parentWidget()))
        return sub;
    return form;
}

void show(QWidget *form)
{
    QWidget *frame = frameOf(form);
    frame->show();
    frame->raise();
    if (auto *sub = qobject_cast<QMdiSubWindow *>(frame)) {
        if (QMdiArea *area = sub->mdiArea())
            area->setActiveSubWindow(sub);
    } else {
        frame->activateWindow();
    }
}

void hide(QWidget *form)
{
    frameOf(form)->hide();
}

bool isVisible(QWidget *form)
{
    // Shown, even while the frame that holds it is not on screen (minimized, or not yet shown).
    return !frameOf(form)->isHidden();
}

void setCaption(QWidget *form, const QString &caption)
{
    form->setWindowTitle(caption);
    frameOf(form)->setWindowTitle(caption);
}

} // namespace FormWindow
