// The look that the New list and Edit list windows share: paper behind a text box filling the
// window, a caption strip along the bottom with the window's button at its right end, and a hidden
// "X" button in the top right corner.
#pragma once

#include <QRect>
#include <QString>

class MultiLineTextBox;
class QLabel;
class QPushButton;
class QWidget;

struct ListEditorLook {
    QString objectName;
    QString caption;
    int heightTwips;
    QString textName;        ///< what a screen reader calls the text box
    QString buttonCaption;
    QString buttonName;      ///< what a screen reader calls the button
    QString buttonObjectName;
    QString stripCaption;
    QRect stripTwips;        ///< left, top, width, height of the caption strip, in twips
};

struct ListEditorParts {
    QLabel *paper;
    MultiLineTextBox *text;
    QPushButton *button;
    QPushButton *hideButton;
    QLabel *captionStrip;
};

/// Gives @p window the look and makes its controls, in the design's creation order.
ListEditorParts buildListEditor(QWidget *window, const ListEditorLook &look);
