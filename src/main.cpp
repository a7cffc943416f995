// Quokka: a small web browser built around one stored list of web addresses.
#include "app/windows.h"
#include "app/singleinstance.h"
#include "app/startup.h"
#include "app/quokkaapplication.h"
#include "platform/messageboxes.h"
#include "platform/pageprocess.h"
#include "platform/qtplatform.h"
#include "store/listpaths.h"

#include <QDir>

int main(int argc, char *argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QuokkaApplication app(argc, argv);
    QtPlatform platform;
    app.setFatalError(&platform.fatalError());

    // One program per data folder: a second one would write its list over the first one's.
    SingleInstance instance(ListPaths::dataFolder());
    switch (instance.start()) {
    case SingleInstance::Start::First:
        break;
    case SingleInstance::Start::Forwarded:
        return 0;
    case SingleInstance::Start::NoAnswer:
        platform.messageBoxes().show(
            QStringLiteral("Quokka is already running with the data folder\n%1\nbut does not answer.\n\n"
                           "Only one Quokka at a time can use a data folder, so that neither writes over the "
                           "other's list. Close the other Quokka, then start Quokka again.")
                .arg(QDir::toNativeSeparators(ListPaths::dataFolder())),
            QStringLiteral("Quokka"), MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Critical);
        return 1;
    case SingleInstance::Start::Refused:
        platform.messageBoxes().show(
            QStringLiteral("Quokka cannot use the data folder\n%1\nbecause %2.\n\n"
                           "Only one Quokka at a time can use a data folder, so that neither writes over the "
                           "other's list. Close the other Quokka, or remove the lock file if nothing uses it, "
                           "then start Quokka again.")
                .arg(QDir::toNativeSeparators(ListPaths::dataFolder()), instance.refusal()),
            QStringLiteral("Quokka"), MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Critical);
        return 1;
    }

    // The first page view starts the web engine, which ends the whole program, without a word, when
    // its sandbox cannot run: say so before, and end. The sandbox is never turned off from here.
    const QString sandboxProblem = Startup::sandboxProblem(Startup::SandboxFacts::ofThisProcess(app.arguments()));
    if (!sandboxProblem.isEmpty()) {
        platform.messageBoxes().show(sandboxProblem, QStringLiteral("Quokka cannot show web pages"),
                                     MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Critical);
        return 1;
    }

    // Without its page process the engine ends the program at the first page view, without a word.
    if (const QString problem = enginePageProcessProblem(); !problem.isEmpty()) {
        platform.messageBoxes().show(Startup::pageProcessMessage(problem), QStringLiteral("Quokka cannot show web pages"),
                                     MessageBoxes::Buttons::Ok, MessageBoxes::Icon::Critical);
        return 1;
    }

    int result = 0;
    {
        Windows windows(platform);
        QObject::connect(&instance, &SingleInstance::comeForwardRequested, &windows, &Windows::bringToFront);
        Startup::showSplash(windows);
        result = app.exec();
    }
    return result;
}
