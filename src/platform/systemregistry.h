// The machine-wide configuration values the About dialog reads.
#pragma once

#include "platform/registry.h"

#include <QMap>
#include <QStringList>
#include <map>
#include <memory>

/// On Linux the registry is one file that the administrator edits, by default /etc/quokka/registry.ini.
/// Each section names a key path below HKEY_LOCAL_MACHINE, each line a value of that key:
///
///     [SOFTWARE\Microsoft\Shared Tools\MSINFO]
///     PATH=/usr/bin/hardinfo   ; the program itself
///
/// A value is a string (delivered with its closing NUL, as the Windows registry does) unless it is
/// written "dword:" and up to eight hexadecimal digits. Key paths and value names match regardless of
/// case. ';' and '#' start a comment at the start of a line or after a blank. The file is UTF-8 (a
/// UTF-16 file with its byte-order mark is read too) of at most maxFileSize bytes; a larger file, and
/// every line that is not read, is reported by ignoredConfiguration(). The file is read when a key is
/// opened; it is never written, so a request for write access is refused.
class SystemRegistry final : public Registry {
public:
    static QString defaultPath();
    /// A settings file is a few lines; anything larger is not one, and is not read at all.
    static constexpr qint64 maxFileSize = 64 * 1024;

    explicit SystemRegistry(QString path = defaultPath());
    ~SystemRegistry() override;

    long openKey(const QString &keyPath, std::uint32_t access, void **handle) override;
    Value queryValue(void *handle, const QString &valueName, std::uint32_t bufferSize) override;
    void closeKey(void *handle) override;
    QString ignoredConfiguration() const override;

    /// The values of every key in @p text, key paths and value names in lower case. Each line that is
    /// not read is told in @p ignored ("line 3: why").
    using Key = QMap<QString, Value>;
    static QMap<QString, Key> parse(const QString &text, QStringList *ignored = nullptr);
    /// The text of a settings file's @p bytes: UTF-8, or UTF-16 when it starts with a byte-order mark.
    /// A line that is not valid UTF-8, or holds a NUL byte, is replaced by a NUL character, which parse()
    /// reports and skips.
    static QString decode(const QByteArray &bytes);

private:
    QString m_path;
    QString m_ignored;
    std::map<void *, std::unique_ptr<Key>> m_open;
};
