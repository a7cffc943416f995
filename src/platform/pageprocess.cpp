#include "platform/pageprocess.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QStringList>

QString enginePageProcessProblem()
{
    // Where Qt WebEngine looks for its page process program, in its order.
    static const char program[] = "QtWebEngineProcess";
    const QString chosen = qEnvironmentVariable("QTWEBENGINEPROCESS_PATH");
    QStringList candidates;
    if (!chosen.isEmpty())
        candidates << chosen;
    else
        candidates << QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath) + QLatin1Char('/') + QLatin1String(program)
                   << QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(program);
    for (const QString &path : std::as_const(candidates)) {
        const QFileInfo file(path);
        if (file.isFile() && file.isExecutable())
            return {};
    }
    return QStringLiteral("the web engine cannot start: its page process program (%1) is missing or not executable")
        .arg(candidates.join(QStringLiteral(" or ")));
}
