// One kept copy of a page on disk: the page as MHTML, its readable text and its thumbnail in one
// file, each part compressed where that pays, written atomically and checked whole when read.
#pragma once

#include <QByteArray>
#include <QString>

/// What a copy holds.
struct CopyContent {
    /// The page as the engine saved it: one MHTML file.
    QByteArray mhtml;
    /// The text the page showed.
    QString text;
    /// A small picture of the page, PNG bytes (may be empty).
    QByteArray thumbnailPng;
};

/// The result of reading a copy file: its content, or why it cannot be read.
struct CopyReading {
    bool ok = false;
    CopyContent content;
    /// What the person is told when the copy cannot be read (CopyFile::unreadableMessage()), empty when ok.
    QString problem;
    /// What is wrong with the file, for a log: missing, cut short, damaged.
    QString detail;
};

/// The result of writing a copy file.
struct CopyWriting {
    bool ok = false;
    /// Bytes the file takes.
    qint64 storedSize = 0;
    QString problem;
};

namespace CopyFile {

/// What the person is told of a copy file that is missing, damaged or cut short.
QString unreadableMessage();

/// The file's name ending.
inline constexpr char suffix[] = ".copy";
/// The hidden prefix of a copy file while it is written.
inline constexpr char temporaryPrefix[] = ".quokka-copy-";
/// No part of a copy is read back larger than this (a bound on what a damaged file can ask for).
inline constexpr qint64 largestPart = qint64(512) * 1024 * 1024;

/// The bytes of a copy file holding @p content.
QByteArray encode(const CopyContent &content);
/// The content of the bytes of a copy file; not ok for anything but a whole, unchanged copy file.
CopyReading decode(const QByteArray &bytes);

/// Writes @p content to @p path atomically: a temporary file in the same folder, synced, renamed
/// over @p path, the folder synced. A kill at any moment leaves the old file or the new one.
CopyWriting write(const QString &path, const CopyContent &content);
/// Writes @p bytes (encode()'s) to @p path atomically, as write() does.
CopyWriting writeBytes(const QString &path, const QByteArray &bytes);
/// Reads the copy file at @p path (a regular file only, never more than a copy can hold).
CopyReading read(const QString &path);

} // namespace CopyFile
