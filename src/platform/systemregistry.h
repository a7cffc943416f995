// The machine-wide configuration values the About dialog reads.
#pragma once

#include "platform/registry.h"

/// On Linux: no registry; every lookup fails until the machine configures one.
class SystemRegistry final : public Registry {
public:
    long openKey(const QString &keyPath, std::uint32_t access, void **handle) override;
    Value queryValue(void *handle, const QString &valueName, std::uint32_t bufferSize) override;
    void closeKey(void *handle) override;
};
