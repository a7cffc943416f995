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
/// Sets the caption on the window and its frame.
void setCaption(QWidget *window, const QString &caption);

} // namespace WindowFrame
