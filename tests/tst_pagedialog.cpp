// A page's questions without the engine: how often they may come, what counts as the person's action,
// and that a question holds no window and never lets the page's window be deleted under it.
#include "platform/pagedialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

PageDialog *openDialog()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *d = qobject_cast<PageDialog *>(w); d && d->isVisible())
            return d;
    return nullptr;
}

} // namespace

class TestPageDialog : public QObject {
    Q_OBJECT
private slots:
    void limiterOffersToStopAPageThatKeepsAsking_data()
    {
        using S = PageDialogLimiter::Show;
        QTest::addColumn<QList<qint64>>("asked");    // when the page asks
        QTest::addColumn<QList<qint64>>("answered"); // when the person answers
        QTest::addColumn<QList<int>>("shows");
        const qint64 quick = PageDialogLimiter::quickMilliseconds;
        QTest::newRow("first is plain, second offers") << QList<qint64>{0, 60000} << QList<qint64>{1000, 61000}
                                                      << QList<int>{int(S::Plain), int(S::OfferingToStop)};
        QTest::newRow("asking again at once: the third urges, however slow the answers")
            << QList<qint64>{0, 30010, 60020, 90030} << QList<qint64>{30000, 60000, 90000, 120000}
            << QList<int>{int(S::Plain), int(S::OfferingToStop), int(S::UrgingToStop), int(S::UrgingToStop)};
        QTest::newRow("a pause breaks the row")
            << QList<qint64>{0, 1010, 1020 + quick + 1, 2000 + quick + 1}
            << QList<qint64>{1000, 1020, 2000 + quick, 3000 + quick}
            << QList<int>{int(S::Plain), int(S::OfferingToStop), int(S::OfferingToStop), int(S::OfferingToStop)};
    }
    void limiterOffersToStopAPageThatKeepsAsking()
    {
        QFETCH(QList<qint64>, asked);
        QFETCH(QList<qint64>, answered);
        QFETCH(QList<int>, shows);
        PageDialogLimiter limiter;
        QList<int> got;
        for (qsizetype i = 0; i < asked.size(); ++i) {
            got.append(int(limiter.next(asked[i])));
            limiter.answered(answered[i]);
        }
        QCOMPARE(got, shows);
    }

    void stoppedUntilThePersonGoesElsewhere()
    {
        PageDialogLimiter limiter;
        limiter.next(0);
        limiter.stop();
        QCOMPARE(limiter.next(100), PageDialogLimiter::Show::Suppressed);
        QCOMPARE(limiter.next(100000), PageDialogLimiter::Show::Suppressed);
        limiter.reset();
        QCOMPARE(limiter.next(100100), PageDialogLimiter::Show::Plain);
    }

    void oneDownloadFollowsEachAction_data()
    {
        QTest::addColumn<qint64>("actedAt"); // -1: never
        QTest::addColumn<QList<qint64>>("asks");
        QTest::addColumn<QList<bool>>("allowed");
        QTest::newRow("no action") << qint64(-1) << QList<qint64>{1000} << QList<bool>{false};
        QTest::newRow("just after a click, once") << qint64(1000) << QList<qint64>{1500, 1600}
                                                  << QList<bool>{true, false};
        QTest::newRow("long after") << qint64(1000) << QList<qint64>{1000 + UserActionClock::windowMilliseconds + 1}
                                    << QList<bool>{false};
        QTest::newRow("clock set back") << qint64(5000) << QList<qint64>{1000} << QList<bool>{false};
    }
    void oneDownloadFollowsEachAction()
    {
        QFETCH(qint64, actedAt);
        QFETCH(QList<qint64>, asks);
        QFETCH(QList<bool>, allowed);
        UserActionClock clock;
        if (actedAt >= 0)
            clock.acted(actedAt);
        QList<bool> got;
        for (qint64 t : asks)
            got.append(clock.take(t));
        QCOMPARE(got, allowed);
    }

    void dialogShowsThePageTextAsText_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("show");
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<bool>("stopShown");
        QTest::addColumn<bool>("stopChecked");
        using K = PageDialog::Kind;
        using S = PageDialogLimiter::Show;
        QTest::newRow("alert") << int(K::Alert) << int(S::Plain) << QStringList{"OK"} << false << false;
        QTest::newRow("confirm again") << int(K::Confirm) << int(S::OfferingToStop) << QStringList{"OK", "Cancel"}
                                       << true << false;
        QTest::newRow("prompt in a burst") << int(K::Prompt) << int(S::UrgingToStop) << QStringList{"OK", "Cancel"}
                                           << true << true;
        QTest::newRow("download") << int(K::Download) << int(S::Plain) << QStringList{"Save", "Don't save"} << false
                                  << false;
    }
    void dialogShowsThePageTextAsText()
    {
        QFETCH(int, kind);
        QFETCH(int, show);
        QFETCH(QStringList, buttons);
        QFETCH(bool, stopShown);
        QFETCH(bool, stopChecked);
        const QString message = QStringLiteral("<h1 style='color:green'>Your list was saved.</h1><!--");
        PageDialog dialog({PageDialog::Kind(kind), QStringLiteral("Javascript Alert - http://x/"), message,
                           QStringLiteral("typed"), PageDialogLimiter::Show(show)},
                          nullptr);
        QCOMPARE(dialog.windowModality(), Qt::NonModal);
        QCOMPARE(dialog.m_message->textFormat(), Qt::PlainText);
        QCOMPARE(dialog.m_message->text(), message);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Javascript Alert - http://x/"));
        QStringList captions;
        for (QAbstractButton *b : dialog.m_buttons->buttons())
            captions.append(b->text());
        QCOMPARE(captions, buttons);
        QCOMPARE(!dialog.m_stopBox->isHidden(), stopShown);
        QCOMPARE(dialog.m_stopBox->isChecked(), stopChecked);
        QCOMPARE(dialog.m_textBox != nullptr, kind == int(PageDialog::Kind::Prompt));
        // A file nobody asked for is not saved by a stray Enter.
        for (QAbstractButton *b : dialog.m_buttons->buttons())
            if (static_cast<QPushButton *>(b)->isDefault())
                QCOMPARE(b->text(), kind == int(PageDialog::Kind::Download) ? QStringLiteral("Don't save")
                                                                           : QStringLiteral("OK"));
    }

    void longMessageIsCut()
    {
        PageDialog dialog({PageDialog::Kind::Alert, QString(10000, QLatin1Char('t')), QString(1000000, QLatin1Char('m')),
                           {}, PageDialogLimiter::Show::Plain},
                          nullptr);
        QVERIFY(dialog.m_message->text().size() <= PageDialog::maxMessageLength + 1);
        QVERIFY(dialog.windowTitle().size() <= 201);
    }

    void askWaitsWithoutHoldingAnyWindow()
    {
        QWidget window;
        auto *page = new QWidget(&window);
        window.show();
        QWidget other;
        other.show();
        bool otherClosed = false;
        bool modalSeen = true;
        QTimer::singleShot(50, this, [&] {
            PageDialog *d = openDialog();
            if (!d)
                return;
            modalSeen = QApplication::activeModalWidget() != nullptr;
            otherClosed = other.close(); // another window's close box works while the page asks
            d->m_textBox->setText(QStringLiteral("answer"));
            d->m_stopBox->setChecked(true);
            d->accept();
        });
        const PageDialog::Answer answer = PageDialog::ask(
            {PageDialog::Kind::Prompt, QStringLiteral("Javascript Prompt - x"), QStringLiteral("Name?"),
             QStringLiteral("d"), PageDialogLimiter::Show::OfferingToStop},
            page);
        QVERIFY(!modalSeen);
        QVERIFY(otherClosed);
        QVERIFY(answer.accepted);
        QCOMPARE(answer.text, QStringLiteral("answer"));
        QVERIFY(answer.stopMore);
        QVERIFY(!answer.windowClosing);
        QVERIFY(!openDialog());
    }

    void closingThePageWindowEndsTheQuestionAndClosesAfterwards()
    {
        QPointer<QWidget> window = new QWidget;
        window->setAttribute(Qt::WA_DeleteOnClose);
        auto *page = new QWidget(window);
        window->show();
        bool closedAtOnce = true;
        QTimer::singleShot(50, this, [&] {
            if (openDialog() && window)
                closedAtOnce = window->close(); // the close box
        });
        const PageDialog::Answer answer = PageDialog::ask(
            {PageDialog::Kind::Confirm, QStringLiteral("Javascript Confirm - x"), QStringLiteral("Sure?"), {},
             PageDialogLimiter::Show::Plain},
            page);
        // The page still exists when the engine gets its answer...
        QVERIFY(window);
        QVERIFY(!closedAtOnce);
        QVERIFY(answer.windowClosing);
        QVERIFY(!answer.accepted);
        QVERIFY(!openDialog());
        // ...and the window closes right after.
        QTRY_VERIFY(!window);
    }
};

QTEST_MAIN(TestPageDialog)
#include "tst_pagedialog.moc"
