#pragma once
// The remote panel's TLS certificate: the operator's own (--web-cert and
// --web-key, PEM), or one made at the first start beyond loopback with the
// openssl command (EC P-256, self-signed, 825 days, for localhost, the host's
// name and 127.0.0.1) and kept beside the settings, the key readable by its
// owner only. A browser warns of a self-signed certificate; the fingerprint
// printed at start-up is what its details must show.

#include <QSslConfiguration>
#include <QString>

#include <optional>

namespace web
{

struct Tls {
    QSslConfiguration configuration;
    QString fingerprint; // SHA-256, "AB:CD:..."
    QString certFile;
};

// certFile/keyFile: both or neither (then made in `dir` once, reused after).
// Nothing, with `error` set, when they cannot be read or made.
std::optional<Tls> loadTls(const QString& certFile, const QString& keyFile, const QString& dir,
                           QString* error);

} // namespace web
