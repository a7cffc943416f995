#include "lists/add.h"

#include "app/forms.h"

#include <QLineEdit>
#include <QPushButton>

add::add(Forms &forms, QWidget *parent)
    : QWidget(parent)
    , m_forms(forms)
{
    setObjectName(QStringLiteral("add"));
    setWindowTitle(QStringLiteral("Add URL"));
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Command1 = new QPushButton(this);
    Command1->setObjectName(QStringLiteral("Command1"));
}

void add::Form_Load() {}
