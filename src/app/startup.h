// The start-up routine: shows the splash, which hands over to the main window.
#pragma once

class Windows;

namespace Startup {
/// Loads and shows the splash window; the event loop does the rest.
void showSplash(Windows &windows);
}
