// Showing, hiding and framing the program's windows, whether child windows of the frame or top-level.
#pragma once

#include <QSize>
#include <QString>

class QWidget;

namespace FormWindow {

/// Shows @p form (its frame window, for a child of the frame) not modal and brings it to the front.
void show(QWidget *form);
/// Hides @p form; it stays loaded with all its contents.
void hide(QWidget *form);
/// Whether @p form is shown.
bool isVisible(QWidget *form);
/// The top-level or frame window that holds @p form (the form itself when it has no frame).
QWidget *frameOf(QWidget *form);
/// Sets the caption on the form and its frame.
void setCaption(QWidget *form, const QString &caption);

} // namespace FormWindow
