#include "fakes/changingpages.h"

#include <QLocale>
#include <QRandomGenerator>
#include <QStringList>

namespace {

QString join(const QStringList &lines)
{
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString hexToken(QRandomGenerator &rng)
{
    QString token;
    for (int i = 0; i < 4; ++i)
        token += QString::number(rng.generate(), 16).rightJustified(8, QLatin1Char('0'));
    return token;
}

QString base64Token(QRandomGenerator &rng, int length)
{
    static const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/");
    QString token;
    for (int i = 0; i < length; ++i)
        token += alphabet.at(int(rng.bounded(quint32(alphabet.size()))));
    return token;
}

/// A number with its thousands grouped, as @p locale writes it ("1,299" or "1.299").
QString grouped(qint64 n, const QLocale &locale)
{
    return locale.toString(n);
}

QStringList menuOf(const QString &site, bool grown)
{
    QStringList menu = {site, QStringLiteral("Home"), QStringLiteral("World"), QStringLiteral("Business"),
                        QStringLiteral("Sport"), QStringLiteral("Sign in")};
    if (grown)
        menu.insert(5, QStringLiteral("Climate"));
    return menu;
}

QStringList footerOf(const QString &site)
{
    return {QStringLiteral("About us | Contact | Privacy policy | Cookie settings"),
            QStringLiteral("© 2026 %1. All rights reserved.").arg(site)};
}

QString clock(const QDateTime &at)
{
    return QLocale(QLocale::English).toString(at, QStringLiteral("HH:mm"));
}

} // namespace

QList<ChangingPage> changingPages(int variant, int looks)
{
    QRandomGenerator rng(quint32(0xc0ffee + variant * 7919));
    // Looks some hours apart, starting on a morning; the change falls on one look after the first.
    QList<QDateTime> times;
    QDateTime at(QDate(2026, 12, 7).addDays(variant % 5), QTime(7, 0), Qt::UTC);
    for (int i = 0; i < looks; ++i) {
        times.append(at);
        at = at.addSecs(3600 * (3 + int(rng.bounded(6))) + 60 * int(rng.bounded(60)));
    }
    const int changeAt = 1 + int(rng.bounded(looks - 1));
    QList<ChangingPage> pages;

    { // A news front page: its teasers rotate, its clock turns, its stories age, a story comes in once.
        ChangingPage p;
        p.kind = QStringLiteral("news");
        p.address = QStringLiteral("https://news%1.example.org/").arg(variant);
        p.otherAddress = QStringLiteral("https://news%1.example.org/world/").arg(variant);
        const QStringList pool = {
            QStringLiteral("Ten recipes for a cold winter evening"), QStringLiteral("Why the city's trams run late"),
            QStringLiteral("Quiz: how well do you know the coast?"), QStringLiteral("The best walks within an hour of town"),
            QStringLiteral("Readers' photos of the first snow"), QStringLiteral("What the new school year brings"),
            QStringLiteral("Five films to watch this weekend"), QStringLiteral("A guide to the winter markets")};
        QStringList stories;
        for (int s = 0; s < 6; ++s)
            stories.append(QStringLiteral("Council %1 plan for district %2").arg(s % 2 ? "backs" : "drops").arg(variant * 10 + s));
        const QString breaking = QStringLiteral("Storm warning issued for the north coast (%1)").arg(variant);
        const int menuGrows = looks - 1; // the site's menu gains an item on every page at the last look
        for (int i = 0; i < looks; ++i) {
            QStringList story = stories;
            if (i >= changeAt)
                story.prepend(breaking);
            QStringList lines = menuOf(QStringLiteral("News Example"), i >= menuGrows);
            lines << QStringLiteral("Updated %1").arg(clock(times[i].addSecs(-60 * (variant % 7))));
            lines << QStringLiteral("Top stories");
            for (int t = 0; t < 3; ++t)
                lines << pool[(i * 3 + t + variant) % pool.size()];
            lines << QStringLiteral("Latest");
            for (int s = 0; s < story.size(); ++s) {
                lines << story[s];
                const bool isNew = i >= changeAt && s == 0;
                const qint64 hours = isNew ? 1 + times[changeAt].secsTo(times[i]) / 3600
                                           : 2 + s + times[0].secsTo(times[i]) / 3600;
                lines << QStringLiteral("posted %1 hours ago").arg(hours);
            }
            lines << footerOf(QStringLiteral("News Example"));
            p.texts.append(join(lines));
            p.changed.append(i == changeAt);
            QStringList other = menuOf(QStringLiteral("News Example"), i >= menuGrows);
            other << QStringLiteral("World news") << QStringLiteral("Talks resume in Geneva") << footerOf(QStringLiteral("News Example"));
            p.otherTexts.append(join(other));
        }
        p.times = times;
        pages.append(p);
    }

    { // A shop page whose price changes once.
        ChangingPage p;
        p.kind = QStringLiteral("shop");
        p.address = QStringLiteral("https://shop%1.example.com/p/4711").arg(variant);
        p.otherAddress = QStringLiteral("https://shop%1.example.com/p/9000").arg(variant);
        const int cents = 1999 + variant * 100;
        for (int i = 0; i < looks; ++i) {
            const int price = i >= changeAt ? cents - 250 : cents;
            QStringList lines = {QStringLiteral("Example Shop"), QStringLiteral("Cart (0)"), QStringLiteral("Kettle model K%1").arg(variant),
                                 QStringLiteral("A steel kettle that boils a litre in three minutes."),
                                 QStringLiteral("Price: €%1.%2").arg(price / 100).arg(price % 100, 2, 10, QLatin1Char('0')),
                                 QStringLiteral("In stock, ships in 2 days"), QStringLiteral("Add to cart"),
                                 QStringLiteral("Customers also viewed"), QStringLiteral("Toaster T2"), QStringLiteral("Teapot, 1.2 l"),
                                 QStringLiteral("Free returns within 30 days"), QStringLiteral("© 2026 Example Shop")};
            p.texts.append(join(lines));
            p.changed.append(i == changeAt);
            p.otherTexts.append(join({QStringLiteral("Example Shop"), QStringLiteral("Cart (0)"), QStringLiteral("Toaster T2"),
                                      QStringLiteral("Price: €34.00"), QStringLiteral("Add to cart"),
                                      QStringLiteral("Free returns within 30 days"), QStringLiteral("© 2026 Example Shop")}));
        }
        p.times = times;
        pages.append(p);
    }

    { // A documentation page with one paragraph edited.
        ChangingPage p;
        p.kind = QStringLiteral("docs");
        p.address = QStringLiteral("https://docs%1.example.net/guide/install.html").arg(variant);
        p.otherAddress = QStringLiteral("https://docs%1.example.net/guide/usage.html").arg(variant);
        QStringList paragraphs;
        for (int s = 0; s < 24; ++s)
            paragraphs << QStringLiteral("Step %1: set option %2 in the configuration file, then run the tool again.").arg(s + 1).arg(s * 3 + variant);
        const int edited = int(rng.bounded(paragraphs.size()));
        for (int i = 0; i < looks; ++i) {
            QStringList lines = {QStringLiteral("Example Docs"), QStringLiteral("Guide | Reference | FAQ"), QStringLiteral("Installing")};
            QStringList body = paragraphs;
            if (i >= changeAt)
                body[edited] = QStringLiteral("Step %1: the option moved; set it with the --%2 switch instead.").arg(edited + 1).arg(variant);
            lines << body << QStringLiteral("Found a mistake? Edit this page.") << QStringLiteral("© 2026 Example Docs contributors");
            p.texts.append(join(lines));
            p.changed.append(i == changeAt);
            p.otherTexts.append(join({QStringLiteral("Example Docs"), QStringLiteral("Guide | Reference | FAQ"), QStringLiteral("Using it"),
                                      QStringLiteral("Found a mistake? Edit this page."), QStringLiteral("© 2026 Example Docs contributors")}));
        }
        p.times = times;
        pages.append(p);
    }

    { // A page with a session token and a visitor counter, otherwise the same at every look.
        ChangingPage p;
        p.kind = QStringLiteral("session");
        p.address = QStringLiteral("http://club%1.example.com/members.php").arg(variant);
        p.otherAddress = QStringLiteral("http://club%1.example.com/events.php").arg(variant);
        int visitors = 12000 + int(rng.bounded(5000));
        for (int i = 0; i < looks; ++i) {
            visitors += 10 + int(rng.bounded(300));
            QStringList lines = {QStringLiteral("Example Rowing Club"), QStringLiteral("Members' corner"),
                                 QStringLiteral("Training is on Tuesdays and Saturdays at the boathouse."),
                                 QStringLiteral("Dues are paid in January."),
                                 QStringLiteral("Session id: %1").arg(hexToken(rng)),
                                 QStringLiteral("You are visitor number %1").arg(visitors),
                                 QStringLiteral("Webmaster: webmaster@club.example.com")};
            p.texts.append(join(lines));
            p.changed.append(false);
            p.otherTexts.append(join({QStringLiteral("Example Rowing Club"), QStringLiteral("Events"),
                                      QStringLiteral("Regatta on 14 June."), QStringLiteral("Webmaster: webmaster@club.example.com")}));
        }
        p.times = times;
        pages.append(p);
    }

    { // A page unchanged but for its date.
        ChangingPage p;
        p.kind = QStringLiteral("dated");
        p.address = QStringLiteral("https://town%1.example.org/opening-hours").arg(variant);
        p.otherAddress = QStringLiteral("https://town%1.example.org/contact").arg(variant);
        for (int i = 0; i < looks; ++i) {
            QStringList lines = {QStringLiteral("Town Hall"),
                                 QLocale(QLocale::English).toString(times[i].date(), QStringLiteral("'Today is' dddd, d MMMM yyyy")),
                                 QStringLiteral("Opening hours"), QStringLiteral("Monday to Friday 8:30 to 17:00"),
                                 QStringLiteral("Saturday 9:00 to 12:00"), QStringLiteral("Closed on public holidays")};
            p.texts.append(join(lines));
            p.changed.append(false);
            p.otherTexts.append(join({QStringLiteral("Town Hall"), QStringLiteral("Contact"), QStringLiteral("Phone 0123 456 789")}));
        }
        p.times = times;
        pages.append(p);
    }

    { // A shop written the European way: the price ("€1.299,00") changes once, beside it teasers of
      // other products take turns and a count of views rises at every look.
        ChangingPage p;
        p.kind = QStringLiteral("shop (€1.299,00)");
        p.address = QStringLiteral("https://laden%1.example.de/espresso/em-%1").arg(variant);
        p.otherAddress = QStringLiteral("https://laden%1.example.de/kaffee/").arg(variant);
        const QLocale german(QLocale::German);
        const QStringList others = {QStringLiteral("Milk frother MF 2"), QStringLiteral("Coffee grinder CG 70"),
                                    QStringLiteral("Tamper, 58 mm, steel"), QStringLiteral("Descaler, 6 bottles"),
                                    QStringLiteral("Knock box KB 1"), QStringLiteral("Espresso cups, set of 4")};
        const int euros = 1299 + variant * 10;
        int views = 3000 + int(rng.bounded(4000));
        for (int i = 0; i < looks; ++i) {
            views += 5 + int(rng.bounded(200));
            const int price = i >= changeAt ? euros - 100 : euros;
            QStringList lines = {QStringLiteral("Example Laden"), QStringLiteral("Espresso machine EM-%1").arg(variant),
                                 QStringLiteral("Dual boiler, PID control, 2.5 l tank."),
                                 QStringLiteral("Price: €%1,00 incl. VAT").arg(grouped(price, german)),
                                 QStringLiteral("Delivery in 3 to 5 working days"), QStringLiteral("Customers also viewed")};
            for (int t = 0; t < 2; ++t)
                lines << others[(i * 2 + t + variant) % others.size()];
            lines << QStringLiteral("This product was viewed %1 times").arg(grouped(views, QLocale(QLocale::English)))
                  << QStringLiteral("Imprint | Terms | Privacy");
            p.texts.append(join(lines));
            p.changed.append(i == changeAt);
            p.otherTexts.append(join({QStringLiteral("Example Laden"), QStringLiteral("Coffee"), QStringLiteral("Imprint | Terms | Privacy")}));
        }
        p.times = times;
        pages.append(p);
    }

    { // A table of departures where one departure is retimed once; the board's clock turns and every
      // look carries a request id of its own.
        ChangingPage p;
        p.kind = QStringLiteral("departures");
        p.address = QStringLiteral("https://transit%1.example.ch/board/central").arg(variant);
        p.otherAddress = QStringLiteral("https://transit%1.example.ch/board/north").arg(variant);
        const QStringList places = {QStringLiteral("Bern"), QStringLiteral("Basel"), QStringLiteral("Luzern"), QStringLiteral("Chur"),
                                    QStringLiteral("Genève"), QStringLiteral("St. Gallen"), QStringLiteral("Lugano"), QStringLiteral("Biel")};
        const int retimed = int(rng.bounded(places.size()));
        for (int i = 0; i < looks; ++i) {
            QStringList lines = {QStringLiteral("Departures from Central"), QStringLiteral("Board as of %1").arg(clock(times[i])),
                                 QStringLiteral("Time | Train | To | Platform")};
            for (int d = 0; d < places.size(); ++d) {
                int minute = 17 * 60 + 5 + d * 12 + variant % 5;
                if (i >= changeAt && d == retimed)
                    minute += 15;
                lines << QStringLiteral("%1:%2 | IC %3 | %4 | %5")
                             .arg(minute / 60).arg(minute % 60, 2, 10, QLatin1Char('0')).arg(700 + d * 2 + variant).arg(places[d]).arg(1 + d % 9);
            }
            lines << QStringLiteral("Request id: %1").arg(base64Token(rng, 24)) << QStringLiteral("Timetable changes are shown in red.");
            p.texts.append(join(lines));
            p.changed.append(i == changeAt);
            p.otherTexts.append(join({QStringLiteral("Departures from North"), QStringLiteral("Time | Train | To | Platform"),
                                      QStringLiteral("Timetable changes are shown in red.")}));
        }
        p.times = times;
        pages.append(p);
    }

    { // A project's changelog that gains one entry, newest first; its download count rises.
        ChangingPage p;
        p.kind = QStringLiteral("changelog");
        p.address = QStringLiteral("https://tool%1.example.io/changelog").arg(variant);
        p.otherAddress = QStringLiteral("https://tool%1.example.io/docs").arg(variant);
        QStringList entries;
        for (int e = 9; e >= 1; --e)
            entries << QStringLiteral("Version 2.%1.0").arg(e) << QStringLiteral("Fixed a crash when the input file is empty (%1).").arg(e * 7 + variant)
                    << QStringLiteral("The --quiet switch also silences warnings.");
        qint64 downloads = 120000 + rng.bounded(90000);
        for (int i = 0; i < looks; ++i) {
            downloads += 40 + rng.bounded(900);
            QStringList lines = {QStringLiteral("Example Tool"), QStringLiteral("Changelog"),
                                 QStringLiteral("%1 downloads").arg(grouped(downloads, QLocale(QLocale::English)))};
            if (i >= changeAt)
                lines << QStringLiteral("Version 2.10.0") << QStringLiteral("Reads compressed input (%1).").arg(variant)
                      << QStringLiteral("The --quiet switch also silences warnings.");
            lines << entries << QStringLiteral("Licensed under the MIT licence.");
            p.texts.append(join(lines));
            p.changed.append(i == changeAt);
            p.otherTexts.append(join({QStringLiteral("Example Tool"), QStringLiteral("Documentation"), QStringLiteral("Licensed under the MIT licence.")}));
        }
        p.times = times;
        pages.append(p);
    }
    return pages;
}
