// Lists as other programs keep them: recognising a file's format by its content, reading its addresses,
// and writing lists that other programs read.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace ListFormats {

enum class Format {
    Empty,             ///< nothing but blanks
    PlainText,         ///< one address a line, any line ends
    TextWithAddresses, ///< notes, Markdown, e-mail: the http and https addresses inside
    Csv,               ///< a spreadsheet's table with a column of addresses
    NetscapeBookmarks, ///< the bookmarks export of Firefox, Chrome, Edge, Safari and the like
    Opml,              ///< a feed reader's subscriptions
};

/// The format's name for a person: "plain text", "bookmarks file", ...
QString formatName(Format format);

/// One address found in a file, with the title the file gives it (empty where the format has none).
struct FoundAddress {
    QString address;
    QString title;
    bool operator==(const FoundAddress &) const = default;
};

/// What a file holds.
struct ReadResult {
    Format format = Format::Empty;
    QList<FoundAddress> addresses;
    /// Why the file could not be read to its end (a broken OPML file, say); what came before is kept.
    QString problem;
};

/// The file's text: UTF-8 (with or without a byte-order mark), UTF-16 with its mark, or, where the
/// bytes are not UTF-8, Windows-1252 as older spreadsheets write it.
QString decodeText(const QByteArray &bytes);

/// The format of @p text, from its content alone.
Format detect(const QString &text);

/// Recognises the format of @p bytes and reads its addresses, in the file's order.
ReadResult read(const QByteArray &bytes);

/// Addresses that are no page to visit, left out wherever addresses come in: bookmarklets
/// (javascript:), Firefox's place: queries, inline data: and nothing at all.
bool isNoPage(const QString &address);

// The readers, each for a text already known to be of its format.
QList<FoundAddress> readPlainText(const QString &text);
/// Every http and https address in @p text, in order, without the punctuation around it that a
/// browser's link detection leaves out (a sentence's full stop, the brackets of a Markdown link, an
/// unbalanced closing parenthesis, quotes). A Markdown link's text is its title.
QList<FoundAddress> readTextWithAddresses(const QString &text);
QList<FoundAddress> readCsv(const QString &text);
/// The bookmarks of a Netscape bookmark file, folders flattened in order; bookmarklets (javascript:),
/// Firefox's place: queries and data: addresses are left out; entities are decoded.
QList<FoundAddress> readNetscapeBookmarks(const QString &text);
/// The site of each subscription (htmlUrl), or its feed (xmlUrl) where no site is given.
QList<FoundAddress> readOpml(const QString &text, QString *problem = nullptr);

/// The fields of one CSV text (RFC 4180: quoted fields with "" inside, line breaks inside quotes) with
/// @p separator; each record's fields.
QList<QStringList> parseCsv(const QString &text, QChar separator);

// Writers.

/// One address a line, each ended by LF, in the entry's own bytes (NarrowText: also those that are
/// not UTF-8). A line break inside an entry is written as %0D or %0A so that every entry stays one
/// line; @p changed (if given) receives the entries that were not written as they are.
QByteArray writePlainText(const QStringList &addresses, QStringList *changed = nullptr);
/// @p entry with the bytes that are not UTF-8 (NarrowText's code points for them) as %XX.
QString withBytesPercentEncoded(const QString &entry);
/// A Netscape bookmark file that every browser imports: one folder, @p folderTitle, holding the
/// addresses with their titles (the address where there is none). @p addDate (seconds since 1970)
/// is given every bookmark when it is not 0. The file is UTF-8: an address's bytes that are not are
/// written percent-encoded, and @p changed (if given) receives those addresses.
QByteArray writeNetscapeBookmarks(const QList<FoundAddress> &addresses, const QString &folderTitle, qint64 addDate = 0,
                                  QStringList *changed = nullptr);

/// One row of an exported list with its last check.
struct CsvRow {
    QString address;
    QString title;
    QString verdict; ///< "alive", "dead", ...; empty when unchecked
    int status = 0;  ///< the last HTTP status, 0 for none
    QString reason;
};
/// CSV with a header row (address,title,verdict,status,reason), RFC 4180, CR LF line ends, UTF-8 and
/// each entry's own bytes where they are not UTF-8.
/// A field that a spreadsheet would take for a formula (=, +, -, @ first) is written with a leading
/// apostrophe, which readCsv takes away again.
QByteArray writeCsv(const QList<CsvRow> &rows);

// What an import brings.

/// Two addresses are the same when their keys are: the scheme and host in lower case, an empty path
/// as "/", the fragment aside; text that is no address is compared as it is, blanks trimmed.
QString comparisonKey(const QString &address);

struct ImportSummary {
    int found = 0;          ///< addresses in the file
    int alreadyInList = 0;  ///< of those, the ones the list holds already
    int repeats = 0;        ///< further copies of an address found earlier in the file
    int added() const { return found - alreadyInList - repeats; }
    bool operator==(const ImportSummary &) const = default;
};
/// Counts what importing @p found into @p list would bring. A repeat of an address that the list
/// holds counts once as already in the list, then as repeats.
ImportSummary summarizeImport(const QList<FoundAddress> &found, const QStringList &list);
/// "312 addresses found, 40 already in the list, 12 repeats"; "No addresses found" when there are none.
QString summaryText(const ImportSummary &summary);

} // namespace ListFormats
