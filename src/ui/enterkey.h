// Enter and the default button in windows that are no dialogs: Enter in a control that does not use
// Enter itself clicks the focused button, or else the window's default button.
#pragma once

class QAbstractButton;
class QWidget;

namespace EnterKey {

/// From now on Return or keypad Enter, pressed in a control of @p window that leaves the key unused,
/// clicks the focused button, or else @p defaultButton (none when null).
void giveDefaultButton(QWidget *window, QAbstractButton *defaultButton);

/// @p control (a page view, for example) uses Enter itself, also when it hands the key back unused:
/// the window never clicks its default button for a key typed there.
void leaveEnterTo(QWidget *control);

/// Whether the focus is in a control that uses Enter itself (a multi-line text box, a page).
bool usesEnterItself(const QWidget *control, const QWidget *window);

} // namespace EnterKey
