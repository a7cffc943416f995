#include "platform/qtplatform.h"

#include "platform/pageprocess.h"

#include "platform/clock.h"
#include "platform/fatalerror.h"
#include "platform/mediaplayer.h"
#include "platform/messageboxes.h"
#include "platform/programstarter.h"
#include "platform/systemregistry.h"
#include "platform/webbrowser.h"

#include <QApplication>
#include <QAudioOutput>
#include <QFileInfo>
#include <QLibrary>
#include <QLabel>
#include <QLocale>
#include <QMediaPlayer>
#include <QMessageBox>
#include <QMovie>
#include <QProcess>
#include <QStandardPaths>
#include <QTime>

#include <cstdlib>
#include <dlfcn.h>

namespace {

class QtMessageBoxes final : public MessageBoxes {
public:
    Answer show(const QString &text, const QString &title, Buttons buttons, Icon icon) override
    {
        QMessageBox box(QApplication::activeWindow());
        // Messages quote file paths, list entries and page texts: never read as markup.
        box.setTextFormat(Qt::PlainText);
        box.setText(text);
        box.setWindowTitle(title);
        switch (icon) {
        case Icon::None: box.setIcon(QMessageBox::NoIcon); break;
        case Icon::Information: box.setIcon(QMessageBox::Information); break;
        case Icon::Question: box.setIcon(QMessageBox::Question); break;
        case Icon::Critical: box.setIcon(QMessageBox::Critical); break;
        }
        if (buttons == Buttons::SaveDiscardCancel) {
            box.setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Save);
            box.setEscapeButton(QMessageBox::Cancel);
        } else if (buttons != Buttons::Ok) {
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box.setDefaultButton(buttons == Buttons::OkCancel ? QMessageBox::Ok : QMessageBox::Cancel);
            box.setEscapeButton(QMessageBox::Cancel);
        } else {
            box.setStandardButtons(QMessageBox::Ok);
        }
        switch (box.exec()) {
        case QMessageBox::Ok: return Answer::Ok;
        case QMessageBox::Save: return Answer::Save;
        case QMessageBox::Discard: return Answer::Discard;
        default: return Answer::Cancel;
        }
    }
};

class SystemClock final : public Clock {
public:
    QString timeOfDay() const override
    {
        return QLocale::system().toString(QTime::currentTime(), QStringLiteral("HH:mm:ss"));
    }
};

class DetachedProgramStarter final : public ProgramStarter {
public:
    bool fileExists(const QString &path) const override { return QFileInfo(path).isFile(); }
    QString findOnPath(const QString &name) const override { return QStandardPaths::findExecutable(name); }
    QString findLauncher(const QString &fileName) const override
    {
        return QStandardPaths::locate(QStandardPaths::ApplicationsLocation, fileName);
    }
    bool startDetached(const QString &program, const QStringList &arguments) override
    {
        return QProcess::startDetached(program, arguments);
    }
};

class MessageBoxFatalError final : public FatalError {
public:
    explicit MessageBoxFatalError(MessageBoxes &boxes) : m_boxes(boxes) {}
    void raise(int number, const QString &description) override
    {
        showFatalErrorBox(m_boxes, number, description);
        std::_Exit(number == 0 ? 1 : number & 0xff ? number & 0xff : 1);
    }

private:
    MessageBoxes &m_boxes;
};

/// A looping picture on a label, standing still until play.
class AnimationPlayer final : public MediaPlayer {
public:
    AnimationPlayer(const QString &file, QWidget *parent)
        : MediaPlayer(parent)
        , m_label(new QLabel(parent))
        , m_movie(new QMovie(file, QByteArray(), m_label))
    {
        m_label->setMovie(m_movie);
        m_label->setAccessibleName(QStringLiteral("Busy animation"));
        m_movie->setCacheMode(QMovie::CacheAll);
        m_movie->jumpToFrame(0);
    }
    void play() override
    {
        if (m_movie->state() == QMovie::Running)
            return;
        if (m_movie->state() == QMovie::Paused)
            m_movie->setPaused(false);
        else
            m_movie->start();
    }
    void stop() override
    {
        if (m_movie->state() == QMovie::Running)
            m_movie->setPaused(true);
    }
    bool isPlaying() const override { return m_movie->state() == QMovie::Running; }
    QWidget *widget() override { return m_label; }

private:
    QLabel *m_label;
    QMovie *m_movie;
};

/// A sound played through the system's audio output; missing files and devices stay silent.
class SoundPlayer final : public MediaPlayer {
public:
    SoundPlayer(const QString &file, int volume, QObject *parent)
        : MediaPlayer(parent)
    {
        if (!QFileInfo(file).isFile())
            return;
        m_player = new QMediaPlayer(this);
        m_output = new QAudioOutput(this);
        m_output->setVolume(float(volume) / 100.0f);
        m_player->setAudioOutput(m_output);
        m_player->setLoops(1);
        QObject::connect(m_player, &QMediaPlayer::errorOccurred, this, [] { /* silence, as wanted */ });
        m_player->setSource(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()));
    }
    void play() override
    {
        if (m_player)
            m_player->play();
    }
    void stop() override
    {
        if (m_player)
            m_player->stop();
    }
    bool isPlaying() const override
    {
        return m_player && m_player->playbackState() == QMediaPlayer::PlayingState;
    }
    QWidget *widget() override { return nullptr; }

private:
    QMediaPlayer *m_player = nullptr;
    QAudioOutput *m_output = nullptr;
};

} // namespace

struct QtPlatform::Services {
    QtMessageBoxes boxes;
    SystemClock clock;
    SystemRegistry registry;
    DetachedProgramStarter starter;
    MessageBoxFatalError fatal{boxes};
};

QtPlatform::QtPlatform()
    : m_services(std::make_unique<Services>())
{
}

QtPlatform::~QtPlatform() = default;

MessageBoxes &QtPlatform::messageBoxes() { return m_services->boxes; }
Clock &QtPlatform::clock() { return m_services->clock; }
Registry &QtPlatform::registry() { return m_services->registry; }
ProgramStarter &QtPlatform::programStarter() { return m_services->starter; }
FatalError &QtPlatform::fatalError() { return m_services->fatal; }

namespace {

using CreateWebBrowser = WebBrowser *(*)(QWidget *);

/// The folder of the library that holds this code; the web engine library is installed beside it.
QString ownLibraryFolder()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&ownLibraryFolder), &info) && info.dli_fname)
        return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath();
    return QCoreApplication::applicationDirPath();
}

} // namespace

void *QtPlatform::engineFunction(const char *name)
{
    // Qt WebEngine is large: loading it only when the first browser is made keeps the splash quick.
    const QString path = ownLibraryFolder() + QStringLiteral("/libquokka_webengine.so");
    QLibrary engine(path);
    void *function = reinterpret_cast<void *>(engine.resolve(name));
    if (!function) {
        const QString reason = QFileInfo::exists(path) ? engine.errorString() : path + QStringLiteral(" is missing");
        m_services->fatal.raise(
            48, QStringLiteral("Error in loading DLL: Quokka's web engine could not be loaded.\n%1").arg(reason));
        std::abort(); // not reached: a fatal error ends the program
    }
    return function;
}

WebBrowser *QtPlatform::createWebBrowser(QWidget *parent)
{
    static CreateWebBrowser create = nullptr;
    if (!create)
        create = reinterpret_cast<CreateWebBrowser>(engineFunction("quokkaCreateWebBrowser"));
    return create(parent);
}

PageProbe *QtPlatform::createPageProbe(QObject *parent)
{
    using CreatePageProbe = PageProbe *(*)(QObject *);
    static CreatePageProbe create = nullptr;
    if (!create)
        create = reinterpret_cast<CreatePageProbe>(engineFunction("quokkaCreatePageProbe"));
    return create(parent);
}

PageCopier *QtPlatform::createPageCopier(QObject *parent)
{
    using CreatePageCopier = PageCopier *(*)(QObject *);
    static CreatePageCopier create = nullptr;
    if (!create)
        create = reinterpret_cast<CreatePageCopier>(engineFunction("quokkaCreatePageCopier"));
    return create(parent);
}

QString QtPlatform::pageProbeProblem()
{
    return enginePageProcessProblem();
}

MediaPlayer *QtPlatform::createAnimation(const QString &file, QWidget *parent)
{
    return new AnimationPlayer(file, parent);
}

MediaPlayer *QtPlatform::createSound(const QString &file, int volume, QObject *parent)
{
    return new SoundPlayer(file, volume, parent);
}

void QtPlatform::quit()
{
    // Ends the event loop; main() then discards the windows without closing them, so no
    // window's unload handling runs and nothing is written.
    QCoreApplication::exit(0);
}
