#include "app/mdiform1.h"

#include <QToolBar>

void MDIForm1::createToolbar()
{
    Toolbar1 = addToolBar(QStringLiteral("Toolbar1"));
    Toolbar1->setObjectName(QStringLiteral("Toolbar1"));
}

void MDIForm1::Toolbar1_ButtonClick(const QString &key)
{
    Q_UNUSED(key);
}
