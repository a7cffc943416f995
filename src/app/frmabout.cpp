#include "app/frmabout.h"

#include "app/forms.h"

#include <QLineEdit>
#include <QPushButton>

frmAbout::frmAbout(Forms &forms, QWidget *parent)
    : QWidget(parent)
    , m_forms(forms)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("Informations"));
    cmdOK = new QPushButton(this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
}

void frmAbout::Form_Load() {}
