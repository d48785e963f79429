#include "network/TrustStore.h"

#include <QFileInfo>
#include <QSslCertificate>
#include <QSslConfiguration>

#include <optional>

namespace {

struct State
{
    QString privateFile;
    // The client's configuration before the first private file, put back as it was.
    std::optional<QSslConfiguration> system;
};

State &state()
{
    static State value;
    return value;
}

QString systemBundle()
{
    // OpenSSL's own variable first, then where the distributions keep their bundle (Debian
    // and Ubuntu first), as Qt's OpenSSL backend and curl look for it.
    const QString fromEnvironment = qEnvironmentVariable("SSL_CERT_FILE");
    if (!fromEnvironment.isEmpty() && QFileInfo(fromEnvironment).isReadable())
        return fromEnvironment;
    static const char *const candidates[] = {
        "/etc/ssl/certs/ca-certificates.crt", "/etc/pki/tls/certs/ca-bundle.crt",
        "/etc/ssl/ca-bundle.pem", "/etc/pki/tls/cacert.pem", "/etc/ssl/cert.pem"};
    for (const char *candidate : candidates) {
        const QFileInfo file(QString::fromLatin1(candidate));
        if (file.isFile() && file.isReadable() && file.size() > 0)
            return file.filePath();
    }
    return {};
}

} // namespace

QString TrustStore::authorityFile()
{
    if (!state().privateFile.isEmpty())
        return state().privateFile;
    return systemBundle();
}

void TrustStore::usePrivateAuthorities(const QString &pemFile)
{
    State &s = state();
    if (!s.system)
        s.system = QSslConfiguration::defaultConfiguration();
    s.privateFile = pemFile;
    if (pemFile.isEmpty()) {
        QSslConfiguration::setDefaultConfiguration(*s.system);
        return;
    }
    QSslConfiguration configuration = *s.system;
    configuration.setCaCertificates(QSslCertificate::fromPath(pemFile, QSsl::Pem));
    QSslConfiguration::setDefaultConfiguration(configuration);
}
