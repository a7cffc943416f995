#include "platform/systemregistry.h"

long SystemRegistry::openKey(const QString &, std::uint32_t, void **handle)
{
    *handle = nullptr;
    return 2; // ERROR_FILE_NOT_FOUND
}

Registry::Value SystemRegistry::queryValue(void *, const QString &, std::uint32_t)
{
    return {2, 0, {}};
}

void SystemRegistry::closeKey(void *) {}
