#include "AppFonts.h"

#include "Logging.h"

#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>

namespace AppFonts {

QString family()
{
    return QStringLiteral("Manrope");
}

void install()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    for (const char *file : {"Manrope-Regular.ttf", "Manrope-Medium.ttf", "Manrope-Bold.ttf"}) {
        if (QFontDatabase::addApplicationFont(QStringLiteral(":/Talvora/fonts/") +
                                              QLatin1String(file)) < 0)
            qCWarning(lcShell).noquote() << "[Ui] could not load font" << file;
    }
    QFont font(family());
    font.setPixelSize(13);
    QGuiApplication::setFont(font);
}

} // namespace AppFonts
