#pragma once
// --web: the remote panel as the program starts it, or the reason it may not.
//
// Loopback (the default address) without a passphrase: plain HTTP, no login,
// this machine only. With a passphrase: a login first, everywhere. Beyond
// loopback: only with a passphrase, and over TLS only (the operator's
// certificate, or one made at the first start; its fingerprint is printed).

#include <QString>

#include <cstdio>
#include <memory>
#include <optional>

class Corvane;
class QSettings;

namespace web
{

struct WebOptions {
    quint16 port = 0;
    QString address = QStringLiteral("127.0.0.1"); // or "any"
    QString certFile, keyFile;                     // both or neither
};

class LoginGuard;
class WebHub;
class WebServer;

class WebStation
{
public:
    ~WebStation();
    // Serving, or nothing after saying why on `err` (then the program ends:
    // a station asked for and not served is no station).
    static std::unique_ptr<WebStation> start(Corvane& panel, const WebOptions& options,
                                             QSettings& passphrases, std::FILE* err);
    quint16 port() const { return port_; }

private:
    WebStation() = default;
    std::unique_ptr<LoginGuard> guard_;
    std::unique_ptr<WebHub> hub_;
    std::unique_ptr<WebServer> server_;
    quint16 port_ = 0;
};

} // namespace web
