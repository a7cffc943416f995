#include "platform/fatalerror.h"

#include "platform/messageboxes.h"

void showFatalErrorBox(MessageBoxes &boxes, int number, const QString &description)
{
    boxes.show(QStringLiteral("Run-time error '%1':\n\n%2").arg(number).arg(description), QStringLiteral("quokka"),
               MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Critical);
}
