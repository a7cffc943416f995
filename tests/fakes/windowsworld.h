// What a window test starts from: data and cache folders of its own (XDG_DATA_HOME, XDG_CACHE_HOME),
// the fake platform and the window owner, made afresh for every test function.
#pragma once

#include "app/windows.h"
#include "fakes/fakeplatform.h"

#include <QTemporaryDir>

#include <memory>

struct WindowsWorld {
    std::unique_ptr<QTemporaryDir> data;
    std::unique_ptr<QTemporaryDir> cache;
    std::unique_ptr<FakePlatform> platform;
    std::unique_ptr<Windows> windows;

    void start()
    {
        data = std::make_unique<QTemporaryDir>();
        qputenv("XDG_DATA_HOME", data->path().toUtf8());
        cache = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CACHE_HOME", cache->path().toUtf8());
        platform = std::make_unique<FakePlatform>();
        windows = std::make_unique<Windows>(*platform);
    }
    /// The windows go before the platform they use.
    void stop()
    {
        windows.reset();
        platform.reset();
    }
};
