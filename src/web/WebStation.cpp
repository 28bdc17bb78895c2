#include "web/WebStation.h"

#include "panel/Corvane.h"
#include "web/Certificate.h"
#include "web/LoginGuard.h"
#include "web/Passphrase.h"
#include "web/WebHub.h"
#include "web/WebServer.h"

#include <QFileInfo>
#include <QHostAddress>
#include <QHostInfo>
#include <QSettings>

namespace web
{

WebStation::~WebStation() = default;

std::unique_ptr<WebStation> WebStation::start(Corvane& panel, const WebOptions& options,
                                              QSettings& passphrases, std::FILE* err)
{
    const auto fail = [err](const QString& why) {
        std::fprintf(err, "corvane: --web: %s\n", qPrintable(why));
        return nullptr;
    };
    QHostAddress address;
    if (options.address == u"any")
        address = QHostAddress::Any;
    else if (!address.setAddress(options.address))
        return fail(QStringLiteral("\"%1\" is no IP address (or \"any\")").arg(options.address));
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    const bool loopback = isV4 ? (v4 >> 24) == 127 : address.isLoopback();

    std::optional<PassHash> hash = loadPassphrase(passphrases);
    if (!loopback && !hash)
        return fail(QStringLiteral("serving beyond this machine (%1) needs a passphrase first: set one with "
                                   "\"corvane --set-web-passphrase\"; nothing is served")
                        .arg(options.address));

    WebServer::Mode mode{.tls = !loopback || !options.certFile.isEmpty(), .loopbackOnly = loopback};
    auto station = std::unique_ptr<WebStation>(new WebStation);
    station->guard_ = std::make_unique<LoginGuard>(std::move(hash));
    station->hub_ = std::make_unique<WebHub>(panel.door(), panel.runner(), *station->guard_);
    station->server_ = std::make_unique<WebServer>(*station->hub_, mode);
    if (mode.tls) {
        QString why;
        const std::optional<Tls> tls = loadTls(options.certFile, options.keyFile,
                                               QFileInfo(passphrases.fileName()).absolutePath(), &why);
        if (!tls)
            return fail(why);
        station->server_->sslSetup(tls->configuration);
        std::fprintf(err, "corvane: --web: certificate %s, SHA-256 fingerprint %s\n",
                     qPrintable(tls->certFile), qPrintable(tls->fingerprint));
    }
    station->port_ = station->server_->listen(address, options.port);
    if (station->port_ == 0)
        return fail(QStringLiteral("cannot listen on %1 port %2").arg(options.address).arg(options.port));
    // Browsers try "localhost" at ::1 first.
    if (address == QHostAddress(QHostAddress::LocalHost))
        station->server_->listen(QHostAddress::LocalHostIPv6, station->port_);
    // "any" is no host a browser can be given: this machine's name is.
    const QString host = loopback                       ? QStringLiteral("localhost")
                         : address == QHostAddress::Any ? QHostInfo::localHostName()
                                                        : options.address;
    std::fprintf(err, "corvane: --web: serving %s://%s:%u/%s\n", mode.tls ? "https" : "http",
                 qPrintable(host), unsigned(station->port_),
                 station->guard_->required() ? " (passphrase required)" : " (this machine only, no login)");
    return station;
}

} // namespace web
