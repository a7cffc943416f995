// Play on the real engine: a page's own alert, confirm or prompt holds the walk until the person answers.
#include "app/listplayback.h"
#include "app/mainwindow.h"
#include "app/windows.h"
#include "browser/browserwindow.h"
#include "browser/listbrowser.h"
#include "fakes/loopbackserver.h"
#include "fakes/webenginetest.h"
#include "platform/pagedialog.h"
#include "platform/qtplatform.h"
#include "play/listplayer.h"
#include "store/listpaths.h"
#include "ui/listbox.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

namespace {

PageDialog *openDialog()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *d = qobject_cast<PageDialog *>(w); d && d->isVisible())
            return d;
    return nullptr;
}

/// What the walk looked like while a page's question was open.
struct WhileAsked {
    int ticks = 0;
    QSet<int> rows;          ///< the rows shown
    QStringList statuses;    ///< the status texts, each once
    bool everNotHeld = false;
    bool everStopped = false;
    int rowAfterAnswer = -2; ///< the row shown right after the answer, before any event ran
};

} // namespace

class TestWebEnginePlay : public QObject {
    Q_OBJECT
private:
    LoopbackServer *m_server = nullptr;
    std::unique_ptr<QtPlatform> m_platform;
    std::unique_ptr<Windows> m_windows;
    /// A page's question waits in an event loop of its own, inside the one the test waits in: the test
    /// cannot answer it from there. This timer looks at the walk while the question is open and answers
    /// it once it has been open for m_holdMsecs, or at the hang guard whatever happened.
    QTimer m_responder;
    QElapsedTimer m_openFor;
    int m_holdMsecs = 0;
    std::function<void(PageDialog *)> m_answer;
    std::function<void()> m_look;
    int m_questions = 0;
    bool m_answered = false;
    static constexpr int hangGuardMsecs = 60000;

    static ListPlayer *player(ListBrowser *w) { return ListPlayback::of(w)->player(); }

    ListBrowser *listBrowserWith(const QStringList &paths)
    {
        QByteArray list;
        for (const QString &path : paths)
            list += m_server->url(path).toString().toUtf8() + "\r\n";
        QDir().mkpath(ListPaths::dataFolder());
        QFile file(ListPaths::listFile());
        if (!file.open(QIODevice::WriteOnly) || file.write(list) != list.size())
            return nullptr;
        file.close();
        m_windows->mainWindow()->show();
        if (!QTest::qWaitForWindowExposed(m_windows->mainWindow()))
            return nullptr;
        return m_windows->listBrowser();
    }

private slots:
    void initTestCase()
    {
        m_server = new LoopbackServer(this);
        QVERIFY(m_server->isListening());
        QVERIFY(testHomeFolder()->isValid());
        m_server->setPage("/first", "text/html", "<html><head><title>first</title></head><body>first</body></html>");
        m_server->setPage("/after", "text/html", "<html><head><title>after</title></head><body>after</body></html>");
        m_responder.setInterval(50);
        connect(&m_responder, &QTimer::timeout, this, [this] {
            PageDialog *d = openDialog();
            if (!d) {
                m_openFor.invalidate();
                return;
            }
            if (d->property("answered").toBool())
                return;
            if (!m_openFor.isValid()) {
                m_openFor.start();
                ++m_questions;
            }
            if (m_look)
                m_look();
            if (m_openFor.elapsed() < m_holdMsecs && m_openFor.elapsed() < hangGuardMsecs)
                return;
            d->setProperty("answered", true);
            m_answered = true;
            if (m_answer && m_openFor.elapsed() < hangGuardMsecs)
                m_answer(d);
            else
                d->reject();
        });
        m_responder.start();
    }

    void init()
    {
        m_questions = 0;
        m_answered = false;
        m_answer = nullptr;
        m_look = nullptr;
        m_openFor.invalidate();
        m_platform = std::make_unique<QtPlatform>();
        m_windows = std::make_unique<Windows>(*m_platform);
    }
    void cleanup()
    {
        m_holdMsecs = 0;
        m_answer = [](PageDialog *d) { d->reject(); };
        m_look = nullptr;
        if (PageDialog *d = openDialog())
            d->reject();
        m_windows.reset();
        m_platform.reset();
    }

    void aPageQuestionHoldsPlayUntilAnswered_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("answeredTitle");
        // Asked while the page loads (its script stops the parser there), or after it has loaded,
        // while its delay runs.
        QTest::newRow("alert while loading") << QByteArray("alert('Look at this'); document.title = 'seen';") << true
                                             << "seen";
        QTest::newRow("alert after load")
            << QByteArray("onload = () => setTimeout(() => { alert('Look at this'); document.title = 'seen'; }, 300);")
            << true << "seen";
        QTest::newRow("confirm, Cancel") << QByteArray("document.title = confirm('Go on?') ? 'yes' : 'no';") << false
                                         << "no";
        QTest::newRow("prompt, OK") << QByteArray("onload = () => setTimeout(() => { document.title = prompt('Name?', 'x'); }, 300);")
                                    << true << "typed";
    }
    void aPageQuestionHoldsPlayUntilAnswered()
    {
        QFETCH(QByteArray, script);
        QFETCH(bool, ok);
        QFETCH(QString, answeredTitle);
        m_server->setPage("/asks", "text/html",
                          "<html><head><title>asks</title></head><body><script>" + script + "</script>asks</body></html>");
        ListBrowser *w = listBrowserWith({"/first", "/asks", "/after"});
        QVERIFY(w);
        ListPlayer *playing = player(w);
        w->m_playDelayBox->setValue(1);
        QCOMPARE(playing->delaySeconds(), 1);

        // Open for well over the delay and the time between two looks: a walk that went on would be seen.
        m_holdMsecs = 4000;
        WhileAsked seen;
        m_look = [&] {
            ++seen.ticks;
            seen.rows.insert(w->m_addressList->currentRow());
            if (!seen.statuses.contains(w->m_playStatusLabel->text()))
                seen.statuses.append(w->m_playStatusLabel->text());
            seen.everNotHeld |= !playing->isHeldByPage();
            seen.everStopped |= !playing->isPlaying();
        };
        QString asksTitle;
        m_answer = [&](PageDialog *d) {
            if (d->m_textBox)
                d->m_textBox->setText(QStringLiteral("typed"));
            ok ? d->accept() : d->reject();
            seen.rowAfterAnswer = w->m_addressList->currentRow();
        };

        w->m_playButton->click();
        QVERIFY(playing->isPlaying());
        QTRY_VERIFY_WITH_TIMEOUT(m_answered, 60000);
        QCOMPARE(m_questions, 1);
        // Looked at again and again (how often depends on the machine; a few looks are enough).
        QVERIFY2(seen.ticks >= 5, qPrintable(QString::number(seen.ticks)));
        QCOMPARE(seen.rows, (QSet<int>{1}));
        QCOMPARE(seen.statuses, QStringList{QStringLiteral("Held by the page's message")});
        QVERIFY(!seen.everNotHeld);
        QVERIFY(!seen.everStopped);
        // The answer releases the walk, and the page has its whole delay again.
        QCOMPARE(seen.rowAfterAnswer, 1);
        QVERIFY(!playing->isHeld());
        QVERIFY(playing->isPlaying());
        QVERIFY2(w->m_playStatusLabel->text().startsWith(QLatin1String("Playing, ")), qPrintable(w->m_playStatusLabel->text()));
        QTRY_COMPARE_WITH_TIMEOUT(w->m_view->title(), answeredTitle, 15000);
        QTRY_COMPARE_WITH_TIMEOUT(w->m_addressList->currentRow(), 2, 40000);
        QVERIFY(playing->isPlaying());
        QCOMPARE(openDialog(), nullptr);
    }

    void thePersonMovesOnWhileAPageAsks_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::newRow("alert") << QByteArray("alert('Look at this');");
        QTest::newRow("prompt") << QByteArray("onload = () => setTimeout(() => { document.title = prompt('Name?', 'x'); }, 300);");
    }
    void thePersonMovesOnWhileAPageAsks()
    {
        // The question holds nothing: Next shows the next page while it is open, and the question goes
        // with the page it belonged to, unanswered.
        QFETCH(QByteArray, script);
        m_server->setPage("/asks", "text/html",
                          "<html><head><title>asks</title></head><body><script>" + script + "</script>asks</body></html>");
        ListBrowser *w = listBrowserWith({"/first", "/asks", "/after"});
        QVERIFY(w);
        QVERIFY(w->m_addressList->currentRow() != 1);
        m_holdMsecs = hangGuardMsecs;
        bool moved = false;
        m_look = [&] {
            if (!moved) {
                moved = true;
                w->m_nextButton->click();
            }
        };
        w->m_addressList->setCurrentRow(1);
        QTRY_VERIFY_WITH_TIMEOUT(moved, 30000);
        QTRY_COMPARE_WITH_TIMEOUT(openDialog(), nullptr, 5000);
        QCOMPARE(w->m_addressList->currentRow(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(w->m_view->title(), QStringLiteral("after"), 15000);
        QCOMPARE(m_questions, 1);
        QVERIFY(!m_answered);
        QCOMPARE(openDialog(), nullptr);
    }
};

int main(int argc, char **argv)
{
    return runWebEngineTest<TestWebEnginePlay>(argc, argv);
}

#include "tst_webengine_play.moc"
