#include "lists/form5.h"

#include "app/forms.h"

#include <QLineEdit>
#include <QPushButton>

Form5::Form5(Forms &forms, QWidget *parent)
    : QWidget(parent)
    , m_forms(forms)
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Cheatbox"));
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
}

void Form5::Form_Load() {}
