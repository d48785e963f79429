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
    if (m_hadPrevious)
        qputenv("XDG_DATA_HOME", m_previous);
    else
        qunsetenv("XDG_DATA_HOME");
}
