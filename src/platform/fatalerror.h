// The last resort for an error that no handler traps: one message box, then the program ends.
#pragma once

#include <QString>

class MessageBoxes;

class FatalError {
public:
    virtual ~FatalError() = default;
    /// Shows the error's number and description and ends the program.
    virtual void raise(int number, const QString &description) = 0;
};

/// Shows "Run-time error '<number>':\n\n<description>" through @p boxes, titled "quokka".
void showFatalErrorBox(MessageBoxes &boxes, int number, const QString &description);
