#pragma once

#include <QByteArray>

// Which windowing platform the program runs on. The tray popup under its icon, the floating
// panel's bottom-left place and its stay-on-top hint all need a program that places its own
// windows, which X11 allows and Wayland does not. So in a Wayland session with XWayland the
// program runs on X11; without XWayland it runs on Wayland, where the popup opens centred and
// the panel is an ordinary window.
namespace PlatformChoice {

enum class Platform { AsChosen, X11, Wayland };

// The choice for a session with these environment values (empty when unset): a platform the
// user chose with QT_QPA_PLATFORM always stands, and so does anything outside a Wayland session.
Platform choose(const QByteArray &qpaPlatform, const QByteArray &waylandDisplay,
                const QByteArray &x11Display);

// Applies the choice for this process's environment and says in the log why, when it is not
// the user's own. Call before the application object is made.
void apply();

// Whether the program's windows are placed by the compositor rather than by the program.
bool compositorPlacesWindows();

} // namespace PlatformChoice
