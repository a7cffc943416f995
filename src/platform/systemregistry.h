// The machine-wide configuration values the About dialog reads.
#pragma once

#include "platform/registry.h"

#include <QMap>
#include <map>
#include <memory>

/// On Linux the registry is one file that the administrator edits, by default /etc/quokka/registry.ini.
/// Each section names a key path below HKEY_LOCAL_MACHINE, each line a value of that key:
///
///     [SOFTWARE\Microsoft\Shared Tools\MSINFO]
///     PATH=/usr/bin/hardinfo
///
/// A value is a string (delivered with its closing NUL, as the Windows registry does) unless it is
/// written "dword:" and eight hexadecimal digits. Key paths and value names match regardless of case;
/// lines starting with ';' or '#' are comments. The file is read when a key is opened; it is never
/// written, so a request for write access is refused.
class SystemRegistry final : public Registry {
public:
    static QString defaultPath();

    explicit SystemRegistry(QString path = defaultPath());
    ~SystemRegistry() override;

    long openKey(const QString &keyPath, std::uint32_t access, void **handle) override;
    Value queryValue(void *handle, const QString &valueName, std::uint32_t bufferSize) override;
    void closeKey(void *handle) override;

    /// The values of every key in @p text, key paths and value names in lower case.
    using Key = QMap<QString, Value>;
    static QMap<QString, Key> parse(const QString &text);

private:
    QString m_path;
    std::map<void *, std::unique_ptr<Key>> m_open;
};
