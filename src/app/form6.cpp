#include "app/form6.h"

#include "app/forms.h"
#include "app/mdiform1.h"
#include "platform/clock.h"
#include "platform/platform.h"
#include "ui/twips.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

Form6::Form6(Forms &forms, QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_forms(forms)
{
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("Form6"));
    setFixedSize(twipsSize(4335, 2175));

    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(twipsRect(0, 0, 4335, 2175));
    Picture1->setPixmap(QPixmap(QStringLiteral(":/splash.jpg")));
    Picture1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Picture1->setAccessibleName(QStringLiteral("Quokka is starting"));

    Timer1 = new QTimer(Picture1);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1);
    connect(Timer1, &QTimer::timeout, this, &Form6::Timer1_Timer);

    Label1 = new QLabel(QStringLiteral("Label1"), Picture1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twipsRect(2880, 0, 1455, 495));
    Label1->setVisible(false);

    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect r = rect();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
}

void Form6::Form_Load()
{
    Timer1->start();
}

void Form6::Timer1_Timer()
{
    if (m_unloaded)
        return;
    setLabel1Caption(m_forms.platform().clock().timeOfDay());
}

void Form6::setLabel1Caption(const QString &caption)
{
    if (Label1->text() == caption)
        return;
    Label1->setText(caption);
    Label1_Change();
}

void Form6::Label1_Change()
{
    ++m_changes;
    if (m_changes != 5)
        return;
    hide();
    MDIForm1 *frame = m_forms.MDIForm1();
    frame->showMaximized();
    // Unload: no tick may reach the splash any more; Qt deletes it once its handlers have returned.
    m_unloaded = true;
    Timer1->stop();
    deleteLater();
}
