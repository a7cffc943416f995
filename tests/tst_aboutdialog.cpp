// The About dialog: its look, closing by OK, Enter and Esc, and finding the system information program
// (in the machine-wide configuration first, then on PATH).
#include "app/windows.h"
#include "app/aboutdialog.h"
#include "app/mainwindow.h"
#include "browser/listbrowser.h"
#include "fakes/fakeplatform.h"
#include "fakes/windowsworld.h"
#include "platform/systemregistry.h"
#include "ui/windowframe.h"

#include <QFile>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString unavailable = QStringLiteral("Systeminformationen sind momentan nicht verfügbar");
const QString msinfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString locationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");

QByteArray sz(const char *text) { return QByteArray(text) + '\0'; }

/// The fake platform, but with the machine's registry file behind it.
class RegistryFilePlatform final : public Platform {
public:
    explicit RegistryFilePlatform(const QString &file) : registryFile(file) {}
    MessageBoxes &messageBoxes() override { return fake.messageBoxes(); }
    Clock &clock() override { return fake.clock(); }
    Registry &registry() override { return registryFile; }
    ProgramStarter &programStarter() override { return fake.programStarter(); }
    FatalError &fatalError() override { return fake.fatalError(); }
    WebBrowser *createWebBrowser(QWidget *parent) override { return fake.createWebBrowser(parent); }
    MediaPlayer *createAnimation(const QString &file, QWidget *parent) override
    {
        return fake.createAnimation(file, parent);
    }
    MediaPlayer *createSound(const QString &file, int volume, QObject *parent) override
    {
        return fake.createSound(file, volume, parent);
    }
    void quit() override { fake.quit(); }
    FakePlatform fake;
    SystemRegistry registryFile;
};

} // namespace

class TestAboutDialog : public QObject {
    Q_OBJECT
private:
    WindowsWorld m_world;
    FakeRegistry &registry() { return m_world.platform->registryFake; }
    FakeProgramStarter &starter() { return m_world.platform->starter; }

private slots:
    void init()
    {
        m_world.start();
        // As Windows refuses full access to a user without administrator rights.
        registry().refusedAccess = Registry::KEY_ALL_ACCESS;
    }
    void cleanup() { m_world.stop(); }

    void infoCommandHidesTheListBrowserAndOpensTheDialog()
    {
        ListBrowser *browser = m_world.windows->listBrowser();
        m_world.windows->mainWindow()->showAbout();
        QVERIFY(!WindowFrame::isVisible(browser));
        AboutDialog *about = m_world.windows->loadedAboutDialog();
        QVERIFY(about);
        QVERIFY(WindowFrame::isVisible(about));
        QCOMPARE(WindowFrame::frameOf(about)->windowTitle(), QStringLiteral("Info zu quokka"));
        QCOMPARE(about->size(), QSize(289, 195));
        QCOMPARE(about->m_okButton->text(), QStringLiteral("OK"));
        QCOMPARE(about->m_okButton->geometry(), QRect(200, 168, 84, 23));
        QCOMPARE(about->m_systemInfoButton->text(), QStringLiteral("&Systeminfo..."));
        QCOMPARE(about->m_systemInfoButton->geometry(), QRect(200, 120, 83, 23));
        QCOMPARE(about->m_warningLabel->text(),
                 QStringLiteral("Warning: Don't use this tool to hack password secured websites or other criminal usage!"));
        QVERIFY(about->m_warningLabel->font().bold());
        QCOMPARE(about->m_logo->geometry(), QRect(0, -40, 289, 153));
        QVERIFY(!about->m_logo->pixmap().isNull());
        QCOMPARE(about->nextInFocusChain(), static_cast<QWidget *>(about->m_okButton));
        QCOMPARE(about->m_okButton->nextInFocusChain(), static_cast<QWidget *>(about->m_systemInfoButton));
        QVERIFY(m_world.platform->boxes.shown.isEmpty());
    }

    void captionIsNeverTheDesignOne()
    {
        m_world.windows->mainWindow()->show();
        AboutDialog *about = m_world.windows->aboutDialog();
        QVERIFY(WindowFrame::frameOf(about)->isVisible());
        QCOMPARE(WindowFrame::frameOf(about)->windowTitle(), QStringLiteral("Info zu quokka"));
        QCOMPARE(about->windowTitle(), QStringLiteral("Info zu quokka"));
    }

    void okEnterAndEscCloseTheDialog_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("focus");
        QTest::newRow("click OK") << 0 << QString();
        QTest::newRow("Enter on OK") << int(Qt::Key_Return) << QStringLiteral("okButton");
        QTest::newRow("keypad Enter on the dialog") << int(Qt::Key_Enter) << QStringLiteral("AboutDialog");
        QTest::newRow("Esc on OK") << int(Qt::Key_Escape) << QStringLiteral("okButton");
        QTest::newRow("Esc on Systeminfo") << int(Qt::Key_Escape) << QStringLiteral("systemInfoButton");
    }
    void okEnterAndEscCloseTheDialog()
    {
        QFETCH(int, key);
        QFETCH(QString, focus);
        AboutDialog *about = m_world.windows->aboutDialog();
        QPointer<QWidget> frame = WindowFrame::frameOf(about);
        QVERIFY(qobject_cast<QMdiSubWindow *>(frame.data()));
        if (key == 0) {
            QTest::mouseClick(about->m_okButton, Qt::LeftButton);
        } else {
            QWidget *target = focus == QLatin1String("AboutDialog") ? static_cast<QWidget *>(about)
                                                                  : about->findChild<QWidget *>(focus);
            QVERIFY(target);
            QTest::keyClick(target, Qt::Key(key));
        }
        QTRY_VERIFY(!frame);
        QVERIFY(!m_world.windows->loadedAboutDialog());
        QVERIFY(starter().started.isEmpty());
        // The next command creates it afresh.
        m_world.windows->mainWindow()->showAbout();
        QVERIFY(m_world.windows->loadedAboutDialog());
        QVERIFY(m_world.windows->loadedAboutDialog() != nullptr && WindowFrame::isVisible(m_world.windows->loadedAboutDialog()));
    }

    void enterOnSysteminfoStartsItInstead()
    {
        registry().keys[msinfoKey][QStringLiteral("PATH")] = {Registry::REG_SZ, sz("/usr/bin/hardinfo")};
        AboutDialog *about = m_world.windows->aboutDialog();
        QTest::keyClick(about->m_systemInfoButton, Qt::Key_Return);
        QCOMPARE(starter().started, QStringList{QStringLiteral("/usr/bin/hardinfo")});
        QVERIFY(m_world.windows->loadedAboutDialog());
    }

    void getKeyValue_data()
    {
        QTest::addColumn<std::uint32_t>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("incoming");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("text");
        QTest::newRow("string with its NUL") << Registry::REG_SZ << sz("C:\\Programs\\msinfo") << "x" << true
                                              << "C:\\Programs\\msinfo";
        QTest::newRow("string without NUL") << Registry::REG_SZ << QByteArray("C:\\Programs\\msinfo") << "x" << true
                                             << "C:\\Programs\\msinfo";
        QTest::newRow("only the last NUL is cut") << Registry::REG_SZ << QByteArray("ab\0\0", 4) << "" << true
                                                  << QString::fromLatin1("ab\0", 3);
        QTest::newRow("dword") << Registry::REG_DWORD << QByteArray("\x2a\x10\x00\x7f", 4) << "" << true
                               << "&h7F00102A";
        QTest::newRow("dword, zero top byte cut") << Registry::REG_DWORD << QByteArray("\x2a\x00\x00\x00", 4) << ""
                                                  << true << "&h00002A";
        QTest::newRow("dword after incoming text") << Registry::REG_DWORD << QByteArray("\x01\x02\x03\x04", 4) << "AB"
                                                   << true << "&hAB04030201";
        QTest::newRow("other type keeps the text") << std::uint32_t(3) << QByteArray("\x01\x02", 2) << "kept" << true
                                                   << "kept";
        QTest::newRow("1024 bytes") << Registry::REG_SZ << QByteArray(1023, 'a') + '\0' << "" << true
                                    << QString(1023, QLatin1Char('a'));
        QTest::newRow("1024 bytes, no NUL") << Registry::REG_SZ << QByteArray(1024, 'b') << "" << true
                                            << QString(1024, QLatin1Char('b'));
        QTest::newRow("1025 bytes") << Registry::REG_SZ << QByteArray(1024, 'a') + '\0' << "x" << false << "";
    }
    void getKeyValue()
    {
        QFETCH(std::uint32_t, type);
        QFETCH(QByteArray, data);
        QFETCH(QString, incoming);
        QFETCH(bool, result);
        QFETCH(QString, text);
        registry().keys[msinfoKey][QStringLiteral("PATH")] = {type, data};
        AboutDialog *about = m_world.windows->aboutDialog();
        QString value = incoming;
        QCOMPARE(about->readRegistryText(Registry::HKEY_LOCAL_MACHINE, msinfoKey, QStringLiteral("PATH"), value), result);
        QCOMPARE(value, text);
        QCOMPARE(registry().openedWith, QList<std::uint32_t>{Registry::KEY_READ});
        QCOMPARE(registry().openHandles, 0);
    }

    void getKeyValueMissing_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("missing key") << QStringLiteral("SOFTWARE\\Nothing") << QStringLiteral("PATH");
        QTest::newRow("missing value") << msinfoKey << QStringLiteral("OTHER");
    }
    void getKeyValueMissing()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        registry().keys[msinfoKey][QStringLiteral("PATH")] = {Registry::REG_SZ, sz("/bin/true")};
        QString text = QStringLiteral("old");
        QVERIFY(!m_world.windows->aboutDialog()->readRegistryText(Registry::HKEY_LOCAL_MACHINE, key, value, text));
        QCOMPARE(text, QString());
        QCOMPARE(registry().openHandles, 0);
    }

    void startSysInfo_data()
    {
        QTest::addColumn<QByteArray>("path");        // PATH under the first key; empty: absent
        QTest::addColumn<QByteArray>("folder");      // MSINFO under the second key; empty: absent
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QStringList>("started");
        QTest::addColumn<QStringList>("opened");
        const QString program = QStringLiteral("/opt/sys") + AboutDialog::systemInfoProgramName;
        QTest::newRow("PATH starts directly") << sz("/usr/bin/hardinfo") << sz("/opt/sys") << QStringList{}
                                              << QStringList{"/usr/bin/hardinfo"} << QStringList{msinfoKey};
        QTest::newRow("folder holding the program") << QByteArray() << sz("/opt/sys") << QStringList{program}
                                                    << QStringList{program} << QStringList{msinfoKey, locationKey};
        QTest::newRow("folder without the program") << QByteArray() << sz("/opt/sys") << QStringList{}
                                                    << QStringList{} << QStringList{msinfoKey, locationKey};
        QTest::newRow("neither") << QByteArray() << QByteArray() << QStringList{} << QStringList{}
                                 << QStringList{msinfoKey, locationKey};
    }
    void startSysInfo()
    {
        QFETCH(QByteArray, path);
        QFETCH(QByteArray, folder);
        QFETCH(QStringList, existing);
        QFETCH(QStringList, started);
        QFETCH(QStringList, opened);
        if (!path.isEmpty())
            registry().keys[msinfoKey][QStringLiteral("PATH")] = {Registry::REG_SZ, path};
        if (!folder.isEmpty())
            registry().keys[locationKey][QStringLiteral("MSINFO")] = {Registry::REG_SZ, folder};
        starter().existing = existing;
        AboutDialog *about = m_world.windows->aboutDialog();
        about->startSystemInfo();
        QCOMPARE(starter().started, started);
        QCOMPARE(registry().opened, opened);
        if (started.isEmpty()) {
            QCOMPARE(m_world.platform->boxes.shown.size(), 1);
            QCOMPARE(m_world.platform->boxes.shown[0].text, unavailable);
            QCOMPARE(m_world.platform->boxes.shown[0].title, QStringLiteral("quokka"));
            QCOMPARE(m_world.platform->boxes.shown[0].buttons, MessageBoxes::Buttons::Ok);
            QCOMPARE(m_world.platform->boxes.shown[0].icon, MessageBoxes::Icon::None);
        } else {
            QVERIFY(m_world.platform->boxes.shown.isEmpty());
        }
        QVERIFY(m_world.windows->loadedAboutDialog()); // the dialog stays open either way
    }

    void failuresEndInTheOneMessage_data()
    {
        QTest::addColumn<std::uint32_t>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("startWorks");
        QTest::newRow("program does not start") << Registry::REG_SZ << sz("/usr/bin/hardinfo") << false;
        QTest::newRow("dword names no program") << Registry::REG_DWORD << QByteArray("\x01\0\0\0", 4) << true;
        QTest::newRow("other type gives no name") << std::uint32_t(3) << QByteArray("\x01", 1) << true;
        QTest::newRow("nothing delivered") << Registry::REG_SZ << QByteArray() << true;
    }
    void failuresEndInTheOneMessage()
    {
        QFETCH(std::uint32_t, type);
        QFETCH(QByteArray, data);
        QFETCH(bool, startWorks);
        registry().keys[msinfoKey][QStringLiteral("PATH")] = {type, data};
        starter().startWorks = startWorks;
        starter().unstartable = {QStringLiteral("&h000001")};
        m_world.windows->aboutDialog()->startSystemInfo();
        QVERIFY(starter().started.isEmpty());
        QCOMPARE(m_world.platform->boxes.shown.size(), 1);
        QCOMPARE(m_world.platform->boxes.shown[0].text, unavailable);
        QCOMPARE(registry().openHandles, 0);
    }

    void registryFileNamesTheProgram_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("started");
        QTest::addColumn<QString>("told"); // what a message says about the file before anything else; empty: none
        const QByteArray msinfo("[SOFTWARE\\Microsoft\\Shared Tools\\MSINFO]\n");
        QTest::newRow("no file") << QByteArray() << QStringList{} << QString();
        QTest::newRow("PATH") << msinfo + "PATH=/usr/bin/hardinfo\n" << QStringList{"/usr/bin/hardinfo"} << QString();
        QTest::newRow("folder") << QByteArray("[SOFTWARE\\Microsoft\\Shared Tools Location]\nMSINFO=/opt/sys\n")
                                << QStringList{QStringLiteral("/opt/sys") + AboutDialog::systemInfoProgramName}
                                << QString();
        QTest::newRow("PATH as a number") << msinfo + "PATH=dword:1\n" << QStringList{} << QString();
        QTest::newRow("comment after the value") << msinfo + "PATH=/usr/bin/hardinfo ; the GTK one\n"
                                                 << QStringList{"/usr/bin/hardinfo"} << QString();
        QTest::newRow("relative program is not run from the working folder")
            << msinfo + "PATH=bin/hardinfo\n" << QStringList{} << "\"bin/hardinfo\": the settings must name";
        QTest::newRow("relative folder") << QByteArray("[SOFTWARE\\Microsoft\\Shared Tools Location]\nMSINFO=opt\n")
                                         << QStringList{} << "\"opt\": the settings must name";
        QByteArray utf16;
        for (char c : msinfo + "PATH=/usr/bin/hardinfo\n")
            utf16.append(c).append('\0');
        QTest::newRow("UTF-16 with its byte-order mark is read") << QByteArray("\xff\xfe") + utf16
                                                                 << QStringList{"/usr/bin/hardinfo"} << QString();
        QTest::newRow("UTF-16 without a byte-order mark is told") << utf16 << QStringList{} << "line 1: it holds NUL bytes";
        QTest::newRow("a line the file cannot mean is told") << msinfo + "PATH /usr/bin/hardinfo\n" << QStringList{}
                                                             << "line 2: it is neither [a key path] nor name=value";
        QTest::newRow("too large to be a settings file")
            << msinfo + "PATH=/usr/bin/hardinfo\n" + QByteArray(SystemRegistry::maxFileSize, ' ') << QStringList{}
            << "registry.ini: it is larger than 64 KiB";
    }
    void registryFileNamesTheProgram()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, started);
        QFETCH(QString, told);
        const QString path = m_world.data->filePath(QStringLiteral("registry.ini"));
        if (!file.isEmpty()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(file);
        }
        RegistryFilePlatform platform(path);
        platform.fake.starter.existing = {QStringLiteral("/opt/sys") + AboutDialog::systemInfoProgramName,
                                          QStringLiteral("opt") + AboutDialog::systemInfoProgramName};
        platform.fake.starter.unstartable = {QStringLiteral("&h000001")};
        Windows windows(platform);
        windows.mainWindow()->showAbout();
        windows.aboutDialog()->m_systemInfoButton->click();
        QCOMPARE(platform.fake.starter.started, started);
        QStringList texts;
        for (const auto &box : platform.fake.boxes.shown)
            texts.append(box.text);
        QStringList expected;
        if (!told.isEmpty())
            expected.append(told);
        if (started.isEmpty())
            expected.append(unavailable);
        QCOMPARE(texts.size(), expected.size());
        for (qsizetype i = 0; i < texts.size(); ++i)
            QVERIFY2(texts[i].contains(expected[i]), qPrintable(texts[i]));
    }

    void systemInfoProgramOnPath_data()
    {
        QTest::addColumn<QStringList>("onPath");     // names found on PATH, in /usr/bin
        QTest::addColumn<QStringList>("launchers");  // desktop launchers installed
        QTest::addColumn<QString>("started");        // empty: none, and the message
        QTest::addColumn<QStringList>("arguments");
        const QStringList all{"hardinfo2", "hardinfo", "kinfocenter", "gnome-control-center"};
        const QStringList bothPanels{"gnome-about-panel.desktop", "gnome-info-overview-panel.desktop"};
        QTest::newRow("hardinfo2 before the others") << all << bothPanels << "/usr/bin/hardinfo2" << QStringList{};
        QTest::newRow("hardinfo") << QStringList{"hardinfo", "kinfocenter"} << QStringList{} << "/usr/bin/hardinfo"
                                  << QStringList{};
        QTest::newRow("kinfocenter") << QStringList{"kinfocenter", "gnome-control-center"} << bothPanels
                                     << "/usr/bin/kinfocenter" << QStringList{};
        QTest::newRow("GNOME 46 and later") << QStringList{"gnome-control-center"}
                                            << QStringList{"gnome-about-panel.desktop"}
                                            << "/usr/bin/gnome-control-center" << QStringList{"system", "about"};
        QTest::newRow("GNOME before 46") << QStringList{"gnome-control-center"}
                                         << QStringList{"gnome-info-overview-panel.desktop"}
                                         << "/usr/bin/gnome-control-center" << QStringList{"info-overview"};
        QTest::newRow("GNOME settings without an About page") << QStringList{"gnome-control-center"} << QStringList{}
                                                               << QString() << QStringList{};
        QTest::newRow("a launcher without its program") << QStringList{} << bothPanels << QString() << QStringList{};
        QTest::newRow("nothing") << QStringList{} << QStringList{} << QString() << QStringList{};
    }
    void systemInfoProgramOnPath()
    {
        QFETCH(QStringList, onPath);
        QFETCH(QStringList, launchers);
        QFETCH(QString, started);
        QFETCH(QStringList, arguments);
        for (const QString &name : onPath)
            starter().onPath[name] = QStringLiteral("/usr/bin/") + name;
        for (const QString &launcher : launchers)
            starter().launchers[launcher] = QStringLiteral("/usr/share/applications/") + launcher;
        AboutDialog *about = m_world.windows->aboutDialog();
        about->m_systemInfoButton->click();
        // Both configuration values are looked up first, as on Windows.
        QCOMPARE(registry().opened, (QStringList{msinfoKey, locationKey}));
        if (started.isEmpty()) {
            QVERIFY(starter().started.isEmpty());
            QCOMPARE(m_world.platform->boxes.shown.size(), 1);
            QCOMPARE(m_world.platform->boxes.shown[0].text, unavailable);
            QCOMPARE(starter().searchedOnPath,
                     (QStringList{"hardinfo2", "hardinfo", "kinfocenter", "gnome-control-center", "gnome-control-center"}));
        } else {
            QCOMPARE(starter().started, QStringList{started});
            QCOMPARE(starter().startedArguments, QList<QStringList>{arguments});
            QVERIFY(m_world.platform->boxes.shown.isEmpty());
        }
        QVERIFY(m_world.windows->loadedAboutDialog());
    }

    void configurationComesBeforePath_data()
    {
        QTest::addColumn<QByteArray>("path");    // PATH under the first key; empty: absent
        QTest::addColumn<QByteArray>("folder");  // MSINFO under the second key; empty: absent
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<bool>("startWorks");
        QTest::addColumn<QStringList>("started");
        QTest::addColumn<bool>("searched");      // whether PATH was looked at
        const QString program = QStringLiteral("/opt/sys") + AboutDialog::systemInfoProgramName;
        QTest::newRow("PATH value") << sz("/opt/tools/sysinfo") << QByteArray() << QStringList{} << true
                                    << QStringList{"/opt/tools/sysinfo"} << false;
        QTest::newRow("PATH value that does not start") << sz("/opt/tools/sysinfo") << QByteArray() << QStringList{}
                                                        << false << QStringList{} << false;
        QTest::newRow("folder holding the program") << QByteArray() << sz("/opt/sys") << QStringList{program} << true
                                                    << QStringList{program} << false;
        QTest::newRow("folder without the program") << QByteArray() << sz("/opt/sys") << QStringList{} << true
                                                    << QStringList{"/usr/bin/hardinfo"} << true;
        QTest::newRow("neither value") << QByteArray() << QByteArray() << QStringList{} << true
                                       << QStringList{"/usr/bin/hardinfo"} << true;
        QTest::newRow("found on PATH but does not start") << QByteArray() << QByteArray() << QStringList{} << false
                                                          << QStringList{} << true;
    }
    void configurationComesBeforePath()
    {
        QFETCH(QByteArray, path);
        QFETCH(QByteArray, folder);
        QFETCH(QStringList, existing);
        QFETCH(bool, startWorks);
        QFETCH(QStringList, started);
        QFETCH(bool, searched);
        if (!path.isEmpty())
            registry().keys[msinfoKey][QStringLiteral("PATH")] = {Registry::REG_SZ, path};
        if (!folder.isEmpty())
            registry().keys[locationKey][QStringLiteral("MSINFO")] = {Registry::REG_SZ, folder};
        starter().existing = existing;
        starter().startWorks = startWorks;
        starter().onPath[QStringLiteral("hardinfo")] = QStringLiteral("/usr/bin/hardinfo");
        m_world.windows->aboutDialog()->startSystemInfo();
        QCOMPARE(starter().started, started);
        QCOMPARE(!starter().searchedOnPath.isEmpty(), searched);
        QCOMPARE(m_world.platform->boxes.shown.size(), started.isEmpty() ? 1 : 0);
        QCOMPARE(registry().openHandles, 0);
    }

    void aLookupErrorDoesNotFallBackToPath()
    {
        // Nothing delivered for the first value is an error of the lookup: the one message, as before.
        registry().keys[msinfoKey][QStringLiteral("PATH")] = {Registry::REG_SZ, QByteArray()};
        starter().onPath[QStringLiteral("hardinfo")] = QStringLiteral("/usr/bin/hardinfo");
        m_world.windows->aboutDialog()->startSystemInfo();
        QVERIFY(starter().started.isEmpty());
        QVERIFY(starter().searchedOnPath.isEmpty());
        QCOMPARE(m_world.platform->boxes.shown.size(), 1);
        QCOMPARE(m_world.platform->boxes.shown[0].text, unavailable);
    }

    void readAccessIsEnough()
    {
        // Full access is refused to ordinary users; the lookup must still work for them.
        registry().keys[msinfoKey][QStringLiteral("PATH")] = {Registry::REG_SZ, sz("/usr/bin/hardinfo")};
        m_world.windows->aboutDialog()->startSystemInfo();
        QCOMPARE(starter().started, QStringList{QStringLiteral("/usr/bin/hardinfo")});
        QVERIFY(!registry().openedWith.contains(Registry::KEY_ALL_ACCESS));
    }
};

QTEST_MAIN(TestAboutDialog)
#include "tst_aboutdialog.moc"
