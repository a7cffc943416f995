// Names for the parts of composite Qt controls that a screen reader reaches on their own.
#pragma once

class QComboBox;
class QString;
class QToolBar;

// An editable combo box is read as three controls: the box, its text field and its drop-down list.
void nameEditableComboBox(QComboBox *box, const QString &name, const QString &listName);

// A tool bar keeps a hidden overflow button that shows the buttons which do not fit.
void nameToolBarOverflowButton(QToolBar *bar);
