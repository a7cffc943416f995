// Lists as other programs keep them: recognising a file's format by its content, reading its addresses,
// and writing lists that other programs read.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

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
    /// What the reader left out or read in a way of its own, one sentence each, for the import's
    /// summary: "Left out line 1, no address: "URL"", "Line 3 has a quote that is not closed: it is
    /// read to the end of its line".
    QStringList remarks;
    /// The read was stopped by its progress function before the end; the addresses are those before.
    bool cancelled = false;
};

/// Told how far a read has come, from the thread that reads: @p done of @p total (a measure of the
/// work, growing to @p total at the end, never going back). Called every 16 Ki characters of the text
/// or so (one long comment or title is read whole between two calls), so that a caller can show a
/// progress bar and a Cancel; returning false stops the read.
using Progress = std::function<bool(qint64 done, qint64 total)>;

/// The file's text: UTF-8 (with or without a byte-order mark), UTF-16 with its mark, or, line by line
/// where a line's bytes are not UTF-8, Windows-1252 as older spreadsheets write it (one stray byte
/// leaves every other line as it is).
QString decodeText(const QByteArray &bytes);

/// The format of @p text, from its content alone.
Format detect(const QString &text);

/// Recognises the format of @p bytes and reads its addresses, in the file's order. Every reader takes
/// time in proportion to its input, whatever the input, and keeps no state between calls: reads may
/// run on any thread, several at a time.
ReadResult read(const QByteArray &bytes);
/// The same, telling @p progress how far it has come; a read that @p progress stops is cancelled.
ReadResult read(const QByteArray &bytes, const Progress &progress);

/// Addresses that are no page to visit, left out wherever addresses come in: bookmarklets
/// (javascript:), Firefox's place: queries, inline data: and nothing at all.
bool isNoPage(const QString &address);

// The readers, each for a text already known to be of its format.
/// One address a line; lines that are no address (a heading such as "URL", a title line) are left out
/// and said in @p remarks.
QList<FoundAddress> readPlainText(const QString &text, QStringList *remarks = nullptr);
/// Every http and https address in @p text, in order, without the punctuation around it that a
/// browser's link detection leaves out (a sentence's full stop, the brackets of a Markdown link, an
/// unbalanced closing parenthesis, quotes). A Markdown link's text is its title.
QList<FoundAddress> readTextWithAddresses(const QString &text);
/// The column of addresses, found by its content: a cell split by a separator that nobody quoted (a
/// title "Acme, Inc.") moves the address along, and the title takes its parts back. A quote that is
/// never closed is read to the end of its line, as spreadsheets do; that and the rows without an
/// address are said in @p remarks.
QList<FoundAddress> readCsv(const QString &text, QStringList *remarks = nullptr);
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
