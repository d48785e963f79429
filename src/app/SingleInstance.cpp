#include "SingleInstance.h"

#include "Logging.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <unistd.h>

namespace {

const QByteArray showRequest = "show\n";
const QByteArray confirmation = "shown\n";
constexpr int handOverMs = 5000;

QString runtimeFolder()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

} // namespace

SingleInstance::SingleInstance(const QString &dataFolder, QObject *parent) : QObject(parent)
{
    const QByteArray key =
        QCryptographicHash::hash(QDir::cleanPath(dataFolder).toUtf8(), QCryptographicHash::Sha256)
            .toHex()
            .left(16);
    m_name = runtimeFolder() + QStringLiteral("/talvora-%1-%2").arg(getuid()).arg(key);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::onConnection);
}

SingleInstance::~SingleInstance()
{
    m_server.close();
}

bool SingleInstance::claim()
{
    // The lock decides who runs; a copy killed with SIGKILL leaves a lock whose process is
    // gone, which QLockFile takes over at once.
    m_lock = std::make_unique<QLockFile>(m_name + QStringLiteral(".lock"));
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        m_lock.reset();
        return false;
    }
    QLocalServer::removeServer(m_name); // a socket file left by a killed copy
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server.listen(m_name))
        qCWarning(lcShell).noquote()
            << "[Talvora] later starts cannot reach this one:" << m_server.errorString();
    return true;
}

bool SingleInstance::handOver()
{
    // The running copy may hold the lock a moment before it listens.
    QElapsedTimer clock;
    clock.start();
    QLocalSocket socket;
    while (true) {
        socket.connectToServer(m_name);
        if (socket.waitForConnected(500))
            break;
        if (clock.elapsed() > handOverMs) {
            qCWarning(lcShell).noquote() << "[Talvora] already running, but it does not answer";
            return false;
        }
        QThread::msleep(100);
    }
    socket.write(showRequest);
    socket.waitForBytesWritten(handOverMs);
    while (!socket.canReadLine() && socket.waitForReadyRead(handOverMs)) {
    }
    const bool shown = socket.readLine() == confirmation;
    qCInfo(lcShell).noquote() << (shown
                                      ? "[Talvora] already running: its window was brought forward"
                                      : "[Talvora] already running, but it did not confirm");
    return shown;
}

void SingleInstance::onConnection()
{
    while (QLocalSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine())
                return;
            if (socket->readLine() == showRequest) {
                qCInfo(lcShell).noquote() << "[Talvora] a second start asked for the main window";
                emit activationRequested();
                socket->write(confirmation);
            }
            socket->disconnectFromServer();
        });
    }
}
