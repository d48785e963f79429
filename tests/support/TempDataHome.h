#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// Points XDG_DATA_HOME at a fresh temporary folder for the lifetime of this object, so the
// program's data folder ($XDG_DATA_HOME/Quillora) starts empty. Create it before anything
// asks QStandardPaths; the previous value comes back on destruction, so an older home must not
// end before a younger one (that stops the test).
class TempDataHome
{
public:
    TempDataHome();
    ~TempDataHome();

    TempDataHome(const TempDataHome &) = delete;
    TempDataHome &operator=(const TempDataHome &) = delete;

    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    // The program's own folder inside it (not created).
    QString dataFolder() const { return m_dir.path() + "/Quillora"; }

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
    bool m_hadPrevious;
};
