// The operating system's facilities, reached by every window through this one factory.
#pragma once

#include <QString>
#include <QtGlobal>

class QObject;
class QWidget;
class MessageBoxes;
class WebBrowser;
class MediaPlayer;
class Clock;
class Registry;
class ProgramStarter;
class FatalError;
class PageCopier;
class PageProbe;

/// Builds and hands out the platform services; main.cpp makes the real one, tests a fake.
class Platform {
public:
    virtual ~Platform() = default;
    virtual MessageBoxes &messageBoxes() = 0;
    virtual Clock &clock() = 0;
    virtual Registry &registry() = 0;
    virtual ProgramStarter &programStarter() = 0;
    virtual FatalError &fatalError() = 0;
    /// A new embedded web browser whose widget is a child of @p parent.
    virtual WebBrowser *createWebBrowser(QWidget *parent) = 0;
    /// A busy animation of the picture @p file, shown by a widget child of @p parent; owned by @p parent.
    virtual MediaPlayer *createAnimation(const QString &file, QWidget *parent) = 0;
    /// A sound player for @p file at @p volume (0 to 100), owned by @p parent; silent when it cannot play.
    virtual MediaPlayer *createSound(const QString &file, int volume, QObject *parent) = 0;
    /// A web engine probe for the list checker, owned by @p parent; null where there is no engine.
    virtual PageProbe *createPageProbe(QObject *parent) { Q_UNUSED(parent); return nullptr; }
    /// Why createPageProbe() gives no probe on this machine, in words a person can act on; empty when
    /// it can give one, or where no engine is meant to be.
    virtual QString pageProbeProblem() { return {}; }
    /// A web engine page that keeps copies of good pages for the list checker, owned by @p parent;
    /// null where there is no engine.
    virtual PageCopier *createPageCopier(QObject *parent) { Q_UNUSED(parent); return nullptr; }
    /// Ends the program at once: no window's close or unload handling runs.
    virtual void quit() = 0;
};
