#pragma once

#include <QString>

// The bundled typeface (Manrope, OFL) in three weights standing in for the regular,
// medium and bold faces of the design.
namespace AppFonts {
// Registers the bundled font files and makes the family the application font.
// QtQuick `Text` does not inherit a window's font, so this must run before QML loads.
void install();
QString family();
} // namespace AppFonts
