// Pages that change as real ones do, over a few looks, with their true changes known: a news front
// page (rotating teasers, a clock, ages of stories), a shop page whose price changes once, a
// documentation page with one paragraph edited, a page with a session token and a visitor counter,
// a page unchanged but for its date, and harder ones: a shop price written "€1.299,00" beside teasers
// and a view count, a table of departures with one retimed, a changelog gaining one entry. The
// changes tests and the changes benchmark share them.
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

struct ChangingPage {
    /// The kind's name ("news", "shop", "docs", "session", "dated", "shop (€1.299,00)", "departures",
    /// "changelog").
    QString kind;
    QString address;
    /// The page's readable text at each look, and when each look was.
    QList<QString> texts;
    QList<QDateTime> times;
    /// Per look, whether the page truly changed since the look before (look 0: false).
    QList<bool> changed;
    /// The host's other page at each look (menus and footers it shares), with its own address.
    QString otherAddress;
    QList<QString> otherTexts;
};

/// The kinds of page, variant @p variant (another story, price, paragraph, look times, and a
/// site of its own), over @p looks looks.
QList<ChangingPage> changingPages(int variant, int looks = 5);
