// Showing, hiding and framing the program's windows, whether child windows of the frame or top-level.
#pragma once

#include <QSize>
#include <QString>

class QWidget;

namespace WindowFrame {

/// Shows @p window (its frame window, for a child of the frame) not modal and brings it to the front.
void show(QWidget *window);
/// Hides @p window; it stays loaded with all its contents.
void hide(QWidget *window);
/// Whether @p window is shown.
bool isVisible(QWidget *window);
/// The top-level or frame window that holds @p window (the window itself when it has no frame).
QWidget *frameOf(QWidget *window);
/// Moves a child window of the frame into the visible part of the frame's document area: wholly when
/// it fits, else with its top left corner (title bar, first controls) in view; the area's scroll bars
/// reach the rest. A top-level window is left where it is.
void placeInView(QWidget *window);
/// Sets the caption on the window and its frame.
void setCaption(QWidget *window, const QString &caption);

} // namespace WindowFrame
