#include "browser/form4.h"

#include "app/forms.h"
#include "platform/platform.h"
#include "platform/webbrowser.h"

#include <QComboBox>

Form4::Form4(Forms &forms, QWidget *parent)
    : QWidget(parent)
    , m_forms(forms)
{
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Quokka (BIGED)"));
    cboAddress = new QComboBox(this);
    cboAddress->setObjectName(QStringLiteral("cboAddress"));
    cboAddress->setEditable(true);
    brow = m_forms.platform().createWebBrowser(this);
    brow->widget()->setObjectName(QStringLiteral("brow"));
}

void Form4::Form_Load() {}
