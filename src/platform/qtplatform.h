// The real platform: Qt's message boxes, Qt WebEngine, Qt Multimedia, the system clock.
#pragma once

#include "platform/platform.h"

#include <memory>

class QtPlatform final : public Platform {
public:
    QtPlatform();
    ~QtPlatform() override;

    MessageBoxes &messageBoxes() override;
    Clock &clock() override;
    Registry &registry() override;
    ProgramStarter &programStarter() override;
    FatalError &fatalError() override;
    WebBrowser *createWebBrowser(QWidget *parent) override;
    MediaPlayer *createAnimation(const QString &file, QWidget *parent) override;
    MediaPlayer *createSound(const QString &file, int volume, QObject *parent) override;
    PageProbe *createPageProbe(QObject *parent) override;
    QString pageProbeProblem() override;
    PageCopier *createPageCopier(QObject *parent) override;
    void quit() override;

private:
    /// A function of the web engine library, which is loaded on first use.
    void *engineFunction(const char *name);
    struct Services;
    std::unique_ptr<Services> m_services;
};
