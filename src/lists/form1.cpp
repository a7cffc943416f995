#include "lists/form1.h"

#include "app/forms.h"

#include <QLineEdit>
#include <QPushButton>

Form1::Form1(Forms &forms, QWidget *parent)
    : QWidget(parent)
    , m_forms(forms)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("New List"));
    url = new MultiLineTextBox(this);
    url->setObjectName(QStringLiteral("url"));
    Command1 = new QPushButton(this);
    Command1->setObjectName(QStringLiteral("Command1"));
}

void Form1::Form_Load() {}
