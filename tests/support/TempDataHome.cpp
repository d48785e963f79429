#include "TempDataHome.h"

#include <QFile>

TempDataHome::TempDataHome()
    : m_previous(qgetenv("XDG_DATA_HOME")),
      m_hadPrevious(qEnvironmentVariableIsSet("XDG_DATA_HOME"))
{
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_dir.path()));
}

TempDataHome::~TempDataHome()
{
    // Homes end in the reverse order they began. One that ended while a younger one lived would
    // hand the younger one's program the user's own data folder.
    if (qgetenv("XDG_DATA_HOME") != QFile::encodeName(m_dir.path()))
        qFatal("TempDataHome: ended while a younger one is in place; end that one first");
    if (m_hadPrevious)
        qputenv("XDG_DATA_HOME", m_previous);
    else
        qunsetenv("XDG_DATA_HOME");
}
