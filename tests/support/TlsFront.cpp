#include "TlsFront.h"

#include <QFile>
#include <QProcess>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QTcpSocket>

TlsFront::TlsFront(quint16 servicePort, QObject *parent)
    : QTcpServer(parent), m_servicePort(servicePort)
{
}

bool TlsFront::openssl(const QStringList &arguments)
{
    QProcess process;
    process.setWorkingDirectory(m_dir.path());
    process.start("openssl", arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0) {
        qWarning("openssl %s: %s", qPrintable(arguments.join(' ')),
                 process.readAllStandardError().constData());
        return false;
    }
    return true;
}

bool TlsFront::start()
{
    const QStringList authority = {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2"};
    QFile extensions(m_dir.filePath("server.ext"));
    if (!extensions.open(QIODevice::WriteOnly) ||
        extensions.write("subjectAltName=DNS:localhost,IP:127.0.0.1\n") < 0)
        return false;
    extensions.close();
    if (!openssl(authority + QStringList{"-keyout", "authority.key", "-out", "authority.pem",
                                         "-subj", "/CN=Talvora test authority"}) ||
        !openssl(authority + QStringList{"-keyout", "stranger.key", "-out", "stranger.pem", "-subj",
                                         "/CN=Talvora stranger authority"}) ||
        !openssl({"req", "-newkey", "rsa:2048", "-nodes", "-keyout", "server.key", "-out",
                  "server.csr", "-subj", "/CN=localhost"}) ||
        !openssl({"x509", "-req", "-in", "server.csr", "-CA", "authority.pem", "-CAkey",
                  "authority.key", "-CAcreateserial", "-days", "2", "-extfile", "server.ext",
                  "-out", "server.pem"}))
        return false;
    return listen(QHostAddress::LocalHost);
}

QString TlsFront::baseUrl() const
{
    return QStringLiteral("https://127.0.0.1:%1").arg(serverPort());
}

void TlsFront::incomingConnection(qintptr descriptor)
{
    auto *client = new QSslSocket(this);
    if (!client->setSocketDescriptor(descriptor)) {
        delete client;
        return;
    }
    client->setLocalCertificate(m_dir.filePath("server.pem"));
    client->setPrivateKey(m_dir.filePath("server.key"));
    client->setPeerVerifyMode(QSslSocket::VerifyNone);
    auto *service = new QTcpSocket(client);
    connect(client, &QSslSocket::encrypted, service, [this, client, service] {
        client->setProperty("passed", true);
        service->connectToHost(QHostAddress::LocalHost, m_servicePort);
    });
    connect(client, &QSslSocket::readyRead, service, [client, service] {
        if (client->isEncrypted())
            service->write(client->readAll());
    });
    connect(service, &QTcpSocket::readyRead, client,
            [client, service] { client->write(service->readAll()); });
    connect(service, &QTcpSocket::disconnected, client, [client] { client->disconnectFromHost(); });
    connect(client, &QSslSocket::disconnected, client, [this, client, service] {
        if (!client->property("passed").toBool())
            ++m_refused;
        service->disconnectFromHost();
        client->deleteLater();
    });
    client->startServerEncryption();
}
