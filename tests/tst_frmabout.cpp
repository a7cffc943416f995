// The About dialog: its look, closing by OK, Enter and Esc, and finding the system information program.
#include "app/forms.h"
#include "app/frmabout.h"
#include "app/mdiform1.h"
#include "browser/urlcheck.h"
#include "fakes/fakeplatform.h"
#include "fakes/formsworld.h"
#include "platform/systemregistry.h"
#include "ui/formwindow.h"

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

class TestFrmAbout : public QObject {
    Q_OBJECT
private:
    FormsWorld m_world;
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
        URLcheck *browser = m_world.forms->URLcheck();
        m_world.forms->MDIForm1()->info_Click();
        QVERIFY(!FormWindow::isVisible(browser));
        frmAbout *about = m_world.forms->loadedFrmAbout();
        QVERIFY(about);
        QVERIFY(FormWindow::isVisible(about));
        QCOMPARE(FormWindow::frameOf(about)->windowTitle(), QStringLiteral("Info zu quokka"));
        QCOMPARE(about->size(), QSize(289, 195));
        QCOMPARE(about->cmdOK->text(), QStringLiteral("OK"));
        QCOMPARE(about->cmdOK->geometry(), QRect(200, 168, 84, 23));
        QCOMPARE(about->cmdSysInfo->text(), QStringLiteral("&Systeminfo..."));
        QCOMPARE(about->cmdSysInfo->geometry(), QRect(200, 120, 83, 23));
        QCOMPARE(about->lblDisclaimer->text(),
                 QStringLiteral("Warning: Don't use this tool to hack password secured websites or other criminal usage!"));
        QVERIFY(about->lblDisclaimer->font().bold());
        QCOMPARE(about->Picture1->geometry(), QRect(0, -40, 289, 153));
        QVERIFY(!about->Picture1->pixmap().isNull());
        QCOMPARE(about->nextInFocusChain(), static_cast<QWidget *>(about->cmdOK));
        QCOMPARE(about->cmdOK->nextInFocusChain(), static_cast<QWidget *>(about->cmdSysInfo));
        QVERIFY(m_world.platform->boxes.shown.isEmpty());
    }

    void captionIsNeverTheDesignOne()
    {
        m_world.forms->MDIForm1()->show();
        frmAbout *about = m_world.forms->frmAbout();
        QVERIFY(FormWindow::frameOf(about)->isVisible());
        QCOMPARE(FormWindow::frameOf(about)->windowTitle(), QStringLiteral("Info zu quokka"));
        QCOMPARE(about->windowTitle(), QStringLiteral("Info zu quokka"));
    }

    void okEnterAndEscCloseTheDialog_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("focus");
        QTest::newRow("click OK") << 0 << QString();
        QTest::newRow("Enter on OK") << int(Qt::Key_Return) << QStringLiteral("cmdOK");
        QTest::newRow("keypad Enter on the dialog") << int(Qt::Key_Enter) << QStringLiteral("frmAbout");
        QTest::newRow("Esc on OK") << int(Qt::Key_Escape) << QStringLiteral("cmdOK");
        QTest::newRow("Esc on Systeminfo") << int(Qt::Key_Escape) << QStringLiteral("cmdSysInfo");
    }
    void okEnterAndEscCloseTheDialog()
    {
        QFETCH(int, key);
        QFETCH(QString, focus);
        frmAbout *about = m_world.forms->frmAbout();
        QPointer<QWidget> frame = FormWindow::frameOf(about);
        QVERIFY(qobject_cast<QMdiSubWindow *>(frame.data()));
        if (key == 0) {
            QTest::mouseClick(about->cmdOK, Qt::LeftButton);
        } else {
            QWidget *target = focus == QLatin1String("frmAbout") ? static_cast<QWidget *>(about)
                                                                  : about->findChild<QWidget *>(focus);
            QVERIFY(target);
            QTest::keyClick(target, Qt::Key(key));
        }
        QTRY_VERIFY(!frame);
        QVERIFY(!m_world.forms->loadedFrmAbout());
        QVERIFY(starter().started.isEmpty());
        // The next command creates it afresh.
        m_world.forms->MDIForm1()->info_Click();
        QVERIFY(m_world.forms->loadedFrmAbout());
        QVERIFY(m_world.forms->loadedFrmAbout() != nullptr && FormWindow::isVisible(m_world.forms->loadedFrmAbout()));
    }

    void enterOnSysteminfoStartsItInstead()
    {
        registry().keys[msinfoKey][QStringLiteral("PATH")] = {Registry::REG_SZ, sz("/usr/bin/hardinfo")};
        frmAbout *about = m_world.forms->frmAbout();
        QTest::keyClick(about->cmdSysInfo, Qt::Key_Return);
        QCOMPARE(starter().started, QStringList{QStringLiteral("/usr/bin/hardinfo")});
        QVERIFY(m_world.forms->loadedFrmAbout());
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
        frmAbout *about = m_world.forms->frmAbout();
        QString value = incoming;
        QCOMPARE(about->GetKeyValue(Registry::HKEY_LOCAL_MACHINE, msinfoKey, QStringLiteral("PATH"), value), result);
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
        QVERIFY(!m_world.forms->frmAbout()->GetKeyValue(Registry::HKEY_LOCAL_MACHINE, key, value, text));
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
        const QString program = QStringLiteral("/opt/sys") + frmAbout::sysInfoProgram;
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
        frmAbout *about = m_world.forms->frmAbout();
        about->cmdSysInfo_Click();
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
        QVERIFY(m_world.forms->loadedFrmAbout()); // the dialog stays open either way
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
        m_world.forms->frmAbout()->StartSysInfo();
        QVERIFY(starter().started.isEmpty());
        QCOMPARE(m_world.platform->boxes.shown.size(), 1);
        QCOMPARE(m_world.platform->boxes.shown[0].text, unavailable);
        QCOMPARE(registry().openHandles, 0);
    }

    void registryFileNamesTheProgram_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("started");
        QTest::newRow("no file") << QByteArray() << QStringList{};
        QTest::newRow("PATH") << QByteArray("[SOFTWARE\\Microsoft\\Shared Tools\\MSINFO]\nPATH=/usr/bin/hardinfo\n")
                              << QStringList{"/usr/bin/hardinfo"};
        QTest::newRow("folder") << QByteArray("[SOFTWARE\\Microsoft\\Shared Tools Location]\nMSINFO=/opt/sys\n")
                                << QStringList{QStringLiteral("/opt/sys") + frmAbout::sysInfoProgram};
        QTest::newRow("PATH as a number") << QByteArray("[SOFTWARE\\Microsoft\\Shared Tools\\MSINFO]\nPATH=dword:1\n")
                                          << QStringList{};
    }
    void registryFileNamesTheProgram()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, started);
        const QString path = m_world.data->filePath(QStringLiteral("registry.ini"));
        if (!file.isEmpty()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(file);
        }
        RegistryFilePlatform platform(path);
        platform.fake.starter.existing = {QStringLiteral("/opt/sys") + frmAbout::sysInfoProgram};
        platform.fake.starter.unstartable = {QStringLiteral("&h000001")};
        Forms forms(platform);
        forms.MDIForm1()->info_Click();
        forms.frmAbout()->cmdSysInfo->click();
        QCOMPARE(platform.fake.starter.started, started);
        QCOMPARE(platform.fake.boxes.shown.size(), started.isEmpty() ? 1 : 0);
        if (started.isEmpty())
            QCOMPARE(platform.fake.boxes.shown[0].text, unavailable);
    }

    void readAccessIsEnough()
    {
        // Full access is refused to ordinary users; the lookup must still work for them.
        registry().keys[msinfoKey][QStringLiteral("PATH")] = {Registry::REG_SZ, sz("/usr/bin/hardinfo")};
        m_world.forms->frmAbout()->StartSysInfo();
        QCOMPARE(starter().started, QStringList{QStringLiteral("/usr/bin/hardinfo")});
        QVERIFY(!registry().openedWith.contains(Registry::KEY_ALL_ACCESS));
    }
};

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
