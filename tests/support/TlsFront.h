#pragma once

#include <QString>
#include <QTcpServer>
#include <QTemporaryDir>

// HTTPS in front of the loopback lecture service, as a site behind nginx has it: its own port,
// a certificate for 127.0.0.1 and localhost from a test authority made with `openssl` when it
// starts. Each connection is passed on to the service only after its handshake succeeded, so a
// client that refuses the certificate never reaches the service (its request log stays empty).
class TlsFront : public QTcpServer
{
    Q_OBJECT
public:
    explicit TlsFront(quint16 servicePort, QObject *parent = nullptr);

    // Makes the authorities and the certificate, then listens on 127.0.0.1.
    bool start();
    QString baseUrl() const; // "https://127.0.0.1:<port>"
    // The authority that signed the front's certificate, and another one that did not.
    QString authorityFile() const { return m_dir.filePath("authority.pem"); }
    QString strangerFile() const { return m_dir.filePath("stranger.pem"); }
    // Handshakes the clients broke off (they refused the certificate).
    int refusedHandshakes() const { return m_refused; }

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    bool openssl(const QStringList &arguments);

    quint16 m_servicePort;
    QTemporaryDir m_dir;
    int m_refused = 0;
};
