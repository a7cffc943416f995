#include "app/quokkaapplication.h"

#include "platform/fatalerror.h"

#include <QIcon>

#include <exception>
#include <new>

QuokkaApplication::QuokkaApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("quokka"));
    // No display name: Qt would append it to every window title, and the titles are the program's own.
    // The desktop file name is the application id, which Wayland compositors match against the menu entry.
    setDesktopFileName(QStringLiteral(QUOKKA_APP_ID));
    setWindowIcon(programIcon());
}

QIcon QuokkaApplication::programIcon()
{
    // The installed icon theme first, so that the window, the menu and the software centre show the same
    // icon (and an icon theme may restyle it); the copies built into the program when it is not installed.
    // Each size is taken out of the theme: a theme icon tells X11 of one size only, and the window manager
    // would scale that one for the title bar and the task switcher.
    static constexpr int sizes[] = {16, 24, 32, 48, 64, 128, 256};
    const QIcon themed = QIcon::fromTheme(QStringLiteral(QUOKKA_APP_ID));
    QIcon icon;
    for (const int size : sizes) {
        if (themed.isNull())
            icon.addFile(QStringLiteral(":/icons/quokka-%1.png").arg(size), QSize(size, size));
        else
            icon.addPixmap(themed.pixmap(QSize(size, size)));
    }
    return icon;
}

bool QuokkaApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc &) {
        if (m_fatal)
            m_fatal->raise(7, QStringLiteral("Out of memory"));
    } catch (const std::exception &e) {
        if (m_fatal)
            m_fatal->raise(51, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        if (m_fatal)
            m_fatal->raise(51, QStringLiteral("Internal error"));
    }
    return false;
}
