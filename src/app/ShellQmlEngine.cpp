#include "ShellQmlEngine.h"

#include "MainWindows.h"

#include <QCoreApplication>
#include <QQmlEngine>

namespace ShellQmlEngine {

QQmlEngine &engine()
{
    static QQmlEngine *instance = [] {
        auto *created = new QQmlEngine;
        MainWindows::prepareEngine(*created);
        QObject::connect(created, &QQmlEngine::quit, QCoreApplication::instance(),
                         &QCoreApplication::quit, Qt::QueuedConnection);
        return created;
    }();
    return *instance;
}

} // namespace ShellQmlEngine
