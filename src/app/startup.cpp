#include "app/startup.h"

#include "app/splashscreen.h"
#include "app/windows.h"

namespace Startup {

void showSplash(Windows &windows)
{
    SplashScreen *splash = windows.splashScreen();
    splash->show();
}

} // namespace Startup
