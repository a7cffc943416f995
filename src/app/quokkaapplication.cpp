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
    setDesktopFileName(QStringLiteral("quokka"));
    setWindowIcon(QIcon(QStringLiteral(":/quokka.png")));
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
