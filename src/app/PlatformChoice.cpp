#include "PlatformChoice.h"

#include "Logging.h"

#include <QDebug>
#include <QGuiApplication>

namespace PlatformChoice {

Platform choose(const QByteArray &qpaPlatform, const QByteArray &waylandDisplay,
                const QByteArray &x11Display)
{
    if (!qpaPlatform.isEmpty() || waylandDisplay.isEmpty())
        return Platform::AsChosen;
    // A Wayland compositor sets DISPLAY when it offers XWayland (GNOME starts it on demand).
    return x11Display.isEmpty() ? Platform::Wayland : Platform::X11;
}

void apply()
{
    switch (choose(qgetenv("QT_QPA_PLATFORM"), qgetenv("WAYLAND_DISPLAY"), qgetenv("DISPLAY"))) {
    case Platform::AsChosen:
        break;
    case Platform::X11:
        qputenv("QT_QPA_PLATFORM", "xcb");
        qCInfo(lcShell).noquote()
            << "[Shell] Wayland session: running through XWayland, so the tray "
               "popup and the floating panel can be placed";
        break;
    case Platform::Wayland:
        qputenv("QT_QPA_PLATFORM", "wayland");
        qCInfo(lcShell).noquote()
            << "[Shell] Wayland session without XWayland: the tray popup opens "
               "centred and the floating panel is an ordinary window";
        break;
    }
}

bool compositorPlacesWindows()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace PlatformChoice
