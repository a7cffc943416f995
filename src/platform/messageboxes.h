// Modal message boxes: the only modal dialogs of the program.
#pragma once

#include <QString>

/// Shows a modal message box and waits for the user's answer.
class MessageBoxes {
public:
    enum class Icon { None, Information, Question, Critical };
    /// OkCancel has OK as its default button (Enter), OkCancelDefaultCancel has Cancel.
    /// SaveDiscardCancel asks before typed text is thrown away: Save is the default, Esc cancels.
    enum class Buttons { Ok, OkCancel, OkCancelDefaultCancel, SaveDiscardCancel };
    enum class Answer { Ok, Cancel, Save, Discard };
    virtual ~MessageBoxes() = default;
    /// Shows @p text with @p title; returns Cancel when the box was closed without another answer.
    virtual Answer show(const QString &text, const QString &title, Buttons, Icon) = 0;
};
