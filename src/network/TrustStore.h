#pragma once

#include <QString>

// The certificate authorities every connection of the program trusts: the Qt client, the
// downloads and the audio player all verify the site against the same set. That is the
// system's bundle, found where OpenSSL finds it; tests hand in a private file instead.
namespace TrustStore {

// The file of trusted authorities the audio player verifies against: the private file when
// one was set, otherwise the system bundle; empty when there is none (every HTTPS stream is
// then refused).
QString authorityFile();

// Trusts exactly the authorities in `pemFile` from now on, for the Qt client, the downloads
// and the audio player; an empty path goes back to the system's store. For tests.
void usePrivateAuthorities(const QString &pemFile);

} // namespace TrustStore
