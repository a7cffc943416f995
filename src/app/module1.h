// The start-up routine: shows the splash, which hands over to the main window.
#pragma once

class Forms;

namespace Module1 {
/// Loads and shows the splash window; the event loop does the rest.
void Main(Forms &forms);
}
