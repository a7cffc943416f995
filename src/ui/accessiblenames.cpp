#include "ui/accessiblenames.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QToolBar>
#include <QToolButton>

void nameEditableComboBox(QComboBox *box, const QString &name, const QString &listName)
{
    box->setAccessibleName(name);
    if (QLineEdit *edit = box->lineEdit())
        edit->setAccessibleName(name);
    box->view()->setAccessibleName(listName);
}

void nameToolBarOverflowButton(QToolBar *bar)
{
    if (auto *more = bar->findChild<QToolButton *>(QStringLiteral("qt_toolbar_ext_button")))
        more->setAccessibleName(QStringLiteral("More buttons"));
}
