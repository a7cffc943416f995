#include "app/splashscreen.h"

#include "app/windows.h"
#include "app/mainwindow.h"
#include "platform/clock.h"
#include "platform/platform.h"
#include "ui/clockticker.h"
#include "ui/twips.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>

SplashScreen::SplashScreen(Windows &windows, QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_windows(windows)
{
    setObjectName(QStringLiteral("SplashScreen"));
    setWindowTitle(QStringLiteral("Quokka is starting"));
    setFixedSize(twipsSize(4335, 2175));

    m_picture = new QLabel(this);
    m_picture->setObjectName(QStringLiteral("picture"));
    m_picture->setGeometry(twipsRect(0, 0, 4335, 2175));
    m_picture->setPixmap(QPixmap(QStringLiteral(":/splash.jpg")));
    m_picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_picture->setAccessibleName(QStringLiteral("Quokka is starting"));

    // Never shown: its caption only paces the hand-over, and the first tick is its first change.
    m_clockLabel = new QLabel(m_picture);
    m_clockLabel->setObjectName(QStringLiteral("clockLabel"));
    m_clockLabel->setGeometry(twipsRect(2880, 0, 1455, 495));
    m_clockLabel->setVisible(false);

    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect r = rect();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
}

void SplashScreen::load()
{
    // Was a 1 ms tick copying the time into the label; now the clock ticker, at each turn of the second.
    m_windows.clockTicker().subscribe(this, ClockTicker::Unit::Second, [this] { tick(); });
    // A timer, not a queued call: showing the window delivers queued calls, and the first reading
    // comes after the window is up, as the old timer's first tick did.
    QTimer::singleShot(1, Qt::PreciseTimer, this, &SplashScreen::tick);
}

void SplashScreen::tick()
{
    if (m_unloaded)
        return;
    setClockCaption(m_windows.platform().clock().timeOfDay());
}

void SplashScreen::setClockCaption(const QString &caption)
{
    if (m_clockLabel->text() == caption)
        return;
    m_clockLabel->setText(caption);
    clockChanged();
}

void SplashScreen::clockChanged()
{
    ++m_changes;
    if (m_changes != 5)
        return;
    hide();
    MainWindow *frame = m_windows.mainWindow();
    frame->showMaximized();
    // Unload: no tick may reach the splash any more; Qt deletes it once its handlers have returned.
    m_unloaded = true;
    m_windows.clockTicker().unsubscribe(this);
    deleteLater();
}
