// Whether the web engine's page process program is there, asked before the engine is loaded (QtCore only).
#pragma once

#include <QString>

/// Why the web engine cannot start its page process (the program every page runs in): it is missing
/// or not executable where the engine looks for it. Empty when it is there.
QString enginePageProcessProblem();
