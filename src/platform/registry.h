// Reading values below the system's machine-wide configuration root (the registry on Windows).
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

class Registry {
public:
    static constexpr std::uint32_t HKEY_LOCAL_MACHINE = 0x80000002;
    static constexpr std::uint32_t REG_SZ = 1;
    static constexpr std::uint32_t REG_DWORD = 4;
    static constexpr std::uint32_t KEY_READ = 0x20019;
    static constexpr std::uint32_t KEY_ALL_ACCESS = 0xF003F;
    static constexpr long ERROR_SUCCESS = 0;
    static constexpr long ERROR_FILE_NOT_FOUND = 2;
    static constexpr long ERROR_ACCESS_DENIED = 5;
    static constexpr long ERROR_MORE_DATA = 234;

    /// A value as the system delivers it: its type and its raw bytes.
    struct Value {
        long status = 0;          ///< 0 on success, as the Windows calls report it
        std::uint32_t type = 0;
        QByteArray data;
    };
    virtual ~Registry() = default;
    /// Opens @p keyPath below HKEY_LOCAL_MACHINE; 0 on success.
    virtual long openKey(const QString &keyPath, std::uint32_t access, void **handle) = 0;
    /// Reads @p valueName of an open key into a buffer of @p bufferSize bytes; a larger value fails.
    virtual Value queryValue(void *handle, const QString &valueName, std::uint32_t bufferSize) = 0;
    virtual void closeKey(void *handle) = 0;
    /// What the last openKey() found in the configuration and ignored, in words for the person who
    /// configures the machine (which file, which lines, and why); empty when nothing was ignored.
    virtual QString ignoredConfiguration() const { return {}; }
};
