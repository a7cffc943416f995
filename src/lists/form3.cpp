#include "lists/form3.h"

#include "app/forms.h"

#include <QLineEdit>
#include <QPushButton>

Form3::Form3(Forms &forms, QWidget *parent)
    : QWidget(parent)
    , m_forms(forms)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Edit List"));
    url = new MultiLineTextBox(this);
    url->setObjectName(QStringLiteral("url"));
    Command1 = new QPushButton(this);
    Command1->setObjectName(QStringLiteral("Command1"));
}

void Form3::Form_Load() {}
