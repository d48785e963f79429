#pragma once

class QQmlEngine;

namespace ShellQmlEngine {
// The QML engine of the tray popup and the floating panel in the program: one for the
// process, made on first use, prepared like the main windows' engine (icons, the module's
// import path) and never destroyed, like the two objects that use it.
QQmlEngine &engine();
} // namespace ShellQmlEngine
