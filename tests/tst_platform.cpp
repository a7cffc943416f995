// The real platform pieces that need no web page: errors no handler traps, the sound, the animation,
// finding and starting other programs.
#include "app/quokkaapplication.h"
#include "fakes/fakeplatform.h"
#include "platform/mediaplayer.h"
#include "platform/programstarter.h"
#include "platform/qtplatform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QMovie>
#include <QTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <stdexcept>

namespace {

class Thrower final : public QObject {
public:
    bool event(QEvent *e) override
    {
        if (e->type() == QEvent::User)
            throw std::runtime_error("Subscript out of range");
        return QObject::event(e);
    }
};

} // namespace

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    void untrappedErrorShowsOneBoxWithNumberAndDescription()
    {
        auto *app = static_cast<QuokkaApplication *>(QCoreApplication::instance());
        FakeFatalError fatal;
        app->setFatalError(&fatal);
        Thrower thrower;
        QEvent event(QEvent::User);
        QCoreApplication::sendEvent(&thrower, &event);
        QCOMPARE(fatal.raised.size(), 1);
        QVERIFY(fatal.raised.first().first != 0);
        QCOMPARE(fatal.raised.first().second, QStringLiteral("Subscript out of range"));
        app->setFatalError(nullptr);
    }

    void titlesAreShownAsTheyAre()
    {
        // Qt appends a display name, when one is set, to every title on X11 and Wayland.
        QCOMPARE(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
    }

    void messageBoxEnterTakesTheDefaultButton_data()
    {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("answer");
        QTest::newRow("OK by default") << int(MessageBoxes::Buttons::OkCancel) << int(MessageBoxes::Answer::Ok);
        QTest::newRow("Cancel by default") << int(MessageBoxes::Buttons::OkCancelDefaultCancel)
                                          << int(MessageBoxes::Answer::Cancel);
        QTest::newRow("OK alone") << int(MessageBoxes::Buttons::Ok) << int(MessageBoxes::Answer::Ok);
    }
    void messageBoxEnterTakesTheDefaultButton()
    {
        QFETCH(int, buttons);
        QFETCH(int, answer);
        QtPlatform platform;
        QString title;
        QTimer::singleShot(100, this, [&title] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            title = box->windowTitle();
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : box, Qt::Key_Return);
        });
        const auto got = platform.messageBoxes().show(QStringLiteral("Keep it?"), QStringLiteral("List not saved"),
                                                      MessageBoxes::Buttons(buttons), MessageBoxes::Icon::Critical);
        QCOMPARE(title, QStringLiteral("List not saved"));
        QCOMPARE(int(got), answer);
    }

    void messageBoxShowsMarkupAsText()
    {
        // A list entry or a file name that looks like HTML is shown as the characters it is.
        QtPlatform platform;
        Qt::TextFormat format = Qt::RichText;
        QString shown;
        QTimer::singleShot(100, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            format = box->textFormat();
            shown = box->text();
            box->accept();
        });
        const QString text = QStringLiteral("<h1 style='color:green'>Your list was saved.</h1><!--");
        platform.messageBoxes().show(text, QStringLiteral("quokka"), MessageBoxes::Buttons::Ok, MessageBoxes::Icon::None);
        QCOMPARE(format, Qt::PlainText);
        QCOMPARE(shown, text);
    }

    void fatalBoxText()
    {
        FakeMessageBoxes boxes;
        showFatalErrorBox(boxes, 9, QStringLiteral("Subscript out of range"));
        QCOMPARE(boxes.shown.size(), 1);
        QCOMPARE(boxes.shown.first().text, QStringLiteral("Run-time error '9':\n\nSubscript out of range"));
        QCOMPARE(boxes.shown.first().buttons, MessageBoxes::Buttons::Ok);
    }

    void soundWithoutFileIsSilent()
    {
        QtPlatform platform;
        QObject owner;
        MediaPlayer *sound = platform.createSound(QStringLiteral("/nonexistent/download.avi"), 50, &owner);
        sound->play();
        QVERIFY(!sound->isPlaying());
        sound->stop();
    }

    void shippedSoundPlaysOrStaysSilentWithoutDevice()
    {
        QtPlatform platform;
        QObject owner;
        MediaPlayer *sound = platform.createSound(QStringLiteral("download.avi"), 50, &owner);
        sound->play(); // with or without a sound device: no message, no crash
        QTest::qWait(300);
        sound->stop();
        QVERIFY(!sound->isPlaying());
    }

    void animationStandsStillUntilPlayed()
    {
        QtPlatform platform;
        QWidget parent;
        MediaPlayer *animation = platform.createAnimation(QStringLiteral("dat/tst.gif"), &parent);
        auto *label = qobject_cast<QLabel *>(animation->widget());
        QVERIFY(label);
        QVERIFY(label->movie());
        QVERIFY(label->movie()->isValid());
        QVERIFY(label->movie()->frameCount() > 1);
        QVERIFY(!animation->isPlaying());
        animation->play();
        animation->play();
        QVERIFY(animation->isPlaying());
        const int frame = label->movie()->currentFrameNumber();
        QTRY_VERIFY(label->movie()->currentFrameNumber() != frame);
        animation->stop();
        animation->stop();
        QVERIFY(!animation->isPlaying());
        const int stopped = label->movie()->currentFrameNumber();
        QTest::qWait(250);
        QCOMPARE(label->movie()->currentFrameNumber(), stopped);
    }

    void programStarterFindsProgramsOnPathAndLaunchers()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("bin")));
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("data/applications")));
        const QString tool = dir.filePath(QStringLiteral("bin/quokka-sysinfo-test"));
        QFile file(tool);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n");
        file.close();
        QVERIFY(file.setPermissions(file.permissions() | QFile::ExeOwner));
        QFile launcher(dir.filePath(QStringLiteral("data/applications/quokka-sysinfo-test.desktop")));
        QVERIFY(launcher.open(QIODevice::WriteOnly));
        launcher.close();
        const QByteArray oldPath = qgetenv("PATH");
        const QByteArray oldData = qgetenv("XDG_DATA_HOME");
        qputenv("PATH", dir.filePath(QStringLiteral("bin")).toUtf8() + ':' + oldPath);
        qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toUtf8());
        QtPlatform platform;
        ProgramStarter &starter = platform.programStarter();
        const QString found = starter.findOnPath(QStringLiteral("quokka-sysinfo-test"));
        const QString missing = starter.findOnPath(QStringLiteral("quokka-no-such-program"));
        const QString foundLauncher = starter.findLauncher(QStringLiteral("quokka-sysinfo-test.desktop"));
        const QString missingLauncher = starter.findLauncher(QStringLiteral("quokka-no-such-launcher.desktop"));
        qputenv("PATH", oldPath);
        qputenv("XDG_DATA_HOME", oldData);
        QCOMPARE(found, tool);
        QCOMPARE(missing, QString());
        QCOMPARE(foundLauncher, dir.filePath(QStringLiteral("data/applications/quokka-sysinfo-test.desktop")));
        QCOMPARE(missingLauncher, QString());
    }

    void programStarterPassesArgumentsWithoutAShell()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QtPlatform platform;
        ProgramStarter &starter = platform.programStarter();
        const QString touch = starter.findOnPath(QStringLiteral("touch"));
        QVERIFY(!touch.isEmpty());
        // A shell would split this name at the blank and run what follows the semicolon.
        const QString name = dir.filePath(QStringLiteral("a b;touch c $(touch d)"));
        QVERIFY(starter.startDetached(touch, {name}));
        QTRY_VERIFY(QFileInfo::exists(name));
        QVERIFY(!QFileInfo::exists(dir.filePath(QStringLiteral("a"))));
        QVERIFY(!QFileInfo::exists(QStringLiteral("c")));
        QVERIFY(!QFileInfo::exists(QStringLiteral("d")));
        QVERIFY(!starter.startDetached(dir.filePath(QStringLiteral("no-such-program")), {}));
    }
};

int main(int argc, char **argv)
{
    QuokkaApplication app(argc, argv);
    TestPlatform test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_platform.moc"
