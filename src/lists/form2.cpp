#include "lists/form2.h"

#include "app/forms.h"

#include <QLineEdit>
#include <QPushButton>

Form2::Form2(Forms &forms, QWidget *parent)
    : QWidget(parent)
    , m_forms(forms)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("List View"));
    List1 = new ListBox(this);
    List1->setObjectName(QStringLiteral("List1"));
}

void Form2::Form_Load() {}
