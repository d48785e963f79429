#pragma once

#include <QByteArray>

// A library document shaped like the service's: Indonesian titles and teacher names, file
// names with spaces and the odd accent, optional fields sometimes absent or null.
namespace LibraryGenerator {
QByteArray document(int trackCount, quint32 seed = 1);
}
