// Pages that fight back, on the real engine: dialogs that come again and again, downloads nobody asked
// for, and windows that a page opened and closes again.
#include "app/mainwindow.h"
#include "app/windows.h"
#include "browser/browserwindow.h"
#include "browser/listbrowser.h"
#include "fakes/loopbackserver.h"
#include "fakes/webenginetest.h"
#include "platform/pagedialog.h"
#include "platform/qtplatform.h"
#include "platform/webenginebrowser.h"
#include "ui/windowframe.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEngineView>
#include <QtTest>

#include <functional>

namespace {

PageDialog *openDialog()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *d = qobject_cast<PageDialog *>(w); d && d->isVisible())
            return d;
    return nullptr;
}

} // namespace

class TestWebEnginePages : public QObject {
    Q_OBJECT
private:
    LoopbackServer *m_server = nullptr;
    std::unique_ptr<QtPlatform> m_platform;
    std::unique_ptr<Windows> m_windows;
    QPointer<BrowserWindow> m_window;
    QTimer m_watchdog;
    /// A dialog modal to the whole program was seen (Qt's own JavaScript dialogs are).
    bool m_modalSeen = false;
    /// Answers each question of a page as the person would. A question waits in an event loop of its
    /// own, inside the one the test waits in, so only a timer can answer it.
    QTimer m_responder;
    std::function<void(PageDialog *)> m_respond;
    int m_questions = 0;

    WebEngineBrowser *engine(BrowserWindow *w) { return qobject_cast<WebEngineBrowser *>(w->m_view); }
    QString downloads() const { return QStandardPaths::writableLocation(QStandardPaths::DownloadLocation); }

private slots:
    void initTestCase()
    {
        m_server = new LoopbackServer(this);
        QVERIFY(m_server->isListening());
        QVERIFY(testHomeFolder()->isValid());
        // Answers any dialog that holds the whole program, so that the test fails instead of hanging.
        m_watchdog.setInterval(200);
        connect(&m_watchdog, &QTimer::timeout, this, [this] {
            if (auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
                m_modalSeen = true;
                modal->reject();
            }
        });
        m_watchdog.start();
        m_responder.setInterval(100);
        connect(&m_responder, &QTimer::timeout, this, [this] {
            PageDialog *d = openDialog();
            if (!d || d->property("answered").toBool())
                return;
            d->setProperty("answered", true);
            ++m_questions;
            if (m_respond)
                m_respond(d);
        });
        m_responder.start();
    }

    void init()
    {
        m_modalSeen = false;
        m_questions = 0;
        m_respond = nullptr;
        m_platform = std::make_unique<QtPlatform>();
        m_windows = std::make_unique<Windows>(*m_platform);
        m_window = m_windows->browserWindow();
        m_window->setWindowState(Qt::WindowNoState);
        m_window->resize(1024, 740);
        WindowFrame::show(m_window);
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
    }
    void cleanup()
    {
        m_respond = [](PageDialog *d) { d->reject(); };
        if (PageDialog *d = openDialog())
            d->reject();
        m_windows.reset();
        m_platform.reset();
    }

    void loopingAlertsHoldNothingAndCanBeStopped()
    {
        m_server->setPage("/nag", "text/html",
                          "<html><head><title>nag</title></head><body><script>"
                          "for (let i = 0; i < 40; i++) alert('Nag <b>me</b> ' + i);"
                          "document.title = 'done';</script></body></html>");
        QStringList titles, messages;
        QList<bool> offered, urged, modal;
        m_respond = [&](PageDialog *d) {
            titles.append(d->windowTitle());
            messages.append(d->m_message->text());
            // Nothing is held: no dialog is modal, so every window takes input.
            modal.append(QApplication::activeModalWidget() != nullptr);
            offered.append(!d->m_stopBox->isHidden());
            urged.append(d->m_stopBox->isChecked());
            QTest::keyClick(d, Qt::Key_Return);
        };
        QVERIFY(m_window->m_view->navigate(m_server->url("/nag").toString()));
        // The third asked again at once has stopping as its default, so Return stops the rest: they are
        // answered at once, and the page goes on.
        QTRY_COMPARE_WITH_TIMEOUT(m_window->windowTitle(), QStringLiteral("done"), 30000);
        QVERIFY(!m_modalSeen);
        QCOMPARE(m_questions, 3);
        QCOMPARE(offered, (QList<bool>{false, true, true}));
        QCOMPARE(urged, (QList<bool>{false, false, true}));
        QCOMPARE(modal, (QList<bool>{false, false, false}));
        QVERIFY2(titles[0].startsWith(QLatin1String("Javascript Alert - http://127.0.0.1")), qPrintable(titles[0]));
        QCOMPARE(messages, (QStringList{"Nag <b>me</b> 0", "Nag <b>me</b> 1", "Nag <b>me</b> 2"}));
        QLabel *notice = noticeOf(m_window->m_view);
        QVERIFY(notice && notice->isVisible());
        QVERIFY2(notice->text().contains(QLatin1String("stopped the dialogs")), qPrintable(notice->text()));
        // Opening the page again is the person's choice: it may ask again.
        m_respond = [](PageDialog *d) { d->reject(); };
        QVERIFY(m_window->m_view->navigate(m_server->url("/nag").toString()));
        QTRY_VERIFY_WITH_TIMEOUT(m_questions > 3, 15000);
    }

    void confirmAndPromptGiveTheAnswerBack_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("title");
        QTest::newRow("OK") << true << "true|typed";
        QTest::newRow("Cancel") << false << "false|null";
    }
    void confirmAndPromptGiveTheAnswerBack()
    {
        QFETCH(bool, ok);
        QFETCH(QString, title);
        m_server->setPage("/ask", "text/html",
                          "<html><head><title>ask</title></head><body><script>"
                          "var c = confirm('Keep?'); var p = prompt('Name?', 'd'); document.title = c + '|' + p;"
                          "</script></body></html>");
        QStringList titles;
        QString defaultText;
        m_respond = [&](PageDialog *d) {
            titles.append(d->windowTitle().section(QLatin1String(" - "), 0, 0));
            if (d->m_textBox) {
                defaultText = d->m_textBox->text();
                d->m_textBox->setText(QStringLiteral("typed"));
            }
            ok ? d->accept() : d->reject();
        };
        QVERIFY(m_window->m_view->navigate(m_server->url("/ask").toString()));
        QTRY_COMPARE_WITH_TIMEOUT(m_window->windowTitle(), title, 15000);
        QCOMPARE(titles, (QStringList{"Javascript Confirm", "Javascript Prompt"}));
        QCOMPARE(defaultText, QStringLiteral("d"));
        QVERIFY(!m_modalSeen);
    }

    void closeBoxWorksWhileAPageAsks_data()
    {
        QTest::addColumn<bool>("listBrowser");
        QTest::newRow("browser window") << false;
        QTest::newRow("list browser in the main window") << true;
    }
    void closeBoxWorksWhileAPageAsks()
    {
        QFETCH(bool, listBrowser);
        m_server->setPage("/nagclose", "text/html",
                          "<html><head><title>nagclose</title></head><body><script>"
                          "for (let i = 0; i < 40; i++) confirm('Still here ' + i);</script></body></html>");
        QPointer<QWidget> closing;
        WebBrowser *view = nullptr;
        if (listBrowser) {
            m_windows->mainWindow()->show();
            ListBrowser *list = m_windows->listBrowser();
            closing = WindowFrame::frameOf(list);
            view = list->m_view;
        } else {
            closing = m_window.data();
            view = m_window->m_view;
        }
        bool closedAtOnce = true;
        m_respond = [&](PageDialog *) {
            if (closing)
                closedAtOnce = closing->close(); // as the close box does
        };
        QVERIFY(view->navigate(m_server->url("/nagclose").toString()));
        QTRY_VERIFY_WITH_TIMEOUT(!closing, 20000);
        QCOMPARE(m_questions, 1);
        QVERIFY(!closedAtOnce); // held back until the engine had its answer
        QTest::qWait(500);
        QCOMPARE(openDialog(), nullptr);
        QVERIFY(!m_modalSeen);
    }

    void downloadsNobodyAskedForAreQuestioned()
    {
        for (int i = 0; i < 6; ++i)
            m_server->setPage(QStringLiteral("/file%1").arg(i), "text/plain", "data\r\n",
                              QStringLiteral("Content-Disposition: attachment; filename=\"auto%1.txt\"\r\n").arg(i).toUtf8());
        m_server->setPage("/autodl", "text/html",
                          "<html><head><title>autodl</title></head><body><script>"
                          "for (let i = 0; i < 5; i++) { const a = document.createElement('a'); a.href = '/file' + i;"
                          "a.download = 'auto' + i + '.txt'; document.body.appendChild(a); a.click(); }"
                          "</script></body></html>");
        QString asked;
        m_respond = [&](PageDialog *d) {
            asked = d->m_message->text();
            QTest::keyClick(d, Qt::Key_Return); // "Don't save" is the default
        };
        QVERIFY(m_window->m_view->navigate(m_server->url("/autodl").toString()));
        QTRY_VERIFY2_WITH_TIMEOUT(m_questions > 0, "a download started by the page alone was not questioned", 15000);
        QTest::qWait(1500);
        QCOMPARE(m_questions, 1); // the others were refused while the person was asked
        QVERIFY2(asked.contains(QLatin1String("auto")), qPrintable(asked));
        for (int i = 0; i < 5; ++i)
            QVERIFY2(!QFile::exists(QDir(downloads()).filePath(QStringLiteral("auto%1.txt").arg(i))), "saved unasked");
        QLabel *notice = noticeOf(m_window->m_view);
        QVERIFY(notice && notice->text().contains(QLatin1String("did not save")));

        // A click on a download link saves without a question.
        m_server->setPage("/clickdl", "text/html",
                          "<html><head><title>clickdl</title></head><body style='margin:0'>"
                          "<a href='/file5' download='auto5.txt' style='display:block;width:400px;height:300px;"
                          "background:#cde'>save</a></body></html>");
        QVERIFY(m_window->m_view->navigate(m_server->url("/clickdl").toString()));
        QTRY_COMPARE_WITH_TIMEOUT(m_window->windowTitle(), QStringLiteral("clickdl"), 15000);
        QTest::qWait(300);
        QTest::mouseClick(engine(m_window)->view()->focusProxy(), Qt::LeftButton, {}, QPoint(100, 100));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(QDir(downloads()).filePath(QStringLiteral("auto5.txt"))), 15000);
        QCOMPARE(m_questions, 1);
        QVERIFY(!m_modalSeen);
    }

    void pageClosesTheWindowItOpened()
    {
        m_server->setPage("/opener", "text/html",
                          "<html><head><title>opener</title></head><body style='margin:0'>"
                          "<a target='_blank' href='/closer' style='display:block;width:400px;height:300px;"
                          "background:#cde'>open</a></body></html>");
        m_server->setPage("/closer", "text/html",
                          "<html><head><title>closer</title></head><body><script>"
                          "setTimeout(function () { window.close(); }, 500);</script></body></html>");
        QVERIFY(m_window->m_view->navigate(m_server->url("/opener").toString()));
        QTRY_COMPARE_WITH_TIMEOUT(m_window->windowTitle(), QStringLiteral("opener"), 15000);
        QTest::qWait(300);
        QTest::mouseClick(engine(m_window)->view()->focusProxy(), Qt::LeftButton, {}, QPoint(100, 100));
        QTRY_COMPARE_WITH_TIMEOUT(m_windows->browserWindows().size(), 2, 10000);
        QPointer<BrowserWindow> opened = m_windows->browserWindows().at(1);
        QTRY_VERIFY_WITH_TIMEOUT(!opened, 15000);
        QVERIFY(m_window && m_window->isVisible()); // the opener stays

        // A window the person opened the page in stays, whatever the page asks.
        QVERIFY(m_window->m_view->navigate(m_server->url("/closer").toString()));
        QTRY_COMPARE_WITH_TIMEOUT(m_window->windowTitle(), QStringLiteral("closer"), 15000);
        QTest::qWait(1500);
        QVERIFY(m_window && m_window->isVisible());
    }
};

int main(int argc, char **argv)
{
    return runWebEngineTest<TestWebEnginePages>(argc, argv);
}

#include "tst_webengine_pages.moc"
